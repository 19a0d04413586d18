// The XML document: the top-level nodes of one text, and the operations that
// fill them from a text or a file.
#pragma once

#include "xml/XmlArena.h"
#include "xml/XmlFileText.h"
#include "xml/XmlNode.h"

#include <string>
#include <vector>

class TVexXMLParser : public TVexBaseXmlNode {
public:
    TVexXMLParser() = default;
    ~TVexXMLParser() override;

    // Destroys every node, then gives back the memory of the parsed ones.
    void Clear() override;

    // Replaces the children by the tree read from a NUL-terminated text.
    // On a syntax error raises EVexXMLError (EConvertError for a decimal
    // reference that does not convert); the document then keeps the
    // top-level nodes completed before the error.
    void Parse(const char* text);

    // Reads the file and parses it with every line break as CR LF. An empty
    // file leaves the document as it was; a file that cannot be read raises
    // EInOutError and leaves it unchanged.
    void LoadFromFile(const std::string& fileName);

    // A released document leaves its largest memory blocks (up to 256 MB)
    // for the next one, which then loads without waiting for fresh pages.
    // This gives them back to the system, as a program that is done loading
    // for a while should.
    static void ReleaseSpareMemory() noexcept { TVexXMLArena::ReleaseSpareBlocks(); }

private:
    friend class TVexXMLDocumentBuilder;

    // Parse of a file's text, giving back the memory of what has been read.
    void ParseFileText(vexxml::TFileText& text);

    void ChildrenOwnMemory() noexcept override { FMustVisit = true; }
    void IndexMade(TVexBaseXmlNode* node) override { FIndexed.push_back(node); }
    // Destroys the nodes: each one only when some node owns memory outside
    // the arena (a node added or changed after the parse, an index).
    void ReleaseNodes() noexcept;

    bool FMustVisit = false;
    std::vector<TVexBaseXmlNode*> FIndexed;  // the nodes that made a name index

    // The parsed nodes and their texts; released only after the nodes.
    TVexXMLArena FArena;
};

// The XML document: the top-level nodes of one text, and the operations that
// fill them from a text or a file.
#pragma once

#include "xml/XmlArena.h"
#include "xml/XmlFileText.h"
#include "xml/XmlNode.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Sees each node inside an element as the parse completes it, before it
// joins its parent: a reader that wants a few elements of a large document
// takes them as they come, and the document never holds them all.
class TVexXMLNodeSink {
public:
    virtual ~TVexXMLNodeSink() = default;
    // `open` holds the elements around it, the root first; they are to be
    // read, not changed. Returning true takes the node out: it is destroyed
    // at once, its memory is used again, and the text after it up to the
    // next tag is dropped with it.
    virtual bool NodeCompleted(const TVexXMLNode& node, std::span<TVexXMLNode* const> open) = 0;
};

// How a parse meets a text that is not well-formed XML.
enum class TVexXMLParseMode : std::uint8_t {
    // The first error raises EVexXMLError with its line and column.
    pmStrict,
    // What can be read is read, and nothing is raised for the text:
    //  - an undefined HTML entity ("&eacute;") gives its character; any
    //    other "&" that does not begin a reference stays as its text;
    //  - a closing tag that does not match closes the open elements up to
    //    the one it names, or is dropped when none is open;
    //  - at the end of the text every open element is closed (CutShort
    //    names them), and a tag or text cut short there is dropped;
    //  - the parse ends with the first top-level element: what follows it
    //    is ignored;
    //  - a "<" that opens no tag is text, an attribute without a value or
    //    with an unquoted one is read, a malformed tag ends at its ">".
    pmRecovering,
};

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
    // With a sink, the nodes it takes are left out.
    void Parse(const char* text, TVexXMLNodeSink* sink = nullptr);

    // Reads the file and parses it with every line break as CR LF. An empty
    // file leaves the document as it was; a file that cannot be read raises
    // EInOutError and leaves it unchanged.
    void LoadFromFile(const std::string& fileName, TVexXMLNodeSink* sink = nullptr);

    // Parse of a text read as a file's (with CR LF line breaks), giving back
    // its memory as the reading goes on; what has been read is gone.
    void Parse(vexxml::TFileText& text, TVexXMLNodeSink* sink = nullptr);

    // A released document (and a channel record's texts) leaves its
    // largest memory blocks (up to 256 MB in all) for the next one, which
    // then loads without waiting for fresh pages.
    // This gives them back to the system, as a program that is done loading
    // for a while should.
    static void ReleaseSpareMemory() noexcept { TVexXMLArena::ReleaseSpareBlocks(); }

    // The mode of the next parses; strict unless set.
    void SetParseMode(TVexXMLParseMode mode) noexcept { FMode = mode; }
    TVexXMLParseMode ParseMode() const noexcept { return FMode; }

    // After a recovering parse, the elements that were still open when the
    // text ended, the innermost first: each was closed there, cut short.
    // Only to compare with: a node that a sink took is gone.
    const std::vector<const TVexXMLNode*>& CutShort() const noexcept { return FCutShort; }

private:
    friend class TVexXMLDocumentBuilder;

    void ChildrenOwnMemory() noexcept override { FMustVisit = true; }
    void IndexMade(TVexBaseXmlNode* node) override { FIndexed.push_back(node); }
    // Destroys the nodes: each one only when some node owns memory outside
    // the arena (a node added or changed after the parse, an index).
    void ReleaseNodes() noexcept;

    bool FMustVisit = false;
    TVexXMLParseMode FMode = TVexXMLParseMode::pmStrict;
    std::vector<const TVexXMLNode*> FCutShort;
    std::vector<TVexBaseXmlNode*> FIndexed;  // the nodes that made a name index

    // The parsed nodes and their texts; released only after the nodes.
    TVexXMLArena FArena;
};

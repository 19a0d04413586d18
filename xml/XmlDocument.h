// The XML document: the top-level nodes of one text, and the operations that
// fill them from a text or a file.
#pragma once

#include "xml/XmlNode.h"

#include <string>

class TVexXMLParser : public TVexBaseXmlNode {
public:
    TVexXMLParser() = default;

    // Replaces the children by the tree read from a NUL-terminated text.
    // On a syntax error raises EVexXMLError (EConvertError for a decimal
    // reference that does not convert); the document then keeps the
    // top-level nodes completed before the error.
    void Parse(const char* text);

    // Reads the file and parses it with every line break as CR LF. An empty
    // file leaves the document as it was; a file that cannot be read raises
    // EInOutError and leaves it unchanged.
    void LoadFromFile(const std::string& fileName);
};

// Writing text back as XML.
#pragma once

#include <string>
#include <string_view>

// Appends text with "&", "<", ">" and the double quote written as entity
// references, so that it stands as element text or as a quoted attribute value.
void AppendXmlEscaped(std::string& out, std::string_view text);

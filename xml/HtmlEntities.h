// The named character references of HTML, for documents that use them
// without declaring them.
#pragma once

#include <cstdint>
#include <string_view>

namespace vexxml {

// The code point of an HTML entity name ("eacute", "mdash"; letter case
// counts), or 0 when HTML has no such name.
std::uint32_t HtmlEntityCodePoint(std::string_view name) noexcept;

}  // namespace vexxml

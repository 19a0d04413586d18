// Counting one byte value over a long text: the line numbers of a file.
#pragma once

#include <cstddef>

namespace vexxml {

// How many times c occurs in [first, last).
std::size_t CountByte(const char* first, const char* last, char c);

}  // namespace vexxml

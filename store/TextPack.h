// Long texts (a description's HTML) kept compressed in the store.
#pragma once

#include <string>
#include <string_view>

// The text as the store keeps it: compressed when that makes it smaller.
std::string PackText(std::string_view text);

// The text again. A packed text that does not unpack (a damaged store)
// gives what could be read, never more than its stated length.
std::string UnpackText(std::string_view packed);

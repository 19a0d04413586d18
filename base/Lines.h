// Splitting a text into lines and joining lines into a text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The lines of a text. A line ends at CR LF, a lone LF or a lone CR; a last
// line without a line end is still a line, while a line end at the very end
// adds no empty line. A zero byte ends the text.
std::vector<std::string> SplitLines(std::string_view text);

// Every line followed by CR LF, the last one too; no lines give "".
std::string JoinLines(const std::vector<std::string>& lines);

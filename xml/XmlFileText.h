// Reading an XML file into the text the parser sees.
#pragma once

#include <string>

namespace vexxml {

// The file's text up to its first NUL byte, with every line break (CR LF, a
// lone CR or a lone LF) written as CR LF and a CR LF after a last line that
// has none. An empty file, or one that begins with NUL, gives "".
// Raises EInOutError naming the file and the system's reason when the file
// cannot be opened or read.
std::string ReadFileAsCrLfText(const std::string& fileName);

} // namespace vexxml

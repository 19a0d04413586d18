// Reading a whole file and replacing a file's content safely.
// Paths are the file system's own bytes.
#pragma once

#include <string>
#include <string_view>

// False when the file cannot be opened or read; bytes then holds nothing.
bool ReadFileBytes(const std::string& path, std::string& bytes);

// Writes the new content beside the file, flushes it to the disk and only
// then puts it in the file's place, so a failure at any point (a full disk,
// say) leaves the old file byte for byte. A file that may not be written
// (no write permission, a directory of that name) is not replaced.
// A symbolic link stays: the file it names is replaced.
bool WriteFileReplacing(const std::string& path, std::string_view bytes);

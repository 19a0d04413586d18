// Where the running program's file is.
#pragma once

#include <string>

// The full path of the running executable (the link /proc/self/exe), in
// the file system's bytes; "" when it cannot be told. A program whose file
// was replaced while it runs (an upgrade) keeps the path it had.
std::string ExecutablePath();

// The directory of the running executable with its trailing "/", in the
// file system's bytes; "" when it cannot be told.
std::string ExecutableDirectory();

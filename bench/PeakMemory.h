// Peak memory of one load, each measured in a process of its own.
#pragma once

#include <string>
#include <vector>

namespace bench {

// A field of /proc/self/status in bytes ("VmRSS", "VmHWM"); 0 when absent.
long long ProcStatusBytes(const char* field);

// Runs the program again with args in a child process and returns what it
// wrote to its standard output; throws std::runtime_error when it fails.
std::string RunChild(const std::string& program, const std::vector<std::string>& args);

}  // namespace bench

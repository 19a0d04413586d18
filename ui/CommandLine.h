// The window program's command line: its options, the display it needs,
// and what its arguments name.
#pragma once

#include <string>
#include <vector>

struct TCommandLine {
    enum TAction { clRun, clHelp, clVersion, clUnknownOption };
    TAction Action = clRun;
    std::string Unknown;                 // the first unknown option
    std::vector<std::string> Addresses;  // as given, "--" and options left out
};

// "--help", "-h" and "--version" are the options; anything else that begins
// with "-" before a "--" is unknown. Every other argument is an address.
TCommandLine ParseCommandLine(int argc, const char* const argv[]);

// Whether a window can be shown: a platform is named (QT_QPA_PLATFORM), or
// an X or Wayland display is there to connect to.
bool DisplayAvailable();

// An argument that names a file on the disk (a path, relative to the
// current folder, of a file that exists) becomes its "file://" address, so
// that the window reads it, whichever folder that window runs in. Any
// other argument stays as it is.
std::string AddressOfArgument(const std::string& argument);

#include "ui/CommandLine.h"

#include "feed/FileAddress.h"
#include "feed/Download.h"
#include "xml/NameKey.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string_view>

TCommandLine ParseCommandLine(int argc, const char* const argv[]) {
    TCommandLine line;
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (!optionsEnd && argument == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && (argument == "--help" || argument == "-h")) {
            line.Action = TCommandLine::clHelp;
            return line;
        } else if (!optionsEnd && argument == "--version") {
            line.Action = TCommandLine::clVersion;
            return line;
        } else if (!optionsEnd && argument.starts_with('-')) {
            if (line.Action == TCommandLine::clRun) {
                line.Action = TCommandLine::clUnknownOption;
                line.Unknown = argument;
            }
        } else {
            line.Addresses.emplace_back(argument);
        }
    }
    return line;
}

bool DisplayAvailable() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (const char* value = std::getenv(name); value && *value)
            return true;
    return false;
}

std::string AddressOfArgument(const std::string& argument) {
    // An address with a scheme of its own is one already.
    if (argument.empty() || IsWebAddress(argument) || IsFileAddress(argument) ||
        argument.find("://") != std::string::npos ||
        (argument.size() >= 5 && SameNameKey(std::string_view(argument).substr(0, 5), "feed:")))
        return argument;
    struct stat st {};
    if (::stat(argument.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return argument;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(argument, error);
    if (error)
        return argument;
    return FileAddressOf(absolute.lexically_normal().string());
}

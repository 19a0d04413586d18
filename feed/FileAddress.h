// "file:" addresses: a feed file on this machine named as an address, so
// that the channel list can keep it and a double click reads it again.
#pragma once

#include <string>
#include <string_view>

// True for an address that begins with "file://", in any letter case.
bool IsFileAddress(std::string_view address);

// The path that a file address names: after "file://" an empty host or
// "localhost", then the path with its %XX escapes decoded. "" when it names
// no local path (another host, no path, an escape of a zero byte).
std::string LocalPathOf(std::string_view address);

// The file address of an absolute path: "file://" and the path, its bytes
// other than letters, digits, "/", "-", ".", "_" and "~" escaped as %XX.
std::string FileAddressOf(std::string_view absolutePath);

#include "feed/FileAddress.h"

#include "xml/NameKey.h"

namespace {

constexpr std::string_view kScheme = "file://";

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

bool IsFileAddress(std::string_view address) {
    return address.size() >= kScheme.size() && SameNameKey(address.substr(0, kScheme.size()), kScheme);
}

std::string LocalPathOf(std::string_view address) {
    if (!IsFileAddress(address))
        return {};
    std::string_view rest = address.substr(kScheme.size());
    if (rest.size() >= 9 && SameNameKey(rest.substr(0, 9), "localhost"))
        rest.remove_prefix(9);
    if (!rest.starts_with('/'))
        return {};
    std::string path;
    path.reserve(rest.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && HexValue(rest[i + 1]) >= 0 &&
            HexValue(rest[i + 2]) >= 0) {
            const char byte = static_cast<char>(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2]));
            if (byte == '\0')
                return {};
            path += byte;
            i += 2;
        } else {
            path += rest[i];
        }
    }
    return path;
}

std::string FileAddressOf(std::string_view absolutePath) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string address(kScheme);
    for (const char c : absolutePath) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') || c == '/' || c == '-' || c == '.' || c == '_' ||
                           c == '~';
        if (plain) {
            address += c;
        } else {
            address += '%';
            address += kHex[byte >> 4];
            address += kHex[byte & 15];
        }
    }
    return address;
}

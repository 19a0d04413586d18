#include "base/CodePage.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <stdexcept>

namespace {

struct Tables {
    std::array<char16_t, 256> toUnicode{};
};

class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (valid())
            iconv_close(cd_);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

// One byte through iconv; a byte without a character keeps its own number.
char16_t ToUtf16(const IconvHandle& cd, unsigned char byte) {
    char in = static_cast<char>(byte);
    unsigned char out[4] = {};
    char* inPtr = &in;
    size_t inLeft = 1;
    char* outPtr = reinterpret_cast<char*>(out);
    size_t outLeft = sizeof out;
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) &&
        sizeof out - outLeft == 2)
        return static_cast<char16_t>(out[0] | (out[1] << 8));
    return byte;
}

// The table is asked of iconv once, a byte at a time; the conversions
// themselves then run on the table.
Tables BuildTables() {
    Tables t;
    IconvHandle cd("UTF-16LE", "WINDOWS-1250");
    if (!cd.valid())
        throw std::runtime_error("iconv cannot convert WINDOWS-1250");
    for (int b = 0; b < 256; ++b)
        t.toUnicode[b] = b < 0x80 ? static_cast<char16_t>(b) : ToUtf16(cd, static_cast<unsigned char>(b));
    return t;
}

const Tables& Table() {
    static const Tables tables = BuildTables();
    return tables;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

char16_t Win1250CharToUnicode(unsigned char byte) { return Table().toUnicode[byte]; }

char16_t Iso88592CharToUnicode(unsigned char byte) {
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        IconvHandle cd("UTF-16LE", "ISO-8859-2");
        if (!cd.valid())
            throw std::runtime_error("iconv cannot convert ISO-8859-2");
        for (int b = 0; b < 0x100; ++b)
            t[b] = b < 0x80 ? static_cast<char16_t>(b) : ToUtf16(cd, static_cast<unsigned char>(b));
        return t;
    }();
    return table[byte];
}

std::string Win1250ToUtf8(std::string_view text) {
    const Tables& t = Table();
    std::string out;
    out.reserve(text.size());
    for (char ch : text)
        AppendUtf8(out, t.toUnicode[static_cast<unsigned char>(ch)]);
    return out;
}

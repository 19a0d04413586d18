#include "base/CodePage.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <stdexcept>

namespace {

struct Tables {
    std::array<char16_t, 256> toUnicode{};
    std::array<std::int16_t, 0x10000> fromUnicode{};
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
    t.fromUnicode.fill(-1);
    IconvHandle cd("UTF-16LE", "WINDOWS-1250");
    if (!cd.valid())
        throw std::runtime_error("iconv cannot convert WINDOWS-1250");
    for (int b = 0; b < 256; ++b)
        t.toUnicode[b] = b < 0x80 ? static_cast<char16_t>(b) : ToUtf16(cd, static_cast<unsigned char>(b));
    for (int b = 0; b < 256; ++b)
        t.fromUnicode[t.toUnicode[b]] = static_cast<std::int16_t>(b);
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

const std::int16_t* Win1250FromUnicodeTable() { return Table().fromUnicode.data(); }

const std::array<char, 256>& Iso88592ToWin1250Table() {
    static const std::array<char, 256> table = [] {
        std::array<char, 256> t{};
        for (int b = 0; b < 0x80; ++b)
            t[b] = static_cast<char>(b);
        IconvHandle cd("UTF-16LE", "ISO-8859-2");
        if (!cd.valid())
            throw std::runtime_error("iconv cannot convert ISO-8859-2");
        const Tables& win = Table();
        for (int b = 0x80; b < 0x100; ++b) {
            const char16_t code = ToUtf16(cd, static_cast<unsigned char>(b));
            // The C1 controls (80..9F) are no text; Windows-1250 has none.
            const int w = code >= 0xA0 ? win.fromUnicode[code] : -1;
            t[b] = w < 0 ? '?' : static_cast<char>(w);
        }
        return t;
    }();
    return table;
}

char16_t Win1250CharToUnicode(unsigned char byte) { return Table().toUnicode[byte]; }

int UnicodeToWin1250Char(char32_t code) {
    if (code >= 0x10000)
        return -1;
    return Table().fromUnicode[code];
}

std::u16string Win1250ToUtf16(std::string_view text) {
    const Tables& t = Table();
    std::u16string out(text.size(), u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        out[i] = t.toUnicode[static_cast<unsigned char>(text[i])];
    return out;
}

std::string Win1250ToUtf8(std::string_view text) {
    const Tables& t = Table();
    std::string out;
    out.reserve(text.size());
    for (char ch : text)
        AppendUtf8(out, t.toUnicode[static_cast<unsigned char>(ch)]);
    return out;
}

std::string Utf16ToWin1250(std::u16string_view text) {
    const Tables& t = Table();
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
            ++i;
        int b = (c >= 0xD800 && c <= 0xDFFF) ? -1 : t.fromUnicode[c];
        out += b < 0 ? '?' : static_cast<char>(b);
    }
    return out;
}

std::string Utf8ToWin1250(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    const size_t n = text.size();
    auto cont = [&](size_t k) { return k < n && (static_cast<unsigned char>(text[k]) & 0xC0) == 0x80; };
    while (i < n) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        char32_t c;
        size_t len;
        if (b < 0x80) {
            c = b;
            len = 1;
        } else if (b >= 0xC2 && b <= 0xDF && cont(i + 1)) {
            c = ((b & 0x1Fu) << 6) | (text[i + 1] & 0x3F);
            len = 2;
        } else if (b >= 0xE0 && b <= 0xEF && cont(i + 1) && cont(i + 2)) {
            c = ((b & 0x0Fu) << 12) | ((text[i + 1] & 0x3Fu) << 6) | (text[i + 2] & 0x3F);
            len = 3;
            if (c < 0x800)
                c = 0xFFFF;  // overlong: no character
        } else if (b >= 0xF0 && b <= 0xF4 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
            c = 0x110000;  // outside the 16-bit range: the code page lacks it
            len = 4;
        } else {
            c = 0xFFFF;
            len = 1;
        }
        int w = UnicodeToWin1250Char(c);
        out += w < 0 ? '?' : static_cast<char>(w);
        i += len;
    }
    return out;
}

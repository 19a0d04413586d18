// Decode and the code page conversions under it. The first byte picks the
// encoding name; the rest is the text.
#include "base/CodePage.h"
#include "feed/Decode.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view Names[] = {"utf-8", "UTF-8", "iso-8859-2", "ISO-8859-2", "", "utf8"};

void Check(bool condition) {
    if (!condition)
        std::abort();
}

// The decoding in two steps, as a plain reading of its rules: UTF-8 into
// 16-bit characters (bit 20 picks the length, F0..F4 with three trail bytes
// is one character beyond 16 bits), then those into the code page.
std::string TwoStepUtf8(std::string_view text) {
    auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    auto trail = [&](std::size_t k) { return k < text.size() && (at(k) & 0xC0) == 0x80; };
    std::u16string wide;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char b = at(i);
        if (b < 0x80) {
            wide += static_cast<char16_t>(b);
            i += 1;
        } else if (b >= 0xF0 && b <= 0xF4 && trail(i + 1) && trail(i + 2) && trail(i + 3)) {
            wide += u'\xFFFD';
            i += 4;
        } else if (b & 0x20) {
            if (!trail(i + 1) || !trail(i + 2))
                return {};
            wide +=
                static_cast<char16_t>(((b & 0x0F) << 12) | ((at(i + 1) & 0x3F) << 6) | (at(i + 2) & 0x3F));
            i += 3;
        } else {
            if (!trail(i + 1))
                return {};
            wide += static_cast<char16_t>(((b & 0x1F) << 6) | (at(i + 1) & 0x3F));
            i += 2;
        }
    }
    return Utf16ToWin1250(wide);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view name = Names[data[0] % std::size(Names)];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    const std::string decoded = Decode(name, text);
    if (name == "iso-8859-2" || name == "ISO-8859-2")
        Check(decoded.size() == text.size());
    else if (name == "utf-8" || name == "UTF-8")
        Check(decoded == TwoStepUtf8(text));
    else
        Check(decoded == text);

    // The line form is the same text with every line feed a space.
    std::string spaced = decoded;
    std::replace(spaced.begin(), spaced.end(), '\n', ' ');
    Check(DecodeLine(TextEncodingOf(name), text) == spaced);

    // Every byte of the display code page has a character and comes back.
    Check(Utf8ToWin1250(Win1250ToUtf8(text)) == text);
    Check(Utf16ToWin1250(Win1250ToUtf16(text)) == text);
    Check(Utf8ToWin1250(text).size() <= text.size());
    return 0;
}

// The decoder into UTF-8. The first byte picks the encoding name; the rest
// is the text.
#include "base/CodePage.h"
#include "feed/Decode.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view Names[] = {"utf-8", "UTF-8",  "iso-8859-2", "windows-1250", "",
                                      "utf8",  "koi8-r", "shift_jis",  "iso-8859-1",   "no-such-code"};

void Check(bool condition) {
    if (!condition)
        std::abort();
}

bool IsTrail(unsigned char b) { return (b & 0xC0) == 0x80; }

// Whether some well-formed sequence of `length` bytes begins with the
// `size` bytes at `p`: the code points its completions reach form one
// range, which must meet the scalar values the length may encode.
bool CanBegin(const unsigned char* p, std::size_t size, std::size_t length) {
    const unsigned char leadBits[] = {0, 0, 0x1F, 0x0F, 0x07};
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    char32_t low = p[0] & leadBits[length], high = low;
    for (std::size_t k = 1; k < length; ++k) {
        low = (low << 6) | (k < size ? (p[k] & 0x3Fu) : 0u);
        high = (high << 6) | (k < size ? (p[k] & 0x3Fu) : 0x3Fu);
    }
    low = std::max(low, least[length]);
    high = std::min<char32_t>(high, 0x10FFFF);
    if (low > high)
        return false;
    return !(low >= 0xD800 && high <= 0xDFFF);  // surrogates alone
}

// UTF-8 with U+FFFD per maximal invalid subpart, from the code points.
std::string Reference(std::string_view text) {
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::string out;
    for (std::size_t i = 0; i < n;) {
        const unsigned char b = in[i];
        const std::size_t length = b < 0x80   ? 1
                                   : b < 0xC0 ? 0
                                   : b < 0xE0 ? 2
                                   : b < 0xF0 ? 3
                                   : b < 0xF8 ? 4
                                              : 0;
        if (length == 1) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        std::size_t m = 1;
        if (length > 0 && CanBegin(in + i, 1, length))
            while (m < length && i + m < n && IsTrail(in[i + m]) && CanBegin(in + i, m + 1, length))
                ++m;
        if (length > 0 && m == length && CanBegin(in + i, 1, length))
            out.append(text.substr(i, m));
        else
            out += "\xEF\xBF\xBD";
        i += m;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view name = Names[data[0] % std::size(Names)];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    const TTextDecoder decoder(name);
    const std::string decoded = decoder.Decode(text);
    Check(decoded.size() <= TTextDecoder::MaxSize(text.size()));
    Check(IsValidUtf8(decoded));
    if (name == "utf-8" || name == "UTF-8" || name == "utf8")
        Check(decoded == Reference(text));
    if (name.empty() || name == "no-such-code")
        Check(IsValidUtf8(text) ? decoded == text : decoded.size() >= text.size());

    // The line form is the same text with every line feed a space.
    std::string spaced = decoded;
    std::replace(spaced.begin(), spaced.end(), '\n', ' ');
    Check(decoder.Decode(text, true) == spaced);

    Check(IsValidUtf8(Win1250ToUtf8(text)));
    return 0;
}

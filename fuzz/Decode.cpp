// Decode and the code page conversions under it. The first byte picks the
// encoding name; the rest is the text.
#include "base/CodePage.h"
#include "feed/Decode.h"

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view name = Names[data[0] % std::size(Names)];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    const std::string decoded = Decode(name, text);
    if (name == "iso-8859-2" || name == "ISO-8859-2")
        Check(decoded.size() == text.size());
    else if (name == "utf-8" || name == "UTF-8")
        Check(decoded.size() <= text.size());  // one byte per character at most
    else
        Check(decoded == text);

    // Every byte of the display code page has a character and comes back.
    Check(Utf8ToWin1250(Win1250ToUtf8(text)) == text);
    Check(Utf16ToWin1250(Win1250ToUtf16(text)) == text);
    Check(Utf8ToWin1250(text).size() <= text.size());
    return 0;
}

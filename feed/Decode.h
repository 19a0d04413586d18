// Feed text into UTF-8, the program's text.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

// How the texts of one document become UTF-8, decided once from the name
// in its XML declaration (the name may be long, the texts many):
//  - "utf-8" or "utf8", in any letter case, is checked: each malformed
//    sequence becomes one U+FFFD per maximal invalid subpart, as Unicode
//    recommends, and the rest of the text stays. A "utf-16" or "utf-32"
//    name is read so too: a document that the parser read byte by byte was
//    not written in them;
//  - "iso-8859-2" and "windows-1250" by table;
//  - any other name that iconv knows, through iconv ("iso-8859-1",
//    "latin1" and "us-ascii" as windows-1252, their superset in practice);
//    a byte sequence the encoding lacks becomes U+FFFD;
//  - an empty or unknown name: the text as UTF-8 when it is valid UTF-8,
//    else as Windows-1250.
// A text never grows beyond three times its length.
class TTextDecoder {
public:
    explicit TTextDecoder(std::string_view encoding);
    ~TTextDecoder();
    TTextDecoder(const TTextDecoder&) = delete;
    TTextDecoder& operator=(const TTextDecoder&) = delete;

    static constexpr std::size_t MaxSize(std::size_t size) noexcept { return 3 * size; }

    // Whether texts change: the name is a known encoding other than UTF-8.
    bool Converts() const noexcept { return FKind != TKind::kUtf8 && FKind != TKind::kGuess; }

    // Writes the UTF-8 of `text` at `out`, which has room for
    // MaxSize(text.size()) bytes, and returns the end of what it wrote.
    // With lineFeedsToSpaces every line feed of the result is a space.
    char* Decode(std::string_view text, char* out, bool lineFeedsToSpaces = false) const;
    std::string Decode(std::string_view text, bool lineFeedsToSpaces = false) const;

private:
    enum class TKind { kUtf8, kWin1250, kIso88592, kIconv, kGuess };
    struct TIconv;
    TKind FKind = TKind::kGuess;
    std::unique_ptr<TIconv> FIconv;
};

std::string Decode(std::string_view encoding, std::string_view text);

// Writes the UTF-8 of `text` at `out` (room for 3 bytes a byte), each
// malformed sequence one U+FFFD per maximal invalid subpart; returns the
// end. `valid` tells whether the text was well formed.
char* DecodeUtf8(std::string_view text, char* out, bool lineFeedsToSpaces, bool& valid);
bool IsValidUtf8(std::string_view text);

// The UTF-8 of UTF-16 text in the given byte order (a byte order mark is
// text here: the caller drops it). An unpaired surrogate, and an odd last
// byte, each become U+FFFD.
std::string DecodeUtf16(std::string_view bytes, bool bigEndian);

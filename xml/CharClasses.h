// The character classes of the XML lexer, one bit each, by byte value.
#pragma once

#include <array>
#include <cstdint>

namespace vexxml {

enum : std::uint8_t {
    kClassSpace = 1,    // TAB, LF, CR, space
    kClassLetter = 2,   // A-Z, a-z
    kClassName = 4,     // after a name's first letter: letter, digit, "_", "-", ".", ":", 128-255
    kClassMarkup = 32,  // NUL, "<", "&": what ends a plain run of text
    kClassApostrophe = 64,
    kClassQuote = 128,
};

constexpr std::array<std::uint8_t, 256> MakeCharClasses() {
    std::array<std::uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const bool digit = c >= '0' && c <= '9';
        std::uint8_t v = 0;
        if (c == '\t' || c == '\n' || c == '\r' || c == ' ')
            v |= kClassSpace;
        if (letter)
            v |= kClassLetter;
        // Bytes 128-255 are the letters of other scripts in UTF-8.
        if (letter || digit || c == '_' || c == '-' || c == '.' || c == ':' || c >= 128)
            v |= kClassName;
        if (c == 0 || c == '<' || c == '&')
            v |= kClassMarkup;
        if (c == '\'')
            v |= kClassApostrophe;
        if (c == '"')
            v |= kClassQuote;
        t[static_cast<std::size_t>(c)] = v;
    }
    return t;
}

inline constexpr std::array<std::uint8_t, 256> kCharClass = MakeCharClasses();

inline bool HasClass(char c, std::uint8_t cls) {
    return (kCharClass[static_cast<unsigned char>(c)] & cls) != 0;
}

}  // namespace vexxml

#include "xml/XmlLexer.h"

#include "base/Exceptions.h"
#include "base/IntConvert.h"
#include "xml/CopyBytes.h"
#include "xml/CountByte.h"
#include "xml/HtmlEntities.h"
#include "xml/NameKey.h"
#include "xml/XmlMessages.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace vexxml {

namespace {

std::string UpperAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(FoldNameByte(c));
    return result;
}

}  // namespace

std::uint32_t HexToInt(std::string_view digits) {
    std::uint32_t result = 0;
    for (const char c : digits) {
        std::uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<std::uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        else
            throw EVexXMLError(kBadHexNumber);
        result = result * 16 + digit;  // unsigned: the high digits fall off
    }
    return result;
}

int TVexXMLLexer::Line() const { return 1 + FLinesBefore + static_cast<int>(CountByte(FBegin, FCur, '\n')); }

int TVexXMLLexer::Column() const {
    const char* lineStart = FCur;
    while (lineStart != FBegin && lineStart[-1] != '\n')
        --lineStart;
    const int before = lineStart == FBegin ? FColumnsBefore : 0;
    return 1 + before + static_cast<int>((FCur - lineStart) - std::count(lineStart, FCur, '\r'));
}

void TVexXMLLexer::Forget(const char* p) {
    assert(p >= FBegin && p <= FCur);
    const char* lineStart = p;
    while (lineStart != FBegin && lineStart[-1] != '\n')
        --lineStart;
    if (lineStart != FBegin)
        FColumnsBefore = 0;
    FColumnsBefore += static_cast<int>((p - lineStart) - std::count(lineStart, p, '\r'));
    FLinesBefore += static_cast<int>(CountByte(FBegin, p, '\n'));
    FBegin = p;
}

std::string TVexXMLLexer::SyntaxMessage(std::string_view tail) const {
    std::string message(kSyntaxPrefix);
    message += std::to_string(Line());
    message += kSyntaxColumn;
    message += std::to_string(Column());
    message += tail;
    return message;
}

void TVexXMLLexer::SyntaxError(std::string_view tail) const { throw EVexXMLError(SyntaxMessage(tail)); }

std::string_view TVexXMLLexer::ReadComment() {
    const char* body = FCur + 4;
    const char* close = std::strstr(body, "-->");
    if (!close) {
        FCur = body + std::strlen(body);
        SyntaxError(kTailEndInTag);
    }
    FCur = close + 3;
    return {body, static_cast<std::size_t>(close - body)};
}

namespace {

bool IsUnicodeScalar(std::uint32_t value) { return value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF); }

// The UTF-8 bytes of a Unicode scalar value; returns their count.
int EncodeUtf8(std::uint32_t value, char* out) {
    if (value < 0x80) {
        out[0] = static_cast<char>(value);
        return 1;
    }
    if (value < 0x800) {
        out[0] = static_cast<char>(0xC0 | value >> 6);
        out[1] = static_cast<char>(0x80 | (value & 0x3F));
        return 2;
    }
    if (value < 0x10000) {
        out[0] = static_cast<char>(0xE0 | value >> 12);
        out[1] = static_cast<char>(0x80 | (value >> 6 & 0x3F));
        out[2] = static_cast<char>(0x80 | (value & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | value >> 18);
    out[1] = static_cast<char>(0x80 | (value >> 12 & 0x3F));
    out[2] = static_cast<char>(0x80 | (value >> 6 & 0x3F));
    out[3] = static_cast<char>(0x80 | (value & 0x3F));
    return 4;
}

}  // namespace

namespace {

constexpr std::string_view kDocumentType = "<!DOCTYPE";

}  // namespace

bool TVexXMLLexer::AtDocumentType() const {
    for (std::size_t i = 0; i < kDocumentType.size(); ++i)
        if (FoldNameByte(FCur[i]) != static_cast<unsigned char>(kDocumentType[i]))
            return false;  // a NUL differs from every byte of the keyword
    return true;
}

void TVexXMLLexer::SkipDocumentType() {
    const auto endAt = [this](const char* p) {
        FCur = p + std::strlen(p);
        SyntaxError(kTailEndInTag);
    };
    const char* p = FCur + kDocumentType.size();
    bool subset = false;  // inside the brackets of the internal subset
    for (;;) {
        const char c = *p;
        if (c == '\0')
            endAt(p);
        if (subset && c == '<' && p[1] == '!' && p[2] == '-' && p[3] == '-') {
            const char* close = std::strstr(p + 4, "-->");
            if (!close)
                endAt(p);
            p = close + 3;
        } else if (c == '"' || c == '\'') {
            const char* close = std::strchr(p + 1, c);
            if (!close)
                endAt(p);
            p = close + 1;
        } else if (c == '[' && !subset) {
            subset = true;
            ++p;
        } else if (c == ']' && subset) {
            subset = false;
            ++p;
        } else if (c == '>' && !subset) {
            FCur = p + 1;
            return;
        } else {
            ++p;
        }
    }
}

int TVexXMLLexer::ReadEntity(char* out) {
    if (FRecovering)
        return ReadEntityRecovering(out);
    const char* name = FCur + 1;
    const char* semicolon = std::strchr(name, ';');
    if (!semicolon) {
        FCur = name + std::strlen(name);
        SyntaxError(kTailEndInEntity);
    }
    FCur = semicolon + 1;
    const std::string_view entity(name, static_cast<std::size_t>(semicolon - name));

    char named = '\0';
    if (SameNameKey(entity, "AMP"))
        named = '&';
    else if (SameNameKey(entity, "LT"))
        named = '<';
    else if (SameNameKey(entity, "GT"))
        named = '>';
    else if (SameNameKey(entity, "QUOT"))
        named = '"';
    else if (SameNameKey(entity, "APOS"))
        named = '\'';
    else if (SameNameKey(entity, "NBSP"))
        named = ' ';
    if (named != '\0') {
        out[0] = named;
        return 1;
    }
    if (entity.empty() || entity[0] != '#')
        SyntaxError(kTailUnknownEntity);

    // A character reference: a code point in a UTF-8 document, else a byte.
    const bool hex = entity.size() >= 2 && (entity[1] == 'x' || entity[1] == 'X');
    std::uint32_t value;
    if (hex) {
        value = HexToInt(entity.substr(2));
    } else {
        int number = 0;
        if (!TryStrToInt(entity.substr(1), number))
            StrToInt(UpperAscii(entity.substr(1)));  // raises, naming the upper-cased text
        value = number < 0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(number);
    }
    if (FUtf8References ? !IsUnicodeScalar(value) : value > 255)
        SyntaxError(hex ? kTailHexEntityRange : kTailDecEntityRange);
    if (FUtf8References)
        return EncodeUtf8(value, out);
    out[0] = static_cast<char>(value);
    return 1;
}

int TVexXMLLexer::ReadEntityRecovering(char* out) {
    const char* name = FCur + 1;
    const char* p = name;
    constexpr std::ptrdiff_t kLongest = 32;
    while (p - name < kLongest && (HasClass(*p, kClassLetter) || (*p >= '0' && *p <= '9') || *p == '#'))
        ++p;
    const std::string_view entity(name, static_cast<std::size_t>(p - name));
    std::uint32_t value = 0;
    if (*p == ';' && !entity.empty()) {
        if (SameNameKey(entity, "AMP"))
            value = '&';
        else if (SameNameKey(entity, "LT"))
            value = '<';
        else if (SameNameKey(entity, "GT"))
            value = '>';
        else if (SameNameKey(entity, "QUOT"))
            value = '"';
        else if (SameNameKey(entity, "APOS"))
            value = '\'';
        else if (SameNameKey(entity, "NBSP"))
            value = ' ';
        else if (entity[0] != '#')
            value = HtmlEntityCodePoint(entity);
        else {
            const bool hex = entity.size() > 1 && (entity[1] == 'x' || entity[1] == 'X');
            const std::string_view digits = entity.substr(hex ? 2 : 1);
            for (const char c : digits) {
                const int digit = c >= '0' && c <= '9'          ? c - '0'
                                  : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                                  : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                                : -1;
                if (digit < 0 || value > 0x10FFFF) {
                    value = 0;
                    break;
                }
                value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
            }
        }
    }
    if (value != 0 && (FUtf8References ? IsUnicodeScalar(value) : value <= 255)) {
        FCur = p + 1;
        if (FUtf8References)
            return EncodeUtf8(value, out);
        out[0] = static_cast<char>(value);
        return 1;
    }
    // Not a reference: the "&" is text, and so is what follows it.
    FCur = name;
    out[0] = '&';
    return 1;
}

namespace {

std::string& ThreadPieces() {
    thread_local std::string pieces;
    return pieces;
}

// Beyond this the buffer gives its memory back when a document is done.
constexpr std::size_t kKeptPieces = 1 << 20;

}  // namespace

TVexXMLLexer::TVexXMLLexer(const char* text) : FBegin(text), FCur(text), FPieces(ThreadPieces()) {}

TVexXMLLexer::~TVexXMLLexer() {
    if (FPieces.capacity() > kKeptPieces) {
        FPieces.clear();
        FPieces.shrink_to_fit();
    }
}

namespace {

// The pieces of a text that does not read as written: in the window while
// they fit, then in the lexer's buffer.
class TPieces {
public:
    TPieces(std::string& buffer, TVexXMLLexer::TTextWindow* window)
        : FBuffer(buffer), FWindow(window), FCur(window ? window->Begin : nullptr) {
        FBuffer.clear();
    }

    bool Empty() const { return FCur == (FWindow ? FWindow->Begin : nullptr) && FBuffer.empty(); }

    [[gnu::always_inline]] void Append(const char* from, const char* to) {
        const auto size = static_cast<std::size_t>(to - from);
        if (FCur && static_cast<std::size_t>(FWindow->End - FCur) >= size) {
            CopyBytes(FCur, from, size);
            FCur += size;
            return;
        }
        Spill();
        FBuffer.append(from, to);
    }

    [[gnu::always_inline]] void Push(char c) {
        if (FCur && FCur != FWindow->End) {
            *FCur++ = c;
            return;
        }
        Spill();
        FBuffer += c;
    }

    std::string_view Text() {
        if (FCur) {
            FWindow->InWindow = true;
            return {FWindow->Begin, static_cast<std::size_t>(FCur - FWindow->Begin)};
        }
        return FBuffer;
    }

private:
    // The window is full: what it holds moves to the buffer.
    void Spill() {
        if (!FCur)
            return;
        FBuffer.assign(FWindow->Begin, FCur);
        FCur = nullptr;
    }

    std::string& FBuffer;
    TVexXMLLexer::TTextWindow* FWindow;
    char* FCur;  // the end of the pieces in the window; null once they left it
};

}  // namespace

std::string_view TVexXMLLexer::ReadDecodedText(const char* run, const char* p, char terminator, bool trim,
                                               TTextWindow* window) {
    const char quote = terminator == '<' ? '\0' : terminator;
    // The decoded pieces gather in the window or in FPieces, whose memory is
    // kept from one text to the next.
    TPieces pieces(FPieces, window);
    const auto finish = [&pieces](const char* from, const char* to) {
        if (pieces.Empty())
            return std::string_view(from, static_cast<std::size_t>(to - from));
        pieces.Append(from, to);
        return pieces.Text();
    };
    // Characters from `run` up to p are still to be copied as written; they
    // go out in one piece when something that reads differently is met.
    for (;; p = ScanPlain(p, quote, trim)) {
        const char c = *p;
        if (c == terminator && !(c == '<' && AtCDataOpener(p))) {
            // A single whitespace character before the end is trailing space.
            const char* end = p;
            if (trim && end != run && HasClass(end[-1], kClassSpace))
                --end;
            FCur = p;
            return finish(run, end);
        }
        if (c == '\0') {
            FCur = p;
            SyntaxError(kTailEndOfText);
        }
        if (c == '<') {
            if (!AtCDataOpener(p)) {  // a plain "<" inside an attribute value
                ++p;
                continue;
            }
            pieces.Append(run, p);
            const char* body = p + kCDataOpener.size();
            const char* close = std::strstr(body, "]]>");
            if (!close) {
                FCur = body + std::strlen(body);
                SyntaxError(kTailEndOfText);
            }
            pieces.Append(body, close);
            p = run = close + 3;
            continue;
        }
        if (c == '&') {
            pieces.Append(run, p);
            // The usual spellings at once, without looking for the semicolon.
            if (p[1] == 'l' && p[2] == 't' && p[3] == ';') {
                pieces.Push('<');
                p += 4;
            } else if (p[1] == 'g' && p[2] == 't' && p[3] == ';') {
                pieces.Push('>');
                p += 4;
            } else if (p[1] == 'a' && p[2] == 'm' && p[3] == 'p' && p[4] == ';') {
                pieces.Push('&');
                p += 5;
            } else if (p[1] == 'q' && p[2] == 'u' && p[3] == 'o' && p[4] == 't' && p[5] == ';') {
                pieces.Push('"');
                p += 6;
            } else {
                FCur = p;
                char decoded[4];
                const int size = ReadEntity(decoded);
                for (int i = 0; i < size; ++i)
                    pieces.Push(decoded[i]);
                p = FCur;
            }
            run = p;
            continue;
        }
        // Two or more whitespace characters: the run stands for its last
        // character, and disappears before the end of the text.
        const char* first = p;
        do
            ++p;
        while (HasClass(*p, kClassSpace));
        if (*p == terminator && !AtCDataOpener(p)) {
            FCur = p;
            return finish(run, first);
        }
        pieces.Append(run, first);
        run = p - 1;
    }
}

}  // namespace vexxml

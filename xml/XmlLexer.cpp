#include "xml/XmlLexer.h"

#include "base/Exceptions.h"
#include "base/IntConvert.h"
#include "xml/XmlMessages.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace vexxml {

namespace {

constexpr char kCDataOpener[] = "<![CDATA[";
constexpr int kCDataOpenerLength = 9;

// a equals b (given in capitals) with the ASCII letters of a upper-cased.
bool EqualsUpper(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 0x20);
        if (c != b[i])
            return false;
    }
    return true;
}

std::string UpperAscii(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 0x20);
    return result;
}

} // namespace

std::uint32_t HexToInt(std::string_view digits)
{
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
        result = result * 16 + digit; // unsigned: the high digits fall off
    }
    return result;
}

bool TVexXMLLexer::At(std::string_view s) const
{
    // A NUL in the text differs from every character of s, so the comparison
    // stops at the text's end.
    for (std::size_t i = 0; i < s.size(); ++i)
        if (FCur[i] != s[i])
            return false;
    return true;
}

bool TVexXMLLexer::AtCDataOpener(const char* p) const
{
    for (int i = 0; i < kCDataOpenerLength; ++i)
        if (p[i] != kCDataOpener[i])
            return false;
    return true;
}

int TVexXMLLexer::Line() const
{
    return 1 + static_cast<int>(std::count(FBegin, FCur, '\n'));
}

int TVexXMLLexer::Column() const
{
    const char* lineStart = FCur;
    while (lineStart != FBegin && lineStart[-1] != '\n')
        --lineStart;
    return 1 + static_cast<int>((FCur - lineStart) - std::count(lineStart, FCur, '\r'));
}

std::string TVexXMLLexer::SyntaxMessage(std::string_view tail) const
{
    std::string message(kSyntaxPrefix);
    message += std::to_string(Line());
    message += kSyntaxColumn;
    message += std::to_string(Column());
    message += tail;
    return message;
}

void TVexXMLLexer::SyntaxError(std::string_view tail) const
{
    throw EVexXMLError(SyntaxMessage(tail));
}

std::string_view TVexXMLLexer::ReadTagName()
{
    const char* p = FCur;
    if (!HasClass(*p, kClassLetter))
        SyntaxError(kTailBadTagName);
    const char* start = p++;
    for (;;) {
        while (HasClass(*p, kClassName))
            ++p;
        if (!HasClass(*p, kClassSeparator))
            break;
        ++p;
        if (!HasClass(*p, kClassName)) {
            FCur = p;
            SyntaxError(kTailBadTagName);
        }
    }
    FCur = p;
    return {start, static_cast<std::size_t>(p - start)};
}

std::string_view TVexXMLLexer::ReadAttributeName()
{
    const char* start = FCur;
    const char* p = start;
    while (HasClass(*p, kClassAttribute))
        ++p;
    FCur = p;
    return {start, static_cast<std::size_t>(p - start)};
}

std::string_view TVexXMLLexer::ReadComment()
{
    const char* body = FCur + 4;
    const char* close = std::strstr(body, "-->");
    if (!close) {
        FCur = body + std::strlen(body);
        SyntaxError(kTailEndInTag);
    }
    FCur = close + 3;
    return {body, static_cast<std::size_t>(close - body)};
}

char TVexXMLLexer::ReadEntity()
{
    const char* name = FCur + 1;
    const char* semicolon = std::strchr(name, ';');
    if (!semicolon) {
        FCur = name + std::strlen(name);
        SyntaxError(kTailEndInEntity);
    }
    FCur = semicolon + 1;
    const std::string_view entity(name, static_cast<std::size_t>(semicolon - name));

    if (EqualsUpper(entity, "AMP"))
        return '&';
    if (EqualsUpper(entity, "LT"))
        return '<';
    if (EqualsUpper(entity, "GT"))
        return '>';
    if (EqualsUpper(entity, "QUOT"))
        return '"';
    if (EqualsUpper(entity, "NBSP"))
        return ' ';
    if (entity.size() >= 2 && entity[0] == '#' && (entity[1] == 'x' || entity[1] == 'X')) {
        const std::uint32_t value = HexToInt(entity.substr(2));
        if (value > 255)
            SyntaxError(kTailHexEntityRange);
        return static_cast<char>(value);
    }
    if (!entity.empty() && entity[0] == '#') {
        int value = 0;
        if (!TryStrToInt(entity.substr(1), value))
            StrToInt(UpperAscii(entity.substr(1))); // raises, naming the upper-cased text
        if (value < 0 || value > 255)
            SyntaxError(kTailDecEntityRange);
        return static_cast<char>(value);
    }
    SyntaxError(kTailUnknownEntity);
}

std::string TVexXMLLexer::ReadText(char terminator, bool trim)
{
    assert(terminator == '<' || terminator == '\'' || terminator == '"');
    std::uint8_t stops = kClassMarkup;
    if (terminator == '\'')
        stops |= kClassApostrophe;
    else if (terminator == '"')
        stops |= kClassQuote;
    if (trim)
        stops |= kClassSpace;

    std::string result;
    const char* p = FCur;
    if (trim)
        while (HasClass(*p, kClassSpace))
            ++p;
    // Characters from `run` up to p are still to be copied as written; they
    // go out in one piece when something that reads differently is met.
    const char* run = p;
    for (;;) {
        while (!HasClass(*p, stops))
            ++p;
        const char c = *p;
        if (c == terminator && !(c == '<' && AtCDataOpener(p)))
            break;
        if (c == '\0') {
            FCur = p;
            SyntaxError(kTailEndOfText);
        }
        if (c == '<') {
            if (!AtCDataOpener(p)) { // a plain "<" inside an attribute value
                ++p;
                continue;
            }
            result.append(run, p);
            const char* body = p + kCDataOpenerLength;
            const char* close = std::strstr(body, "]]>");
            if (!close) {
                FCur = body + std::strlen(body);
                SyntaxError(kTailEndOfText);
            }
            result.append(body, close);
            p = run = close + 3;
            continue;
        }
        if (c == '&') {
            result.append(run, p);
            FCur = p;
            result += ReadEntity();
            p = run = FCur;
            continue;
        }
        // A whitespace run of trimmed text stands for its last character;
        // before the terminator it disappears.
        const char* first = p;
        do
            ++p;
        while (HasClass(*p, kClassSpace));
        if (*p == terminator && !AtCDataOpener(p)) {
            result.append(run, first);
            FCur = p;
            return result;
        }
        if (p - first > 1) {
            result.append(run, first);
            run = p - 1;
        }
    }
    result.append(run, p);
    FCur = p;
    return result;
}

} // namespace vexxml

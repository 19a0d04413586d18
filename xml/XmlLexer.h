// The lexical layer of the XML parser: a read cursor over a NUL-terminated
// 8-bit text, character classes, names, element text and attribute values
// with entity references and CDATA sections, and positioned syntax errors.
//
// The cursor only ever moves forward and never past the terminating NUL.
// Line and column are not counted on every step: every character the cursor
// has passed was counted by the same rule (LF starts a new line at column 1,
// CR counts nothing, any other byte one column), so they are worked out from
// the text behind the cursor when a message needs them.
#pragma once

#include "xml/CharClasses.h"
#include "xml/TextScan.h"
#include "xml/XmlMessages.h"

#include <cassert>
#include <cstdint>
#include <string>
#include <string_view>

namespace vexxml {

// Value of a string of hexadecimal digits, keeping the low 32 bits; "" is 0.
// Raises EVexXMLError "Nieprawidłowa liczba heksadecymalna!" on any other
// character.
std::uint32_t HexToInt(std::string_view digits);

class TVexXMLLexer {
public:
    explicit TVexXMLLexer(const char* text);
    ~TVexXMLLexer();
    TVexXMLLexer(const TVexXMLLexer&) = delete;
    TVexXMLLexer& operator=(const TVexXMLLexer&) = delete;

    const char* Cursor() const { return FCur; }
    char Current() const { return *FCur; }
    bool AtEnd() const { return *FCur == '\0'; }

    // True when the text at the cursor begins with s (never reads past NUL).
    bool At(std::string_view s) const {
        // A NUL in the text differs from every character of s, so the
        // comparison stops at the text's end.
        for (std::size_t i = 0; i < s.size(); ++i)
            if (FCur[i] != s[i])
                return false;
        return true;
    }

    // Moves over count characters the caller has already examined.
    void Advance(int count) { FCur += count; }
    void SkipWhitespace() {
        // A local cursor: stores through FCur would alias the text.
        const char* p = FCur;
        while (HasClass(*p, kClassSpace))
            ++p;
        FCur = p;
    }

    // Position of the character under the cursor, both counted from 1.
    int Line() const;
    int Column() const;

    // The text before `p`, which must not lie after the cursor, is no longer
    // read: its lines and columns are counted now, and it may be freed.
    void Forget(const char* p);

    // A tag name: a letter, then name characters. The view points into the
    // text.
    std::string_view ReadTagName() {
        const char* p = FCur;
        if (!HasClass(*p, kClassLetter))
            SyntaxError(kTailBadTagName);
        const char* start = p++;
        while (HasClass(*p, kClassName))
            ++p;
        FCur = p;
        return {start, static_cast<std::size_t>(p - start)};
    }
    // An attribute name: the run of name characters at the cursor, where the
    // caller has seen a letter.
    std::string_view ReadAttributeName() {
        const char* start = FCur;
        const char* p = start;
        while (HasClass(*p, kClassName))
            ++p;
        FCur = p;
        return {start, static_cast<std::size_t>(p - start)};
    }

    // Recovering: an attribute value without quotes, up to whitespace or
    // ">". Not decoded.
    std::string_view ReadBareValue() {
        const char* start = FCur;
        const char* p = start;
        while (*p != '\0' && *p != '>' && !HasClass(*p, kClassSpace))
            ++p;
        FCur = p;
        return {start, static_cast<std::size_t>(p - start)};
    }

    // Where ReadText may write a text that does not read as written:
    // [Begin, End). InWindow tells whether the text it returned lies there.
    struct TTextWindow {
        char* Begin;
        char* End;
        bool InWindow = false;
    };

    // Element text (terminator "<", trim on) or an attribute value (the
    // opening quote, trim off). Stops on the terminator without consuming it;
    // a "<" that opens a CDATA section is no terminator. The view points
    // into the text, into `window` while the text fits there, or into the
    // lexer, and holds until the next ReadText.
    std::string_view ReadText(char terminator, bool trim, TTextWindow* window = nullptr) {
        assert(terminator == '<' || terminator == '\'' || terminator == '"');
        const char quote = terminator == '<' ? '\0' : terminator;
        if (window)
            window->InWindow = false;
        const char* run = FCur;
        if (trim)
            while (HasClass(*run, kClassSpace))
                ++run;
        // Most texts read as written up to their end: a view of the
        // document, found in one scan.
        const char* p = ScanPlain(run, quote, trim);
        if (*p == terminator && !(*p == '<' && AtCDataOpener(p))) {
            const char* end = p;
            if (trim && end != run && HasClass(end[-1], kClassSpace))
                --end;
            FCur = p;
            return {run, static_cast<std::size_t>(end - run)};
        }
        return ReadDecodedText(run, p, terminator, trim, window);
    }

    // Content of a comment whose "<!--" the cursor stands on; the cursor ends
    // after "-->". "<!---->" is an empty comment.
    std::string_view ReadComment();

    // Character references give the UTF-8 bytes of their code point (any
    // Unicode scalar value) instead of one byte of value 0 to 255.
    void SetUtf8References(bool on) { FUtf8References = on; }

    // Recovering: a reference that does not read as one (a bare "&", an
    // unknown name) stays as its text, and an undeclared HTML entity
    // ("&eacute;") gives its character.
    void SetRecovering(bool on) { FRecovering = on; }

    // True at "<!DOCTYPE", in any letter case.
    bool AtDocumentType() const;
    // Moves past a document type declaration at the cursor, with its
    // internal subset in brackets when it has one.
    void SkipDocumentType();

    [[noreturn]] void SyntaxError(std::string_view tail) const;
    // The message of SyntaxError, for callers that add more to the tail.
    std::string SyntaxMessage(std::string_view tail) const;

private:
    // ReadText from p, where the first scan from `run` (after any leading
    // whitespace) stopped short of the text's end.
    std::string_view ReadDecodedText(const char* run, const char* p, char terminator, bool trim,
                                     TTextWindow* window);
    // The bytes of the reference at the cursor, into out (up to 4); returns
    // their count.
    int ReadEntity(char* out);
    int ReadEntityRecovering(char* out);
    static constexpr std::string_view kCDataOpener = "<![CDATA[";
    static bool AtCDataOpener(const char* p) {
        for (std::size_t i = 0; i < kCDataOpener.size(); ++i)
            if (p[i] != kCDataOpener[i])
                return false;
        return true;
    }

    const char* FBegin;  // the text from here on is still there
    const char* FCur;
    bool FUtf8References = false;
    bool FRecovering = false;
    int FLinesBefore = 0;    // line breaks before FBegin
    int FColumnsBefore = 0;  // columns of the line FBegin is on, before FBegin
    // ReadText's decoded pieces: a buffer of the thread's that keeps its
    // memory from text to text and from document to document, so that
    // reading asks the heap for nothing once it has grown.
    std::string& FPieces;
};

}  // namespace vexxml

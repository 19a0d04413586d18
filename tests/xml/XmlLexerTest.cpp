#include "xml/XmlLexer.h"

#include "base/Exceptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using vexxml::TVexXMLLexer;

namespace {

// Expected messages are written readably and compared as Windows-1250 bytes.

std::string At(int line, int column, const char* tailUtf8) {
    return std::string("Błąd w składni XML (linia ") + std::to_string(line) + ", znak " +
           std::to_string(column) + tailUtf8;
}

// The message of the exception that f raises, or "" when none.
std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.what();
    }
    return "";
}

struct TextRow {
    const char* input;
    char terminator;
    bool trim;
    std::string expected;
    const char* rest;  // what stays at the cursor
};

const TextRow kTexts[] = {
    // Trimming and collapsing: a run becomes its last character.
    {"  Hello  <", '<', true, "Hello", "<"},
    {"\t\r\n <x", '<', true, "", "<x"},
    {"<", '<', true, "", "<"},
    {"a \r\n  b<", '<', true, "a b", "<"},
    {"a \nb<", '<', true, "a\nb", "<"},
    {"a\r\nb<", '<', true, "a\nb", "<"},
    {"a b\tc<", '<', true, "a b\tc", "<"},
    // Whitespace from entities and CDATA is never touched.
    {"a &nbsp;  b<", '<', true, "a   b", "<"},
    {" &nbsp; <", '<', true, " ", "<"},
    {"&#32;&#x20;<", '<', true, "  ", "<"},
    {"  <![CDATA[ x  \r\n y ]]>  <", '<', true, " x  \r\n y ", "<"},
    {"a \r\n <![CDATA[b]]><", '<', true, "a b", "<"},
    {"<![CDATA[a<b&amp;c]]>d<e", '<', true, "a<b&amp;cd", "<e"},
    {"<![CDATA[]]><", '<', true, "", "<"},
    {"a<![CDATA[x]]]]>b<", '<', true, "ax]]b", "<"},
    // Attribute values keep every character; the other quote and "<" are plain.
    {"a  b\r\nc\"", '"', false, "a  b\r\nc", "\""},
    {"it's\"", '"', false, "it's", "\""},
    {"say \"hi\"'", '\'', false, "say \"hi\"", "'"},
    {"a<b\"", '"', false, "a<b", "\""},
    {"x<![CDATA[\"]]>y\"", '"', false, "x\"y", "\""},
    {"&lt;&#65;&QUOT;'", '\'', false, "<A\"", "'"},
    {"\"", '"', false, "", "\""},
    {"  \"", '"', false, "  ", "\""},
    {"\xB1\xEA\x9C<", '<', true, "\xB1\xEA\x9C", "<"},
};

TEST(XmlLexer, ReadText) {
    for (const TextRow& row : kTexts) {
        TVexXMLLexer lexer(row.input);
        EXPECT_EQ(lexer.ReadText(row.terminator, row.trim), row.expected) << row.input;
        EXPECT_STREQ(lexer.Cursor(), row.rest) << row.input;
    }
}

struct EntityRow {
    const char* input;  // element text, read up to "<"
    std::string expected;
    std::string error;
};

const EntityRow kEntities[] = {
    {"&amp;<", "&", ""},
    {"&Amp;<", "&", ""},
    {"&AMP;<", "&", ""},
    {"&lt;&gt;&quot;&QuOt;<", "<>\"\"", ""},
    {"x&nbsp;y<", "x y", ""},
    {"&#65;<", "A", ""},
    {"&#x41;<", "A", ""},
    {"&#X41;<", "A", ""},
    {"&#x00e9;<", "\xE9", ""},
    {"&#$41;<", "A", ""},
    {"&#0x41;<", "A", ""},
    {"&#  65;<", "A", ""},
    {"&#+65;<", "A", ""},
    {"&#255;<", "\xFF", ""},
    {"&#xff;<", "\xFF", ""},
    {"&#x;<", std::string(1, '\0'), ""},
    {"&#0;<", std::string(1, '\0'), ""},
    // Only the low 32 bits of a hexadecimal reference count.
    {"&#x100000041;<", "A", ""},
    {"&apos;&APOS;<", "''", ""},
    {"&;<", "", At(1, 3, ") : Nieprawidłowa (nie obsługiwana) encja!")},
    {"&ampx;<", "", At(1, 7, ") : Nieprawidłowa (nie obsługiwana) encja!")},
    {"a & b; c<", "", At(1, 7, ") : Nieprawidłowa (nie obsługiwana) encja!")},
    {"&#256;<", "", At(1, 7, ") : Nieprawidłowa wartość dziesiętna encji (dopuszczalne: 0..255)")},
    {"&#-1;<", "", At(1, 6, ") : Nieprawidłowa wartość dziesiętna encji (dopuszczalne: 0..255)")},
    {"&#$FFFFFFFF;<", "", At(1, 13, ") : Nieprawidłowa wartość dziesiętna encji (dopuszczalne: 0..255)")},
    {"&#x100;<", "", At(1, 8, ") : Nieprawidłowa wartość heksadecymalna encji (dopuszczalne: 0..255)")},
    {"&#xFFFFFF41;<", "", At(1, 13, ") : Nieprawidłowa wartość heksadecymalna encji (dopuszczalne: 0..255)")},
    {"&#;<", "", "'' is not a valid integer value"},
    {"&#abc;<", "", "'ABC' is not a valid integer value"},
    {"&#1x;<", "", "'1X' is not a valid integer value"},
    {"&#4294967296;<", "", "'4294967296' is not a valid integer value"},
    {"&#xG1;<", "", std::string("Nieprawidłowa liczba heksadecymalna!")},
    {"&#x 1;<", "", std::string("Nieprawidłowa liczba heksadecymalna!")},
    {"ab\r\n\tc&#256;d<", "", At(2, 9, ") : Nieprawidłowa wartość dziesiętna encji (dopuszczalne: 0..255)")},
    {"x &amp y", "", At(1, 9, ") : Nieoczekiwany koniec pliku - nie dokończona encja.")},
    {"&\n<;", "", At(2, 3, ") : Nieprawidłowa (nie obsługiwana) encja!")},
};

TEST(XmlLexer, EntityReferences) {
    for (const EntityRow& row : kEntities) {
        TVexXMLLexer lexer(row.input);
        std::string text;
        const std::string error = ErrorOf([&] { text = lexer.ReadText('<', true); });
        EXPECT_EQ(error, row.error) << row.input;
        if (row.error.empty()) {
            EXPECT_EQ(text, row.expected) << row.input;
        }
    }
}

TEST(XmlLexer, ConversionErrorsHaveTheirOwnType) {
    TVexXMLLexer decimal("&#abc;<");
    EXPECT_THROW(decimal.ReadText('<', true), EConvertError);
    TVexXMLLexer hex("&#xG1;<");
    EXPECT_THROW(hex.ReadText('<', true), EVexXMLError);
}

TEST(XmlLexer, EndOfTextInsideText) {
    const std::string tail = ") : Nieoczekiwany koniec pliku.";
    struct Row {
        const char* input;
        char terminator;
        bool trim;
        int line, column;
    };
    const Row rows[] = {
        {"abc", '<', true, 1, 4},
        {"abc  \r\n", '<', true, 2, 1},
        {"a\r\nb\"", '\'', false, 2, 3},
        {"<![CDATA[abc]]", '<', true, 1, 15},
        {"x<![CDATA[a\nb]>", '"', false, 2, 4},
    };
    for (const Row& row : rows) {
        TVexXMLLexer lexer(row.input);
        EXPECT_EQ(ErrorOf([&] { lexer.ReadText(row.terminator, row.trim); }),
                  At(row.line, row.column, tail.c_str()))
            << row.input;
    }
}

TEST(XmlLexer, Positions) {
    struct Row {
        const char* text;
        int advance;
        int line, column;
    };
    const Row rows[] = {
        {"abc", 0, 1, 1},          {"abc", 3, 1, 4},       {"a\nb", 2, 2, 1},
        {"a\r\nb", 3, 2, 1},       {"a\rb", 2, 1, 2},       // a lone CR counts nothing
        {"\r\r\rx", 3, 1, 1},      {"\tx", 1, 1, 2},        // a TAB is one column
        {"\n\n\r\n\txy", 6, 4, 3}, {"\xC4\x85x", 2, 1, 3},  // bytes, not characters
    };
    for (const Row& row : rows) {
        TVexXMLLexer lexer(row.text);
        lexer.Advance(row.advance);
        EXPECT_EQ(lexer.Line(), row.line) << row.text;
        EXPECT_EQ(lexer.Column(), row.column) << row.text;
    }
    TVexXMLLexer lexer("ab\ncd");
    lexer.Advance(4);
    EXPECT_EQ(ErrorOf([&] { lexer.SyntaxError(") : Nieprawidłowa nazwa taga!"); }),
              At(2, 2, ") : Nieprawidłowa nazwa taga!"));
}

TEST(XmlLexer, TagNames) {
    struct Row {
        const char* input;
        const char* name;  // nullptr: the name is rejected
        int errorColumn;
    };
    const Row rows[] = {
        {"rss>", "rss", 0},
        {"pubDate/>", "pubDate", 0},
        {"dc:creator x", "dc:creator", 0},
        {"a_1-b2:c3>", "a_1-b2:c3", 0},
        {"a-b-c>", "a-b-c", 0},
        {"x:y-z>", "x:y-z", 0},
        {"Ab\xB1", "Ab\xB1", 0},
        {"a", "a", 0},
        // After the first letter: "-", ".", ":" and the bytes of other scripts.
        {"a->", "a-", 0},
        {"a--b.c:>", "a--b.c:", 0},
        {"\xC5\xBC\xC3\xB3\xC5\x82w>", nullptr, 1},
        {"n\xC3\xA9"
         "e>",
         "n\xC3\xA9"
         "e",
         0},
        {"1a>", nullptr, 1},
        {"_a>", nullptr, 1},
        {"-a>", nullptr, 1},
        {"!DOCTYPE", nullptr, 1},
        {"![CDATA[", nullptr, 1},
        {"\xEF\xBB\xBF", nullptr, 1},
        {"", nullptr, 1},
    };
    for (const Row& row : rows) {
        TVexXMLLexer lexer(row.input);
        if (row.name) {
            EXPECT_EQ(lexer.ReadTagName(), row.name) << row.input;
            EXPECT_EQ(lexer.Cursor(), row.input + std::string(row.name).size()) << row.input;
        } else {
            EXPECT_EQ(ErrorOf([&] { lexer.ReadTagName(); }),
                      At(1, row.errorColumn, ") : Nieprawidłowa nazwa taga!"))
                << row.input;
        }
    }
}

TEST(XmlLexer, AttributeNames) {
    const std::pair<const char*, const char*> rows[] = {
        {"version=", "version"},   {"xml:lang =", "xml:lang"}, {"a_1:2:'", "a_1:2:"},
        {"data-x.y=", "data-x.y"}, {"b\xB1 ", "b\xB1"},
    };
    for (const auto& [input, name] : rows) {
        TVexXMLLexer lexer(input);
        EXPECT_EQ(lexer.ReadAttributeName(), name) << input;
    }
}

TEST(XmlLexer, Comments) {
    struct Row {
        const char* input;
        const char* text;
        const char* rest;
    };
    const Row rows[] = {
        {"<!-- a -->x", " a ", "x"},
        {"<!---->x", "", "x"},
        {"<!--a<b>&amp;\r\n-->", "a<b>&amp;\r\n", ""},
        {"<!-- - -- --->", " - -- -", ""},
    };
    for (const Row& row : rows) {
        TVexXMLLexer lexer(row.input);
        EXPECT_EQ(lexer.ReadComment(), row.text) << row.input;
        EXPECT_STREQ(lexer.Cursor(), row.rest) << row.input;
    }
    TVexXMLLexer open("<!-- a\n--");
    EXPECT_EQ(ErrorOf([&] { open.ReadComment(); }), At(2, 3, ") : Nieoczekiwany koniec pliku!"));
}

TEST(XmlLexer, HexToInt) {
    EXPECT_EQ(vexxml::HexToInt(""), 0u);
    EXPECT_EQ(vexxml::HexToInt("0"), 0u);
    EXPECT_EQ(vexxml::HexToInt("aF"), 0xAFu);
    EXPECT_EQ(vexxml::HexToInt("FFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(vexxml::HexToInt("123456789"), 0x23456789u);
    EXPECT_EQ(ErrorOf([] { vexxml::HexToInt("1g"); }), std::string("Nieprawidłowa liczba heksadecymalna!"));
    EXPECT_EQ(ErrorOf([] { vexxml::HexToInt("-1"); }), std::string("Nieprawidłowa liczba heksadecymalna!"));
}

}  // namespace

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The text rules character by character, for texts whose only references
// are &amp; and &#32;.
std::string ReferenceText(const std::string& s, char terminator, bool trim, std::size_t& end) {
    const auto stopAt = [&](std::size_t j) {
        return s[j] == terminator && !(terminator == '<' && s.compare(j, 9, "<![CDATA[") == 0);
    };
    std::string out;
    std::size_t i = 0;
    if (trim)
        while (IsSpace(s[i]))
            ++i;
    while (!stopAt(i)) {
        if (s.compare(i, 9, "<![CDATA[") == 0) {
            const std::size_t close = s.find("]]>", i + 9);
            out += s.substr(i + 9, close - i - 9);
            i = close + 3;
        } else if (s[i] == '&') {
            const std::size_t semicolon = s.find(';', i);
            out += s.compare(i, semicolon - i, "&amp") == 0 ? '&' : ' ';
            i = semicolon + 1;
        } else if (trim && IsSpace(s[i])) {
            char last = 0;
            while (IsSpace(s[i]))
                last = s[i++];
            if (!stopAt(i))
                out += last;
        } else {
            out += s[i++];
        }
    }
    end = i;
    return out;
}

TEST(XmlLexer, ReadTextAgreesWithTheRulesAtEveryAlignment) {
    const char* const tokens[] = {"a",
                                  "bcdefghijklmnopqrstu",
                                  " ",
                                  "  ",
                                  "\t",
                                  "\r\n",
                                  "\n",
                                  "\r\n\r\n  ",
                                  "&amp;",
                                  "&#32;",
                                  "<![CDATA[ x\r\n ]]>",
                                  "<![CDATA[]]>",
                                  "'",
                                  "\"",
                                  "<"};
    unsigned seed = 12345;
    const auto next = [&seed](unsigned n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (int round = 0; round < 20000; ++round) {
        const char terminator = "<'\""[next(3)];
        const bool trim = terminator == '<';
        std::string text;
        const unsigned count = next(40);
        for (unsigned i = 0; i < count; ++i) {
            const std::string token = tokens[next(std::size(tokens))];
            if (token[0] == terminator && token.size() == 1)
                continue;
            text += token;
        }
        text += terminator;
        text += "rest";
        const unsigned offset = next(16);
        const std::string buffer = std::string(offset, 'Z') + text;

        std::size_t end = 0;
        const std::string expected = ReferenceText(text, terminator, trim, end);
        TVexXMLLexer lexer(buffer.c_str() + offset);
        ASSERT_EQ(lexer.ReadText(terminator, trim), expected) << testing::PrintToString(text);
        ASSERT_EQ(lexer.Cursor(), buffer.c_str() + offset + end) << testing::PrintToString(text);
    }
}

}  // namespace

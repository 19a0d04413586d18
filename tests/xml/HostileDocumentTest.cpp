// Documents made to hurt a parser: deep, long, unterminated or wide. Each is
// parsed and freed whole; the work must grow about linearly with the size
// (the sizes are large enough that anything quadratic runs for hours).
#include "xml/VexXMLParser.h"
#include "xml/XmlMessages.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

using namespace vexxml;

constexpr std::size_t MiB = 1 << 20;

// Doubles the text instead of appending piece by piece: the unoptimised
// sanitizer build would spend longer building the texts than parsing them.
std::string Repeat(std::string_view piece, std::size_t times) {
    if (times == 0)
        return {};
    const std::size_t size = piece.size() * times;
    std::string text(piece);
    text.reserve(size);
    while (text.size() * 2 <= size)
        text.append(text);
    text.append(text, 0, size - text.size());
    return text;
}

// The message of the error that parsing raises, or "" when it succeeds.
std::string ParseError(TVexXMLParser& doc, const std::string& text) {
    try {
        doc.Parse(text.c_str());
    } catch (const EVexXMLError& e) {
        return e.what();
    }
    return {};
}

bool EndsWith(std::string_view text, std::string_view tail) { return text.ends_with(tail); }

// The complete million-deep document is XmlParserDepth's; here the open
// elements hold it when the text ends.
constexpr std::size_t Deep = 1000000;

TEST(HostileDocument, MillionNestedElementsCutOff) {
    {
        TVexXMLParser doc;
        const std::string message = ParseError(doc, Repeat("<a>", Deep));
        EXPECT_TRUE(EndsWith(message, std::string(kTailUnclosedTags) + "a)")) << message;
        EXPECT_EQ(doc.Count(), 0);
    }
    {
        // Half closed: the open elements hold deep subtrees when they go.
        TVexXMLParser doc;
        const std::string message = ParseError(doc, Repeat("<a>", Deep) + Repeat("</a>", Deep / 2) + "\r\n");
        EXPECT_TRUE(EndsWith(message, kTailEndOfText)) << message;
        EXPECT_EQ(doc.Count(), 0);
    }
}

// The recovering mode stays linear: a closing tag that names no open
// element is told at once, however deep the open ones, and stray text
// that joins one node is not copied again for each piece.
TEST(HostileDocument, RecoveringAMillionFaults) {
    TVexXMLParser doc;
    doc.SetParseMode(TVexXMLParseMode::pmRecovering);
    doc.Parse((Repeat("<a>", Deep) + Repeat("</b>", Deep)).c_str());
    EXPECT_EQ(doc.CutShort().size(), Deep);
    doc.Parse(("<t>" + Repeat("x</q>", Deep) + "</t>").c_str());
    ASSERT_EQ(doc.Count(), 1);
    EXPECT_EQ(doc.Items(0)->Text().size(), 2 * Deep - 1);
    doc.Parse(("<t><c/>" + Repeat("x < y ", Deep) + "</t>").c_str());
    ASSERT_EQ(doc.Count(), 1);
    EXPECT_EQ(doc.Items(0)->Items(0)->Tail().size(), 6 * Deep - 1);
}

TEST(HostileDocument, HundredMegabyteText) {
    TVexXMLParser doc;
    std::string text = "<a>";
    text.append(100 * MiB, 'x');
    text += "</a>";
    ASSERT_EQ(ParseError(doc, text), "");
    EXPECT_EQ(doc.Items(0)->Text().size(), 100 * MiB);
}

TEST(HostileDocument, EntityWithoutSemicolon) {
    TVexXMLParser doc;
    for (const char* opener : {"<a>&", "<a b='&", "<a>&#", "<a>&#x"}) {
        SCOPED_TRACE(opener);
        std::string text = opener;
        text.append(10 * MiB, '1');
        const std::string message = ParseError(doc, text);
        EXPECT_TRUE(EndsWith(message, kTailEndInEntity)) << message.substr(0, 80);
    }
}

TEST(HostileDocument, LongEntityNames) {
    TVexXMLParser doc;
    // Named, decimal and hexadecimal references of 10 MB each end in an
    // error, not in an overflow.
    std::string text = "<a>&" + std::string(10 * MiB, 'n') + ";</a>";
    EXPECT_TRUE(EndsWith(ParseError(doc, text), kTailUnknownEntity));
    text = "<a>&#" + std::string(10 * MiB, '9') + ";</a>";
    EXPECT_THROW(doc.Parse(text.c_str()), Exception);
    text = "<a>&#x" + std::string(10 * MiB, 'F') + ";</a>";
    EXPECT_TRUE(EndsWith(ParseError(doc, text), kTailHexEntityRange));
    text = "<a>&#x" + std::string(10 * MiB, '0') + "41;</a>";
    EXPECT_EQ(ParseError(doc, text), "");
}

TEST(HostileDocument, MillionBareAmpersands) {
    TVexXMLParser doc;
    for (const std::string& text :
         {"<a>" + Repeat("&", Deep) + "</a>", "<a>" + Repeat("& ", Deep) + ";</a>",
          "<a b=\"" + Repeat("&", Deep) + "\"/>", "<a>" + Repeat("&amp", Deep) + "</a>"}) {
        const std::string message = ParseError(doc, text);
        EXPECT_NE(message, "");
        EXPECT_EQ(doc.Count(), 0);
    }
}

TEST(HostileDocument, TenMegabyteNames) {
    TVexXMLParser doc;
    const std::string name(10 * MiB, 'n');
    ASSERT_EQ(ParseError(doc, "<" + name + " " + name + "='v'/>"), "");
    EXPECT_EQ(doc.Items(0)->Name().size(), name.size());
    EXPECT_NE(doc.Items(0)->Parameters().ParamByName(name, false), nullptr);
    EXPECT_EQ(ParseError(doc, "<" + name + ">x</" + name + ">"), "");
    EXPECT_EQ(doc.NodeByName(name, false), doc.Items(0));
    EXPECT_TRUE(EndsWith(ParseError(doc, "<" + name), kTailEndInTag));
    // A mismatched closing tag names both in its message.
    EXPECT_EQ(ParseError(doc, "<" + name + "></" + name + "x>").size() > 2 * name.size(), true);
}

TEST(HostileDocument, HundredThousandAttributes) {
    constexpr int Count = 100000;
    std::string text = "<a";
    for (int i = 0; i < Count; ++i)
        text += " n" + std::to_string(i) + "='" + std::to_string(i) + "'";
    text += "/>";
    TVexXMLParser doc;
    ASSERT_EQ(ParseError(doc, text), "");
    TVexXMLParameters& attributes = doc.Items(0)->Parameters();
    EXPECT_EQ(attributes.Count(), Count);
    EXPECT_EQ(attributes.ParamByName("N99999", false)->Value(), "99999");
    EXPECT_EQ(attributes.ParamByName("n0", false)->Value(), "0");

    // The same name over and over stays one attribute with the last value.
    text = "<a" + Repeat(" n='1'", Count) + " N='2'/>";
    ASSERT_EQ(ParseError(doc, text), "");
    EXPECT_EQ(doc.Items(0)->Parameters().Count(), 1);
    EXPECT_EQ(doc.Items(0)->Parameters().ParamByName("n", false)->Value(), "2");
}

TEST(HostileDocument, HundredThousandSiblingNames) {
    constexpr int Count = 100000;
    std::string text = "<a>";
    for (int i = 0; i < Count; ++i)
        text += "<n" + std::to_string(Count - i) + "/>";
    text += Repeat("<same/>", Count) + "</a>";
    TVexXMLParser doc;
    ASSERT_EQ(ParseError(doc, text), "");
    TVexXMLNode* root = doc.Items(0);
    EXPECT_EQ(root->Count(), 2 * Count);
    EXPECT_EQ(root->NodeByName("N1", false), root->Items(Count - 1));
    EXPECT_EQ(root->NodeByName("same", false), root->Items(Count));
}

TEST(HostileDocument, UnclosedCommentAndCData) {
    TVexXMLParser doc;
    std::string text = "<!--";
    text.append(50 * MiB, '-');
    EXPECT_TRUE(EndsWith(ParseError(doc, text), kTailEndInTag));
    text = "<a><![CDATA[" + Repeat("]]", 25 * MiB);
    EXPECT_TRUE(EndsWith(ParseError(doc, text), kTailEndOfText));
    text = "<a b='<![CDATA[" + std::string(50 * MiB, 'x');
    EXPECT_TRUE(EndsWith(ParseError(doc, text), kTailEndOfText));
}

TEST(HostileDocument, NulBytesInTheFile) {
    TempDir dir;
    TVexXMLParser doc;
    using namespace std::string_literals;
    // The text ends at the first NUL: what follows is never read.
    doc.LoadFromFile(dir.Write("a.xml", "<a>x</a>\0<b>\0\0"s));
    ASSERT_EQ(doc.Count(), 1);
    EXPECT_EQ(doc.Items(0)->Text(), "x");
    EXPECT_THROW(doc.LoadFromFile(dir.Write("b.xml", "<a>x\0</a>"s)), EVexXMLError);
    // A file that begins with NUL is empty: the document stays as it was.
    doc.Parse("<kept/>");
    doc.LoadFromFile(dir.Write("c.xml", "\0<a/>"s + std::string(MiB, '\0')));
    ASSERT_EQ(doc.Count(), 1);
    EXPECT_EQ(doc.Items(0)->Name(), "kept");
}

TEST(HostileDocument, MillionsOfLineBreaks) {
    TempDir dir;
    TVexXMLParser doc;
    // Every kind of break, each becoming CR LF: the text grows, the element
    // text is whitespace only and reads as empty.
    doc.LoadFromFile(dir.Write("a.xml", "<a>" + Repeat("\r\r\n\n\n\r", MiB / 2) + "</a>"));
    ASSERT_EQ(doc.Count(), 1);
    EXPECT_EQ(doc.Items(0)->Text(), "");
    // A file of nothing but LFs (each line break searched for once, not once
    // per line over the rest of the file), and a syntax error after them
    // that counts every line.
    const std::string message = [&] {
        try {
            doc.LoadFromFile(dir.Write("b.xml", Repeat("\n", 4 * MiB) + "x"));
        } catch (const EVexXMLError& e) {
            return std::string(e.what());
        }
        return std::string();
    }();
    EXPECT_NE(message.find(std::to_string(4 * MiB + 1)), std::string::npos) << message;
}

}  // namespace

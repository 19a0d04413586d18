#include "xml/VexXMLParser.h"

#include "TempDir.h"
#include "base/Exceptions.h"

#include <gtest/gtest.h>

#include <functional>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

std::string At(int line, int column, const std::string& tailUtf8) {
    return std::string("Błąd w składni XML (linia ") + std::to_string(line) + ", znak " +
           std::to_string(column) + tailUtf8;
}

const char* const kEnd = ") : Nieoczekiwany koniec pliku.";
const char* const kEndInTag = ") : Nieoczekiwany koniec pliku!";
const char* const kBadChar = ") : Nieprawidłowy znak podczas przetwarzania pliku.";
const char* const kBadName = ") : Nieprawidłowa nazwa taga!";
const char* const kEquals = ") : Oczekiwany znak równości (prawdopodobnie nieprawidłowa nazwa parametru)";
const char* const kQuote = ") : Nieprawidłowy znak, oczekiwano ' lub \"";
const char* const kControlEnd = ") : Nieprawidłowe domknięcie taga kontrolnego (powinno być: ?>)";
const char* const kElementEnd = ") : Nieprawidłowe domknięcie taga XML (powinno być: > lub />)";
const char* const kCloseEnd = ") : Oczekiwany znak zamknięcia taga (>)";
const char* const kNoOpening = ") : Brakuje taga otwierającego do zamykającego!";
const char* const kUnknownEntity = ") : Nieprawidłowa (nie obsługiwana) encja!";

std::string Mismatch(const std::string& closing, const std::string& opening) {
    return ") : Tag zamykający (" + closing + ") nie pasuje do taga otwierającego (" + opening + ") !";
}

std::string Unclosed(const std::string& name) {
    return ") : Nieoczekiwany koniec pliku (istnieją nie domknięte tagi, pierwszy z nich: " + name + ")";
}

// The tree in one line: an element is its name, its attributes in brackets
// when it has any, its text in double quotes when it has one and its children
// in braces; a control tag is "?", its name and its attributes; a comment is
// its text between "!--" and "--". A node's tail follows it after "+", in
// double quotes. Siblings are separated by one space.
std::string Dump(const TVexBaseXmlNode& root) {
    struct Frame {
        const TVexBaseXmlNode* node;
        int next;
    };
    std::string out;
    std::vector<Frame> stack{{&root, 0}};
    while (!stack.empty()) {
        const TVexBaseXmlNode* node = stack.back().node;
        const int index = stack.back().next++;
        if (index == node->Count()) {
            stack.pop_back();
            if (!stack.empty())
                out += '}';
            continue;
        }
        if (index > 0)
            out += ' ';
        const TVexXMLNode* child = node->Items(index);
        const std::string name(child->Name());
        const std::string text(child->Text());
        std::string attributes;
        const TVexXMLParameters& parameters = child->Parameters();
        for (int i = 0; i < parameters.Count(); ++i) {
            attributes += i == 0 ? "[" : " ";
            attributes.append(parameters.Items(i)->Name()).append("=").append(parameters.Items(i)->Value());
        }
        if (!attributes.empty())
            attributes += ']';
        switch (child->Kind()) {
        case nkControlTag:
            out += '?' + name + attributes;
            if (!text.empty())
                out += '"' + text + '"';
            break;
        case nkComment:
            out += "!--" + text + "--";
            break;
        case nkElement:
            out += name + attributes;
            if (!text.empty())
                out += '"' + text + '"';
            if (child->Count() > 0) {
                out += '{';
                stack.push_back({child, 0});
            }
            break;
        }
        if (!child->Tail().empty())
            out += "+\"" + std::string(child->Tail()) + '"';
    }
    return out;
}

// Parses the text into a fresh document; returns the error message, "" when
// the parse succeeds, and leaves the tree in `tree`.
std::string ParseOf(const std::string& text, std::string& tree) {
    TVexXMLParser document;
    std::string error;
    try {
        document.Parse(text.c_str());
    } catch (const Exception& e) {
        error = e.what();
    }
    tree = Dump(document);
    return error;
}

struct Row {
    std::string input;
    std::string tree;   // what the document holds afterwards
    std::string error;  // "" for success
};

const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = {
        // Documents that parse.
        {"", "", ""},
        {" \r\n\t", "", ""},
        {"<?xml version=\"1.0\" encoding=\"utf-8\"?><rss/>", "?xml[version=1.0 encoding=utf-8] rss", ""},
        {"<?xml version=\"1.0\"?>\r\n<!-- c -->\r\n<rss></rss>\r\n", "?xml[version=1.0] !-- c -- rss", ""},
        {"<a>  Hello \r\n  world  </a>", "a\"Hello world\"", ""},
        {"<a>Hello \nworld</a>", "a\"Hello\nworld\"", ""},
        {"<a>\r\n  \t</a>", "a", ""},
        {"<a>x<b/>  <c>y</c>\r\n</a>", "a\"x\"{b c\"y\"}", ""},
        {"<Item></ITEM >", "Item", ""},
        {"<a/><b/><c></c>", "a b c", ""},
        {"<a><?pi x='1'?><!--k--></a>", "a{?pi[x=1] !--k--}", ""},
        {"<a-b-c><x:y-z/></A-B-C>", "a-b-c{x:y-z}", ""},
        {"<dc:creator>Jan</dc:creator>", "dc:creator\"Jan\"", ""},
        {"<a>&lt;p&gt; &amp;  <![CDATA[ <b>x</b> ]]></a>", "a\"<p> &  <b>x</b> \"", ""},
        {"<a><![CDATA[]]></a>", "a", ""},
        {"<a>x &nbsp; y</a>", "a\"x   y\"", ""},
        {"<!---->", "!----", ""},
        {"<!--<a>&amp;\r\n-- -->", "!--<a>&amp;\r\n-- --", ""},
        {"<?xml?><?a?>", "?xml ?a", ""},
        {"<a\r\n\tx\r\n=\r\n'1'\r\n/>", "a[x=1]", ""},
        {"<a n='1' m=\"2\" N='3'/>", "a[n=3 m=2]", ""},
        {"<a x='' y=\"&amp;\r\n\"/>", "a[x= y=&\r\n]", ""},
        {"<a x='say \"hi\"' y=\"it's\" z = 'v' w :'c' e=\"&lt;&#65;&#x42;&nbsp;&QUOT;\" m=\"l1\r\n  l2\""
         " c='<![CDATA[&amp;\"]]>'/>",
         "a[x=say \"hi\" y=it's z=v w=c e=<AB \" m=l1\r\n  l2 c=&amp;\"]", ""},
        {"<rss><channel><title>T</title><item><title>A</title></item><item/></channel></rss>",
         "rss{channel{title\"T\" item{title\"A\"} item}}", ""},

        // Between tags.
        {"x", "", At(1, 1, kBadChar)},
        {"<a/> x", "a", At(1, 6, kBadChar)},
        {"x<a/>", "", At(1, 1, kBadChar)},
        {"<a/>\xEF\xBB\xBF", "a", At(1, 5, kBadChar)},
        // A byte order mark at the start, a document type before the root.
        {"\xEF\xBB\xBF<a/>", "a", ""},
        {"<?xml version='1.0'?><!DOCTYPE rss PUBLIC \"-//x//y\" 'a>b'>\r\n<rss/>", "?xml[version=1.0] rss",
         ""},
        {"<!doctype html [\r\n<!ENTITY e \"]>\"><!-- ] > -->\r\n]><html>&e;</html>", "",
         At(3, 12, kUnknownEntity)},
        {"<a/><!DOCTYPE a>", "a", At(1, 6, kBadName)},
        {"<!DOCTYPE a [", "", At(1, 14, kEndInTag)},
        // Mixed content: the text after a child is its tail.
        {"<a><b/>x</a>", "a{b+\"x\"}", ""},
        {"<p>Some <b>bold</b>  text <i>and</i>\r\n more </p>",
         "p\"Some\"{b\"bold\"+\"text\" i\"and\"+\"more\"}", ""},
        {"<a><!--c-->x &amp; y<?p?><![CDATA[ z ]]></a>", "a{!--c--+\"x & y\" ?p+\" z \"}", ""},
        {"<a> <b/> ", "", At(1, 10, kEnd)},
        {"<a>\r\n", "", At(2, 1, kEnd)},
        {"<a>text", "", At(1, 8, kEnd)},

        // Tag names.
        {"<![CDATA[x]]>", "", At(1, 2, kBadName)},
        {"<a><!x></a>", "", At(1, 5, kBadName)},
        {"<1a/>", "", At(1, 2, kBadName)},
        {"< a/>", "", At(1, 2, kBadName)},

        {"<a></1>", "", At(1, 6, kBadName)},
        {"<?\?>", "", At(1, 3, kBadName)},

        // End of the text inside tags and comments.
        {"<", "", At(1, 2, kEndInTag)},
        {"<a", "", At(1, 3, kEndInTag)},
        {"<a ", "", At(1, 4, kEndInTag)},
        {"<a x", "", At(1, 5, kEndInTag)},
        {"<a x=", "", At(1, 6, kEndInTag)},
        {"<a x='1'", "", At(1, 9, kEndInTag)},
        {"<a x='1' ", "", At(1, 10, kEndInTag)},
        {"<?xml", "", At(1, 6, kEndInTag)},
        {"<a></", "", At(1, 6, kEndInTag)},
        {"<a></a", "", At(1, 7, kEndInTag)},
        {"<a></a ", "", At(1, 8, kEndInTag)},
        {"<!-- x", "", At(1, 7, kEndInTag)},
        {"<a x='1", "", At(1, 8, kEnd)},
        {"<a><![CDATA[x", "", At(1, 14, kEnd)},
        {"<a>&amp", "", At(1, 8, ") : Nieoczekiwany koniec pliku - nie dokończona encja.")},

        // Attributes.
        {"<a x-y.\xC3\xA9=\"1\" e='&apos;'/>", "a[x-y.\xC3\xA9=1 e=']", ""},
        {"<a x \"1\"/>", "", At(1, 6, kEquals)},
        {"<a x=1/>", "", At(1, 6, kQuote)},
        {"<a w:'c'/>", "", At(1, 6, kEquals)},  // the colon belongs to the name here
        {"<a x=\"1\"y=\"2\"/>", "", At(1, 9, kElementEnd)},
        {"<a _x=\"1\"/>", "", At(1, 4, kElementEnd)},

        // Closing of tags.
        {"<?xml version=\"1.0\">", "", At(1, 20, kControlEnd)},
        {"<?a ?x", "", At(1, 7, kEndInTag)},
        // An instruction holds free text; the declaration needs attributes.
        {"<a><?pi 0?><?foo  bar baz ?><?s x='1'?><?t x='1' y?></a>",
         "a{?pi\"0\" ?foo\"bar baz\" ?s[x=1] ?t\"x='1' y\"}", ""},
        {"<?xml version='1.0' zzz?><a/>", "", At(1, 24, kEquals)},
        {"<a?>", "", At(1, 3, kElementEnd)},
        {"<a / >", "", At(1, 4, kElementEnd)},
        {"<a></a b>", "", At(1, 8, kCloseEnd)},
        {"</a>", "", At(1, 5, kNoOpening)},
        {"<a/>\r\n</a>", "a", At(2, 5, kNoOpening)},
        {"<a></b>", "", At(1, 8, Mismatch("b", "a"))},
        {"<Item><Title></ITEMS>", "", At(1, 22, Mismatch("ITEMS", "Title"))},
        {"<a><b>", "", At(1, 7, Unclosed("b"))},
        {"<a><b></b>", "", At(1, 11, Unclosed("a"))},
        {"<a><b/>", "", At(1, 8, Unclosed("a"))},

        // What a failed parse leaves: the top-level nodes completed before it.
        {"<?xml version=\"1.0\"?>\r\n<rss><channel><title>T</title></channel>&bad;</rss>",
         "?xml[version=1.0]", At(2, 46, kUnknownEntity)},
        {"<?xml version=\"1.0\"?><rss><channel><title>&bad;", "?xml[version=1.0]", At(1, 48, kUnknownEntity)},
        {"<!--c--><a/><b><c/>", "!--c-- a", At(1, 20, Unclosed("b"))},
        {"<a/><b x='&#55296;'/>", "a",
         At(1, 19, ") : Nieprawidłowa wartość dziesiętna encji (dopuszczalne: 0..255)")},
        {"<a/><b>&#x110000;</b>", "a",
         At(1, 18, ") : Nieprawidłowa wartość heksadecymalna encji (dopuszczalne: 0..255)")},
        // Character references: code points in UTF-8 unless another encoding is declared.
        {"<a>&#xE9;&#8217;&#x1F600;&#255;</a>", "a\"\xC3\xA9\xE2\x80\x99\xF0\x9F\x98\x80\xC3\xBF\"", ""},
        {"<?xml encoding='UTF8'?><a>&#x105;</a>", "?xml[encoding=UTF8] a\"\xC4\x85\"", ""},
        // An empty name declares no encoding: references give UTF-8.
        {"<?xml encoding=''?><a>&#xa9;&#x105;</a>", "?xml[encoding=] a\"\xC2\xA9\xC4\x85\"", ""},
        {"<?xml encoding='windows-1250'?><a>&#xE9;</a>", "?xml[encoding=windows-1250] a\"\xE9\"", ""},
        {"<?xml encoding='iso-8859-2'?><a>&#x105;</a>", "?xml[encoding=iso-8859-2]",
         At(1, 40, ") : Nieprawidłowa wartość heksadecymalna encji (dopuszczalne: 0..255)")},
        {"<a/><b>&#q;</b>", "a", "'Q' is not a valid integer value"},
        {"<a/><b>&#xq;</b>", "a", std::string("Nieprawidłowa liczba heksadecymalna!")},
        // A text just short of a small memory block, placed in the second block the document takes.
        {"<a>" + std::string(8180, 'x') + "</a>", "a\"" + std::string(8180, 'x') + "\"", ""},
    };
    return rows;
}

TEST(XmlParser, ParseTable) {
    for (const Row& row : Rows()) {
        std::string tree;
        const std::string error = ParseOf(row.input, tree);
        EXPECT_EQ(error, row.error) << testing::PrintToString(row.input);
        EXPECT_EQ(tree, row.tree) << testing::PrintToString(row.input);
    }
}

TEST(XmlParser, TheDeclarationsEncodingIsFoundByName) {
    TVexXMLParser document;
    document.Parse("<?xml version=\"1.0\" encoding=\"ISO-8859-2\"?>\r\n<rss/>");
    ASSERT_EQ(document.Count(), 2);
    const TVexXMLParameter* encoding = document.Items(0)->Parameters().ParamByName("Encoding", false);
    ASSERT_NE(encoding, nullptr);
    EXPECT_EQ(encoding->Value(), "ISO-8859-2");
}

TEST(XmlParser, DocumentOrderAndLookup) {
    TVexXMLParser document;
    document.Parse("<?xml version=\"1.0\"?><!-- c --><?xml-stylesheet href='s'?>"
                   "<feed><title>One</title><Title>Two</Title><!--title--><entry/></feed>");
    ASSERT_EQ(document.Count(), 4);
    EXPECT_EQ(document.Items(0)->Kind(), nkControlTag);
    EXPECT_EQ(document.Items(1)->Kind(), nkComment);
    EXPECT_EQ(document.Items(2)->Kind(), nkControlTag);
    EXPECT_EQ(std::string(document.Items(2)->Name()), "xml-stylesheet");
    TVexXMLNode* feed = document.NodeByName("FEED", false);
    ASSERT_EQ(feed, document.Items(3));
    EXPECT_EQ(feed->Parent(), &document);
    TVexXMLNode* title = feed->NodeByName("TITLE", false);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(std::string(title->Text()), "One");
    EXPECT_EQ(feed->Count(), 4);
    EXPECT_EQ(feed->Items(1)->Parent(), feed);
    EXPECT_EQ(document.NodeByName("xml", false), nullptr);
}

TEST(XmlParser, EachParseReplacesTheChildren) {
    TVexXMLParser document;
    document.Parse("<a/><b/>");
    EXPECT_EQ(Dump(document), "a b");
    document.Parse("<c/>");
    EXPECT_EQ(Dump(document), "c");
    document.Parse("");
    EXPECT_EQ(document.Count(), 0);
    document.Parse("<c/>");
    document.Parse(nullptr);  // read as an empty text
    EXPECT_EQ(document.Count(), 0);
    document.Parse("<d/>");
    EXPECT_THROW(document.Parse("<?xml?><e>"), EVexXMLError);
    EXPECT_EQ(Dump(document), "?xml");
    EXPECT_EQ(document.NodeByName("d", false), nullptr);
}

// A parsed document is freed without visiting its nodes unless one of them
// was given memory of its own after the parse. Each change alone must be
// freed with the document (the sanitizer build reports a leak otherwise).
TEST(XmlParser, ParsedNodesChangedAfterTheParseAreFreed) {
    std::string text = "<top><r><a k='v'>t</a>";
    for (int i = 0; i < 20; ++i)
        text += "<b/>";
    text += "<a-name-longer-than-fifteen/></r></top>";
    const std::string long40(40, 'x');
    // Each is given the element r, whose parent is the root "top".
    const std::function<void(TVexXMLNode&)> changes[] = {
        [](TVexXMLNode& r) { r.NodeByName("b", false); },  // the index of 22 children
        [](TVexXMLNode& r) {
            r.NodeByName("b", false);
            static_cast<TVexXMLNode*>(r.Parent())->Clear();  // the indexed node dies first
        },
        [&](TVexXMLNode& r) { r.Items(0)->Parameters().ParamByName("k", true)->SetValue(long40); },
        [&](TVexXMLNode& r) { r.Items(0)->Parameters().ParamByName("new", true)->SetValue(long40); },
        [&](TVexXMLNode& r) { r.Items(0)->SetText(long40); },
        [&](TVexXMLNode& r) { r.Items(21)->SetName(long40); },
        [](TVexXMLNode& r) { r.Items(1)->Add(new TVexXMLNode("child", nkElement)); },
    };
    for (const auto& change : changes) {
        TVexXMLParser document;
        document.Parse(text.c_str());
        TVexXMLNode& r = *document.Items(0)->Items(0);
        EXPECT_EQ(r.Items(21)->Name(), "a-name-longer-than-fifteen");
        change(r);
    }
}

class XmlParserFiles : public testing::Test {
protected:
    // Loads the bytes from a file into a fresh document; returns the error, if any.
    std::string Load(const std::string& bytes, std::string& tree) {
        TVexXMLParser document;
        std::string error;
        try {
            document.LoadFromFile(FDir.Write("feed.xml", bytes));
        } catch (const Exception& e) {
            error = e.what();
        }
        tree = Dump(document);
        return error;
    }
    TempDir FDir;
};

TEST_F(XmlParserFiles, LineBreaksOfEveryStyleReachTheParserAsCrLf) {
    for (const std::string& br : {"\n"s, "\r"s, "\r\n"s}) {
        const std::string label = testing::PrintToString(br);
        TVexXMLParser document;
        document.LoadFromFile(
            FDir.Write("f.xml", "<a x='1" + br + "2'>" + br + "<!--c" + br + "d-->" + br + "</a>"));
        ASSERT_EQ(document.Count(), 1) << label;
        TVexXMLNode* a = document.Items(0);
        EXPECT_EQ(std::string(a->Parameters().ParamByName("x", false)->Value()), "1\r\n2") << label;
        EXPECT_EQ(std::string(a->Items(0)->Text()), "c\r\nd") << label;

        std::string tree;
        EXPECT_EQ(Load("<a>" + br + br + "</a>" + br + " x", tree), At(4, 2, kBadChar)) << label;
    }
}

TEST_F(XmlParserFiles, TheTextEndsAtTheFirstNul) {
    std::string tree;
    EXPECT_EQ(Load("<a/>\0<garbage"s, tree), "");
    EXPECT_EQ(tree, "a");
    EXPECT_EQ(Load("<a>\0</a>"s, tree), At(2, 1, kEnd));
}

TEST_F(XmlParserFiles, AnUnclosedElementAtTheEndFailsAsEndOfText) {
    std::string tree;
    EXPECT_EQ(Load("<rss>", tree), At(2, 1, kEnd));
    EXPECT_EQ(Load("<?xml version='1.0'?>\n<rss><channel/>", tree), At(3, 1, kEnd));
    EXPECT_EQ(tree, "?xml[version=1.0]");
    EXPECT_EQ(ParseOf("<rss>", tree), At(1, 6, Unclosed("rss")));
}

TEST_F(XmlParserFiles, EmptyAndMissingFilesLeaveTheDocumentAlone) {
    TVexXMLParser document;
    document.Parse("<kept/>");
    document.LoadFromFile(FDir.Write("empty.xml", ""));
    EXPECT_EQ(Dump(document), "kept");
    document.LoadFromFile(FDir.Write("nul.xml", "\0<a/>"s));
    EXPECT_EQ(Dump(document), "kept");

    const std::string missing = FDir.PathOf("missing.xml");
    try {
        document.LoadFromFile(missing);
        ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + missing + "\". No such file or directory");
    }
    EXPECT_EQ(Dump(document), "kept");

    // A file of one line break is not empty: it parses to an empty document.
    document.LoadFromFile(FDir.Write("break.xml", "\n"));
    EXPECT_EQ(document.Count(), 0);
}

TEST(XmlParserDepth, MillionNestedElements) {
    constexpr int kDepth = 1000000;
    std::string text;
    text.reserve(kDepth * 7);
    for (int i = 0; i < kDepth; ++i)
        text += "<a>";
    for (int i = 0; i < kDepth - 1; ++i)
        text += "</a>";

    TVexXMLParser document;
    // Truncated: the last closing tag is missing.
    EXPECT_EQ(
        [&] {
            try {
                document.Parse(text.c_str());
            } catch (const EVexXMLError& e) {
                return std::string(e.what());
            }
            return std::string();
        }(),
        At(1, static_cast<int>(text.size()) + 1, Unclosed("a")));
    EXPECT_EQ(document.Count(), 0);

    text += "</a>";
    document.Parse(text.c_str());
    ASSERT_EQ(document.Count(), 1);
    int depth = 0;
    for (const TVexBaseXmlNode* node = &document; node->Count() > 0; node = node->Items(0))
        ++depth;
    EXPECT_EQ(depth, kDepth);
}

}  // namespace

namespace {

// A recovering parse never raises for the text, reads what stands before a
// fault and keeps the strict parse's message apart: the same texts fail
// strictly as before.
TEST(XmlParserRecovering, ReadsWhatABrokenDocumentHolds) {
    const std::vector<Row> rows = {
        // Cut short: the element open at the end is closed there, a tag cut
        // in half is dropped.
        {"<rss><channel><title>T</title><item><title>A</title><desc",
         "rss{channel{title\"T\" item{title\"A\"}}}", At(1, 58, kEndInTag)},
        // A closing tag closes the elements inside the one it names; one
        // that names no open element is dropped.
        {"<d><p>one<b>two</d><x/>", "d{p\"one\"{b\"two\"}}", At(1, 20, Mismatch("d", "b"))},
        {"<d>a</q></d>", "d\"a\"", At(1, 9, Mismatch("q", "d"))},
        // HTML's entities give their characters; an "&" that begins no
        // reference stays.
        {"<t>caf&eacute; &mdash; R&D &amp; &bogus; &#xZZ; &</t>", "t\"café — R&D & &bogus; &#xZZ; &\"",
         At(1, 15, kUnknownEntity)},
        {"<a href=\"?a=1&b=2\"/>", "a[href=?a=1&b=2]",
         At(1, 21, ") : Nieoczekiwany koniec pliku - nie dokończona encja.")},
        // Anything after the root is ignored.
        {"<r/>text<x/>", "r", At(1, 5, kBadChar)},
        // A "<" that opens no tag is text; HTML's attributes are read.
        {"<t>a < b</t>", "t\"a < b\"", At(1, 7, kBadName)},
        {"<i checked src=x.png>", "i[checked= src=x.png]", At(1, 12, kEquals)},
    };
    for (const Row& row : rows) {
        std::string strictTree;
        EXPECT_EQ(ParseOf(row.input, strictTree), row.error) << row.input;
        TVexXMLParser document;
        document.SetParseMode(TVexXMLParseMode::pmRecovering);
        EXPECT_NO_THROW(document.Parse(row.input.c_str())) << row.input;
        EXPECT_EQ(Dump(document), row.tree) << row.input;
    }
}

// The elements still open at the end are named, innermost first, and
// closed without recursion, however deep.
TEST(XmlParserRecovering, TheEndClosesEveryOpenElement) {
    TVexXMLParser document;
    document.SetParseMode(TVexXMLParseMode::pmRecovering);
    document.Parse("<a><b>x</b><c><d>cut");
    ASSERT_EQ(document.CutShort().size(), 3u);
    EXPECT_EQ(document.CutShort()[0]->Name(), "d");
    EXPECT_EQ(document.CutShort()[2], document.Items(0));
    EXPECT_EQ(Dump(document), "a{b\"x\" c{d}}");

    std::string deep;
    for (int i = 0; i < 1000000; ++i)
        deep += "<a>";
    document.Parse(deep.c_str());
    EXPECT_EQ(document.CutShort().size(), 1000000u);
    document.SetParseMode(TVexXMLParseMode::pmStrict);
    document.Parse("<a/>");
    EXPECT_TRUE(document.CutShort().empty());
}

}  // namespace

// LoadFromFile of files large enough that the memory of the text already
// read is given back during the parse: the tree and the error positions
// must be those of the same text parsed in memory.
#include "TempDir.h"
#include "xml/VexXMLParser.h"
#include "xml/XmlFileText.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EVexXMLError& e) {
        return e.what();
    }
    return "(no error)";
}

// About `bytes` of items on lines of varying length, LF line breaks.
std::string Feed(std::size_t bytes) {
    std::string text = "<?xml version=\"1.0\"?>\n<rss><channel>\n";
    for (int i = 0; text.size() < bytes; ++i) {
        text += "<item><title>Item " + std::to_string(i) + "</title>";
        text += std::string(static_cast<std::size_t>(i % 97), ' ');
        text += "<description>&lt;p&gt;" + std::string(static_cast<std::size_t>(i % 300), 'x') +
                "</description></item>\n";
    }
    return text;
}

}  // namespace

TEST(LargeFile, ErrorsFarIntoTheFileKeepTheirPositions) {
    const std::string feed = Feed(9 * 1024 * 1024);
    // A bad character on a long last line, one right after a line break,
    // and an unclosed document.
    const std::string cases[] = {feed + std::string(5000, ' ') + "<item>x</item>@", feed + "@",
                                 feed + "<open>"};
    TempDir dir;
    for (const std::string& text : cases) {
        const std::string path = dir.Write("large.xml", text);
        TVexXMLParser fromFile;
        const std::string fileError = ErrorOf([&] { fromFile.LoadFromFile(path); });
        const std::string crLf = vexxml::ReadFileAsCrLfText(path);
        TVexXMLParser inMemory;
        const std::string memoryError = ErrorOf([&] { inMemory.Parse(crLf.c_str()); });
        EXPECT_NE(fileError, "(no error)");
        EXPECT_EQ(fileError, memoryError);
    }
}

TEST(LargeFile, TheTreeIsTheOneOfTheTextInMemory) {
    const std::string text = Feed(5 * 1024 * 1024) + "</channel></rss>\n";
    TempDir dir;
    const std::string path = dir.Write("large.xml", text);
    TVexXMLParser fromFile;
    fromFile.LoadFromFile(path);
    TVexXMLParser inMemory;
    inMemory.Parse(vexxml::ReadFileAsCrLfText(path).c_str());

    TVexBaseXmlNode* a = fromFile.NodeByName("rss", false)->NodeByName("channel", false);
    TVexBaseXmlNode* b = inMemory.NodeByName("rss", false)->NodeByName("channel", false);
    ASSERT_EQ(a->Count(), b->Count());
    for (int i = 0; i < a->Count(); ++i) {
        // Decoded texts are written into the document's free memory and
        // moved when they outgrow it: many of them reach past a block's end.
        const std::string description = "<p>" + std::string(static_cast<std::size_t>(i % 300), 'x');
        ASSERT_EQ(a->Items(i)->Items(1)->Text(), description) << i;
        ASSERT_EQ(b->Items(i)->Items(1)->Text(), description) << i;
        ASSERT_EQ(a->Items(i)->Items(0)->Text(), "Item " + std::to_string(i));
    }
}

#include "feed/Opml.h"

#include "base/Exceptions.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Addresses = std::vector<std::string>;

class Opml : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "nemara-opml-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string File(const std::string& text) {
        const std::string path = (dir_ / ("f" + std::to_string(count_++) + ".opml")).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // The message of what reading raises; "" when it reads.
    std::string FailureOf(const std::string& text) {
        try {
            ReadOpmlAddresses(File(text));
        } catch (const Exception& e) {
            return e.what();
        }
        return "";
    }

    std::filesystem::path dir_;
    int count_ = 0;
};

TEST_F(Opml, WhatIsExportedReadsBackTheSame) {
    // "&" and quotes need escaping.
    const Addresses list = {"http://a.pl/rss", "https://b.pl/?a=1&b=\"2\"", "http://łódź.pl/", ""};
    // A channel's title, where it has one, is the outline's text.
    const std::string document = OpmlDocument(list, {"", "Wiadomości & \"co\""});
    EXPECT_NE(document.find("<outline type=\"rss\" text=\"http://a.pl/rss\" xmlUrl=\"http://a.pl/rss\"/>"),
              std::string::npos);
    EXPECT_NE(
        document.find(
            "text=\"Wiadomości &amp; &quot;co&quot;\" xmlUrl=\"https://b.pl/?a=1&amp;b=&quot;2&quot;\""),
        std::string::npos);
    EXPECT_NE(document.find("http://łódź.pl/"), std::string::npos);
    EXPECT_EQ(ReadOpmlAddresses(File(document)), Addresses(list.begin(), list.end() - 1));
}

TEST_F(Opml, EveryOutlineWithAnAddressAtAnyDepthInOrder) {
    const std::string text =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-2\"?>\n"
        "<opml version=\"1.0\"><head><title>t</title></head><body>\n"
        "<outline text=\"News\"><outline text=\"x\" xmlUrl=\"http://x/\"/>\n"
        "  <outline text=\"Deeper\"><outline xmlUrl=\"http://\xB3/\"/></outline></outline>\n"
        "<outline type=\"rss\" XMLURL=\"http://x/\"/><outline text=\"no address\"/>\n"
        "<!-- <outline xmlUrl=\"http://comment/\"/> -->\n"
        "<outline xmlUrl=\"http://y/?a=1&amp;b=2\"></outline></body></opml>\n";
    // Duplicates are the caller's to skip.
    EXPECT_EQ(ReadOpmlAddresses(File(text)),
              (Addresses{"http://x/", "http://ł/", "http://x/", "http://y/?a=1&b=2"}));
}

TEST_F(Opml, AFileThatIsNoOpmlOrNoXmlFails) {
    EXPECT_EQ(FailureOf("<rss><channel/></rss>"), "The file is not an OPML file");
    EXPECT_EQ(FailureOf(""), "The file is not an OPML file");
    EXPECT_NE(FailureOf("<opml><body><outline xmlUrl=\"a\"></body></opml>"), "");
}

}  // namespace

// The readers on trees built node by node: what they need of the tree and
// what they leave in it.
#include "feed/ChannelReader.h"

#include "base/Dates.h"
#include "base/Exceptions.h"
#include "xml/VexXMLParser.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

namespace {

using NodePtr = std::unique_ptr<TVexXMLNode>;

template <typename Parent, typename... Children>
void AddAll(Parent& parent, Children&&... children) {
    (parent.Add(children.release()), ...);
}

template <typename... Children>
NodePtr Node(TVexXMLNodeKind kind, std::string name, std::string text, Children&&... children) {
    auto node = std::make_unique<TVexXMLNode>(std::move(name), kind);
    node->SetText(std::move(text));
    AddAll(*node, std::forward<Children>(children)...);
    return node;
}

template <typename... Children>
NodePtr El(std::string name, std::string text, Children&&... children) {
    return Node(nkElement, std::move(name), std::move(text), std::forward<Children>(children)...);
}

NodePtr Declaration() { return Node(nkControlTag, "xml", ""); }

NodePtr RssItem() {
    return El("item", "", El("category", "C"), El("title", "I"), El("description", "D"), El("link", "L"),
              El("pubDate", "Mon, 07 Dec 2026"));
}

TEST(ChannelTree, ReadingLeavesTheTreeAsItWas) {
    TVexBaseXmlNode document;
    AddAll(document, Declaration(),
           El("rss", "", El("channel", "", El("title", "T"), El("link", "L"), RssItem())));
    TRSS channel;
    ReadChannelRss(document, channel);
    EXPECT_EQ(channel.Encoding, "");
    EXPECT_EQ(document.Items(0)->Parameters().ParamByName("encoding", false), nullptr);
    TVexXMLNode& element = *document.Items(1)->Items(0);
    EXPECT_EQ(element.Count(), 3);
    EXPECT_EQ(element.Items(2)->Count(), 5);
    EXPECT_EQ(channel.News.at(0).Guid, "");
}

TEST(ChannelTree, ItemsAreCountedByNameWhateverTheirKind) {
    // A comment or control tag named "item" is counted and read like an
    // element without children.
    TVexBaseXmlNode document;
    AddAll(
        document, Declaration(),
        El("rss", "",
           El("channel", "", El("title", "T"), El("link", "L"), RssItem(), Node(nkControlTag, "item", ""))));
    TRSS channel;
    ReadChannelRss(document, channel);
    ASSERT_EQ(channel.News.size(), 2u);
    EXPECT_EQ(channel.News[0].Title, "I");
    EXPECT_EQ(channel.News[1].Title, "");
    EXPECT_TRUE(IsNoDate(channel.News[1].Date));
}

TEST(ChannelTree, TheDeclarationIsAnXmlControlTagFirstAndTheRootTheFirstElement) {
    // The declaration's name is compared by key; nodes other than elements
    // before the root are passed over.
    TVexBaseXmlNode document;
    auto declaration = Node(nkControlTag, "XML", "");
    declaration->Parameters().ParamByName("Encoding", true)->SetValue("ISO-8859-2");
    AddAll(document, std::move(declaration), Node(nkComment, "", "c"),
           Node(nkControlTag, "xml-stylesheet", ""),
           El("feed", "", El("title", "\xB1"), El("link", "L"),
              El("entry", "", El("title", "E"), El("summary", "S"), El("link", "L"),
                 El("updated", "2026-12-07"))));
    TRSS channel;
    ReadChannelAtom(document, channel, TShortDateFormat{TDateOrder::doYMD, '-'});
    EXPECT_EQ(channel.Encoding, "ISO-8859-2");
    EXPECT_EQ(channel.Title, "ą");
    EXPECT_EQ(FormatDateYmd(channel.News.at(0).Date), "2026-12-07");

    // An element first is the root, and there is no declaration.
    TVexBaseXmlNode bare;
    auto root = El("feed", "", El("title", "\xB1"), El("link", "L"));
    root->Parameters().ParamByName("encoding", true)->SetValue("ISO-8859-2");
    AddAll(bare, std::move(root));
    ReadChannelAtom(bare, channel, TShortDateFormat{TDateOrder::doYMD, '-'});
    EXPECT_EQ(channel.Encoding, "");
    EXPECT_EQ(channel.Title, "±");  // no declaration: Windows-1250
}

}  // namespace

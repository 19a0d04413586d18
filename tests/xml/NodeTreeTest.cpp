// The node tree: children, lookup by name, renaming, clearing, destruction.
#include "IndexProbe.h"

#include <algorithm>
#include <functional>
#include <memory>

namespace {

std::string MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EVexXMLError& e) {
        return e.what();
    }
    return "(nothing raised)";
}

}  // namespace

TEST(NodeTree, NewNodeIsEmpty) {
    TVexXMLNode node("item", nkElement);
    EXPECT_EQ(node.Count(), 0);
    EXPECT_EQ(node.Name(), "item");
    EXPECT_EQ(node.Text(), "");
    EXPECT_EQ(node.Kind(), nkElement);
    EXPECT_EQ(node.Parent(), nullptr);
    EXPECT_EQ(node.NameIndex(), nullptr);
    EXPECT_EQ(MessageOf([&] { node.Items(0); }), "Nieprawidłowy indeks!");
    EXPECT_EQ(node.NodeByName("item", false), nullptr);
}

TEST(NodeTree, ChildrenOfEveryKindInOrderOnlyElementsByName) {
    TVexBaseXmlNode doc;
    auto* title = new TVexXMLNode("title", nkElement);
    auto* comment = new TVexXMLNode("", nkComment);
    auto* link = new TVexXMLNode("link", nkElement);
    auto* control = new TVexXMLNode("xml", nkControlTag);
    for (TVexXMLNode* n : {title, comment, link, control})
        doc.Add(n);
    ASSERT_EQ(doc.Count(), 4);
    EXPECT_EQ(doc.Items(0), title);
    EXPECT_EQ(doc.Items(1), comment);
    EXPECT_EQ(doc.Items(2), link);
    EXPECT_EQ(doc.Items(3), control);
    EXPECT_THROW(doc.Items(4), EVexXMLError);
    EXPECT_THROW(doc.Items(-1), EVexXMLError);
    for (TVexXMLNode* n : {title, comment, link, control})
        EXPECT_EQ(n->Parent(), &doc);
    EXPECT_EQ(doc.NodeByName("TITLE", false), title);
    EXPECT_EQ(doc.NodeByName("Link", false), link);
    EXPECT_EQ(doc.NodeByName("xml", false), nullptr);
    EXPECT_EQ(doc.NodeByName("", false), nullptr);
    EXPECT_EQ(doc.Count(), 4);
    EXPECT_TRUE(IndexIsSound(doc));
}

TEST(NodeTree, FirstOfSeveralNamesakesIsFound) {
    TVexXMLNode channel("channel", nkElement);
    auto* first = new TVexXMLNode("item", nkElement);
    auto* second = new TVexXMLNode("ITEM", nkElement);
    channel.Add(first);
    channel.Add(second);
    EXPECT_EQ(channel.NodeByName("Item", false), first);
    EXPECT_EQ(channel.Items(1), second);
    auto* pubDate = new TVexXMLNode("pubDate", nkElement);
    channel.Add(pubDate);
    EXPECT_EQ(channel.NodeByName("pubdate", false), pubDate);
}

TEST(NodeTree, NodeByNameCreatesOnceAtTheEnd) {
    TVexXMLNode item("item", nkElement);
    item.Add(new TVexXMLNode("title", nkElement));
    TVexXMLNode* guid = item.NodeByName("guid", true);
    ASSERT_NE(guid, nullptr);
    EXPECT_EQ(item.Count(), 2);
    EXPECT_EQ(item.Items(1), guid);
    EXPECT_EQ(guid->Name(), "guid");
    EXPECT_EQ(guid->Kind(), nkElement);
    EXPECT_EQ(guid->Text(), "");
    EXPECT_EQ(guid->Parameters().Count(), 0);
    EXPECT_EQ(guid->Parent(), &item);
    EXPECT_EQ(item.NodeByName("GUID", true), guid);
    EXPECT_EQ(item.NodeByName("guid", false), guid);
    EXPECT_EQ(item.Count(), 2);
}

TEST(NodeTree, AddingANodeToItselfRaisesAndChangesNothing) {
    TVexXMLNode node("a", nkElement);
    node.Add(new TVexXMLNode("b", nkElement));
    EXPECT_EQ(MessageOf([&] { node.Add(&node); }), "Nie mogę dodać siebie do własnej listy!");
    EXPECT_EQ(node.Count(), 1);
    EXPECT_EQ(node.Parent(), nullptr);
    EXPECT_EQ(node.NodeByName("a", false), nullptr);
    EXPECT_EQ(IndexKeys(node), "b");
}

TEST(NodeTree, RenamingReindexesElementsOnly) {
    TVexXMLNode parent("p", nkElement);
    auto* a = new TVexXMLNode("alpha", nkElement);
    auto* a2 = new TVexXMLNode("ALPHA", nkElement);
    auto* comment = new TVexXMLNode("note", nkComment);
    for (TVexXMLNode* n : {a, a2, comment})
        parent.Add(n);

    a->SetName("beta");
    EXPECT_EQ(parent.NodeByName("beta", false), a);
    EXPECT_EQ(parent.NodeByName("alpha", false), a2);
    EXPECT_EQ(parent.Items(0), a);  // its place among the children stays

    // A case-only rename keeps both forms findable but puts it last.
    a2->SetName("beta");
    a->SetName("Beta");
    EXPECT_EQ(parent.NodeByName("BETA", false), a2);
    EXPECT_EQ(parent.NodeByName("beta", false), a2);
    EXPECT_EQ(parent.NodeByName("alpha", false), nullptr);
    ASSERT_EQ(parent.NameIndex()->NodeCount(), 2);
    EXPECT_EQ(parent.NameIndex()->Nodes(1), a);

    comment->SetName("gamma");
    EXPECT_EQ(comment->Name(), "gamma");
    EXPECT_EQ(parent.NodeByName("gamma", false), nullptr);
    EXPECT_TRUE(IndexIsSound(parent));

    TVexXMLNode detached("x", nkElement);
    detached.SetName("y");
    EXPECT_EQ(detached.Name(), "y");
}

TEST(NodeTree, ClearKeepsNameKindAndPlace) {
    TVexXMLNode root("root", nkElement);
    auto* item = new TVexXMLNode("item", nkElement);
    root.Add(item);
    item->Add(new TVexXMLNode("title", nkElement));
    item->Add(new TVexXMLNode("", nkComment));
    item->Parameters().ParamByName("id", true)->SetValue("7");
    item->SetText(std::string(40, 't'));
    item->Clear();
    EXPECT_EQ(item->Count(), 0);
    EXPECT_EQ(item->NameIndex(), nullptr);
    EXPECT_EQ(item->Parameters().Count(), 0);
    EXPECT_EQ(item->Text(), "");
    EXPECT_EQ(item->Name(), "item");
    EXPECT_EQ(item->Kind(), nkElement);
    EXPECT_EQ(item->NodeByName("title", false), nullptr);
    EXPECT_EQ(item->Parent(), &root);
    EXPECT_EQ(root.NodeByName("item", false), item);

    // The holder's Clear leaves it reusable.
    TVexBaseXmlNode doc;
    doc.Add(new TVexXMLNode("a", nkElement));
    doc.Clear();
    EXPECT_EQ(doc.Count(), 0);
    EXPECT_EQ(doc.NameIndex(), nullptr);
    doc.Add(new TVexXMLNode("a", nkElement));
    EXPECT_EQ(doc.Count(), 1);
}

namespace {

// A node that notes when it is destroyed.
class TTracedNode : public TVexXMLNode {
public:
    TTracedNode(std::string name, std::vector<std::string>& log)
        : TVexXMLNode(std::move(name), nkElement), FLog(log) {}
    ~TTracedNode() override { FLog.emplace_back(Name()); }

private:
    std::vector<std::string>& FLog;
};

}  // namespace

TEST(NodeTree, SiblingsAreDestroyedLastToFirst) {
    for (bool clear : {false, true}) {
        std::vector<std::string> log;
        {
            TVexBaseXmlNode doc;
            auto* a = new TTracedNode("a", log);
            auto* b = new TTracedNode("b", log);
            doc.Add(a);
            doc.Add(b);
            doc.Add(new TTracedNode("c", log));
            for (const char* name : {"a1", "a2", "a3"})
                a->Add(new TTracedNode(name, log));
            b->Add(new TTracedNode("b1", log));
            if (clear) {
                doc.Clear();
                EXPECT_EQ(doc.Count(), 0);
            }
        }
        ASSERT_EQ(log.size(), 7u);
        auto at = [&](const char* name) { return std::find(log.begin(), log.end(), name) - log.begin(); };
        EXPECT_LT(at("c"), at("b"));
        EXPECT_LT(at("b"), at("a"));
        EXPECT_LT(at("a3"), at("a2"));
        EXPECT_LT(at("a2"), at("a1"));
        // A whole subtree goes before its previous sibling's.
        EXPECT_LT(at("b1"), at("a"));
        EXPECT_LT(at("b1"), at("a3"));
    }
}

TEST(NodeTree, MillionNestedElementsClearAndDestroyWithoutRecursion) {
    constexpr int depth = 1'000'000;
    auto build = [](TVexBaseXmlNode& top) {
        TVexBaseXmlNode* cur = &top;
        for (int i = 0; i < depth; ++i) {
            auto* next = new TVexXMLNode("e", nkElement);
            next->Parameters().ParamByName("n", true);
            cur->Add(next);
            cur->NameIndex();  // each level with its index built
            cur = next;
        }
    };
    TVexBaseXmlNode doc;
    build(doc);
    doc.Clear();
    EXPECT_EQ(doc.Count(), 0);

    build(doc);
    doc.Items(0)->Clear();  // a node's own Clear
    EXPECT_EQ(doc.Items(0)->Count(), 0);

    auto top = std::make_unique<TVexXMLNode>("top", nkElement);
    build(*top);
    top.reset();  // the destructor

    build(doc);  // and the holder's destructor at the end of the test
}

// The name index: the tree node's own operations, the index operations of
// the owner, and the shapes they give.
#include "IndexProbe.h"

#include <memory>

namespace {

// Detached nodes to index: the tests own them, the index only lists them.
struct Pool {
    std::vector<std::unique_ptr<TVexXMLNode>> nodes;
    TVexXMLNode* operator()(const std::string& name) {
        nodes.push_back(std::make_unique<TVexXMLNode>(name, nkElement));
        return nodes.back().get();
    }
};

template <class F>
std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const EVexXMLError& e) {
        return e.what();
    }
    return "(nothing raised)";
}

}  // namespace

TEST(TreeNode, EntriesAndTheirMessages) {
    Pool make;
    TBinaryTreeNode t;
    EXPECT_EQ(t.NodeCount(), 0);
    EXPECT_EQ(t.Height(), 0);
    EXPECT_EQ(MessageOf([&] { t.Nodes(0); }), std::string("Nieprawidłowy indeks!"));
    EXPECT_EQ(MessageOf([&] { t.DeleteNode(0); }), std::string("Nieprawidłowy indeks."));

    TVexXMLNode* a = make("title");
    TVexXMLNode* b = make("TITLE");
    TVexXMLNode* c = make("Title");
    t.AddNode(a);
    t.AddNode(b);
    t.AddNode(c);
    EXPECT_EQ(MessageOf([&] { t.AddNode(make("titles")); }),
              std::string("Pojedyncza gałąź przechowuje dane o jednakowych nazwach!"));
    ASSERT_EQ(t.NodeCount(), 3);
    EXPECT_EQ(MessageOf([&] { t.Nodes(3); }), std::string("Nieprawidłowy indeks!"));
    EXPECT_EQ(MessageOf([&] { t.Nodes(-1); }), std::string("Nieprawidłowy indeks!"));
    EXPECT_EQ(MessageOf([&] { t.DeleteNode(3); }), std::string("Nieprawidłowy indeks."));
    EXPECT_EQ(MessageOf([&] { t.DeleteNode(-1); }), std::string("Nieprawidłowy indeks."));
    EXPECT_EQ(t.NodeCount(), 3);

    t.DeleteNode(0);
    ASSERT_EQ(t.NodeCount(), 2);
    EXPECT_EQ(t.Nodes(0), b);
    EXPECT_EQ(t.Nodes(1), c);
    t.ClearNodes();
    EXPECT_EQ(t.NodeCount(), 0);
    t.AddNode(make("other"));  // an empty tree node takes any key
    EXPECT_EQ(t.NodeCount(), 1);
}

TEST(TreeNode, LinksStayMutualAndHeightsClimbToTheRoot) {
    auto root = std::make_unique<TBinaryTreeNode>();
    auto* left = new TBinaryTreeNode;
    auto* leaf = new TBinaryTreeNode;
    root->SetLeft(left);
    left->SetRight(leaf);
    EXPECT_EQ(left->Parent(), root.get());
    EXPECT_EQ(leaf->Parent(), left);
    EXPECT_EQ(root->Height(), 2);
    EXPECT_EQ(root->LeftHeight(), 2);
    EXPECT_EQ(root->RightHeight(), 0);

    // Moving a subtree under another parent takes it from the old one.
    root->SetRight(leaf);
    EXPECT_EQ(left->Right(), nullptr);
    EXPECT_EQ(leaf->Parent(), root.get());
    EXPECT_EQ(left->Height(), 0);
    EXPECT_EQ(root->Height(), 1);

    // Destroying a tree node detaches it from its parent first.
    delete left;
    EXPECT_EQ(root->Left(), nullptr);
    EXPECT_EQ(root->Height(), 1);
    root->DetachChild(leaf);
    EXPECT_EQ(root->Right(), nullptr);
    EXPECT_EQ(leaf->Parent(), root.get());  // DetachChild forgets only the parent's side
    leaf->SetParent(nullptr);
    delete leaf;
    EXPECT_EQ(root->Height(), 0);
}

TEST(NameIndex, EmptyIndexAndFirstEntry) {
    Pool make;
    TIndexProbe holder;
    EXPECT_EQ(holder.NameIndex(), nullptr);
    EXPECT_EQ(holder.IndexLookup("x"), nullptr);
    EXPECT_EQ(holder.IndexLookup(""), nullptr);
    holder.AddToIndex(make("x"));
    ASSERT_NE(holder.NameIndex(), nullptr);
    EXPECT_EQ(holder.NameIndex()->Height(), 0);
    EXPECT_EQ(holder.NameIndex()->Parent(), nullptr);
}

TEST(NameIndex, CaseVariantsOfOneWordShareATreeNodeInIndexOrder) {
    Pool make;
    TIndexProbe holder;
    TVexXMLNode* lower = make("pubdate");
    TVexXMLNode* upper = make("PUBDATE");
    TVexXMLNode* initial = make("Pubdate");
    for (TVexXMLNode* n : {lower, upper, initial})
        holder.AddToIndex(n);
    for (const char* asked : {"pubdate", "PUBDATE", "Pubdate", "pubDate"}) {
        TBinaryTreeNode* t = holder.IndexLookup(asked);
        ASSERT_EQ(t, holder.NameIndex()) << asked;
    }
    TBinaryTreeNode* t = holder.NameIndex();
    ASSERT_EQ(t->NodeCount(), 3);
    EXPECT_EQ(t->Nodes(0), lower);
    EXPECT_EQ(t->Nodes(1), upper);
    EXPECT_EQ(t->Nodes(2), initial);

    // A letter above 0x7F is not folded: small and capital a with ogonek differ.
    holder.AddToIndex(make("\xB9"));
    holder.AddToIndex(make("\xA5"));
    EXPECT_NE(holder.IndexLookup("\xB9"), holder.IndexLookup("\xA5"));
    EXPECT_TRUE(IndexIsSound(holder));
}

TEST(NameIndex, ShapesOfTheDocumentedSequences) {
    struct Case {
        std::vector<std::string> names;
        std::string keys;
        std::string root;
        int height;
    };
    const Case cases[] = {
        {{"C", "A", "B"}, "A B C", "B", 1},  // left child leans right: double rotation
        {{"A", "C", "B"}, "A B C", "B", 1},  // the mirror case
        {{"A", "B", "C"}, "A B C", "B", 1},
        {{"B", "AB", "A"}, "A AB B", "AB", 1},  // a prefix is the smaller key
        {{"a", "b", "c", "d", "e", "f", "g"}, "a b c d e f g", "d", 2},
        {{"g", "f", "e", "d", "c", "b", "a"}, "a b c d e f g", "d", 2},
    };
    for (const Case& c : cases) {
        Pool make;
        TIndexProbe holder;
        for (const std::string& name : c.names)
            holder.AddToIndex(make(name));
        EXPECT_TRUE(IndexIsSound(holder));
        EXPECT_EQ(IndexKeys(holder), c.keys);
        ASSERT_NE(holder.NameIndex(), nullptr);
        EXPECT_EQ(holder.NameIndex()->Nodes(0)->Name(), c.root) << c.keys;
        EXPECT_EQ(holder.NameIndex()->Height(), c.height) << c.keys;
    }
}

TEST(NameIndex, RemovalKeepsOtherEntriesInOrderAndShapeAlone) {
    Pool make;
    TIndexProbe holder;
    TVexXMLNode* first = make("b");
    TVexXMLNode* second = make("B");
    TVexXMLNode* third = make("b");
    holder.AddToIndex(make("a"));
    for (TVexXMLNode* n : {first, second, third})
        holder.AddToIndex(n);
    holder.AddToIndex(make("c"));
    TBinaryTreeNode* shared = holder.IndexLookup("b");
    const std::string keys = IndexKeys(holder);
    holder.RemoveFromIndex(second);
    EXPECT_EQ(holder.IndexLookup("b"), shared);
    ASSERT_EQ(shared->NodeCount(), 2);
    EXPECT_EQ(shared->Nodes(0), first);
    EXPECT_EQ(shared->Nodes(1), third);
    EXPECT_EQ(IndexKeys(holder), keys);
    EXPECT_TRUE(IndexIsSound(holder));
}

TEST(NameIndex, RemovingAnUnlistedNodeRaisesAndChangesNothing) {
    Pool make;
    TIndexProbe holder;
    TVexXMLNode* listed = make("item");
    holder.AddToIndex(make("a"));
    holder.AddToIndex(listed);
    holder.AddToIndex(make("z"));
    TVexXMLNode* removed = make("gone");
    holder.AddToIndex(removed);
    holder.RemoveFromIndex(removed);
    const std::string before = IndexSnapshot(holder);
    for (TVexXMLNode* stranger : {make("never"), removed, make("ITEM")}) {
        EXPECT_EQ(MessageOf([&] { holder.RemoveFromIndex(stranger); }),
                  std::string("Takiego elementu nie ma w drzewie AVL!"));
        EXPECT_EQ(holder.FindIndexNode(stranger), nullptr);
        EXPECT_EQ(IndexSnapshot(holder), before);
    }
    EXPECT_EQ(holder.FindIndexNode(listed), holder.IndexLookup("item"));
}

TEST(NameIndex, RemovingTheRootWithOneChildKeepsItsSubtreeWhole) {
    Pool make;
    TIndexProbe holder;
    TVexXMLNode* a = make("a");
    holder.AddToIndex(a);
    holder.AddToIndex(make("b"));
    TBinaryTreeNode* child = holder.IndexLookup("b");
    holder.RemoveFromIndex(a);
    EXPECT_EQ(holder.NameIndex(), child);
    EXPECT_EQ(child->Parent(), nullptr);
    EXPECT_TRUE(IndexIsSound(holder));

    // A root with a one-child subtree under it: rotations are forced by hand.
    Pool more;
    TIndexProbe deep;
    TVexXMLNode* root = more("m");
    deep.AddToIndex(root);
    deep.AddToIndex(more("c"));
    deep.AddToIndex(more("a"));          // rebalances: c at the root
    deep.RotateRight(deep.NameIndex());  // a at the root, leaning right: c (m below)
    ASSERT_EQ(IndexKeys(deep), "a c m");
    TVexXMLNode* top = deep.NameIndex()->Nodes(0);
    TBinaryTreeNode* subtree = deep.NameIndex()->Right();
    deep.RemoveFromIndex(top);
    EXPECT_EQ(deep.NameIndex(), subtree);
    EXPECT_EQ(subtree->Parent(), nullptr);
    EXPECT_EQ(IndexKeys(deep), "c m");
    EXPECT_EQ(subtree->Height(), 1);
}

TEST(NameIndex, RemovingATreeNodeWithTwoChildrenTakesItsSuccessorsEntries) {
    Pool make;
    TIndexProbe holder;
    TVexXMLNode* b = make("b");
    for (TVexXMLNode* n : {b, make("a"), make("d"), make("c"), make("e")})
        holder.AddToIndex(n);
    // b at the root, a left, d right with c and e under it.
    TVexXMLNode* c1 = holder.IndexLookup("c")->Nodes(0);
    TVexXMLNode* c2 = make("C");
    holder.AddToIndex(c2);
    TBinaryTreeNode* rootNode = holder.NameIndex();
    ASSERT_EQ(rootNode->Nodes(0), b);
    holder.RemoveFromIndex(b);
    // The root tree node stays and now lists the successor's two entries.
    EXPECT_EQ(holder.NameIndex(), rootNode);
    ASSERT_EQ(rootNode->NodeCount(), 2);
    EXPECT_EQ(rootNode->Nodes(0), c1);
    EXPECT_EQ(rootNode->Nodes(1), c2);
    EXPECT_EQ(IndexKeys(holder), "a c d e");
    EXPECT_TRUE(IndexIsSound(holder));
}

TEST(NameIndex, RemovingTheLastEntryEmptiesTheIndex) {
    Pool make;
    TIndexProbe holder;
    TVexXMLNode* only = make("x");
    holder.AddToIndex(only);
    holder.RemoveFromIndex(only);
    EXPECT_EQ(holder.NameIndex(), nullptr);
    EXPECT_EQ(holder.IndexLookup("x"), nullptr);
}

TEST(NameIndex, RotationsWithoutTheNeededChildRaiseAndChangeNothing) {
    Pool make;
    TIndexProbe holder;
    holder.AddToIndex(make("b"));
    holder.AddToIndex(make("a"));
    const std::string before = IndexSnapshot(holder);
    TBinaryTreeNode* root = holder.NameIndex();
    EXPECT_EQ(MessageOf([&] { holder.RotateLeft(root); }), std::string("Prawa podgałąź jest pusta!"));
    EXPECT_EQ(MessageOf([&] { holder.RotateRight(root->Left()); }), std::string("Lewa podgałąź jest pusta!"));
    EXPECT_EQ(IndexSnapshot(holder), before);
    TBinaryTreeNode* top = holder.RotateRight(root);
    EXPECT_EQ(top, holder.NameIndex());
    EXPECT_EQ(IndexKeys(holder), "a b");
    EXPECT_EQ(holder.NameIndex()->Nodes(0)->Name(), "a");
    EXPECT_TRUE(IndexIsSound(holder));
    holder.Rebalance(nullptr);  // nothing to do
}

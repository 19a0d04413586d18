// What building and searching a tree costs in allocations, which the
// parser's speed rests on, and what a failed allocation leaves behind.
// Every operator new of this test program is counted, and one of them can
// be made to fail.
#include "IndexProbe.h"

#include <cstdlib>
#include <new>

// This file replaces operator new and delete with malloc and free; seeing
// both inlined, the compiler takes the pair for a mismatch.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
long gAllocations = 0;
long gFailAt = -1;  // the allocation, counted from 0, that throws; -1 none
}  // namespace

void* operator new(std::size_t size) {
    ++gAllocations;
    if (gFailAt >= 0 && gFailAt-- == 0)
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    ++gAllocations;
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

template <class F>
long AllocationsOf(F&& f) {
    const long before = gAllocations;
    f();
    return gAllocations - before;
}

}  // namespace

TEST(NodeCost, ALeafElementIsOneAllocation) {
    TVexBaseXmlNode parent;
    parent.Add(new TVexXMLNode("first", nkElement));  // the child array exists now
    std::string longText(200, 't');
    TVexXMLNode* leaf = nullptr;
    EXPECT_EQ(AllocationsOf([&] {
                  leaf = new TVexXMLNode("title", nkElement);
                  leaf->SetText(std::move(longText));  // moved in, not copied
                  parent.Add(leaf);
              }),
              1);
    EXPECT_EQ(leaf->Text().size(), 200u);
    EXPECT_EQ(AllocationsOf([&] { leaf->Parameters().ParamByName("lang", true)->SetValue("pl"); }), 1);
}

TEST(NodeCost, AnUnsearchedTreeHasNoIndexNodes) {
    TVexBaseXmlNode parent;
    // 1000 children: 1000 nodes and the child array growing 4, 8, ... 1024.
    EXPECT_EQ(AllocationsOf([&] {
                  for (int i = 0; i < 1000; ++i)
                      parent.Add(new TVexXMLNode("n" + std::to_string(i % 50), nkElement));
              }),
              1000 + 9);
    // The first search builds the index: one tree node per distinct name,
    // and an entry array for each name listed more than once.
    EXPECT_EQ(AllocationsOf([&] { parent.NodeByName("n7", false); }), 50 + 50 * 4);
    EXPECT_TRUE(IndexIsSound(parent));
}

TEST(NodeCost, SearchesAllocateNothing) {
    TVexBaseXmlNode parent;
    const std::string longName(40, 'x');
    for (const std::string& name : {std::string("item"), std::string("title"), longName, std::string("guid")})
        parent.Add(new TVexXMLNode(name, nkElement));
    parent.NodeByName("", false);  // builds the index
    TVexXMLNode* found = nullptr;
    const std::string askedLong(40, 'X');
    EXPECT_EQ(AllocationsOf([&] {
                  found = parent.NodeByName(askedLong, false);
                  parent.NodeByName("ITEM", false);
                  parent.NodeByName("missing-and-longer-than-fifteen", false);
              }),
              0);
    EXPECT_EQ(found, parent.Items(2));

    TVexXMLParameters params;
    params.ParamByName("a-rather-long-attribute-name", true);
    EXPECT_EQ(AllocationsOf([&] {
                  params.ParamByName("A-RATHER-LONG-ATTRIBUTE-NAME", false);
                  params.ParamByName("A-RATHER-LONG-ATTRIBUTE-NAME", true);
              }),
              0);
}

TEST(NodeCost, IndexingANewNameAllocatesOnlyItsTreeNode) {
    TVexBaseXmlNode parent;
    for (const char* name : {"a", "b", "c"})
        parent.Add(new TVexXMLNode(name, nkElement));
    parent.NameIndex();
    auto* d = new TVexXMLNode(std::string(30, 'd'), nkElement);
    EXPECT_EQ(AllocationsOf([&] {
                  parent.Add(d);
                  parent.NameIndex();
              }),
              1);
}

namespace {

// Runs `op` with its first allocation failing, then its second, and so on
// until it succeeds; after every failure `same` must hold. Returns how many
// allocations the op needed.
template <class Setup, class Op, class Same>
int EveryAllocationFailing(Setup&& setup, Op&& op, Same&& same) {
    for (int failAt = 0; failAt < 20; ++failAt) {
        auto fixture = setup();
        gFailAt = failAt;
        bool failed = false;
        try {
            op(*fixture);
        } catch (const std::bad_alloc&) {
            failed = true;
        }
        gFailAt = -1;
        if (!failed)
            return failAt;
        same(*fixture);
        if (testing::Test::HasFailure())
            return -1;
    }
    ADD_FAILURE() << "never succeeded";
    return -1;
}

struct Family {
    TIndexProbe parent;
    std::vector<TVexXMLNode*> children;
    std::string snapshot;

    explicit Family(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            children.push_back(new TVexXMLNode(name, nkElement));
            parent.Add(children.back());
        }
        snapshot = IndexSnapshot(parent);
    }
    void ExpectUnchanged(std::initializer_list<const char*> names) {
        ASSERT_EQ(parent.Count(), static_cast<int>(names.size()));
        int i = 0;
        for (const char* name : names) {
            EXPECT_EQ(parent.Items(i), children[static_cast<size_t>(i)]);
            EXPECT_EQ(parent.Items(i)->Name(), name);
            ++i;
        }
        EXPECT_EQ(IndexSnapshot(parent), snapshot);
        EXPECT_TRUE(IndexIsSound(parent));
    }
};

}  // namespace

TEST(NodeCost, FailedRenameChangesNothing) {
    // To a new name (a fresh tree node), and to a name whose one-entry tree
    // node must grow; the renamed node has namesakes or none, and may sit on
    // a tree node with two subtrees (whose successor moves up).
    struct Case {
        const char* rename;
        const char* to;
    };
    const Case cases[] = {{"b", "zz"}, {"b", "D"}, {"d", "B"}, {"b", "B"}, {"c", "cc"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.rename) + " -> " + c.to);
        const int needed = EveryAllocationFailing(
            [] {
                return std::make_unique<Family>(
                    std::initializer_list<const char*>{"a", "b", "c", "d", "e", "c"});
            },
            [&](Family& f) { f.parent.NodeByName(c.rename, false)->SetName(c.to); },
            [&](Family& f) {
                f.ExpectUnchanged({"a", "b", "c", "d", "e", "c"});
            });
        EXPECT_GE(needed, 1);
    }
}

TEST(NodeCost, FailedAddAndCreationChangeNothing) {
    EveryAllocationFailing(
        [] {
            return std::make_unique<Family>(std::initializer_list<const char*>{"a", "b", "c", "d"});
        },
        [](Family& f) { f.parent.NodeByName("new", true); },
        [](Family& f) {
            f.ExpectUnchanged({"a", "b", "c", "d"});
        });

    // A full child array: the failed Add leaves the node with the caller.
    EveryAllocationFailing(
        [] {
            return std::make_unique<Family>(std::initializer_list<const char*>{"a", "b", "c", "d"});
        },
        [](Family& f) {
            auto node = std::make_unique<TVexXMLNode>("e", nkElement);
            f.parent.Add(node.get());
            node.release();
        },
        [](Family& f) {
            f.ExpectUnchanged({"a", "b", "c", "d"});
        });
}

TEST(NodeCost, FailedIndexBuildingIsFinishedLater) {
    const int needed = EveryAllocationFailing(
        [] {
            auto parent = std::make_unique<TVexBaseXmlNode>();
            for (const char* name : {"d", "b", "f", "a", "c", "b", "e"})
                parent->Add(new TVexXMLNode(name, nkElement));
            return parent;
        },
        // A lookup among so few children scans them; the index is built on
        // its first use.
        [](TVexBaseXmlNode& parent) { (void)parent.NameIndex(); },
        [](TVexBaseXmlNode& parent) {
            EXPECT_TRUE(IndexIsSound(parent));  // this call finishes the index
            EXPECT_EQ(IndexKeys(parent), "a b c d e f");
            EXPECT_EQ(parent.NameIndex()->Nodes(0)->Name(), "d");
        });
    EXPECT_EQ(needed, 7);  // six tree nodes and an entry array for "b"
}

// What building and searching a tree costs in allocations: the parser's
// speed rests on it. Every operator new of this test program is counted.
#include "IndexProbe.h"

#include <cstdlib>
#include <new>

namespace {
long gAllocations = 0;
}

void* operator new(std::size_t size)
{
    ++gAllocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
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
long AllocationsOf(F&& f)
{
    const long before = gAllocations;
    f();
    return gAllocations - before;
}

} // namespace

TEST(NodeCost, ALeafElementIsOneAllocation) {
    TVexBaseXmlNode parent;
    parent.Add(new TVexXMLNode("first", nkElement));   // the child array exists now
    std::string longText(200, 't');
    TVexXMLNode* leaf = nullptr;
    EXPECT_EQ(AllocationsOf([&] {
        leaf = new TVexXMLNode("title", nkElement);
        leaf->SetText(std::move(longText));   // moved in, not copied
        parent.Add(leaf);
    }), 1);
    EXPECT_EQ(leaf->Text().size(), 200u);
    EXPECT_EQ(AllocationsOf([&] { leaf->Parameters().ParamByName("lang", true)->SetValue("pl"); }), 1);
}

TEST(NodeCost, AnUnsearchedTreeHasNoIndexNodes) {
    TVexBaseXmlNode parent;
    // 1000 children: 1000 nodes and the child array growing 4, 8, ... 1024.
    EXPECT_EQ(AllocationsOf([&] {
        for (int i = 0; i < 1000; ++i)
            parent.Add(new TVexXMLNode("n" + std::to_string(i % 50), nkElement));
    }), 1000 + 9);
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
    parent.NodeByName("", false);   // builds the index
    TVexXMLNode* found = nullptr;
    const std::string askedLong(40, 'X');
    EXPECT_EQ(AllocationsOf([&] {
        found = parent.NodeByName(askedLong, false);
        parent.NodeByName("ITEM", false);
        parent.NodeByName("missing-and-longer-than-fifteen", false);
    }), 0);
    EXPECT_EQ(found, parent.Items(2));

    TVexXMLParameters params;
    params.ParamByName("a-rather-long-attribute-name", true);
    EXPECT_EQ(AllocationsOf([&] {
        params.ParamByName("A-RATHER-LONG-ATTRIBUTE-NAME", false);
        params.ParamByName("A-RATHER-LONG-ATTRIBUTE-NAME", true);
    }), 0);
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
    }), 1);
}

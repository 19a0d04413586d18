// A growable array of node pointers that does not own what it points at:
// the child list of a node. One pointer and one count: the capacity is not
// stored but follows from the count (4, then the next power of two), so an
// empty list, the state of every leaf, is 12 bytes and no allocation.
#pragma once

#include <cstddef>
#include <cstring>
#include <new>

class TVexXMLNode;

class TVexNodeList {
public:
    TVexNodeList() noexcept = default;
    ~TVexNodeList() { ::operator delete(FItems); }
    TVexNodeList(const TVexNodeList&) = delete;
    TVexNodeList& operator=(const TVexNodeList&) = delete;

    int Size() const noexcept { return FSize; }
    TVexXMLNode* operator[](int i) const noexcept { return FItems[i]; }
    TVexXMLNode* Back() const noexcept { return FItems[FSize - 1]; }

    // Makes room for one more pointer; may throw std::bad_alloc and then
    // changes nothing. PushBack after it cannot fail.
    void ReserveOne()
    {
        // Full when the count has reached the capacity it implies.
        const bool full = FSize == 0 || (FSize >= kFirst && (FSize & (FSize - 1)) == 0);
        if (!full)
            return;
        const std::size_t capacity = FSize == 0 ? kFirst : 2 * static_cast<std::size_t>(FSize);
        auto* items = static_cast<TVexXMLNode**>(::operator new(sizeof(TVexXMLNode*) * capacity));
        if (FSize > 0)
            std::memcpy(items, FItems, sizeof(TVexXMLNode*) * static_cast<std::size_t>(FSize));
        ::operator delete(FItems);
        FItems = items;
    }
    void PushBack(TVexXMLNode* node) noexcept { FItems[FSize++] = node; }

    // Only while the list is being emptied: the capacity that the count
    // implies no longer holds until Release.
    void PopBack() noexcept { --FSize; }

    // Forgets the pointers and gives the memory back.
    void Release() noexcept
    {
        ::operator delete(FItems);
        FItems = nullptr;
        FSize = 0;
    }

private:
    static constexpr int kFirst = 4;

    TVexXMLNode** FItems = nullptr;
    int FSize = 0;
};

// A growable array of node pointers that does not own what it points at:
// the child list of a node. One pointer and one count: the capacity is not
// stored but follows from the count (4, then the next power of two), so an
// empty list, the state of every leaf, is 12 bytes and no allocation.
// A parsed document lends its nodes arrays of their exact size from its own
// memory; such a list moves to an array of its own when it grows.
#pragma once

#include <cstddef>
#include <cstring>
#include <new>

class TVexXMLNode;

class TVexNodeList {
public:
    TVexNodeList() noexcept = default;
    ~TVexNodeList() {
        if (!FBorrowed)
            ::operator delete(FItems);
    }
    TVexNodeList(const TVexNodeList&) = delete;
    TVexNodeList& operator=(const TVexNodeList&) = delete;

    int Size() const noexcept { return FSize; }
    TVexXMLNode* operator[](int i) const noexcept { return FItems[i]; }
    TVexXMLNode* Back() const noexcept { return FItems[FSize - 1]; }

    // Makes room for one more pointer; may throw std::bad_alloc and then
    // changes nothing. PushBack after it cannot fail.
    void ReserveOne() {
        // Full when the count has reached the capacity it implies.
        const bool full = FSize == 0 || (FSize >= kFirst && (FSize & (FSize - 1)) == 0);
        if (!full && !FBorrowed)
            return;
        // The capacity that the count after the push implies.
        std::size_t capacity = kFirst;
        while (capacity < static_cast<std::size_t>(FSize) + 1)
            capacity *= 2;
        auto* items = static_cast<TVexXMLNode**>(::operator new(sizeof(TVexXMLNode*) * capacity));
        if (FSize > 0)
            std::memcpy(items, FItems, sizeof(TVexXMLNode*) * static_cast<std::size_t>(FSize));
        if (!FBorrowed)
            ::operator delete(FItems);
        FItems = items;
        FBorrowed = false;
    }
    void PushBack(TVexXMLNode* node) noexcept { FItems[FSize++] = node; }

    // Only while the list is being emptied: the capacity that the count
    // implies no longer holds until Release.
    void PopBack() noexcept { --FSize; }

    // Forgets the pointers and gives the memory back.
    void Release() noexcept {
        if (!FBorrowed)
            ::operator delete(FItems);
        FItems = nullptr;
        FSize = 0;
        FBorrowed = false;
    }

    // Takes an empty list over to `size` pointers at `items`, memory that
    // someone else frees once the list is gone.
    void Borrow(TVexXMLNode** items, int size) noexcept {
        FItems = items;
        FSize = size;
        FBorrowed = true;
    }

private:
    static constexpr int kFirst = 4;

    TVexXMLNode** FItems = nullptr;
    int FSize : 31 = 0;
    unsigned FBorrowed : 1 = 0;  // FItems is lent, not allocated here
};

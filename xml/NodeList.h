// A growable array of node pointers that does not own what it points at:
// the child list of a node. Smaller than std::vector (one pointer and two
// 32-bit counts) and empty without any allocation, as most nodes are leaves.
#pragma once

#include <cstdlib>
#include <new>

class TVexXMLNode;

class TVexNodeList {
public:
    TVexNodeList() noexcept = default;
    ~TVexNodeList() { std::free(FItems); }
    TVexNodeList(const TVexNodeList&) = delete;
    TVexNodeList& operator=(const TVexNodeList&) = delete;

    int Size() const noexcept { return FSize; }
    TVexXMLNode* operator[](int i) const noexcept { return FItems[i]; }
    TVexXMLNode* Back() const noexcept { return FItems[FSize - 1]; }

    // Makes room for one more pointer; may throw std::bad_alloc and then
    // changes nothing. PushBack after it cannot fail.
    void ReserveOne()
    {
        if (FSize < FCapacity)
            return;
        const int capacity = FCapacity ? FCapacity * 2 : 2;
        void* items = std::realloc(FItems, sizeof(TVexXMLNode*) * static_cast<unsigned>(capacity));
        if (!items)
            throw std::bad_alloc();
        FItems = static_cast<TVexXMLNode**>(items);
        FCapacity = capacity;
    }
    void PushBack(TVexXMLNode* node) noexcept { FItems[FSize++] = node; }
    void PopBack() noexcept { --FSize; }

    // Forgets the pointers and gives the memory back.
    void Release() noexcept
    {
        std::free(FItems);
        FItems = nullptr;
        FSize = FCapacity = 0;
    }

private:
    TVexXMLNode** FItems = nullptr;
    int FSize = 0;
    int FCapacity = 0;
};

#include "xml/XmlArena.h"

#include "xml/HugePages.h"

#include <cstring>
#include <new>

namespace {

// Small blocks grow geometrically up to kMaxBlock and come from the heap,
// so a small document takes little. Once a document has taken kLargeAfter
// bytes it gets whole huge pages instead: a fresh page costs the kernel one
// fault whatever its size, and faults are most of what filling new memory
// costs.
constexpr std::size_t kMaxBlock = 32 * 1024;
constexpr std::size_t kHugeBlock = vexxml::kHugePage;
constexpr std::size_t kLargeAfter = 1024 * 1024;
constexpr std::size_t kHeader = 2 * sizeof(void*);

}  // namespace

void TVexXMLArena::ReleaseSpareBlocks() noexcept { vexxml::ReleaseSpareHugeBlocks(); }

struct TVexXMLArena::Block {
    Block* Previous;
    std::size_t MappedSize;  // 0: from operator new
};

void* TVexXMLArena::AllocateSlow(std::size_t size) {
    // Within a huge block, pieces up to a quarter of it are carved like any
    // other; larger ones, and those beyond a quarter of a small block or
    // beyond the room of the next one, get a block of their own.
    const bool inHugeBlock = FLast && FLast->MappedSize;
    if (size > (inHugeBlock ? kHugeBlock / 4 : kMaxBlock / 4) ||
        (!inHugeBlock && size > FNextSize - kHeader)) {
        auto* block = static_cast<Block*>(::operator new(kHeader + size));
        block->MappedSize = 0;
        FTaken += kHeader + size;
        if (FLast) {
            block->Previous = FLast->Previous;
            FLast->Previous = block;
        } else {
            block->Previous = nullptr;
            FLast = block;
            FCur = FEnd = reinterpret_cast<char*>(block) + kHeader;
        }
        return reinterpret_cast<char*>(block) + kHeader;
    }
    // A huge block that an earlier document left is used at once: it is in
    // place already, and the heap is not asked. A fresh one is mapped once
    // the document is large.
    std::size_t blockSize = kHugeBlock;
    auto* block = static_cast<Block*>(vexxml::TakeSpareHugeBlock());
    if (!block && FTaken >= kLargeAfter)
        block = static_cast<Block*>(vexxml::MapHugePages(kHugeBlock));
    if (block) {
        block->MappedSize = kHugeBlock;
    } else {
        blockSize = FNextSize;
        block = static_cast<Block*>(::operator new(blockSize));
        block->MappedSize = 0;
        if (FNextSize < kMaxBlock)
            FNextSize *= 2;
    }
    block->Previous = FLast;
    FLast = block;
    FTaken += blockSize;
    FCur = reinterpret_cast<char*>(block) + kHeader;
    FEnd = reinterpret_cast<char*>(block) + blockSize;
    void* p = FCur;
    FCur += size;
    return p;
}

std::string_view TVexXMLArena::KeepInNewBlock(std::string_view text) {
    auto* p = static_cast<char*>(AllocateSlow(text.size()));
    vexxml::CopyBytes(p, text.data(), text.size());
    return {p, text.size()};
}

void TVexXMLArena::Rewind(const TMark& mark) noexcept {
    if (FLast == mark.Block)
        FCur = mark.Cur;
    else if (FLast)  // begun after the mark: all of it is free again
        FCur = reinterpret_cast<char*>(FLast) + kHeader;
}

void TVexXMLArena::Release() noexcept {
    while (FLast) {
        Block* previous = FLast->Previous;
        if (FLast->MappedSize) {
            if (!vexxml::KeepSpareHugeBlock(FLast))
                vexxml::UnmapPages(FLast, FLast->MappedSize);
        } else
            ::operator delete(FLast);
        FLast = previous;
    }
    FCur = FEnd = nullptr;
    FNextSize = 4096;
    FTaken = 0;
}

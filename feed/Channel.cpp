#include "feed/Channel.h"

#include "xml/HugePages.h"

#include <algorithm>
#include <new>

namespace {

// Blocks grow to 128 KiB on the heap, so a small channel takes little, and
// then are one huge page each, so a large one takes few blocks and faults,
// each of which the next channel or document may use again. A text beyond
// the next block's size gets one of its own.
constexpr std::size_t kLastHeapBlock = 128 * 1024;
constexpr std::size_t kLargestBlock = vexxml::kHugePage;

// An item array this large or larger is mapped whole.
constexpr std::size_t kMappedItems = 1024 * 1024;

std::size_t MappedSize(std::size_t bytes) {
    return (bytes + vexxml::kHugePage - 1) & ~(vexxml::kHugePage - 1);
}

}  // namespace

void* AllocateItemArray(std::size_t bytes) {
    if (bytes < kMappedItems)
        return ::operator new(bytes);
    void* array = vexxml::MapHugePages(MappedSize(bytes));
    if (!array)
        throw std::bad_alloc();
    return array;
}

void FreeItemArray(void* array, std::size_t bytes) noexcept {
    if (bytes < kMappedItems)
        ::operator delete(array);
    else
        vexxml::UnmapPages(array, MappedSize(bytes));
}

TTextStore::TBlock::~TBlock() {
    if (MappedSize == vexxml::kHugePage && vexxml::KeepSpareHugeBlock(Data))
        return;
    if (MappedSize)
        vexxml::UnmapPages(Data, MappedSize);
    else
        delete[] Data;
}

char* TTextStore::Reserve(std::size_t size) {
    if (static_cast<std::size_t>(FEnd - FCur) >= size)
        return FCur;
    std::size_t blockSize = std::max(size, FNextBlock);
    FNextBlock = FNextBlock >= kLastHeapBlock ? kLargestBlock : 2 * FNextBlock;
    FBlocks.reserve(FBlocks.size() + 1);
    // A large block in huge pages: writing fresh memory costs a fault per
    // page, and the texts of a large channel fill many. Not zeroed: only
    // what is written is kept.
    char* data = nullptr;
    std::size_t mapped = 0;
    if (blockSize == vexxml::kHugePage)
        data = static_cast<char*>(vexxml::TakeSpareHugeBlock());
    if (!data && blockSize >= vexxml::kHugePage) {
        blockSize = (blockSize + vexxml::kHugePage - 1) & ~(vexxml::kHugePage - 1);
        data = static_cast<char*>(vexxml::MapHugePages(blockSize));
    }
    if (data)
        mapped = blockSize;
    if (!data)
        data = new char[blockSize];
    FBlocks.emplace_back(data, mapped);
    FCur = data;
    FEnd = data + blockSize;
    return FCur;
}

void TTextStore::Clear() noexcept {
    std::vector<TBlock>().swap(FBlocks);
    FCur = FEnd = nullptr;
    FNextBlock = kFirstBlock;
}

void TRSS::Clear() noexcept {
    Encoding = Title = Link = Description = Language = Malformed = {};
    TRSSItems().swap(News);
    Texts.Clear();
}

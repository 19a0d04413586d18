#include "feed/Channel.h"

#include "xml/HugePages.h"

#include <algorithm>

namespace {

// Blocks grow to one huge page, so a small channel takes little and a large
// one few blocks, each of which the next channel or document may use again.
// A text beyond the next block's size gets one of its own.
constexpr std::size_t kLargestBlock = vexxml::kHugePage;

}  // namespace

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
    FNextBlock = std::min(2 * FNextBlock, kLargestBlock);
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
    Encoding = Title = Link = Description = Language = {};
    std::vector<TRSSItem>().swap(News);
    Texts.Clear();
}

#include "feed/Channel.h"

#include <algorithm>
#include <cstring>

namespace {

// Blocks grow to 4 MiB, so a small channel takes little and a large one few
// blocks. A text beyond the next block's size gets one of its own.
constexpr std::size_t kLargestBlock = 4 * 1024 * 1024;

}  // namespace

char* TTextStore::Reserve(std::size_t size) {
    if (static_cast<std::size_t>(FEnd - FCur) >= size)
        return FCur;
    const std::size_t blockSize = std::max(size, FNextBlock);
    FNextBlock = std::min(2 * FNextBlock, kLargestBlock);
    FBlocks.reserve(FBlocks.size() + 1);
    // Not zeroed: only what is written is kept.
    FBlocks.emplace_back(new char[blockSize]);
    FCur = FBlocks.back().get();
    FEnd = FCur + blockSize;
    return FCur;
}

std::string_view TTextStore::Keep(std::string_view text) {
    char* p = Reserve(text.size());
    if (!text.empty())
        std::memcpy(p, text.data(), text.size());
    return KeepWritten(p + text.size());
}

void TTextStore::Clear() noexcept {
    std::vector<std::unique_ptr<char[]>>().swap(FBlocks);
    FCur = FEnd = nullptr;
    FNextBlock = kFirstBlock;
}

void TRSS::Clear() noexcept {
    Encoding = Title = Link = Description = Language = {};
    std::vector<TRSSItem>().swap(News);
    Texts.Clear();
}

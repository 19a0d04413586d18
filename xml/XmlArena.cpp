#include "xml/XmlArena.h"

#include <cstring>
#include <new>

namespace {

// Blocks grow geometrically to this size, so a small document takes little
// and a large one few blocks.
constexpr std::size_t kMaxBlock = 1024 * 1024;
constexpr std::size_t kHeader = alignof(std::max_align_t);

} // namespace

void* TVexXMLArena::AllocateSlow(std::size_t size)
{
    std::size_t blockSize = FNextSize;
    if (size > kMaxBlock / 4) {
        // A large piece gets a block of its own, and the current block stays.
        auto* block = static_cast<Block*>(::operator new(kHeader + size));
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
    while (blockSize < kHeader + size)
        blockSize *= 2;
    auto* block = static_cast<Block*>(::operator new(blockSize));
    block->Previous = FLast;
    FLast = block;
    FCur = reinterpret_cast<char*>(block) + kHeader;
    FEnd = reinterpret_cast<char*>(block) + blockSize;
    if (FNextSize < kMaxBlock)
        FNextSize *= 2;
    void* p = FCur;
    FCur += size;
    return p;
}

std::string_view TVexXMLArena::Keep(std::string_view text)
{
    if (text.empty())
        return {};
    // Texts need no alignment: carved byte-exact from the current block.
    if (static_cast<std::size_t>(FEnd - FCur) >= text.size()) {
        char* p = FCur;
        FCur += text.size();
        std::memcpy(p, text.data(), text.size());
        return {p, text.size()};
    }
    auto* p = static_cast<char*>(AllocateSlow(text.size()));
    std::memcpy(p, text.data(), text.size());
    return {p, text.size()};
}

void TVexXMLArena::Release() noexcept
{
    while (FLast) {
        Block* previous = FLast->Previous;
        ::operator delete(FLast);
        FLast = previous;
    }
    FCur = FEnd = nullptr;
    FNextSize = 4096;
}

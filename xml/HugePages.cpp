#include "xml/HugePages.h"

#include <sys/mman.h>

#include <cstdint>
#include <mutex>

namespace vexxml {

void* MapHugePages(std::size_t size) noexcept {
    // Map one huge page more than asked and cut off what lies outside the
    // aligned block.
    const std::size_t mapped = size + kHugePage;
    void* p = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return nullptr;
    auto* start = static_cast<char*>(p);
    const auto address = reinterpret_cast<std::uintptr_t>(start);
    auto* aligned = reinterpret_cast<char*>((address + kHugePage - 1) & ~(kHugePage - 1));
    if (aligned != start)
        ::munmap(start, static_cast<std::size_t>(aligned - start));
    if (char* tail = aligned + size; tail != start + mapped)
        ::munmap(tail, static_cast<std::size_t>(start + mapped - tail));
#ifdef MADV_HUGEPAGE
    ::madvise(aligned, size, MADV_HUGEPAGE);
#endif
    return aligned;
}

void UnmapPages(void* block, std::size_t size) noexcept { ::munmap(block, size); }

namespace {

constexpr std::size_t kMaxSpareBlocks = 128;
std::mutex gSpareMutex;
void* gSpare[kMaxSpareBlocks];
std::size_t gSpareCount = 0;

}  // namespace

void* TakeSpareHugeBlock() noexcept {
    const std::lock_guard lock(gSpareMutex);
    return gSpareCount ? gSpare[--gSpareCount] : nullptr;
}

bool KeepSpareHugeBlock(void* block) noexcept {
    const std::lock_guard lock(gSpareMutex);
    if (gSpareCount == kMaxSpareBlocks)
        return false;
    gSpare[gSpareCount++] = block;
    return true;
}

void ReleaseSpareHugeBlocks() noexcept {
    const std::lock_guard lock(gSpareMutex);
    while (gSpareCount)
        UnmapPages(gSpare[--gSpareCount], kHugePage);
}

}  // namespace vexxml

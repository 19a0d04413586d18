// Large blocks of fresh memory backed by huge pages where the system allows.
// Filling fresh memory costs the kernel a fault per page, and most of that
// cost is per fault, not per byte, so large texts and documents take their
// memory in huge pages.
#pragma once

#include <cstddef>

namespace vexxml {

inline constexpr std::size_t kHugePage = 2 * 1024 * 1024;

// `size` bytes, a multiple of kHugePage, aligned to kHugePage; nullptr when
// the system has no such memory to give.
void* MapHugePages(std::size_t size) noexcept;
void UnmapPages(void* block, std::size_t size) noexcept;

// Blocks of one huge page that their owner is done with (a document gone, a
// channel's texts), kept for the next: a program that loads one document
// after another then fills memory that is in place already instead of
// having the kernel fault fresh pages in. Bounded (256 MB), shared by the
// process, and given back whole by ReleaseSpareHugeBlocks.
// Take gives nullptr when none is kept; Keep gives false when the bound is
// reached, and the caller unmaps the block then.
void* TakeSpareHugeBlock() noexcept;
bool KeepSpareHugeBlock(void* block) noexcept;
void ReleaseSpareHugeBlocks() noexcept;

}  // namespace vexxml

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

}  // namespace vexxml

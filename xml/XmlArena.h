// Memory that a parsed document hands out to its nodes and their texts:
// large blocks carved from front to back and given back all at once. Nothing
// carved is freed on its own; whoever places objects here runs their
// destructors before the arena lets the blocks go.
#pragma once

#include "xml/CopyBytes.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

class TVexXMLArena {
public:
    TVexXMLArena() noexcept = default;
    ~TVexXMLArena() { Release(); }
    TVexXMLArena(const TVexXMLArena&) = delete;
    TVexXMLArena& operator=(const TVexXMLArena&) = delete;

    // `size` bytes aligned for an object of at most pointer alignment;
    // may throw std::bad_alloc.
    void* Allocate(std::size_t size) {
        const auto address = (reinterpret_cast<std::uintptr_t>(FCur) + kAlign - 1) & ~(kAlign - 1);
        char* p = reinterpret_cast<char*>(address);
        if (p > FEnd || static_cast<std::size_t>(FEnd - p) < size)
            return AllocateSlow(size);
        FCur = p + size;
        return p;
    }

    // A copy of `text` kept until Release; no terminating NUL.
    std::string_view Keep(std::string_view text) {
        // Texts need no alignment: carved byte-exact from the current block.
        if (static_cast<std::size_t>(FEnd - FCur) < text.size())
            return KeepInNewBlock(text);
        char* p = FCur;
        FCur += text.size();
        vexxml::CopyBytes(p, text.data(), text.size());
        return {p, text.size()};
    }

    // The unused rest of the current block, where a text may be written in
    // place; KeepWritten then keeps its first `size` bytes as Keep would.
    char* FreeBegin() const noexcept { return FCur; }
    char* FreeEnd() const noexcept { return FEnd; }
    std::string_view KeepWritten(std::size_t size) noexcept {
        char* p = FCur;
        FCur += size;
        return {p, size};
    }

    // Where the arena stands. Rewind to a mark reuses the room carved since
    // (the current block's; a block that grew full since is kept until
    // Release): for a subtree that was read and is not wanted any more.
    struct TMark {
        const void* Block;
        char* Cur;
    };
    TMark Mark() const noexcept { return {FLast, FCur}; }
    void Rewind(const TMark& mark) noexcept;

    // Gives every block back. Huge blocks are kept, up to a bound, for the
    // next arena of the process.
    void Release() noexcept;

    // Returns the kept huge blocks to the system.
    static void ReleaseSpareBlocks() noexcept;

private:
    static constexpr std::size_t kAlign = alignof(void*);

    void* AllocateSlow(std::size_t size);
    std::string_view KeepInNewBlock(std::string_view text);

    struct Block;
    char* FCur = nullptr;
    char* FEnd = nullptr;
    Block* FLast = nullptr;
    std::size_t FNextSize = 4096;  // grows up to kMaxBlock
    std::size_t FTaken = 0;        // the size of every block
};

// The channel on show and its news items.
#pragma once

#include "base/Dates.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>
#include <string_view>
#include <utility>
#include <vector>

// Texts kept in large blocks, written once and given back all at once: a
// channel's texts cost no allocation each. A kept text never moves, also
// when the store itself is moved.
class TTextStore {
public:
    TTextStore() = default;
    TTextStore(TTextStore&& other) noexcept { *this = std::move(other); }
    TTextStore& operator=(TTextStore&& other) noexcept {
        FBlocks = std::move(other.FBlocks);
        FCur = std::exchange(other.FCur, nullptr);
        FEnd = std::exchange(other.FEnd, nullptr);
        FNextBlock = std::exchange(other.FNextBlock, kFirstBlock);
        other.FBlocks.clear();
        return *this;
    }

    // Room for `size` bytes to write a text into; KeepWritten then keeps
    // its first bytes. Good until the next Reserve.
    char* Reserve(std::size_t size);
    std::string_view KeepWritten(const char* end) noexcept {
        const std::string_view text(FCur, static_cast<std::size_t>(end - FCur));
        FCur += text.size();
        return text;
    }

    // A copy of the text, kept.
    std::string_view Keep(std::string_view text) {
        if (text.empty())
            return {};
        char* room = Reserve(text.size());
        std::memcpy(room, text.data(), text.size());
        return KeepWritten(room + text.size());
    }

    // A copy of the objects, kept with the texts.
    template <typename T>
    std::span<const T> KeepArray(std::span<const T> objects) {
        static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
        if (objects.empty())
            return {};
        char* room = Reserve(objects.size_bytes() + alignof(T) - 1);
        const std::size_t skip =
            (alignof(T) - reinterpret_cast<std::uintptr_t>(room) % alignof(T)) % alignof(T);
        char* at = room + skip;
        std::memcpy(at, objects.data(), objects.size_bytes());
        KeepWritten(at + objects.size_bytes());
        return {reinterpret_cast<const T*>(at), objects.size()};
    }

    // Frees every block; every kept text is gone.
    void Clear() noexcept;

private:
    static constexpr std::size_t kFirstBlock = 16 * 1024;

    // Memory from the heap, or, for a large store, huge pages mapped whole.
    struct TBlock {
        char* Data = nullptr;
        std::size_t MappedSize = 0;  // 0: from the heap
        TBlock(char* data, std::size_t mappedSize) noexcept : Data(data), MappedSize(mappedSize) {}
        TBlock(TBlock&& other) noexcept
            : Data(std::exchange(other.Data, nullptr)), MappedSize(std::exchange(other.MappedSize, 0)) {}
        TBlock& operator=(TBlock&&) = delete;
        ~TBlock();
    };

    std::vector<TBlock> FBlocks;
    char* FCur = nullptr;
    char* FEnd = nullptr;
    std::size_t FNextBlock = kFirstBlock;
};

// What a channel document was read as, by its root element's name.
enum class TChannelFormat { cfUnsupported, cfRss, cfAtom };

// A file that an item carries (a podcast's episode): an RSS enclosure, an
// Atom link of rel "enclosure", a Media RSS content. Texts as the item's.
struct TEnclosure {
    std::string_view Url;
    std::string_view Type;     // a MIME type, or empty
    std::uint64_t Length = 0;  // in bytes; 0 when unknown
};

// One news item: an RSS item or an Atom entry. Texts are UTF-8, kept by the
// channel that the item belongs to, and so are its enclosures.
struct TRSSItem {
    std::string_view Category;
    std::string_view Title;
    std::string_view Description;
    std::string_view Link;
    std::string_view Guid;
    double Date = kNoDate;  // whole days from 1899-12-30
    std::span<const TEnclosure> Enclosures;
};

// Memory for the items of a channel: an array of a megabyte or more in huge
// pages, as the texts' large blocks are (a fresh page costs a fault, and
// faults are most of what filling fresh memory costs); a smaller one from the
// heap. Raises std::bad_alloc when there is no memory.
void* AllocateItemArray(std::size_t bytes);
void FreeItemArray(void* array, std::size_t bytes) noexcept;

template <typename T>
struct TItemAllocator {
    using value_type = T;
    TItemAllocator() noexcept = default;
    template <typename U>
    TItemAllocator(const TItemAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) { return static_cast<T*>(AllocateItemArray(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept { FreeItemArray(p, n * sizeof(T)); }
    friend bool operator==(const TItemAllocator&, const TItemAllocator&) noexcept { return true; }
};

using TRSSItems = std::vector<TRSSItem, TItemAllocator<TRSSItem>>;

// A channel record owns its texts: it moves, but is not copied.
struct TRSS {
    TRSS() = default;
    TRSS(TRSS&&) noexcept = default;
    TRSS& operator=(TRSS&&) noexcept = default;

    std::string_view Encoding;  // as written in the XML declaration
    std::string_view Title;
    std::string_view Link;
    std::string_view Description;
    std::string_view Language;
    // Empty, or for a document that is not well-formed XML and was read in
    // the parser's recovering mode, the strict parse's message (what was
    // wrong, and where).
    std::string_view Malformed;
    TRSSItems News;
    TTextStore Texts;

    // No texts and no items, their memory given back.
    void Clear() noexcept;
};

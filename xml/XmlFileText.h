// Reading an XML file into the text the parser sees.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vexxml {

// A NUL-terminated 8-bit text that grows at its end; a large one lives in
// huge pages.
class TFileText {
public:
    TFileText() noexcept = default;
    ~TFileText() { Free(); }
    TFileText(TFileText&& other) noexcept;
    TFileText& operator=(TFileText&&) = delete;

    const char* Data() const noexcept { return FData ? FData : ""; }
    std::size_t Size() const noexcept { return FSize; }
    bool Empty() const noexcept { return FSize == 0; }
    std::string_view View() const noexcept { return {Data(), FSize}; }

    // Room for `count` more characters after the text; may throw
    // std::bad_alloc. Commit makes the first `count` of them part of it.
    char* Room(std::size_t count);
    void Commit(std::size_t count) noexcept {
        FSize += count;
        FData[FSize] = '\0';
    }
    void Append(const char* from, const char* to);

    // For a text in huge pages: the start of the page that `p` is on, and
    // giving back the memory of the whole pages before such a start, which
    // must not be read again. A text on the heap gives nothing back.
    const char* PageStart(const char* p) const noexcept;
    void DiscardBefore(const char* pageStart) noexcept;

private:
    void Free() noexcept;

    char* FData = nullptr;
    std::size_t FSize = 0;
    std::size_t FCapacity = 0;  // with the NUL
    bool FMapped = false;
    char* FKept = nullptr;  // a text in huge pages is still there from here on
};

// ReadFileAsCrLfText into a TFileText.
TFileText ReadFileText(const std::string& fileName);

// The file's text up to its first NUL byte, with every line break (CR LF, a
// lone CR or a lone LF) written as CR LF and a CR LF after a last line that
// has none. An empty file, or one that begins with NUL, gives "".
// Raises EInOutError naming the file and the system's reason when the file
// cannot be opened or read.
std::string ReadFileAsCrLfText(const std::string& fileName);

}  // namespace vexxml

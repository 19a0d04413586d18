#include "xml/XmlFileText.h"

#include "base/Exceptions.h"
#include "xml/CountByte.h"
#include "xml/HugePages.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace vexxml {

namespace {

constexpr char kCrLf[] = "\r\n";

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

[[noreturn]] void RaiseFileError(const char* what, const std::string& fileName, int error) {
    throw EInOutError(std::string(what) + " \"" + fileName + "\". " + std::strerror(error));
}

// The line breaks of one piece of the file, found with memchr. Each search
// starts where the last one of its character ended, so every byte is
// looked at once per character however short the lines are.
class TBreakFinder {
public:
    explicit TBreakFinder(const char* end) : FEnd(end), FCr(nullptr), FLf(nullptr) {}

    // The end of the longest run from p made of characters and CR LF pairs:
    // the place of the first lone LF, of the first lone CR, or of a CR that
    // ends the piece (its LF may begin the next one), else the end. Such a
    // run is already in the form the text wants and can be copied as it is.
    const char* CrLfLinesEnd(const char* p) {
        for (;;) {
            const char* cr = Next(FCr, '\r', p);
            const char* lf = Next(FLf, '\n', p);
            if (lf < cr)
                return lf;
            if (cr == FEnd)
                return FEnd;
            if (cr + 1 == FEnd || cr[1] != '\n')
                return cr;
            p = cr + 2;
        }
    }

private:
    // The first c at or after p (FEnd when there is none), from the cache
    // while p has not passed it.
    const char* Next(const char*& cached, char c, const char* p) const {
        if (!cached || cached < p) {
            const void* found = std::memchr(p, c, static_cast<std::size_t>(FEnd - p));
            cached = found ? static_cast<const char*>(found) : FEnd;
        }
        return cached;
    }

    const char* FEnd;
    const char* FCr;
    const char* FLf;
};

// Copies n characters without CR to `out`, each LF as CR LF; returns the
// end of the copy.
char* WithCrLf(const char* in, std::size_t n, char* out) {
    const char* const end = in + n;
    for (;;) {
        const auto* lf = static_cast<const char*>(std::memchr(in, '\n', static_cast<std::size_t>(end - in)));
        const char* stop = lf ? lf : end;
        std::memcpy(out, in, static_cast<std::size_t>(stop - in));
        out += stop - in;
        if (!lf)
            return out;
        out[0] = '\r';
        out[1] = '\n';
        out += 2;
        in = lf + 1;
    }
}

}  // namespace

TFileText::TFileText(TFileText&& other) noexcept
    : FData(other.FData), FSize(other.FSize), FCapacity(other.FCapacity), FMapped(other.FMapped),
      FKept(other.FKept) {
    other.FData = other.FKept = nullptr;
    other.FSize = other.FCapacity = 0;
    other.FMapped = false;
}

void TFileText::Free() noexcept {
    if (FMapped)
        UnmapPages(FKept, FCapacity - static_cast<std::size_t>(FKept - FData));
    else
        delete[] FData;
}

char* TFileText::Room(std::size_t count) {
    const std::size_t needed = FSize + count + 1;
    if (needed > FCapacity) {
        std::size_t capacity = FCapacity * 2 > needed ? FCapacity * 2 : needed;
        char* data = nullptr;
        bool mapped = false;
        if (capacity >= kHugePage / 2) {
            capacity = (capacity + kHugePage - 1) & ~(kHugePage - 1);
            data = static_cast<char*>(MapHugePages(capacity));
            mapped = data != nullptr;
        }
        if (!data)
            data = new char[capacity];
        if (FSize > 0)
            std::memcpy(data, FData, FSize);
        data[FSize] = '\0';
        Free();
        FData = data;
        FCapacity = capacity;
        FMapped = mapped;
        FKept = data;
    }
    return FData + FSize;
}

const char* TFileText::PageStart(const char* p) const noexcept {
    if (!FMapped)
        return FData;
    const auto offset = static_cast<std::size_t>(p - FData);
    return FData + (offset & ~(kHugePage - 1));
}

void TFileText::DiscardBefore(const char* pageStart) noexcept {
    if (!FMapped || pageStart <= FKept)
        return;
    UnmapPages(FKept, static_cast<std::size_t>(pageStart - FKept));
    FKept = FData + (pageStart - FData);
}

void TFileText::Append(const char* from, const char* to) {
    const auto count = static_cast<std::size_t>(to - from);
    std::memcpy(Room(count), from, count);
    Commit(count);
}

std::string ReadFileAsCrLfText(const std::string& fileName) {
    return std::string(ReadFileText(fileName).View());
}

TFileText ReadFileText(const std::string& fileName) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "rb"));
    if (!file)
        RaiseFileError("Cannot open file", fileName, errno);

    static constexpr std::size_t kChunk = 64 * 1024;
    TFileText text;
    struct stat info {};
    if (::fstat(::fileno(file.get()), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        // Room for the file, a few added CRs and the read that finds its
        // end; lone LFs beyond that grow it.
        const auto size = static_cast<std::size_t>(info.st_size);
        text.Room(size + size / 32 + kChunk);
    }

    std::unique_ptr<char[]> buffer;
    bool afterCr = false;   // the last chunk ended with a CR: skip a LF that follows it
    bool lineOpen = false;  // characters have come since the last line break
    for (;;) {
        // A chunk is read straight into the text and stays there when its
        // line breaks, if any, are all CR LF; otherwise it is rewritten from
        // a copy.
        char* room = text.Room(kChunk);
        const std::size_t count = std::fread(room, 1, kChunk, file.get());
        if (count == 0) {
            if (std::ferror(file.get()))
                RaiseFileError("Cannot read file", fileName, errno);
            break;
        }
        const bool plain = !afterCr && !std::memchr(room, '\0', count);
        const bool noCr = plain && !std::memchr(room, '\r', count);
        const std::size_t lineFeeds = noCr ? CountByte(room, room + count, '\n') : 0;
        if (plain &&
            (noCr ? lineFeeds == 0 : TBreakFinder(room + count).CrLfLinesEnd(room) == room + count)) {
            text.Commit(count);
            lineOpen = room[count - 1] != '\n';
            continue;
        }
        if (!buffer)
            buffer.reset(new char[kChunk]);
        std::memcpy(buffer.get(), room, count);
        if (noCr) {
            // Lines that end in LF alone, as files written on Unix have them.
            char* out = text.Room(count + lineFeeds);
            text.Commit(static_cast<std::size_t>(WithCrLf(buffer.get(), count, out) - out));
            lineOpen = buffer[count - 1] != '\n';
            continue;
        }
        const char* p = buffer.get();
        const char* end = p + count;
        const char* nul = static_cast<const char*>(std::memchr(p, '\0', count));
        if (nul)
            end = nul;
        if (afterCr && p != end && *p == '\n')
            ++p;
        afterCr = false;
        TBreakFinder breaks(end);
        while (p != end) {
            // Lines that end in CR LF already go over many at a time.
            if (const char* run = breaks.CrLfLinesEnd(p); run != p) {
                text.Append(p, run);
                lineOpen = run[-1] != '\n';
                p = run;
                if (p == end)
                    break;
            }
            const char* q = p;
            while (q != end && *q != '\r' && *q != '\n')
                ++q;
            if (q != p) {
                text.Append(p, q);
                lineOpen = true;
            }
            if (q == end)
                break;
            text.Append(kCrLf, kCrLf + 2);
            lineOpen = false;
            if (*q == '\r') {
                if (q + 1 != end) {
                    if (q[1] == '\n')
                        ++q;
                } else {
                    afterCr = true;
                }
            }
            p = q + 1;
        }
        if (nul)
            break;
    }
    if (lineOpen)
        text.Append(kCrLf, kCrLf + 2);
    return text;
}

}  // namespace vexxml

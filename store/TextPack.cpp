#include "store/TextPack.h"

#include <zlib.h>

#include <cstdint>

namespace {

// The first byte says how the rest is kept: as it is, or deflated after
// four bytes of its length.
constexpr char kPlain = 'p';
constexpr char kDeflated = 'z';

// Short texts seldom shrink.
constexpr std::size_t kWorthPacking = 96;

}  // namespace

std::string PackText(std::string_view text) {
    std::string packed;
    if (text.size() >= kWorthPacking && text.size() < (std::uint64_t{1} << 32)) {
        uLongf room = compressBound(static_cast<uLong>(text.size()));
        packed.resize(5 + room);
        if (compress2(reinterpret_cast<Bytef*>(packed.data() + 5), &room,
                      reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size()),
                      6) == Z_OK &&
            room + 5 < text.size() + 1) {
            packed[0] = kDeflated;
            const auto size = static_cast<std::uint32_t>(text.size());
            for (int i = 0; i < 4; ++i)
                packed[static_cast<std::size_t>(1 + i)] = static_cast<char>((size >> (8 * i)) & 0xff);
            packed.resize(5 + room);
            return packed;
        }
    }
    packed.assign(1, kPlain);
    packed.append(text);
    return packed;
}

std::string UnpackText(std::string_view packed) {
    if (packed.empty())
        return {};
    if (packed[0] != kDeflated || packed.size() < 5)
        return std::string(packed.substr(1));
    std::uint32_t size = 0;
    for (int i = 0; i < 4; ++i)
        size |=
            static_cast<std::uint32_t>(static_cast<unsigned char>(packed[static_cast<std::size_t>(1 + i)]))
            << (8 * i);
    std::string text(size, '\0');
    uLongf written = size;
    const int result =
        uncompress(reinterpret_cast<Bytef*>(text.data()), &written,
                   reinterpret_cast<const Bytef*>(packed.data() + 5), static_cast<uLong>(packed.size() - 5));
    text.resize(result == Z_OK || result == Z_BUF_ERROR || result == Z_DATA_ERROR ? written : 0);
    return text;
}

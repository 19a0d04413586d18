#include "store/ItemKey.h"

#include <algorithm>
#include <bit>
#include <string_view>
#include <unordered_set>

namespace {

// FNV-1a over the texts, each closed by a byte no UTF-8 text holds, so that
// ("ab", "c") and ("a", "bc") differ; then mixed so that the low bits spread.
class THash {
public:
    explicit THash(char kind) { Add(std::string_view(&kind, 1)); }
    THash& Add(std::string_view text) {
        for (const char c : text) {
            value_ ^= static_cast<unsigned char>(c);
            value_ *= 0x100000001b3ull;
        }
        value_ ^= 0xffu;
        value_ *= 0x100000001b3ull;
        return *this;
    }
    THash& Add(double date) {
        const std::uint64_t bits = IsNoDate(date) ? 0 : std::bit_cast<std::uint64_t>(date);
        value_ ^= bits;
        value_ *= 0x100000001b3ull;
        return *this;
    }
    std::int64_t Value() const {
        std::uint64_t x = value_;
        x ^= x >> 33;
        x *= 0xff51afd7ed558ccdull;
        x ^= x >> 33;
        // 0 stands for "no key".
        return x == 0 ? 1 : static_cast<std::int64_t>(x);
    }

private:
    std::uint64_t value_ = 0xcbf29ce484222325ull;
};

}  // namespace

std::vector<std::int64_t> ItemKeys(const TRSSItems& items) {
    std::vector<std::int64_t> keys;
    keys.reserve(items.size());
    std::unordered_set<std::int64_t> taken;
    taken.reserve(items.size() * 2);
    for (const TRSSItem& item : items) {
        std::int64_t key;
        if (!item.Guid.empty()) {
            key = THash('g').Add(item.Guid).Value();
            if (taken.contains(key))
                key = THash('r').Add(item.Guid).Add(item.Link).Value();
        } else if (!item.Link.empty()) {
            key = THash('l').Add(item.Link).Value();
        } else {
            key = THash('t').Add(item.Title).Add(item.Description).Value();
        }
        keys.push_back(taken.insert(key).second ? key : 0);
    }
    return keys;
}

std::int64_t ItemFingerprint(const TRSSItem& item) {
    THash hash('f');
    hash.Add(item.Category)
        .Add(item.Title)
        .Add(item.Description)
        .Add(item.Link)
        .Add(item.Guid)
        .Add(item.Date);
    // Items without enclosures keep the fingerprint they had before
    // enclosures were kept.
    if (!item.Enclosures.empty())
        hash.Add(EnclosuresText(item));
    return hash.Value();
}

namespace {

void AppendField(std::string& text, std::string_view field) {
    for (const char c : field)
        text += c == '\t' || c == '\n' || c == '\r' ? ' ' : c;
}

}  // namespace

std::string EnclosuresText(const TRSSItem& item) {
    std::string text;
    for (const TEnclosure& enclosure : item.Enclosures) {
        AppendField(text, enclosure.Url);
        text += '\t';
        AppendField(text, enclosure.Type);
        text += '\t';
        text += std::to_string(enclosure.Length);
        text += '\n';
    }
    return text;
}

std::vector<TStoredEnclosure> EnclosuresOf(std::string_view text) {
    std::vector<TStoredEnclosure> enclosures;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::size_t first = line.find('\t');
        const std::size_t second = first == std::string_view::npos ? first : line.find('\t', first + 1);
        if (second == std::string_view::npos)
            continue;
        TStoredEnclosure& enclosure = enclosures.emplace_back();
        enclosure.Url = line.substr(0, first);
        enclosure.Type = line.substr(first + 1, second - first - 1);
        for (const char c : line.substr(second + 1))
            if (c >= '0' && c <= '9' && enclosure.Length < (UINT64_MAX - 9) / 10)
                enclosure.Length = enclosure.Length * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return enclosures;
}

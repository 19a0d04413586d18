#include "ui/NewsOrder.h"

#include "ui/QtText.h"

#include <QCollator>

#include <algorithm>
#include <numeric>

namespace {

bool NewerFirst(const TNewsKey& a, const TNewsKey& b) {
    const bool aDated = !IsNoDate(a.Date);
    const bool bDated = !IsNoDate(b.Date);
    if (aDated != bDated)
        return aDated;
    if (aDated && a.Date != b.Date)
        return a.Date > b.Date;
    return a.Rank > b.Rank;
}

}  // namespace

std::vector<std::size_t> NewsOrder(const std::vector<TNewsKey>& keys, TNewsSort sort) {
    std::vector<std::size_t> order(keys.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (sort.Column == ncTitle || sort.Column == ncCategory) {
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        collator.setNumericMode(true);
        std::vector<QCollatorSortKey> texts;
        texts.reserve(keys.size());
        for (const TNewsKey& key : keys)
            texts.push_back(collator.sortKey(ToQString(sort.Column == ncTitle ? key.Title : key.Category)));
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            const int compared = texts[a].compare(texts[b]);
            return compared != 0 ? compared < 0 : NewerFirst(keys[a], keys[b]);
        });
        if (sort.Descending)
            std::reverse(order.begin(), order.end());
        return order;
    }
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return NewerFirst(keys[a], keys[b]); });
    if (!sort.Descending)
        std::reverse(order.begin(), order.end());
    return order;
}

#include "ui/ChannelEditing.h"

#include "ui/QtText.h"

#include <algorithm>

bool TRemovalUndo::RemoveSelected(TListBox& list) {
    std::vector<std::pair<int, std::string>> removed;
    for (int i = 0; i < list.Count(); ++i)
        if (list.Selected(i))
            removed.emplace_back(i, list.Items(i));
    if (removed.empty())
        return false;
    for (auto entry = removed.rbegin(); entry != removed.rend(); ++entry)
        list.Delete(entry->first);
    removed_ = std::move(removed);
    return true;
}

bool TRemovalUndo::Undo(TListBox& list) {
    if (removed_.empty())
        return false;
    // First to last, each at its old place: the earlier ones are back
    // before a later one goes in, so every place is as it was.
    list.clearSelection();
    for (const auto& [place, text] : removed_)
        list.Insert(std::min(place, list.Count()), text);
    int first = -1;
    for (const auto& [place, text] : removed_) {
        const int at = std::min(place, list.Count() - 1);
        if (first < 0)
            first = at;
        list.item(at)->setSelected(true);
    }
    list.setCurrentRow(first, QItemSelectionModel::Select);
    list.scrollToItem(list.item(first));
    removed_.clear();
    return true;
}

TFoldedAddresses::TFoldedAddresses(const std::vector<std::string>& addresses) {
    folded_.reserve(static_cast<qsizetype>(addresses.size()));
    for (const std::string& address : addresses)
        folded_.insert(ToQString(address).toCaseFolded());
}

bool TFoldedAddresses::Insert(const std::string& address) {
    const QString key = ToQString(address).toCaseFolded();
    if (folded_.contains(key))
        return false;
    folded_.insert(key);
    return true;
}

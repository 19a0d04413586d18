// Edits of the channel list that the window offers beside adding: removing
// the selected entries so that the removal can be undone, importing in bulk.
#pragma once

#include "ui/Controls.h"

#include <QSet>
#include <QString>

#include <string>
#include <utility>
#include <vector>

// The last removal from the list, kept so that it can be undone.
class TRemovalUndo {
public:
    // Removes the selected entries and keeps them with their places; true
    // when any was removed (an earlier removal is then forgotten).
    bool RemoveSelected(TListBox& list);
    bool CanUndo() const { return !removed_.empty(); }
    // Puts the removed entries back where they stood (as far as the list
    // now reaches) and selects them; true when there was a removal to undo.
    bool Undo(TListBox& list);

private:
    std::vector<std::pair<int, std::string>> removed_;  // by place, first to last
};

// A set of addresses compared as the list compares them: in any letter
// case, as Unicode folds it ("Ł" is "ł").
class TFoldedAddresses {
public:
    explicit TFoldedAddresses(const std::vector<std::string>& addresses);
    // Adds the address; false when it was there already.
    bool Insert(const std::string& address);

private:
    QSet<QString> folded_;
};

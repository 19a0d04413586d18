// The main window's stored items: the channels' titles and unread counts,
// the shown channel's items, read and star marks.
#include "ui/MainWindow.h"

#include "base/Dates.h"
#include "feed/Reasons.h"
#include "ui/Application.h"
#include "ui/BusyWindow.h"
#include "ui/MessageText.h"
#include "ui/NewsOrder.h"
#include "ui/NextUnread.h"
#include "ui/OkBox.h"
#include "ui/QtText.h"

#include <QApplication>
#include <QDateTime>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyle>
#include <QMessageBox>
#include <QTimer>

#include <numeric>

namespace {

// A dot before each unread row's title, and its room in a read one.
void ShowUnreadMarks(TStringGrid* grid) {
    const int size = 8;
    grid->setIconSize(QSize(size, size));
    QPixmap dot(size, size), none(size, size);
    dot.fill(Qt::transparent);
    none.fill(Qt::transparent);
    QPainter painter(&dot);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(grid->palette().color(QPalette::Highlight));
    painter.drawEllipse(1, 1, size - 2, size - 2);
    grid->Rows().SetUnreadMarks(QIcon(dot), QIcon(none));
}

// A box shown once the window is free: during a fetch the window takes no
// input, and a box then could not be answered.
void TellLater(QWidget* parent, QMessageBox::Icon icon, const char* caption, const char* text,
               const QString& detail, int delay = 0) {
    QTimer::singleShot(delay, parent, [=] {
        if (TBusyWindow::Active()) {
            TellLater(parent, icon, caption, text, detail, 200);
            return;
        }
        Guarded([&] { ShowOkBox(parent, icon, caption, text, detail); });
    });
}

}  // namespace

void TForm1::OpenStore(bool listReadWhole) {
    Store = new TStoreLink(FExeDir, FCacheDir, this);
    connect(Store, &TStoreLink::refreshed, this,
            Handler([this](const TRefreshOutcome& outcome) { RefreshLanded(outcome); }));
    connect(Store, &TStoreLink::merged, this, Handler([this](const QString& address, const QString& failure) {
                StoreMerged(address, failure);
            }));
    connect(Store, &TStoreLink::writeFailed, this, Handler([this](const QString& failure) {
                if (storeFailureTold_)
                    return;
                storeFailureTold_ = true;
                TellLater(this, QMessageBox::Warning, "Warning", "Could not write to the item store",
                          failure);
            }));
    if (!Store->Available()) {
        TellLater(this, QMessageBox::Warning, "Warning",
                  "The item store could not be opened; fetched items are shown but not kept.",
                  ToQString(Store->Path() + "\n" + Store->OpenFailure()));
        return;
    }
    if (!Store->Opening().KeptAs.empty())
        TellLater(this, QMessageBox::Information, "Information",
                  "The item store could not be read, and a new one was started. The old file is kept as:",
                  ToQString(Store->Opening().KeptAs + "\n" + Store->Opening().Reason));
    // A channel removed in an earlier session and not listed again goes;
    // a list that was not read whole may still name it.
    if (listReadWhole)
        Store->ForgetUnlisted(Channels->AllItems());
    summaries_ = ChannelSummaries(Store->Reader());
    ShowChannelList();
    ShowStoredChannel();
}

void TForm1::ShowChannelList() {
    Channels->setUpdatesEnabled(false);
    for (int i = 0; i < Channels->Count(); ++i)
        ShowChannelEntry(i);
    Channels->setUpdatesEnabled(true);
}

// The title once a fetch has read one, else the address; the unread count
// after it, in bold while there is one; the address and the last failure
// in the tooltip.
void TForm1::ShowChannelEntry(int index) {
    const std::string address = Channels->Items(index);
    const auto found = summaries_.find(address);
    if (found == summaries_.end()) {
        Channels->SetShown(index, ToQString(address), false, {});
        return;
    }
    const TChannelSummary& summary = found->second;
    // A failure is marked twice: the icon, and the reason in the tooltip.
    Channels->item(index)->setIcon(
        summary.Failure.empty() ? QIcon() : style()->standardIcon(QStyle::SP_MessageBoxWarning));
    QString text = ToQString(summary.Title.empty() ? address : summary.Title);
    if (summary.Unread > 0)
        text += QString(" (%1)").arg(summary.Unread);
    QString tooltip = ToQString(address);
    if (!summary.Failure.empty())
        tooltip += "\nThe last fetch failed (" +
                   QDateTime::fromSecsSinceEpoch(summary.FailedAt).toString("yyyy-MM-dd hh:mm") +
                   "): " + ToQString(summary.Failure);
    Channels->SetShown(index, text, summary.Unread > 0, tooltip);
}

void TForm1::ShowStoredChannel() {
    if (!HasStore())
        return;
    ResetTitles();
    Message->SetText("");
    const int index = Channels->ItemIndex();
    if (index < 0)
        return;
    shownAddress_ = Channels->Items(index);
    if (shownAddress_ == noticeAddress_)
        Message->SetText(notice_);
    std::vector<TStoredRow> rows = ChannelRows(Store->Reader(), shownAddress_);
    const auto found = summaries_.find(shownAddress_);
    const bool rss = found == summaries_.end() || found->second.Format != TChannelFormat::cfAtom;
    Titles->SetColCount(rss ? 2 : 1);
    if (!rows.empty()) {
        // The texts move to the grid; the rows keep what the marks need.
        std::vector<TGridRow> grid(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            grid[i].Cells[0] = std::move(rows[i].Title);
            if (rss)
                grid[i].Cells[1] = std::move(rows[i].Category);
            grid[i].Date = rows[i].Date;
            grid[i].Bold = !rows[i].Read;
            grid[i].Starred = rows[i].Starred;
        }
        titlesReset_ = false;
        shownRows_ = std::move(rows);
        OrderRows(grid);
        ShowUnreadMarks(Titles);
        Titles->Rows().SetRows(std::move(grid));
        Titles->clearSelection();
    }
    AlignForm();
}

void TForm1::ShowStoredItem(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= shownRows_.size())
        return;
    TStoredItem item;
    if (!StoredItem(Store->Reader(), shownRows_[static_cast<std::size_t>(row)].Id, item))
        return;
    TItemText shown{std::move(item.Title),
                    FormatDateYmd(item.Date),
                    std::move(item.Description),
                    std::move(item.Link),
                    {}};
    for (TStoredEnclosure& enclosure : item.Enclosures)
        shown.Enclosures.push_back({std::move(enclosure.Url), std::move(enclosure.Type), enclosure.Length});
    Message->ShowItem(std::move(shown));
    DateLabel->SetCaption(ToQString(FormatDateYmd(item.Date)));
    MarkRows({row}, true);
}

void TForm1::StoreMerged(const QString& address, const QString& failure) {
    const std::string merged = FromQString(address);
    if (!failure.isEmpty())
        TellLater(this, QMessageBox::Warning, "Warning", "Could not keep the channel's items", failure);
    if (!HasStore())
        return;
    summaries_[merged] = ChannelSummary(Store->Reader(), merged);
    for (int i = 0; i < Channels->Count(); ++i)
        if (Channels->Items(i) == merged)
            ShowChannelEntry(i);
    const int current = Channels->ItemIndex();
    if (current >= 0 && Channels->Items(current) == merged)
        ShowStoredChannel();
}

void TForm1::OrderRows(std::vector<TGridRow>& rows) {
    const bool stored = !shownRows_.empty();
    if (rows.size() != (stored ? shownRows_.size() : newsRows_.size()))
        return;
    TNewsSort sort = Titles->Sort();
    if (sort.Column == ncCategory && Titles->ColCount() < 2)
        sort = TNewsSort();  // an Atom channel has no categories
    std::vector<TNewsKey> keys(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r)
        keys[r] = {rows[r].Cells[0], rows[r].Cells[1], rows[r].Date,
                   stored ? shownRows_[r].Id : -static_cast<std::int64_t>(newsRows_[r])};
    const std::vector<std::size_t> order = NewsOrder(keys, sort);
    keys.clear();
    std::vector<TGridRow> ordered;
    ordered.reserve(rows.size());
    for (const std::size_t r : order)
        ordered.push_back(std::move(rows[r]));
    rows = std::move(ordered);
    if (stored) {
        std::vector<TStoredRow> items;
        items.reserve(order.size());
        for (const std::size_t r : order)
            items.push_back(std::move(shownRows_[r]));
        shownRows_ = std::move(items);
    } else {
        std::vector<std::size_t> items;
        items.reserve(order.size());
        for (const std::size_t r : order)
            items.push_back(newsRows_[r]);
        newsRows_ = std::move(items);
    }
}

void TForm1::SortTitles() {
    if (titlesReset_)
        return;
    const bool stored = !shownRows_.empty();
    if (!stored && newsRows_.empty()) {
        newsRows_.resize(static_cast<std::size_t>(Titles->RowCount()));
        std::iota(newsRows_.begin(), newsRows_.end(), std::size_t{0});
    }
    // The selected items are known by their ids (by their places in the
    // channel without a store), which the new order does not change.
    const auto itemOf = [&](int row) -> std::int64_t {
        return stored ? shownRows_[static_cast<std::size_t>(row)].Id
                      : static_cast<std::int64_t>(newsRows_[static_cast<std::size_t>(row)]);
    };
    const int count = Titles->RowCount();
    std::vector<std::int64_t> selected;
    for (const QModelIndex& index : Titles->selectionModel()->selectedRows())
        if (index.row() < count)
            selected.push_back(itemOf(index.row()));
    const int currentRow = Titles->currentRow();
    const bool hasCurrent = currentRow >= 0 && currentRow < count;
    const std::int64_t current = hasCurrent ? itemOf(currentRow) : 0;

    std::vector<TGridRow> rows;
    rows.reserve(static_cast<std::size_t>(count));
    for (int r = 0; r < count; ++r)
        rows.push_back(Titles->Rows().Row(r));
    OrderRows(rows);
    Titles->Rows().SetRows(std::move(rows));

    // Selected again as they were, without showing an item again.
    const QSignalBlocker quiet(Titles->selectionModel());
    QItemSelection selection;
    for (int r = 0; r < count; ++r) {
        const std::int64_t item = itemOf(r);
        if (std::find(selected.begin(), selected.end(), item) != selected.end())
            selection.select(Titles->model()->index(r, 0), Titles->model()->index(r, ncColumns - 1));
        if (hasCurrent && item == current) {
            Titles->selectionModel()->setCurrentIndex(Titles->model()->index(r, 0),
                                                      QItemSelectionModel::NoUpdate);
            Titles->scrollTo(Titles->model()->index(r, 0));
        }
    }
    Titles->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    Titles->viewport()->update();
}

int TForm1::NewsItemOfRow(int row) const {
    if (row < 0 || titlesReset_)
        return -1;
    const auto at = static_cast<std::size_t>(row);
    const std::size_t item = newsRows_.empty()       ? at
                             : at < newsRows_.size() ? newsRows_[at]
                                                     : FChannel.News.size();
    return item < FChannel.News.size() ? static_cast<int>(item) : -1;
}

std::string TForm1::LinkOfRow(int row) const {
    if (!shownRows_.empty()) {
        TStoredItem item;
        if (row >= 0 && static_cast<std::size_t>(row) < shownRows_.size() &&
            StoredItem(Store->Reader(), shownRows_[static_cast<std::size_t>(row)].Id, item))
            return item.Link;
        return {};
    }
    const int item = NewsItemOfRow(row);
    return item < 0 ? std::string() : std::string(FChannel.News[static_cast<std::size_t>(item)].Link);
}

std::vector<int> TForm1::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : Titles->selectionModel()->selectedRows())
        if (static_cast<std::size_t>(index.row()) < shownRows_.size())
            rows.push_back(index.row());
    if (rows.empty() && Titles->currentRow() >= 0 &&
        static_cast<std::size_t>(Titles->currentRow()) < shownRows_.size())
        rows.push_back(Titles->currentRow());
    return rows;
}

void TForm1::ChangeUnread(const std::string& address, int change) {
    TChannelSummary& summary = summaries_[address];
    summary.Unread = std::max(0, summary.Unread + change);
    for (int i = 0; i < Channels->Count(); ++i)
        if (Channels->Items(i) == address)
            ShowChannelEntry(i);
}

// The rows and the channel's count change at once; the store is written
// on its own thread.
void TForm1::MarkRows(const std::vector<int>& rows, bool read) {
    std::vector<std::int64_t> ids;
    for (const int row : rows) {
        TStoredRow& shown = shownRows_[static_cast<std::size_t>(row)];
        if (shown.Read == read)
            continue;
        shown.Read = read;
        ids.push_back(shown.Id);
        Titles->Rows().SetLook(row, !read, shown.Starred);
    }
    if (ids.empty())
        return;
    ChangeUnread(shownAddress_, read ? -static_cast<int>(ids.size()) : static_cast<int>(ids.size()));
    Store->MarkRead(std::move(ids), read);
}

void TForm1::MarkSelected(bool read) { MarkRows(SelectedRows(), read); }

void TForm1::ToggleSelectedRead() {
    const std::vector<int> rows = SelectedRows();
    bool anyUnread = false;
    for (const int row : rows)
        anyUnread = anyUnread || !shownRows_[static_cast<std::size_t>(row)].Read;
    MarkRows(rows, anyUnread);
}

void TForm1::StarSelected(bool starred) {
    std::vector<std::int64_t> ids;
    for (const int row : SelectedRows()) {
        TStoredRow& shown = shownRows_[static_cast<std::size_t>(row)];
        if (shown.Starred == starred)
            continue;
        shown.Starred = starred;
        ids.push_back(shown.Id);
        Titles->Rows().SetLook(row, !shown.Read, starred);
    }
    if (!ids.empty())
        Store->MarkStarred(std::move(ids), starred);
}

void TForm1::MarkChannelRead() {
    const int index = Channels->ItemIndex();
    if (!HasStore() || index < 0)
        return;
    const std::string address = Channels->Items(index);
    if (address == shownAddress_)
        for (std::size_t row = 0; row < shownRows_.size(); ++row)
            if (!shownRows_[row].Read) {
                shownRows_[row].Read = true;
                Titles->Rows().SetLook(static_cast<int>(row), false, shownRows_[row].Starred);
            }
    summaries_[address].Unread = 0;
    ShowChannelEntry(index);
    Store->MarkChannelRead(address);
}

void TForm1::GoToNextUnread() {
    if (!HasStore())
        return;
    std::vector<int> unread(static_cast<std::size_t>(Channels->Count()));
    for (int i = 0; i < Channels->Count(); ++i)
        if (const auto found = summaries_.find(Channels->Items(i)); found != summaries_.end())
            unread[static_cast<std::size_t>(i)] = found->second.Unread;
    const int current = Channels->ItemIndex();
    const bool shown = current >= 0 && Channels->Items(current) == shownAddress_;
    std::vector<bool> read;
    if (shown)
        for (const TStoredRow& row : shownRows_)
            read.push_back(row.Read);
    TUnreadPlace next = NextUnread(unread, shown ? current : -1, read, shown ? Titles->currentRow() : -1);
    if (next.Channel < 0) {
        QApplication::beep();  // nothing is unread
        return;
    }
    if (next.Channel != current)
        Channels->SelectOnly(next.Channel);  // shows its stored items
    if (next.Row < 0)
        for (std::size_t row = 0; row < shownRows_.size() && next.Row < 0; ++row)
            if (!shownRows_[row].Read)
                next.Row = static_cast<int>(row);
    if (next.Row < 0)
        return;
    Titles->setCurrentCell(next.Row, 0);
    Titles->selectRow(next.Row);
    Titles->scrollTo(Titles->model()->index(next.Row, 0));
}

void TForm1::StartAutomaticRefresh() {
    if (!HasStore() || refreshTimer_)
        return;
    refreshTimer_ = new QTimer(this);
    refreshTimer_->setInterval(30 * 60 * 1000);
    connect(refreshTimer_, &QTimer::timeout, this, Handler([this] { RefreshAllChannels(false); }));
    refreshTimer_->start();
    RefreshAllChannels(false);
}

void TForm1::RefreshAllChannels(bool asked) {
    if (!HasStore())
        return;
    std::vector<std::string> web;
    for (const std::string& address : Channels->AllItems())
        if (IsWebAddress(address))
            web.push_back(address);
    Store->Refresh(web, asked);
    ShowRefreshProgress();
}

void TForm1::ShowRefreshProgress() {
    const TRefreshEngine::TProgress progress = Store->RefreshProgress();
    LeftPanel->SetCaption(progress.Done < progress.Total
                              ? QString("Refreshing %1 of %2").arg(progress.Done + 1).arg(progress.Total)
                              : QString("Channels"));
}

void TForm1::RefreshLanded(const TRefreshOutcome& outcome) {
    ShowRefreshProgress();
    // A background failure shows no box: the entry's mark and tooltip tell
    // it. One the user asked for (a double click, Return) is told.
    // (A background fetch of the same channel may land before it.)
    const bool asked = outcome.Asked && askedFetches_.erase(outcome.Address) > 0;
    if (outcome.Kind != TRefreshKind::rkMerged && outcome.Kind != TRefreshKind::rkFailed &&
        outcome.Kind != TRefreshKind::rkUnchanged)
        return;
    summaries_[outcome.Address] = ChannelSummary(Store->Reader(), outcome.Address);
    for (int i = 0; i < Channels->Count(); ++i)
        if (Channels->Items(i) == outcome.Address)
            ShowChannelEntry(i);
    if (asked && outcome.Kind == TRefreshKind::rkFailed) {
        if (outcome.Failure == "Unsupported channel format")
            TellLater(this, QMessageBox::Critical, "Error", "Unsupported channel format", {});
        else
            TellLater(this, QMessageBox::Warning, "Warning", "Could not fetch the channel",
                      ToQString(outcome.Failure));
        return;
    }
    std::string address = outcome.Address;
    if (!outcome.MovedTo.empty())
        ChannelMoved(outcome.Address, outcome.MovedTo);
    // A site's page gave its feed: the entry becomes the feed's address,
    // unless the list holds that already.
    if (!outcome.FoundAt.empty()) {
        ChannelMoved(outcome.Address, outcome.FoundAt, false);
        if (IndexOfChannel(outcome.Address) < 0)
            address = outcome.FoundAt;
    }
    // Until an item is selected, the text view says where the feed was
    // found and why it is broken, without a box to answer.
    if (asked)
        SetNotice(address, outcome.FoundAt, summaries_[address].Malformed);
    // New items of the channel on show join its list; the item being read
    // stays selected.
    const bool changed =
        outcome.Kind == TRefreshKind::rkMerged && (outcome.Merged.New || outcome.Merged.Updated);
    const int current = Channels->ItemIndex();
    if (!(changed || asked) || current < 0 || Channels->Items(current) != address)
        return;
    const int row = Titles->currentRow();
    const std::int64_t reading = row >= 0 && static_cast<std::size_t>(row) < shownRows_.size()
                                     ? shownRows_[static_cast<std::size_t>(row)].Id
                                     : 0;
    const std::string text = Message->Text();
    const std::optional<TItemText> item = Message->ShownItem();
    const QString date = DateLabel->text();
    ShowStoredChannel();
    for (std::size_t i = 0; i < shownRows_.size() && reading != 0; ++i)
        if (shownRows_[i].Id == reading) {
            const QSignalBlocker quiet(Titles->selectionModel());
            Titles->setCurrentCell(static_cast<int>(i), 0);
            Titles->selectRow(static_cast<int>(i));
            Titles->scrollTo(Titles->model()->index(static_cast<int>(i), 0));
            if (item)
                Message->ShowItem(*item);
            else
                Message->SetText(text);
            DateLabel->SetCaption(date);
        }
}

void TForm1::SetNotice(const std::string& address, const std::string& foundAt, const std::string& malformed) {
    notice_.clear();
    if (!foundAt.empty())
        notice_ = "Found the feed at " + foundAt;
    if (!malformed.empty())
        notice_.append(notice_.empty() ? "" : "\r\n\r\n")
            .append(EnglishReason(malformed))
            .append("\r\nWhat could be read is shown.");
    noticeAddress_ = address;
}

// A channel whose server answers from elsewhere for good (301, 308): the
// user is told, and the list and the store take the new address.
void TForm1::ChannelMoved(const std::string& from, const std::string& to, bool tell) {
    const int index = IndexOfChannel(from);
    if (index < 0 || IndexOfChannel(to) >= 0 || !IsWebAddress(to))
        return;
    if (tell)
        TellLater(this, QMessageBox::Information, "Information",
                  "A channel has moved for good; the list now keeps its new address.",
                  ToQString(from + "\n\u2192 " + to));
    Channels->SetItem(index, to);
    if (auto found = summaries_.extract(from))
        summaries_.insert({to, std::move(found.mapped())});
    Store->MoveChannel(from, to);
    ShowChannelEntry(index);
    if (shownAddress_ == from)
        shownAddress_ = to;
    SaveAfterChange();
}

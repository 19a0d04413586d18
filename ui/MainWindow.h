// The main window: the channel list on the left, the news list and the
// text of the selected item on the right.
#pragma once

#include "base/FileFolders.h"
#include "feed/Feed.h"
#include "ui/Controls.h"
#include "ui/Memo.h"
#include "ui/ChannelEditing.h"
#include "ui/MessageText.h"
#include "ui/OpmlDialogs.h"
#include "ui/RowSplitter.h"
#include "ui/StoreLink.h"
#include "ui/StringGrid.h"

#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class TVexXMLParser;

enum TCloseAction { caNone, caHide, caFree, caMinimize };

class TForm1 : public QWidget {
    Q_OBJECT
public:
    // exeDir, when given, takes the place of the executable's directory
    // (it must end in "/"); tests put the window's files elsewhere so.
    explicit TForm1(std::string exeDir = {}, QWidget* parent = nullptr);

    TPanel* LeftPanel;
    QPushButton* AddButton;
    TListBox* Channels;
    TPanel* RightPanel;
    TMemo* Message;
    TSplitter* Splitter1;
    TLabel* Label1;
    QMenu* PopupMenu1;
    QAction* Usuwszystkie1;
    QAction* ImportChannels1;
    QAction* ExportChannels1;
    // Brings the last removal back (also Ctrl+Z).
    QAction* UndoRemove1;
    TLabel* DateLabel;
    QPushButton* Button1;
    // The text view's context menu: "Copy", "Select all", and "Plain text",
    // which shows items without their formatting (the choice is kept).
    QMenu* PopupMenu2;
    QAction* Copy1;
    QAction* SelectAll1;
    QAction* UsuHTML1;
    QAction* MarkChannelRead1;
    QAction* RefreshAll1;
    // The news list's context menu.
    QMenu* PopupMenu3;
    QAction* OpenLink1;
    QAction* CopyLink1;
    QAction* MarkRead1;
    QAction* MarkUnread1;
    QAction* Star1;
    // The item store; without one (it could not be made) the window shows
    // each fetched channel as read, keeping nothing.
    TStoreLink* Store = nullptr;
    bool HasStore() const { return Store && Store->Available(); }
    // The themed visual style is Qt's own; no manifest component is needed.
    TStringGrid* Titles;
    // Moves the border between the news list and the text view.
    TRowSplitter* Splitter2;
    // The executable's directory with its trailing "/", in the file
    // system's bytes; the window's files are this plus a bare name.
    std::string FExeDir;
    // The folder of "temp.xml": FExeDir, or the user's cache folder where
    // the program's folder may not be written.
    std::string FCacheDir;
    TRSS FChannel;
    // The user's short date format, in which Atom dates are read; taken
    // from the LC_TIME locale when the window is made. Tests set it.
    TShortDateFormat ShortDateFormat;

    void AlignForm();
    void TitlesAdd(std::string_view first, std::string_view second);
    std::string GetWordAtMouseCursor(int X, int Y) const;
    // Puts the news grid into its reset state: one empty row that belongs
    // to no item.
    void ResetTitles();

    // Downloads the channel at Address into FExeDir + "temp.xml" and reads
    // it into FChannel and the news grid; a "file://" address is read from
    // the disk. A root element other than "rss"
    // or "feed" gets the box "Unsupported channel format" and a normal end;
    // every other failure leaves as an exception.
    void GetChannel(const std::string& Address);
    // Read the loaded document into FChannel, then fill the news grid.
    void GetChannelRss(TVexXMLParser& Parser);
    void GetChannelAtom(TVexXMLParser& Parser);
    // Fills the news grid from FChannel: two columns for RSS, one for Atom.
    void ShowChannel(TChannelFormat format);

    bool LoadChannelList();
    bool SaveChannelList();
    // Keeps a list file that was not read whole under a backup name of its
    // own and tells the user where; false when it could not be kept.
    bool KeepUnreadList();
    std::string FreeBackupName() const;
    // Adds the new ones of the addresses and fetches the last (a later
    // start handed them over, or the command line gave them).
    void TakeAddresses(const std::vector<std::string>& addresses);
    // Fetches the channel of that address once no fetch or dialog runs.
    void FetchWhenFree(const std::string& address);
    // Adds the channels of an OPML file that the list lacks, and says how
    // many it added and skipped.
    void ImportChannels(const std::string& fileName);
    // Writes the list as OPML 2.0 in UTF-8; false (after a warning) when it
    // cannot.
    bool ExportChannels(const std::string& fileName);
    // The entry equal to the address in any letter case, or -1.
    int IndexOfChannel(const std::string& address) const;
    // Saves the list after an addition or removal; warns once when it cannot.
    void SaveAfterChange();
    // The session ends: closes what is open, cancels a fetch, then the window.
    void EndSession();

    // The stored items.
    // Opens the store beside the list, says what went wrong with it, and
    // shows each channel's title and unread count.
    void OpenStore(bool listReadWhole);
    void ShowChannelList();
    void ShowChannelEntry(int index);
    // Shows the current channel's stored items, newest first.
    void ShowStoredChannel();
    // A merge posted after a fetch was written (or not: failure says why).
    void StoreMerged(const QString& address, const QString& failure);
    // The selected rows of the news list, marked read or unread, starred or not.
    void MarkSelected(bool read);
    void StarSelected(bool starred);
    // "M": the selection becomes read, or unread when it is all read.
    void ToggleSelectedRead();
    void MarkChannelRead();
    // "N": the next unread item, across channels.
    void GoToNextUnread();
    // The rows of the news list that are selected (the current one at least).
    std::vector<int> SelectedRows() const;
    // The link of the item in that row of the news list; empty when it has none.
    std::string LinkOfRow(int row) const;
    // A click on a header: the rows take the new order, the selected items
    // stay selected.
    void SortTitles();

    // The refresh beside the window.
    // Refreshes every channel now and then every 30 minutes, passing over
    // what was refreshed lately (the program's start calls it).
    void StartAutomaticRefresh();
    // Every web channel of the list: asked by the user (F5), or automatic.
    void RefreshAllChannels(bool asked);
    // A channel's refresh landed: its entry, its count and, when shown,
    // its items change.
    void RefreshLanded(const TRefreshOutcome& outcome);
    // "Refreshing 37 of 500" in the list's caption while a refresh runs.
    void ShowRefreshProgress();
    // The list and the store take a channel's new address: one that moved
    // for good (the user is told), or the feed its site's page links to.
    void ChannelMoved(const std::string& from, const std::string& to, bool tell = true);

    // Event handlers.
    void FormCreate(QObject* Sender);
    void FormResize(QObject* Sender);
    void FormClose(QObject* Sender, TCloseAction& Action);
    void Splitter1Moved(QObject* Sender);
    void AddButtonClick(QObject* Sender);
    void Usuwszystkie1Click(QObject* Sender);
    void UndoRemove1Click(QObject* Sender);
    void ChannelsDblClick(QObject* Sender);
    // The list draws its entries itself and never calls this.
    void ChannelsDrawItem(QObject* Control, int Index, QRect Rect, int State);
    void Button1Click(QObject* Sender);
    void TitlesSelectCell(QObject* Sender, int ACol, int ARow, bool& CanSelect);
    void TitlesTopLeftChanged(QObject* Sender);
    // Return or Enter on a news row opens the item's link in the browser.
    void TitlesEnter(int row);
    void TitlesFocusEntered();
    void UsuHTML1Click(QObject* Sender);
    void MessageMouseMove(QObject* Sender, TShiftState Shift, int X, int Y);
    void MessageDblClick(QObject* Sender);
    void MessageClick(QObject* Sender);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    // The shape the window was left in (the settings), and keeping it at the close.
    void RestoreShape();
    void SaveShape();
    // Puts the grid's rows, and the items they show, in the list's order.
    void OrderRows(std::vector<TGridRow>& rows);
    // Without a store: the item of FChannel.News in that row, or -1.
    int NewsItemOfRow(int row) const;
    void MarkRows(const std::vector<int>& rows, bool read);
    void ChangeUnread(const std::string& address, int change);
    // What the text view says of the channel at address until an item is
    // selected: where its feed was found (foundAt, when a page gave it) and
    // why it is broken (the parser's message), without a box to answer.
    void SetNotice(const std::string& address, const std::string& foundAt, const std::string& malformed);
    // The shown channel's row r as an item of the store, marked read.
    void ShowStoredItem(int row);
    void BindEvents();
    // Docks LeftPanel and Splitter1 to the left and lets RightPanel fill
    // the rest, as the toolkit does before the resize handler runs.
    void DockControls();
    // Keeps the window inside the screen's available area.
    void FitIntoScreen();

    std::string exeDirOverride_;
    TRemovalUndo removals_;
    TOpmlDialogs opmlDialogs_;
    bool titlesReset_ = true;
    // The channel whose stored items the grid shows, and the rows; empty
    // while the grid shows FChannel (no store) or nothing.
    std::string shownAddress_;
    std::vector<TStoredRow> shownRows_;
    // Without a store: the item of FChannel.News in each row; empty while
    // row i shows item i.
    std::vector<std::size_t> newsRows_;
    // The row the news list's context menu was opened on.
    int menuRow_ = -1;
    // The width of the channel list and the height of the news list that
    // the user chose; the window gives them while it has the room.
    int leftWidth_ = 217;
    int listHeight_ = 121;
    std::unordered_map<std::string, TChannelSummary> summaries_;
    // A failed write to the store has been told.
    bool storeFailureTold_ = false;
    QTimer* refreshTimer_ = nullptr;
    // False while "channels.lst" holds more than the list shows and is not
    // kept elsewhere.
    bool listReadWhole_ = true;
    // The list file was read whole at the start: channels it lacks may go
    // from the store.
    bool listCameWhole_ = true;
    // "channels.lst" was too large to read, and the list was not changed.
    bool listUnread_ = false;
    // The user asked to close the window during a fetch.
    bool closeRequested_ = false;
    // A failed save after a change has been told.
    bool saveFailureTold_ = false;
    // An end signal closes the window: nothing asks any more.
    bool ending_ = false;
    // The address the last fetch read: a feed that the channel's page links
    // to, or the channel's own.
    std::string readAddress_;
    // What the text view says of the channel last read until an item is
    // selected (where its feed was found, why it is broken), and its address.
    std::string notice_;
    std::string noticeAddress_;
    // Channels whose fetch the user asked for and whose outcome has not
    // landed: their failure is told in a box.
    std::unordered_set<std::string> askedFetches_;
};

// The main window: the channel list on the left, the news list and the
// text of the selected item on the right.
#pragma once

#include "feed/Feed.h"
#include "ui/Controls.h"
#include "ui/Memo.h"
#include "ui/MessageText.h"
#include "ui/StringGrid.h"

#include <QMenu>
#include <QPushButton>
#include <QWidget>

#include <string>
#include <vector>

class TVexXMLParser;

enum TCloseAction { caNone, caHide, caFree, caMinimize };

// Where the window keeps "channels.lst" and "temp.xml" (each ending in "/").
struct TFileFolders {
    std::string List;
    std::string Download;
};

// For a program folder the user may write, that folder for both. Else, and
// always for a folder below /usr/ (a package's), the list is in
// $XDG_DATA_HOME/nemara/ (unless, outside /usr/, a list he may write is in
// the program's folder) and the download in $XDG_CACHE_HOME/nemara/.
TFileFolders FileFoldersFor(const std::string& programDir);

// The folder of the window's list: the executable's when the user may write
// it, else as FileFoldersFor says; $XDG_DATA_HOME/nemara/ when the
// executable's folder cannot be told.
std::string ProgramFolder();

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
    TLabel* DateLabel;
    QPushButton* Button1;
    QMenu* PopupMenu2;
    QAction* UsuHTML1;
    // The themed visual style is Qt's own; no manifest component is needed.
    TStringGrid* Titles;
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
    // it into FChannel and the news grid. A root element other than "rss"
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

    // Event handlers.
    void FormCreate(QObject* Sender);
    void FormResize(QObject* Sender);
    void FormClose(QObject* Sender, TCloseAction& Action);
    void Splitter1Moved(QObject* Sender);
    void AddButtonClick(QObject* Sender);
    void Usuwszystkie1Click(QObject* Sender);
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
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void BindEvents();
    // Docks LeftPanel and Splitter1 to the left and lets RightPanel fill
    // the rest, as the toolkit does before the resize handler runs.
    void DockControls();
    // Keeps the window inside the screen's available area.
    void FitIntoScreen();

    std::string exeDirOverride_;
    bool titlesReset_ = true;
    // False while "channels.lst" holds more than the list shows and is not
    // kept elsewhere.
    bool listReadWhole_ = true;
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
};

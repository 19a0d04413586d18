#include "ui/MainWindow.h"

#include "base/CodePage.h"
#include "base/Dates.h"
#include "base/Lines.h"
#include "feed/ChannelFetch.h"
#include "feed/ChannelReader.h"
#include "feed/Decode.h"
#include "feed/FileAddress.h"
#include "feed/Reasons.h"
#include "ui/AboutDialog.h"
#include "ui/Application.h"
#include "ui/Browser.h"
#include "ui/BusyWindow.h"
#include "ui/FileIO.h"
#include "ui/OkBox.h"
#include "ui/Fonts.h"
#include "ui/QtText.h"
#include "ui/Settings.h"
#include "ui/SingleInstance.h"
#include "ui/WaitCursor.h"
#include "ui/WindowShape.h"
#include "xml/VexXMLParser.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QKeySequence>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QShortcut>
#include <QTimer>

#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>

namespace {

const char* const kChannelFile = "channels.lst";
const char* const kDownloadFile = "temp.xml";
// What the date label reads before any item has been selected.
const char* const kStartDateCaption = "0";
// The settings' key of the text view's "Plain text".
const char* const kPlainTextKey = "view/plainText";

void Place(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(left, top, width, height);
}

void CentreOnScreen(QWidget* widget) {
    widget->adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        widget->move(screen->availableGeometry().center() - widget->rect().center());
}

// Thrown by the pulse of a download that the user cancelled.
struct TFetchCancelled {};

// A download's progress in the date label's place, and the label's own
// caption again when the download ends.
class TDownloadProgress {
public:
    explicit TDownloadProgress(TLabel* label) : label_(label), saved_(label->text()) {
        label_->SetCaption(QString::fromUtf8("Downloading\u2026"));
    }
    ~TDownloadProgress() { label_->SetCaption(saved_); }
    TDownloadProgress(const TDownloadProgress&) = delete;
    TDownloadProgress& operator=(const TDownloadProgress&) = delete;

    void Show(std::uint64_t received) {
        // A tenth of a megabyte is the step that shows.
        const std::uint64_t tenths = received / 100000;
        if (received == 0 || tenths == shownTenths_)
            return;
        shownTenths_ = tenths;
        label_->SetCaption(
            QString::fromUtf8("Downloading\u2026 %1 MB").arg(static_cast<double>(tenths) / 10, 0, 'f', 1));
    }

private:
    TLabel* label_;
    QString saved_;
    std::uint64_t shownTenths_ = ~std::uint64_t{0};
};

// Gives the memory that a fetch freed back to the system when it goes out
// of scope: the allocator would otherwise keep a large feed's tree resident.
struct TMemoryReturn {
    TMemoryReturn() = default;
    TMemoryReturn(const TMemoryReturn&) = delete;
    TMemoryReturn& operator=(const TMemoryReturn&) = delete;
    ~TMemoryReturn() {
        TVexXMLParser::ReleaseSpareMemory();
        ::malloc_trim(0);
    }
};

// A list file larger than this is no list of addresses; it is not read
// (and kept, see SaveChannelList).
constexpr std::size_t kMaxChannelFileBytes = 16u << 20;

// The text view keeps this much of its height when the news list grows.
constexpr int kLeastTextHeight = 60;

}  // namespace

TForm1::TForm1(std::string exeDir, QWidget* parent) : QWidget(parent), exeDirOverride_(std::move(exeDir)) {
    LoadFonts();
    setWindowTitle("Nemara 1.1");
    setAttribute(Qt::WA_WindowPropagation);
    setFont(PixelFont("Tahoma", 13));
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    setPalette(face);
    setAutoFillBackground(true);
    // The design gives outer sizes; its frame takes 8 x 34 pixels (a
    // 777 x 481 window is 769 x 447 inside), and Qt sizes the inside.
    move(222, 117);
    ShortDateFormat = UserShortDateFormat();
    resize(777 - 8, 481 - 34);
    setMinimumSize(450 - 8, 450 - 34);

    CreateControls();
    BindEvents();
    FitIntoScreen();
    RestoreShape();
    // Focus marks show from the start, not only after the first Tab.
    setAttribute(Qt::WA_KeyboardFocusChange);
    Guarded([this] { FormCreate(this); });
}

// At a large scale the designed place and size may not fit the screen: the
// window then takes what there is, inside the screen's available area.
void TForm1::FitIntoScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize frame(8, 34);
    // The designed minimum gives way too where the screen is smaller.
    setMinimumSize(minimumSize().boundedTo(area.size() - frame));
    resize(size().boundedTo(area.size() - frame).expandedTo(minimumSize()));
    const int x =
        std::clamp(pos().x(), area.left(), std::max(area.left(), area.right() + 1 - width() - frame.width()));
    const int y = std::clamp(pos().y(), area.top(),
                             std::max(area.top(), area.bottom() + 1 - height() - frame.height()));
    move(x, y);
}

void TForm1::CreateControls() {
    LeftPanel = new TPanel("Channels", Qt::AlignHCenter, this);
    Place(LeftPanel, 0, 0, 217, 447);
    LeftPanel->setMinimumWidth(100);

    Splitter1 = new TSplitter(LeftPanel, this);
    Place(Splitter1, 217, 0, 10, 447);

    AddButton = new QPushButton("+", LeftPanel);
    Place(AddButton, 184, 8, 25, 17);

    Channels = new TListBox(LeftPanel);
    // A failure's mark within the list's 16-pixel rows.
    Channels->setIconSize(QSize(12, 12));
    Place(Channels, 8, 24, 201, 409);
    Channels->viewport()->setCursor(Qt::PointingHandCursor);
    Channels->setContextMenuPolicy(Qt::CustomContextMenu);

    Button1 = new QPushButton("?", LeftPanel);
    Place(Button1, 8, 8, 25, 17);

    RightPanel = new TPanel("News list", Qt::AlignLeft, this);
    Place(RightPanel, 227, 0, 542, 447);

    Label1 = new TLabel("Text", RightPanel);
    Place(Label1, 0, 150, 25, 16);
    Label1->SetCaption(Label1->text());

    DateLabel = new TLabel(kStartDateCaption, RightPanel, true, Qt::AlignRight | Qt::AlignVCenter);
    Place(DateLabel, 533, 150, 7, 16);
    DateLabel->SetCaption(DateLabel->text());

    Message = new TMemo(RightPanel);
    Place(Message, 0, 168, 545, 265);
    Message->setContextMenuPolicy(Qt::CustomContextMenu);

    Titles = new TStringGrid(2, 1, RightPanel);
    Place(Titles, 0, 24, 545, 121);
    // In the gap between the news list and "Text".
    Splitter2 = new TRowSplitter(Titles, RightPanel);
    Place(Splitter2, 0, 145, 545, 5);

    // The splitter leaves the right panel room for its caption, and for
    // "Text" beside the widest date with their margins.
    const QFontMetrics metrics(RightPanel->font());
    const int dateWidth = metrics.horizontalAdvance("0000-00-00");
    const int captionWidth = metrics.horizontalAdvance("News list");
    Splitter1->SetMinRightSize(std::max(Label1->x() + Label1->width() + 8 + dateWidth + 8,
                                        2 * RightPanel->BorderWidth() + captionWidth + 8));

    PopupMenu1 = new QMenu(this);
    Usuwszystkie1 = PopupMenu1->addAction("Remove selected");
    RefreshAll1 = PopupMenu1->addAction("Refresh all channels");
    RefreshAll1->setShortcut(QKeySequence(Qt::Key_F5));
    RefreshAll1->setShortcutContext(Qt::WindowShortcut);
    addAction(RefreshAll1);
    MarkChannelRead1 = PopupMenu1->addAction("Mark channel as read");
    MarkChannelRead1->setShortcut(QKeySequence("Ctrl+Shift+A"));
    MarkChannelRead1->setShortcutContext(Qt::WindowShortcut);
    addAction(MarkChannelRead1);
    PopupMenu1->addSeparator();
    ImportChannels1 = PopupMenu1->addAction(QString::fromUtf8("Import channels\u2026"));
    ExportChannels1 = PopupMenu1->addAction(QString::fromUtf8("Export channels\u2026"));
    UndoRemove1 = new QAction("Undo remove", this);
    UndoRemove1->setShortcut(QKeySequence::Undo);
    UndoRemove1->setShortcutContext(Qt::WindowShortcut);
    UndoRemove1->setEnabled(false);
    PopupMenu1->insertAction(PopupMenu1->actions().at(1), UndoRemove1);
    addAction(UndoRemove1);
    PopupMenu2 = new QMenu(this);
    Copy1 = PopupMenu2->addAction("Copy");
    Copy1->setShortcut(QKeySequence::Copy);
    SelectAll1 = PopupMenu2->addAction("Select all");
    SelectAll1->setShortcut(QKeySequence::SelectAll);
    PopupMenu2->addSeparator();
    UsuHTML1 = PopupMenu2->addAction("Plain text");
    UsuHTML1->setCheckable(true);
    UsuHTML1->setChecked(OpenSettings()->value(kPlainTextKey, false).toBool());
    Message->SetPlainMode(UsuHTML1->isChecked());
    PopupMenu3 = new QMenu(this);
    OpenLink1 = PopupMenu3->addAction("Open link");
    CopyLink1 = PopupMenu3->addAction("Copy link");
    PopupMenu3->addSeparator();
    MarkRead1 = PopupMenu3->addAction("Mark as read");
    MarkUnread1 = PopupMenu3->addAction("Mark as unread");
    Star1 = PopupMenu3->addAction("Star");
    Titles->setContextMenuPolicy(Qt::CustomContextMenu);

    // Tab leaves the grid and the text view for the next control, as in the
    // other controls, instead of walking their cells or typing a tab.
    Titles->setTabKeyNavigation(false);
    Message->setTabChangesFocus(true);
    setTabOrder(Channels, Titles);
    setTabOrder(Titles, Message);
    setTabOrder(Message, AddButton);
    setTabOrder(AddButton, Button1);
}

void TForm1::BindEvents() {
    connect(Splitter1, &TSplitter::moved, this, Handler([this](int width) {
                leftWidth_ = width;
                DockControls();
                Splitter1Moved(Splitter1);
            }));
    connect(Splitter2, &TRowSplitter::moved, this, Handler([this](int height) {
                listHeight_ = height;
                AlignForm();
                // A drag past either limit keeps the limit, not the place of the pointer.
                listHeight_ = Titles->height();
            }));
    connect(Titles, &TStringGrid::sortChanged, this, Handler([this] { SortTitles(); }));
    connect(AddButton, &QPushButton::clicked, this, Handler([this] { AddButtonClick(AddButton); }));
    connect(Button1, &QPushButton::clicked, this, Handler([this] { Button1Click(Button1); }));
    connect(Channels, &TListBox::dblClick, this, Handler([this] { ChannelsDblClick(Channels); }));
    connect(Channels, &TListBox::deletePressed, this, Handler([this] { Usuwszystkie1Click(Channels); }));
    connect(Titles, &TStringGrid::enterPressed, this, Handler([this](int row) { TitlesEnter(row); }));
    connect(Titles, &TStringGrid::focusEnteredByKey, this, Handler([this] { TitlesFocusEntered(); }));
    connect(Channels, &QWidget::customContextMenuRequested, this, Handler([this](const QPoint& pos) {
                PopupMenu1->popup(Channels->viewport()->mapToGlobal(pos));
            }));
    connect(Usuwszystkie1, &QAction::triggered, this, Handler([this] { Usuwszystkie1Click(Usuwszystkie1); }));
    connect(UndoRemove1, &QAction::triggered, this, Handler([this] { UndoRemove1Click(UndoRemove1); }));
    connect(ImportChannels1, &QAction::triggered, this, Handler([this] {
                const QString file = opmlDialogs_.AskImportFile(this);
                if (!file.isEmpty())
                    ImportChannels(QFile::encodeName(file).toStdString());
            }));
    connect(ExportChannels1, &QAction::triggered, this, Handler([this] {
                const QString file = opmlDialogs_.AskExportFile(this);
                if (!file.isEmpty())
                    ExportChannels(QFile::encodeName(file).toStdString());
            }));
    connect(Message, &QWidget::customContextMenuRequested, this,
            Handler([this](const QPoint& pos) { PopupMenu2->popup(Message->viewport()->mapToGlobal(pos)); }));
    connect(UsuHTML1, &QAction::triggered, this, Handler([this] { UsuHTML1Click(UsuHTML1); }));
    connect(Copy1, &QAction::triggered, Message, &TMemo::copy);
    connect(SelectAll1, &QAction::triggered, Message, &TMemo::selectAll);
    connect(PopupMenu2, &QMenu::aboutToShow, this,
            [this] { Copy1->setEnabled(Message->textCursor().hasSelection()); });
    connect(Message, &TMemo::linkOpened, this,
            Handler([](const std::string& address) { OpenInBrowser(address); }));
    connect(Channels, &QListWidget::currentRowChanged, this, Handler([this] { ShowStoredChannel(); }));
    connect(MarkChannelRead1, &QAction::triggered, this, Handler([this] { MarkChannelRead(); }));
    connect(RefreshAll1, &QAction::triggered, this, Handler([this] { RefreshAllChannels(true); }));
    connect(Titles, &QWidget::customContextMenuRequested, this, Handler([this](const QPoint& pos) {
                const QModelIndex under = Titles->indexAt(pos);
                menuRow_ = under.isValid() ? under.row() : Titles->currentRow();
                // The marks are the store's; without one the list still opens links.
                const bool stored = !shownRows_.empty();
                if (!stored && NewsItemOfRow(menuRow_) < 0)
                    return;
                const bool linked = !LinkOfRow(menuRow_).empty();
                OpenLink1->setEnabled(linked);
                CopyLink1->setEnabled(linked);
                const std::vector<int> rows = SelectedRows();
                bool allStarred = !rows.empty();
                for (const int row : rows)
                    allStarred = allStarred && shownRows_[static_cast<std::size_t>(row)].Starred;
                Star1->setText(allStarred ? "Unstar" : "Star");
                Star1->setData(!allStarred);
                for (QAction* mark : {MarkRead1, MarkUnread1, Star1})
                    mark->setEnabled(stored);
                PopupMenu3->popup(Titles->viewport()->mapToGlobal(pos));
            }));
    connect(OpenLink1, &QAction::triggered, this, Handler([this] {
                if (const std::string link = LinkOfRow(menuRow_); !link.empty())
                    OpenInBrowser(link);
            }));
    connect(CopyLink1, &QAction::triggered, this, Handler([this] {
                if (const std::string link = LinkOfRow(menuRow_); !link.empty())
                    QGuiApplication::clipboard()->setText(ToQString(link));
            }));
    connect(MarkRead1, &QAction::triggered, this, Handler([this] { MarkSelected(true); }));
    connect(MarkUnread1, &QAction::triggered, this, Handler([this] { MarkSelected(false); }));
    connect(Star1, &QAction::triggered, this, Handler([this] { StarSelected(Star1->data().toBool()); }));
    // Keys of the reading, wherever the focus is in the window.
    const auto key = [this](const char* sequence, auto action) {
        auto* shortcut = new QShortcut(QKeySequence(sequence), this);
        connect(shortcut, &QShortcut::activated, this, Handler(action));
    };
    key("M", [this] { ToggleSelectedRead(); });
    key("N", [this] { GoToNextUnread(); });
    connect(Message, &TMemo::spaceAtEnd, this, Handler([this] { GoToNextUnread(); }));
    connect(Message, &TMemo::mouseMoved, this,
            Handler([this](TShiftState shift, int x, int y) { MessageMouseMove(Message, shift, x, y); }));
    connect(Message, &TMemo::doubleClicked, this, Handler([this] { MessageDblClick(Message); }));
    connect(Message, &TMemo::clicked, this, Handler([this] { MessageClick(Message); }));
    connect(Titles, &TStringGrid::selectCell, this, Handler([this](int col, int row) {
                bool canSelect = true;
                TitlesSelectCell(Titles, col, row, canSelect);
            }));
    connect(Titles, &TStringGrid::topLeftChanged, this, Handler([this] { TitlesTopLeftChanged(Titles); }));
}

void TForm1::DockControls() {
    // The right side keeps its minimum when the window shrinks.
    const int most = width() - Splitter1->width() - Splitter1->MinRightSize();
    int left = std::max(LeftPanel->minimumWidth(), std::min(leftWidth_, most));
    LeftPanel->setGeometry(0, 0, left, height());
    Splitter1->setGeometry(left, 0, Splitter1->width(), height());
    int rightLeft = left + Splitter1->width();
    RightPanel->setGeometry(rightLeft, 0, std::max(0, width() - rightLeft), height());
}

// Escape, which no control of the window takes, ends a refresh under way;
// what landed stays. (During a fetch the window waits for, the busy
// window's filter takes it first.)
void TForm1::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && HasStore() &&
        Store->RefreshProgress().Done < Store->RefreshProgress().Total) {
        Store->CancelRefresh();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TForm1::resizeEvent(QResizeEvent*) {
    DockControls();
    Guarded([this] { FormResize(this); });
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A close asked for during a fetch cancels it and waits for its end.
    if (TBusyWindow::Active()) {
        closeRequested_ = true;
        TBusyWindow::RequestCancel();
        event->ignore();
        return;
    }
    TCloseAction action = caHide;
    Guarded([&] { FormClose(this, action); });
    if (action == caNone) {
        event->ignore();
        return;
    }
    // The transfers under way end within a second; what was merged stays.
    if (HasStore())
        Store->CancelRefresh();
    // The list is saved; the shape is kept after it, and nothing of it stops the close.
    try {
        SaveShape();
    } catch (...) {
    }
    event->accept();
}

void TForm1::RestoreShape() {
    const TWindowShape shape = LoadWindowShape();
    if (shape.Normal.isValid())
        setGeometry(
            FitIntoScreens(QRect(shape.Normal.topLeft(), shape.Normal.size().expandedTo(minimumSize()))));
    if (shape.Maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
    if (shape.ChannelsWidth > 0)
        leftWidth_ = shape.ChannelsWidth;
    if (shape.ListHeight > 0)
        listHeight_ = shape.ListHeight;
    if (shape.CategoryWidth > 0)
        Titles->SetWantedWidth(ncCategory, shape.CategoryWidth);
    if (shape.DateWidth > 0)
        Titles->SetWantedWidth(ncDate, shape.DateWidth);
    Titles->SetSort(shape.Sort);
    DockControls();
    AlignForm();
}

void TForm1::SaveShape() {
    TWindowShape shape;
    shape.Maximized = windowState() & Qt::WindowMaximized;
    shape.Normal = shape.Maximized || isFullScreen() ? normalGeometry() : geometry();
    shape.ChannelsWidth = leftWidth_;
    shape.ListHeight = listHeight_;
    shape.CategoryWidth = Titles->WantedWidth(ncCategory);
    shape.DateWidth = Titles->WantedWidth(ncDate);
    shape.Sort = Titles->Sort();
    SaveWindowShape(shape);
}

void TForm1::FormCreate(QObject*) {
    const TFileFolders folders = exeDirOverride_.empty() ? FileFoldersFor(ProgramDirectory())
                                                         : TFileFolders{exeDirOverride_, exeDirOverride_};
    FExeDir = folders.List;
    FCacheDir = folders.Download;
    RemoveStaleNewFiles(FExeDir + kChannelFile);
    RemoveStaleNewFiles(FCacheDir + kDownloadFile);
    LoadChannelList();
    OpenStore(listCameWhole_);
    // The current entry is selected too, so that Return reads it at once.
    if (Channels->Count() > 0)
        Channels->SelectOnly(0);
}

void TForm1::FormResize(QObject*) { AlignForm(); }

void TForm1::Splitter1Moved(QObject*) { AlignForm(); }

void TForm1::AlignForm() {
    Channels->resize(LeftPanel->width() - Channels->x(), Channels->height());
    Channels->resize(Channels->width(), LeftPanel->height() - Channels->y() - 8);
    AddButton->move(LeftPanel->width() - AddButton->width(), AddButton->y());
    // The news list has the height the user gave it while the text view
    // keeps room for a few lines, and never less than its header and two
    // rows. Beneath it come the splitter, "Text" and the date, then the
    // text view, as designed: 5 and 23 pixels below the list.
    const int least = Titles->horizontalHeader()->sizeHint().height() + 2 * 21 + 2 * Titles->frameWidth();
    const int most = RightPanel->height() - 8 - kLeastTextHeight - 23 - Titles->y();
    const int list = std::max(least, std::min(listHeight_, most));
    Titles->resize(RightPanel->width() - 8, list);
    const int below = Titles->y() + list;
    Splitter2->setGeometry(Splitter2->x(), below, Titles->width(), Splitter2->height());
    Label1->move(Label1->x(), below + 5);
    Message->setGeometry(Message->x(), below + 23, Titles->width(), RightPanel->height() - (below + 23) - 8);
    DateLabel->move(RightPanel->width() - DateLabel->width() - 8, below + 5);
    Titles->FitColumns();
}

// The channel list.

// The list ends at a zero byte. A file read in part, or not read at all
// (larger than the limit), is kept at once under a name of its own, and the
// user is told where once the window shows; see KeepUnreadList.
bool TForm1::LoadChannelList() {
    std::string bytes;
    const TReadOutcome outcome = ReadFileBytes(FExeDir + kChannelFile, kMaxChannelFileBytes, bytes);
    listReadWhole_ = outcome == TReadOutcome::roMissing ||
                     (outcome == TReadOutcome::roRead && bytes.find('\0') == std::string::npos);
    listCameWhole_ = listReadWhole_;
    listUnread_ = false;
    if (outcome == TReadOutcome::roRead) {
        // UTF-8, or Windows-1250 as earlier versions wrote it.
        const std::string_view text = std::string_view(bytes).substr(0, bytes.find('\0'));
        Channels->SetItems(SplitLines(IsValidUtf8(text) ? std::string(text) : Win1250ToUtf8(text)));
    }
    if (!listReadWhole_)
        KeepUnreadList();
    return outcome == TReadOutcome::roRead;
}

// "channels.lst.bak", else the first of ".bak.1", ".bak.2", ... that is
// free: a backup never replaces an earlier one.
std::string TForm1::FreeBackupName() const {
    const std::string base = FExeDir + kChannelFile + ".bak";
    struct stat st {};
    std::string name = base;
    for (int n = 1; ::lstat(name.c_str(), &st) == 0; ++n)
        name = base + "." + std::to_string(n);
    return name;
}

// Keeps a list file that was not read whole beside it. Only a regular file
// with something in it is kept; for anything else there is nothing to lose.
bool TForm1::KeepUnreadList() {
    const std::string path = FExeDir + kChannelFile;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) {
        listReadWhole_ = true;
        return true;
    }
    const std::string backup = FreeBackupName();
    if (!KeepBackup(path, backup))
        return false;
    listReadWhole_ = true;
    // A regular file that was not read at all is too large.
    listUnread_ = Channels->Count() == 0 && static_cast<std::size_t>(st.st_size) > kMaxChannelFileBytes;
    const char* text = listUnread_
                           ? "The channel list is larger than 16 MB and was not read. The file is kept as:"
                           : "Part of the channel list could not be read. The file as it was is kept as:";
    QTimer::singleShot(0, this, [this, text, backup] {
        Guarded([&] {
            ShowOkBox(this, QMessageBox::Information, "Information", text, QString::fromStdString(backup));
        });
    });
    return true;
}

// A file that was not read whole is kept first (KeepUnreadList), when that
// could not be done at the start.
bool TForm1::SaveChannelList() {
    const std::string path = FExeDir + kChannelFile;
    if (!listReadWhole_ && !KeepUnreadList())
        return false;
    if (!WriteFileReplacing(path, JoinLines(Channels->AllItems())))
        return false;
    listUnread_ = false;
    return true;
}

// Every address of an OPML file that the list lacks is added; a file that
// is no OPML, or broken XML, changes nothing.
void TForm1::ImportChannels(const std::string& fileName) {
    TOpmlAddresses found;
    try {
        found = ReadOpml(fileName);
    } catch (const std::exception& e) {
        ShowOkBox(this, QMessageBox::Warning, "Warning", "Could not import the channels",
                  ToQString(ReasonOf(e, "The file")));
        return;
    }
    // Compared in their folded form, in one pass: an import of thousands
    // takes no longer than reading them.
    TFoldedAddresses listed(Channels->AllItems());
    std::vector<std::string> adding;
    for (std::string& address : found.Addresses)
        if (listed.Insert(address))
            adding.push_back(std::move(address));
    const std::size_t added = adding.size();
    if (added > 0) {
        Channels->AddMany(adding);
        ShowChannelList();
        Channels->SelectOnly(Channels->Count() - 1);
        SaveAfterChange();
    }
    const std::size_t skipped = found.Addresses.size() - added + static_cast<std::size_t>(found.Rejected);
    const std::string said =
        "Added " + std::to_string(added) + " channels, skipped " + std::to_string(skipped) +
        (found.Rejected > 0 ? " (already in the list or no feed address)." : " already in the list.");
    ShowOkBox(this, QMessageBox::Information, "Information", said.c_str());
}

// The list as OPML 2.0, written as a new file that takes the old one's place.
bool TForm1::ExportChannels(const std::string& fileName) {
    const std::vector<std::string> addresses = Channels->AllItems();
    std::vector<std::string> titles;
    for (const std::string& address : addresses) {
        const auto found = summaries_.find(address);
        titles.push_back(found == summaries_.end() ? std::string() : found->second.Title);
    }
    if (WriteFileReplacing(fileName, OpmlDocument(addresses, titles)))
        return true;
    ShowOkBox(this, QMessageBox::Warning, "Warning", "Could not export the channels",
              QString::fromStdString(fileName));
    return false;
}

// Letter case is compared as Unicode folds it, so "Ł" matches "ł" too.
int TForm1::IndexOfChannel(const std::string& address) const {
    const QString shown = ToQString(address);
    for (int i = 0; i < Channels->Count(); ++i)
        if (ToQString(Channels->Items(i)).compare(shown, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// Addresses from the command line or from a later start: each that is new
// is added and saved at once, whatever runs, since the start that handed
// them over has ended; the last one is then fetched, once a fetch or a
// dialog under way is over.
void TForm1::TakeAddresses(const std::vector<std::string>& addresses) {
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    std::string last;
    bool added = false;
    for (const std::string& argument : addresses) {
        last = AddressFromCommandLine(argument);
        if (IndexOfChannel(last) < 0) {
            Channels->Add(last);
            ShowChannelEntry(Channels->Count() - 1);
            added = true;
        }
    }
    // During a fetch no box could be answered: a failure waits for the close.
    if (added && TBusyWindow::Active())
        SaveChannelList();
    else if (added)
        SaveAfterChange();
    if (!addresses.empty())
        FetchWhenFree(last);
}

void TForm1::FetchWhenFree(const std::string& address) {
    if (ending_)
        return;
    if (TBusyWindow::Active() || QApplication::activeModalWidget()) {
        QTimer::singleShot(200, this, [this, address] { Guarded([&] { FetchWhenFree(address); }); });
        return;
    }
    const int index = IndexOfChannel(address);
    if (index < 0)
        return;  // removed meanwhile
    Channels->SelectOnly(index);
    ChannelsDblClick(Channels);
}

void TForm1::AddButtonClick(QObject*) {
    QInputDialog box(this);
    MakeTransientFor(&box, this);
    box.setInputMode(QInputDialog::TextInput);
    box.setWindowTitle("Add new channel");
    box.setLabelText("Address:");
    box.setTextValue("");
    box.setOkButtonText("OK");
    box.setCancelButtonText("Cancel");
    if (auto* edit = box.findChild<QLineEdit*>()) {
        edit->setMaxLength(255);
        // Room for the caption in the title bar and for a feed's address.
        edit->setMinimumWidth(360);
    }
    if (auto* buttons = box.findChild<QDialogButtonBox*>())
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
            ok->setDefault(true);
    CentreOnScreen(&box);
    if (box.exec() != QDialog::Accepted)
        return;

    // "example.org/blog" is taken as https's.
    std::string entry = TypedAddress(FromQString(box.textValue()));
    // An address that is there already is shown instead of added twice.
    if (const int index = IndexOfChannel(entry); index >= 0) {
        Channels->SelectOnly(index);
        ShowOkBox(this, QMessageBox::Information, "Information", "The channel is in the list already.");
        return;
    }
    Channels->Add(entry);
    ShowChannelEntry(Channels->Count() - 1);
    Channels->SelectOnly(Channels->Count() - 1);
    SaveAfterChange();
    // A new channel is read at once, beside the window.
    if (HasStore() && IsWebAddress(entry)) {
        Store->Refresh({entry}, true);
        ShowRefreshProgress();
    }
}

void TForm1::Usuwszystkie1Click(QObject*) {
    if (!removals_.RemoveSelected(*Channels))
        return;
    UndoRemove1->setEnabled(true);
    SaveAfterChange();
}

void TForm1::UndoRemove1Click(QObject*) {
    if (!removals_.Undo(*Channels))
        return;
    ShowChannelList();
    UndoRemove1->setEnabled(false);
    SaveAfterChange();
}

// Every change of the list is saved at once, so that a session that ends
// without a close (a kill, a lost display) loses nothing. A failure is told
// once, until a save succeeds again; the close still asks.
void TForm1::SaveAfterChange() {
    if (SaveChannelList()) {
        saveFailureTold_ = false;
        return;
    }
    if (saveFailureTold_)
        return;
    saveFailureTold_ = true;
    ShowOkBox(this, QMessageBox::Warning, "Warning", "Could not save channel list!",
              QString::fromStdString(FExeDir + kChannelFile));
}

// The session ends (an end signal): open dialogs are closed, the innermost
// first, a fetch is cancelled, and the window closes and saves without
// asking. Each step waits for the one before to unwind.
void TForm1::EndSession() {
    ending_ = true;
    TBusyWindow::RequestCancel();
    auto* step = new QTimer(this);
    connect(step, &QTimer::timeout, this, [this, step] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
            return;
        }
        if (TBusyWindow::Active())
            return;
        step->stop();
        step->deleteLater();
        close();
    });
    step->start(10);
}

void TForm1::FormClose(QObject*, TCloseAction& Action) {
    // A list too large to read is not replaced by the empty list.
    if ((listUnread_ && Channels->Count() == 0) || SaveChannelList() || ending_)
        return;
    QMessageBox box(QMessageBox::Critical, "Error", "Could not save channel list! Do you still want to exit?",
                    QMessageBox::NoButton, this);
    MakeTransientFor(&box, this);
    QPushButton* yes = box.addButton("&Yes", QMessageBox::YesRole);
    QPushButton* no = box.addButton("&No", QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    if (box.clickedButton() == no)
        Action = caNone;
}

// Fetches the channel of the current entry; without one (an empty list)
// nothing happens. A failure shows its reason beneath the warning; a fetch
// the user cancelled shows nothing.
void TForm1::ChannelsDblClick(QObject*) {
    if (Channels->ItemIndex() < 0)
        return;
    const int index = Channels->ItemIndex();
    const std::string address = Channels->Items(index);
    // With a store, a web channel is fetched beside the window, ahead of
    // any refresh under way; the window stays free, and RefreshLanded
    // shows the result or the failure.
    if (HasStore() && IsWebAddress(address)) {
        ShowStoredChannel();
        askedFetches_.insert(address);
        Store->Refresh({address}, true);
        ShowRefreshProgress();
        return;
    }
    ResetTitles();
    Message->SetText("");
    // A failed or cancelled fetch shows again what the store holds, and
    // the store keeps the failure's reason with the channel.
    const auto failed = [this, &address](const std::string& reason) {
        ShowStoredChannel();
        if (HasStore() && !reason.empty()) {
            Store->NoteFailure(address, reason);
            summaries_[address].Failure = reason;
            summaries_[address].FailedAt = StoreNow();
            ShowChannelList();
        }
    };
    try {
        if (IsWebAddress(address) || IsFileAddress(address)) {
            GetChannel(address);
            // A site's page gave its feed: the entry becomes the feed's
            // address, unless the list holds that already.
            if (readAddress_ != address && IndexOfChannel(readAddress_) < 0 && index < Channels->Count() &&
                Channels->Items(index) == address) {
                Channels->SetItem(index, readAddress_);
                SaveAfterChange();
            }
        }
    } catch (const TFetchCancelled&) {
        failed({});
    } catch (const std::exception& e) {
        const std::string reason = ReasonOf(e);
        failed(reason);
        ShowOkBox(this, QMessageBox::Warning, "Warning", "Could not fetch the channel", ToQString(reason));
    } catch (...) {
        failed("The fetch failed");
        ShowOkBox(this, QMessageBox::Warning, "Warning", "Could not fetch the channel");
    }
    if (closeRequested_) {
        closeRequested_ = false;
        close();
    }
}

// The channel fetch.

// The document is gone before the grid is filled, so that the tree, the
// records and the grid of a large feed are never all held at once; what the
// fetch freed goes back to the system on every exit.
void TForm1::GetChannel(const std::string& Address) {
    const TMemoryReturn giveBack;
    // The grid is reset and shows none of them: the old records go before
    // the new document is read, so a refresh peaks no higher than a first
    // fetch.
    FChannel.Clear();
    ::malloc_trim(0);
    std::optional<TWaitCursor> busy(std::in_place);
    std::optional<TBusyWindow> input(std::in_place);
    std::optional<TDownloadProgress> progress(std::in_place, DateLabel);
    const auto pulse = [&progress](std::uint64_t received) {
        TBusyWindow::Pulse();
        if (TBusyWindow::CancelRequested())
            throw TFetchCancelled();
        progress->Show(received);
    };
    // Each item is read as the parse completes it: the tree of a large feed
    // is never held whole.
    readAddress_ = Address;
    const TChannelFormat format = IsFileAddress(Address)
                                      ? ReadLocalChannel(Address, FChannel, ShortDateFormat)
                                      : DownloadChannel(Address, FCacheDir + kDownloadFile, FChannel,
                                                        ShortDateFormat, pulse, &readAddress_);
    progress.reset();
    if (format != TChannelFormat::cfUnsupported) {
        TBusyWindow::Pulse();
        if (TBusyWindow::CancelRequested())
            throw TFetchCancelled();
        // Until an item is selected the text view says where the feed was
        // found and why it is broken, without a box to answer.
        SetNotice(readAddress_, readAddress_ != Address ? readAddress_ : std::string(),
                  std::string(FChannel.Malformed));
        // With a store the channel is merged into it, under the address it
        // was read from, and its stored items are shown once the merge is
        // written (StoreMerged).
        if (HasStore()) {
            Store->Merge(readAddress_, format, std::exchange(FChannel, TRSS()));
        } else {
            ShowChannel(format);
            Message->SetText(notice_);
        }
        return;
    }
    // The box waits for the user: the pointer is no longer busy.
    input.reset();
    busy.reset();
    if (HasStore()) {
        ShowStoredChannel();
        Store->NoteFailure(Address, "Unsupported channel format");
    }
    ShowOkBox(this, QMessageBox::Critical, "Error", "Unsupported channel format");
}

void TForm1::GetChannelRss(TVexXMLParser& Parser) {
    ReadChannelRss(Parser, FChannel);
    ShowChannel(TChannelFormat::cfRss);
}

void TForm1::GetChannelAtom(TVexXMLParser& Parser) {
    ReadChannelAtom(Parser, FChannel, ShortDateFormat);
    ShowChannel(TChannelFormat::cfAtom);
}

// The grid is touched only once every item has been read, so a failed read
// leaves it as the caller emptied it.
void TForm1::ShowChannel(TChannelFormat format) {
    const bool rss = format == TChannelFormat::cfRss;
    Titles->Rows().SetUnreadMarks({}, {});
    Titles->SetColCount(rss ? 2 : 1);
    if (!FChannel.News.empty()) {
        std::vector<TGridRow> rows(FChannel.News.size());
        newsRows_.resize(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const TRSSItem& item = FChannel.News[i];
            rows[i].Cells[0] = item.Title;
            if (rss)
                rows[i].Cells[1] = item.Category;
            rows[i].Date = item.Date;
            newsRows_[i] = i;
        }
        OrderRows(rows);
        titlesReset_ = false;
        Titles->Rows().SetRows(std::move(rows));
        Titles->clearSelection();
    }
    AlignForm();
}

void TForm1::ChannelsDrawItem(QObject*, int, QRect, int) {}

void TForm1::Button1Click(QObject*) { ShowAboutBox(this); }

// The news list and the text view.

void TForm1::ResetTitles() {
    // Marked first: dropping rows moves the grid's current cell, and the
    // selection that reports must not show the old item 0.
    titlesReset_ = true;
    shownRows_.clear();
    newsRows_.clear();
    Titles->SetRowCount(1);
    Titles->Rows().SetLook(0, false, false);
    Titles->SetCells(0, 0, "");
    Titles->SetCells(1, 0, "");
    // The empty row belongs to no item: it shows no selection, and no date
    // of an item (the caption of the start stays until a date has shown).
    Titles->clearSelection();
    if (DateLabel->text() != kStartDateCaption)
        DateLabel->SetCaption("");
}

void TForm1::TitlesAdd(std::string_view first, std::string_view second) {
    int row = 0;
    if (titlesReset_) {
        titlesReset_ = false;
    } else {
        row = Titles->RowCount();
        Titles->SetRowCount(row + 1);
    }
    Titles->SetCells(0, row, first);
    Titles->SetCells(1, row, second);
    if (!newsRows_.empty())
        newsRows_.push_back(static_cast<std::size_t>(row));
}

void TForm1::TitlesSelectCell(QObject*, int, int ARow, bool&) {
    if (!shownRows_.empty()) {
        ShowStoredItem(ARow);
        return;
    }
    const int shown = NewsItemOfRow(ARow);
    if (shown < 0)
        return;
    const TRSSItem& item = FChannel.News[static_cast<std::size_t>(shown)];
    TItemText text{std::string(item.Title),
                   FormatDateYmd(item.Date),
                   std::string(item.Description),
                   std::string(item.Link),
                   {}};
    for (const TEnclosure& enclosure : item.Enclosures)
        text.Enclosures.push_back(
            {std::string(enclosure.Url), std::string(enclosure.Type), enclosure.Length});
    Message->ShowItem(std::move(text));
    DateLabel->SetCaption(ToQString(FormatDateYmd(item.Date)));
}

// Tabbing into the grid marks a row, and shows its item, as a click would:
// the current row, or the first. The reset row belongs to no item and stays
// unmarked.
void TForm1::TitlesFocusEntered() {
    if (titlesReset_ || Titles->selectionModel()->hasSelection())
        return;
    const int row = std::max(Titles->currentRow(), 0);
    Titles->setCurrentCell(row, 0);
    Titles->selectRow(row);
    bool canSelect = true;
    TitlesSelectCell(Titles, 0, row, canSelect);
}

void TForm1::TitlesEnter(int row) {
    if (const std::string link = LinkOfRow(row); !link.empty())
        OpenInBrowser(link);
}

void TForm1::TitlesTopLeftChanged(QObject*) {
    if (Titles->LeftCol() != 0)
        Titles->SetLeftCol(0);
}

void TForm1::UsuHTML1Click(QObject*) {
    Message->SetPlainMode(UsuHTML1->isChecked());
    OpenSettings()->setValue(kPlainTextKey, UsuHTML1->isChecked());
}

void TForm1::MessageMouseMove(QObject*, TShiftState, int X, int Y) {
    if (Message->Text().empty())
        return;
    bool link = !Message->LinkAt(QPoint(X, Y)).empty() || IsLinkWord(GetWordAtMouseCursor(X, Y));
    Message->viewport()->setCursor(link ? Qt::PointingHandCursor : Qt::IBeamCursor);
}

std::string TForm1::GetWordAtMouseCursor(int X, int Y) const {
    std::size_t index = Message->CharFromPos(QPoint(X, Y));
    return ExtractWordAt(Message->Text(), index + 1);
}

void TForm1::MessageDblClick(QObject*) {
    std::string selected = Message->SelText();
    if (IsLinkWord(selected))
        OpenInBrowser(selected);
    // Anywhere on an enclosure's line opens the enclosure.
    else if (const std::string enclosure = EnclosureAt(Message->Text(), Message->SelStart());
             !enclosure.empty())
        OpenInBrowser(enclosure);
}

void TForm1::MessageClick(QObject*) {}

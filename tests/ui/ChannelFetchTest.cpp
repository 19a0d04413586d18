// A double click on a channel, end to end: the window downloads from a
// loopback server, parses, reads and fills the news list, or shows its
// message boxes, which the tests answer as the user would.
#include "Support.h"
#include "support/TestHttpServer.h"
#include "ui/MainWindow.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace {

const char kRss[] = R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0">
  <channel>
    <title>Wiadomości</title>
    <link>http://example.pl/</link>
    <description>Channel text</description>
    <language>pl</language>
    <item>
      <category>kraj</category>
      <title>Pierwsza</title>
      <description>Line one
line two</description>
      <link>http://example.pl/1</link>
      <guid>g1</guid>
      <pubDate>Mon, 07 Dec 2026 22:03:49 GMT</pubDate>
    </item>
    <item>
      <category>świat</category>
      <title>Druga — Вторая — 二番目 🎉</title>
      <description>Second</description>
      <link>http://example.pl/2</link>
      <pubDate>Tue, 01 Mar 2011 08:00:00 GMT</pubDate>
    </item>
  </channel>
</rss>
)";

const char kAtom[] = R"(<?xml version="1.0" encoding="utf-8"?>
<feed xmlns="http://www.w3.org/2005/Atom">
  <title>Atom channel</title>
  <link>http://example.org/</link>
  <entry>
    <title>Entry one</title>
    <summary>Summary one</summary>
    <link>http://example.org/1</link>
    <id>urn:1</id>
    <updated>2026-12-07T22:03:49Z</updated>
  </entry>
  <entry>
    <title>Entry two</title>
    <summary>Summary two</summary>
    <link>http://example.org/2</link>
    <updated>2025-01-31T00:00:00Z</updated>
  </entry>
  <entry>
    <title>Entry three</title>
    <summary>Summary three</summary>
    <link>http://example.org/3</link>
    <updated>2024-02-29</updated>
  </entry>
</feed>
)";

const TShortDateFormat kYmdHyphen{TDateOrder::doYMD, '-'};

// A port on 127.0.0.1 that nobody listens on.
int ClosedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

// One message box as it appeared.
struct Box {
    QMessageBox::Icon icon;
    QString caption;
    QString text;
    QString detail;  // the reason beneath the text
    QStringList buttons;
    bool busyPointer;  // the wait cursor was on while the box waited
    bool centred;      // in the middle of the screen
};

// Answers every message box that opens while it lives with its default
// button, and keeps what each one showed.
class BoxRecorder {
public:
    BoxRecorder() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            QPoint offset = box->frameGeometry().center() -
                            QGuiApplication::primaryScreen()->availableGeometry().center();
            Box seen{box->icon(),
                     box->windowTitle(),
                     box->text(),
                     box->informativeText(),
                     {},
                     QApplication::overrideCursor() != nullptr,
                     offset.manhattanLength() <= 2};
            for (QAbstractButton* button : box->buttons())
                seen.buttons << button->text();
            boxes.push_back(seen);
            box->defaultButton()->click();
        });
        timer_.start(5);
    }

    std::vector<Box> boxes;

private:
    QTimer timer_;
};

class ChannelFetch : public testing::Test {
protected:
    ChannelFetch() {
        // Requests go straight to 127.0.0.1 whatever the machine's proxy.
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                                 "ALL_PROXY", "no_proxy", "NO_PROXY"})
            ::unsetenv(name);
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
        form.ShortDateFormat = kYmdHyphen;
        server.Serve("/rss", 200, kRss);
        server.Serve("/atom", 200, kAtom);
    }

    // Adds the entry, makes it the current one and double-clicks it.
    void DoubleClick(const std::string& entry) {
        form.Channels->Add(entry);
        DoubleClickRow(form.Channels->Count() - 1);
    }

    void DoubleClickRow(int row) {
        QWidget* list = form.Channels->viewport();
        QPoint at = row < 0 ? QPoint(5, list->height() - 5)
                            : form.Channels->visualItemRect(form.Channels->item(row)).center();
        SendMouse(list, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        SendMouse(list, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
        SendMouse(list, QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
        SendMouse(list, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
        WaitForFetch();
    }

    // The fetch runs beside the window, which takes events meanwhile; the
    // channel shows once its merge into the store is written.
    void WaitForFetch() {
        QElapsedTimer clock;
        clock.start();
        while (form.Store->RefreshProgress().Done < form.Store->RefreshProgress().Total &&
               clock.elapsed() < 20000)
            QTest::qWait(5);
        form.Store->WaitForRefresh();
        // A box of the outcome opens once the window is free.
        QCoreApplication::processEvents();
    }

    void ClickTitle(int row) {
        QRect cell = form.Titles->visualRect(form.Titles->model()->index(row, 0));
        QTest::mouseClick(form.Titles->viewport(), Qt::LeftButton, {}, cell.center());
    }

    void ExpectResetState() {
        EXPECT_EQ(form.Titles->RowCount(), 1);
        EXPECT_FALSE(form.Titles->selectionModel()->hasSelection());  // the row belongs to no item
        EXPECT_EQ(form.Titles->Cells(0, 0), "");
        EXPECT_EQ(form.Titles->Cells(1, 0), "");
        EXPECT_EQ(form.Message->Text(), "");
    }

    TestHttpServer server;
    TempDir dir;
    TForm1 form{dir.Dir()};
};

}  // namespace

TEST_F(ChannelFetch, RssAndAtomFillTheGridOneAfterTheOther) {
    BoxRecorder recorder;
    DoubleClick(server.Url("/rss"));
    ASSERT_EQ(form.Titles->RowCount(), 2);
    EXPECT_EQ(form.Titles->ColCount(), 2);
    EXPECT_EQ(form.Titles->Cells(0, 0), "Pierwsza");
    EXPECT_EQ(form.Titles->Cells(1, 0), "kraj");
    EXPECT_EQ(form.Titles->Cells(1, 1), "świat");
    // Every script reaches the grid as written.
    EXPECT_EQ(form.Titles->model()->index(1, 0).data().toString(),
              QString::fromUtf8("Druga — Вторая — 二番目 🎉"));
    EXPECT_FALSE(form.Titles->isColumnHidden(ncCategory));
    // The list shows the channel's title and unread count, in bold.
    const QListWidgetItem* entry = form.Channels->item(0);
    EXPECT_EQ(entry->text(), QString::fromUtf8("Wiadomości (2)"));
    EXPECT_TRUE(entry->font().bold());
    // Filling the grid selects nothing by itself.
    EXPECT_EQ(form.Message->Text(), "");
    EXPECT_EQ(form.DateLabel->text(), "0");
    ClickTitle(0);
    EXPECT_EQ(form.Message->Text(), "Pierwsza\r\n2026-12-07\r\nLine one line two\r\nhttp://example.pl/1");
    EXPECT_EQ(form.DateLabel->text(), "2026-12-07");
    // The item is read at once: its row and the channel's count change.
    EXPECT_FALSE(form.Titles->model()->index(0, 0).data(Qt::FontRole).value<QFont>().bold());
    EXPECT_TRUE(form.Titles->model()->index(1, 0).data(Qt::FontRole).value<QFont>().bold());
    EXPECT_EQ(entry->text(), QString::fromUtf8("Wiadomości (1)"));

    // The second channel takes the grid's place; the date label is emptied
    // with the grid, as it shows no item.
    DoubleClick(server.Url("/atom"));
    EXPECT_EQ(form.DateLabel->text(), "");
    ASSERT_EQ(form.Titles->RowCount(), 3);
    EXPECT_EQ(form.Titles->ColCount(), 1);
    EXPECT_TRUE(form.Titles->isColumnHidden(ncCategory));
    EXPECT_EQ(form.Titles->Cells(0, 2), "Entry three");
    EXPECT_EQ(form.Titles->Cells(1, 0), "");
    EXPECT_EQ(form.Channels->item(1)->text(), "Atom channel (3)");
    ClickTitle(1);
    EXPECT_EQ(form.Message->Text(), "Entry two\r\n2025-01-31\r\nSummary two\r\nhttp://example.org/2");
    EXPECT_EQ(form.DateLabel->text(), "2025-01-31");
    ClickTitle(2);
    EXPECT_EQ(form.DateLabel->text(), "2024-02-29");

    EXPECT_TRUE(recorder.boxes.empty());
    EXPECT_EQ(server.Requests().size(), 2u);

    // A file:// address (a file given on the command line) is read from the
    // disk, also again.
    WriteBytes(dir.File("local feed.xml"), kRss);
    DoubleClick("file://" + dir.File("local%20feed.xml"));
    EXPECT_EQ(form.Titles->RowCount(), 2);
    EXPECT_EQ(form.Titles->Cells(0, 0), "Pierwsza");
    DoubleClick("file://" + dir.File("no such feed.xml"));
    EXPECT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(server.Requests().size(), 2u);
}

TEST_F(ChannelFetch, OtherRootNamesAreUnsupported) {
    const struct {
        const char* name;
        std::string body;
    } cases[] = {
        {"RSS", "<?xml version=\"1.0\"?><RSS><channel><title>t</title><link>l</link></channel></RSS>"},
        {"Rss", "<?xml version=\"1.0\"?><Rss><channel><title>t</title><link>l</link></channel></Rss>"},
        {"FEED", "<?xml version=\"1.0\"?><FEED><title>t</title><link>l</link></FEED>"},
        {"an error page", "<html><head><title>404</title></head><body>Not Found</body></html>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // A channel on show first, so that the reset can be seen.
        DoubleClick(server.Url("/rss"));
        ASSERT_EQ(form.Titles->RowCount(), 2);
        ClickTitle(1);
        server.Serve("/other", 200, c.body);
        BoxRecorder recorder;
        DoubleClick(server.Url("/other"));
        ASSERT_EQ(recorder.boxes.size(), 1u);
        const Box& box = recorder.boxes[0];
        EXPECT_EQ(box.text, "Unsupported channel format");
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.icon, QMessageBox::Critical);
        EXPECT_EQ(box.buttons, QStringList{"OK"});
        EXPECT_FALSE(box.busyPointer);
        EXPECT_TRUE(box.centred);
        ExpectResetState();
        EXPECT_EQ(form.DateLabel->text(), "");
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

TEST_F(ChannelFetch, EveryFailureGivesOneWarning) {
    server.Serve("/empty", 200, "");
    // A broken page is not read as a feed.
    server.Serve("/page", 200, "<html><body><p>R&D</body></html>");
    const std::string unreachable = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/rss";
    const std::string addresses[] = {
        server.Url("/empty"),
        server.Url("/page"),
        server.Url("/missing"),
        unreachable,
    };
    for (const std::string& address : addresses) {
        SCOPED_TRACE(address);
        DoubleClick(server.Url("/rss"));
        ClickTitle(0);
        BoxRecorder recorder;
        DoubleClick(address);
        ASSERT_EQ(recorder.boxes.size(), 1u);
        const Box& box = recorder.boxes[0];
        EXPECT_EQ(box.text, "Could not fetch the channel");
        EXPECT_FALSE(box.detail.isEmpty());
        if (address == server.Url("/missing")) {
            EXPECT_EQ(box.detail, "The server answered 404 Not Found");
        }
        if (address == server.Url("/entity")) {
            EXPECT_EQ(box.detail.toStdString(),
                      "The feed is not well-formed XML (line 5, column 26): an unknown entity reference");
        }
        EXPECT_EQ(box.caption, "Warning");
        EXPECT_EQ(box.icon, QMessageBox::Warning);
        EXPECT_EQ(box.buttons, QStringList{"OK"});
        EXPECT_FALSE(box.busyPointer);
        ExpectResetState();
        EXPECT_EQ(form.DateLabel->text(), "");
        // The reset row still belongs to no item.
        ClickTitle(0);
        EXPECT_EQ(form.Message->Text(), "");
    }
    // Nothing is downloaded into "temp.xml": a fetch's body has no name.
    EXPECT_FALSE(std::filesystem::exists(dir.File("temp.xml")));
}

// A feed cut short shows what came, and says why it is broken, without a
// box; a site's page gives its feed, whose address the entry takes.
TEST_F(ChannelFetch, ABrokenFeedAndASitesPageAreRead) {
    server.Cut("/cut", std::string(kRss).substr(0, 400), sizeof kRss);
    server.Serve(
        "/blog/", 200,
        "<!DOCTYPE html><html><head><link rel=\"alternate\" type=\"application/rss+xml\" href=\"../cut\">"
        "</head></html>",
        {{"Content-Type", "text/html"}});
    BoxRecorder recorder;
    DoubleClick(server.Url("/blog/"));
    EXPECT_TRUE(recorder.boxes.empty());
    EXPECT_GE(form.Titles->RowCount(), 1);
    EXPECT_NE(form.Titles->Cells(0, 0), "");
    const std::string notice = form.Message->Text();
    EXPECT_TRUE(notice.starts_with("Found the feed at " + server.Url("/cut") +
                                   "\r\n\r\nThe feed is not well-formed XML (line "))
        << notice;
    EXPECT_TRUE(notice.ends_with("\r\nWhat could be read is shown.")) << notice;
    EXPECT_EQ(form.Channels->Items(form.Channels->Count() - 1), server.Url("/cut"));
    EXPECT_NE(ReadBytes(dir.File("channels.lst")).find(server.Url("/cut")), std::string::npos);
    // Selecting an item shows the item instead.
    ClickTitle(0);
    EXPECT_EQ(form.Message->Text().find("well-formed"), std::string::npos);
}

TEST_F(ChannelFetch, AnAtomFeedReadsInAnotherDateFormat) {
    form.ShortDateFormat = {TDateOrder::doDMY, '.'};
    BoxRecorder recorder;
    DoubleClick(server.Url("/atom"));
    EXPECT_TRUE(recorder.boxes.empty());
    ASSERT_EQ(form.Titles->RowCount(), 3);
    ClickTitle(2);
    EXPECT_EQ(form.DateLabel->text(), "2024-02-29");
}

TEST_F(ChannelFetch, OnlyWebAddressesAreFetched) {
    const std::string entries[] = {
        "",
        "ftp://127.0.0.1:" + std::to_string(server.Port()) + "/rss",
        "httpx://127.0.0.1:" + std::to_string(server.Port()) + "/rss",
        " " + server.Url("/rss"),
        "127.0.0.1:" + std::to_string(server.Port()) + "/rss",
    };
    for (const std::string& entry : entries) {
        SCOPED_TRACE(entry);
        form.TitlesAdd("shown", "[before]");
        form.TitlesAdd("second", "[before]");
        form.Message->SetText("text");
        BoxRecorder recorder;
        DoubleClick(entry);
        EXPECT_TRUE(recorder.boxes.empty());
        ExpectResetState();
    }
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_FALSE(std::filesystem::exists(dir.File("temp.xml")));
    // The scheme in any letter case.
    DoubleClick("HTTP://127.0.0.1:" + std::to_string(server.Port()) + "/rss");
    EXPECT_EQ(form.Titles->RowCount(), 2);
}

TEST_F(ChannelFetch, ReturnFetchesTheChannelAndNoEntryFetchesNothing) {
    // A double click below the entries of an empty list does nothing.
    form.TitlesAdd("kept", "[row]");
    form.Message->SetText("kept text");
    BoxRecorder recorder;
    DoubleClickRow(-1);
    EXPECT_TRUE(recorder.boxes.empty());
    EXPECT_EQ(form.Titles->Cells(0, 0), "kept");
    EXPECT_EQ(form.Message->Text(), "kept text");

    // Return on the selected entry does what a double click does.
    form.Channels->Add(server.Url("/rss"));
    form.Channels->SelectOnly(0);
    form.Channels->setFocus();
    QTest::keyClick(form.Channels, Qt::Key_Return);
    WaitForFetch();
    EXPECT_EQ(form.Titles->RowCount(), 2);
    EXPECT_EQ(server.Requests().size(), 1u);

    // A click on blank space unselects the entry: Return and a double click
    // there fetch nothing.
    DoubleClickRow(-1);
    QTest::keyClick(form.Channels, Qt::Key_Enter);
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_TRUE(recorder.boxes.empty());
}

TEST_F(ChannelFetch, AChannelWithoutItemsLeavesTheResetRow) {
    server.Serve("/rss-empty", 200,
                 "<?xml version=\"1.0\"?><rss><channel><title>t</title><link>l</link>"
                 "<Item><title>not an item</title></Item></channel></rss>");
    server.Serve("/atom-empty", 200, "<?xml version=\"1.0\"?><feed><title>t</title><link>l</link></feed>");
    const struct {
        const char* path;
        int columns;
    } cases[] = {{"/rss-empty", 2}, {"/atom-empty", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        DoubleClick(server.Url("/rss"));
        ClickTitle(1);
        DoubleClick(server.Url(c.path));
        EXPECT_EQ(form.Titles->ColCount(), c.columns);
        EXPECT_TRUE(form.FChannel.News.empty());
        ExpectResetState();
        ClickTitle(0);
        EXPECT_EQ(form.Message->Text(), "");
        EXPECT_EQ(form.DateLabel->text(), "");
    }
}

// During a slow download the window is free: no busy pointer, the list's
// caption tells the progress, and a click on the channel on show reads its
// item at once.
TEST_F(ChannelFetch, TheWindowTakesInputDuringAFetch) {
    DoubleClick(server.Url("/rss"));
    ASSERT_EQ(form.Titles->RowCount(), 2);
    TestHttpServer::Response slow;
    slow.Body = kAtom;
    slow.DelayMs = 1000;
    server.Script("/slow", slow);
    form.Channels->Add(server.Url("/slow"));
    form.Channels->SelectOnly(1);
    form.Channels->setFocus();
    QTest::keyClick(form.Channels, Qt::Key_Return);
    QTest::qWait(200);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(form.LeftPanel->Caption(), "Refreshing 1 of 1");
    form.Channels->SelectOnly(0);
    ClickTitle(1);
    EXPECT_EQ(form.DateLabel->text(), "2011-03-01");
    WaitForFetch();
    EXPECT_EQ(form.LeftPanel->Caption(), "Channels");
    EXPECT_EQ(form.Channels->item(1)->text(), "Atom channel (3)");
    // The channel read meanwhile stays on show, its item selected.
    EXPECT_EQ(form.Titles->RowCount(), 2);
    EXPECT_EQ(form.Titles->currentRow(), 1);
}

// Escape and the close box end a download that would wait for a minute: no
// warning, the window ready for more (a close closes and saves the list).
TEST_F(ChannelFetch, EscapeOrACloseCancelsAFetch) {
    server.StaySilent("/silent");
    DoubleClick(server.Url("/rss"));
    ASSERT_EQ(form.Titles->RowCount(), 2);
    const QString date = form.DateLabel->text();
    QString shownDuring;
    for (bool byClose : {false, true}) {
        SCOPED_TRACE(byClose);
        BoxRecorder recorder;
        QTimer::singleShot(300, [&] {
            shownDuring = form.LeftPanel->Caption();
            if (byClose)
                form.close();
            else
                QCoreApplication::postEvent(form.Channels,
                                            new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, {}));
        });
        QElapsedTimer clock;
        clock.start();
        DoubleClick(server.Url("/silent"));
        EXPECT_LT(clock.elapsed(), 10000);  // not the minute of the stall limit
        EXPECT_TRUE(recorder.boxes.empty());
        EXPECT_EQ(shownDuring, "Refreshing 1 of 1");
        if (!byClose) {
            ExpectResetState();
            EXPECT_EQ(form.DateLabel->text(), date);
            EXPECT_TRUE(form.isVisible());
        }
    }
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(ReadBytes(dir.File("channels.lst")),
              server.Url("/rss") + "\r\n" + server.Url("/silent") + "\r\n" + server.Url("/silent") + "\r\n");
}

// The window over the item store: titles and unread counts in the list,
// read marks by selection and by key, and what outlives the window.
#include "Support.h"
#include "support/TestHttpServer.h"
#include "ui/Browser.h"
#include "ui/MainWindow.h"

#include <QClipboard>
#include <QHeaderView>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const char kRss[] = R"(<?xml version="1.0"?><rss><channel><title>Rss channel</title><link>l</link>
<item><title>r1</title><guid>1</guid><link>http://r.pl/1</link><pubDate>Mon, 07 Dec 2026 10:00:00 GMT</pubDate></item>
<item><title>r2</title><guid>2</guid><link>http://r.pl/2</link><pubDate>Sun, 06 Dec 2026 10:00:00 GMT</pubDate></item>
<item><title>r3</title><guid>3</guid><link>http://r.pl/3</link><pubDate>Sat, 05 Dec 2026 10:00:00 GMT</pubDate></item>
</channel></rss>)";

const char kAtom[] = R"(<?xml version="1.0"?><feed><title>Atom channel</title>
<entry><title>a1</title><id>1</id><updated>2026-12-07T10:00:00Z</updated></entry>
<entry><title>a2</title><id>2</id><updated>2026-12-06T10:00:00Z</updated></entry>
</feed>)";

class StoredItems : public testing::Test {
protected:
    StoredItems() {
        for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
            ::unsetenv(name);
        server.Serve("/rss", 200, kRss);
        server.Serve("/atom", 200, kAtom);
        WriteBytes(dir.File("channels.lst"), server.Url("/rss") + "\n" + server.Url("/atom") + "\n");
    }

    // active: the window takes the keys (no box is open over it).
    std::unique_ptr<TForm1> Open(bool active = true) {
        auto form = std::make_unique<TForm1>(dir.Dir());
        form->show();
        form->activateWindow();
        EXPECT_TRUE(active ? QTest::qWaitForWindowActive(form.get())
                           : QTest::qWaitForWindowExposed(form.get()));
        return form;
    }

    static QString Entry(TForm1& form, int index) { return form.Channels->item(index)->text(); }
    static std::vector<std::string> Titles(TForm1& form) {
        std::vector<std::string> titles;
        for (int row = 0; row < form.Titles->RowCount(); ++row)
            titles.push_back(form.Titles->Cells(0, row));
        return titles;
    }
    static void ClickHeader(TForm1& form, int column) {
        QHeaderView* header = form.Titles->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
    }
    static void ClickRow(TForm1& form, int row) {
        const QRect cell = form.Titles->visualRect(form.Titles->model()->index(row, 0));
        QTest::mouseClick(form.Titles->viewport(), Qt::LeftButton, {}, cell.center());
    }
    static bool Bold(TForm1& form, int row) {
        return form.Titles->model()->index(row, 0).data(Qt::FontRole).value<QFont>().bold();
    }

    TestHttpServer server;
    TempDir dir;
};

TEST_F(StoredItems, MarksAndTitlesOutliveTheWindowAndNGoesAcrossChannels) {
    {
        auto form = Open();
        for (int i : {0, 1}) {
            form->Channels->SelectOnly(i);
            form->ChannelsDblClick(nullptr);
            form->Store->WaitForRefresh();
        }
        EXPECT_EQ(Entry(*form, 0), "Rss channel (3)");
        EXPECT_EQ(Entry(*form, 1), "Atom channel (2)");

        // Selecting a channel shows what the store holds; N reads on, row
        // by row, then in the next channel with unread items.
        form->Channels->SelectOnly(0);
        ASSERT_EQ(form->Titles->RowCount(), 3);
        EXPECT_TRUE(Bold(*form, 0));
        // The grid taking the focus shows, and reads, its first row.
        form->Titles->setFocus();
        EXPECT_EQ(Entry(*form, 0), "Rss channel (2)");
        for (int step = 0; step < 3; ++step)
            QTest::keyClick(form->Titles, Qt::Key_N);
        EXPECT_EQ(Entry(*form, 0), "Rss channel");
        EXPECT_FALSE(form->Channels->item(0)->font().bold());
        EXPECT_EQ(form->Channels->ItemIndex(), 1);
        EXPECT_EQ(form->Titles->currentRow(), 0);
        EXPECT_EQ(Entry(*form, 1), "Atom channel (1)");
        // M makes the read item unread again; a star shows in its row.
        QTest::keyClick(form->Titles, Qt::Key_M);
        EXPECT_EQ(Entry(*form, 1), "Atom channel (2)");
        EXPECT_TRUE(Bold(*form, 0));
        form->StarSelected(true);
        form->Store->WaitForWrites();
    }
    auto form = Open();
    EXPECT_EQ(Entry(*form, 0), "Rss channel");
    EXPECT_EQ(Entry(*form, 1), "Atom channel (2)");
    EXPECT_EQ(form->Channels->item(1)->toolTip().toStdString(), server.Url("/atom"));
    form->Channels->SelectOnly(1);
    ASSERT_EQ(form->Titles->RowCount(), 2);
    EXPECT_EQ(form->Titles->ColCount(), 1);
    EXPECT_EQ(form->Titles->model()->index(0, 0).data().toString(), QString::fromUtf8("\u2605 a1"));
    form->Channels->SelectOnly(0);
    EXPECT_FALSE(Bold(*form, 2));
    // Ctrl+Shift+A reads a whole channel.
    form->Channels->SelectOnly(1);
    QTest::keyClick(form->Channels, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Entry(*form, 1), "Atom channel");
    EXPECT_FALSE(Bold(*form, 1));

    // F5 refreshes every channel beside the window: the new item of one
    // counts, the one the server no longer has fails and says why.
    std::string more = kRss;
    more.insert(more.find("<item>"), "<item><title>r0</title><guid>0</guid></item>");
    server.Serve("/rss", 200, more);
    server.Serve("/atom", 404, "");
    QTest::keyClick(form->Channels, Qt::Key_F5);
    form->Store->WaitForRefresh();
    EXPECT_EQ(Entry(*form, 0), "Rss channel (1)");
    EXPECT_TRUE(form->Channels->item(1)->toolTip().contains("The server answered 404"));
    EXPECT_FALSE(form->Channels->item(1)->icon().isNull());
    EXPECT_EQ(form->LeftPanel->Caption(), "Channels");
}

// The rows in another order keep each its own item: what a click shows,
// what M marks, what the menu opens, and what stays selected when a
// refresh lands.
TEST_F(StoredItems, ASortedListKeepsEveryRowWithItsItem) {
    std::vector<std::string> opened;
    const TBrowserLauncher oldBrowser =
        SetBrowserLauncher([&opened](const std::string& address) { opened.push_back(address); });
    auto form = Open();
    form->Channels->SelectOnly(0);
    form->ChannelsDblClick(nullptr);
    form->Store->WaitForRefresh();
    using Texts = std::vector<std::string>;
    EXPECT_EQ(Titles(*form), (Texts{"r1", "r2", "r3"}));  // newest first
    ClickHeader(*form, ncDate);
    EXPECT_EQ(Titles(*form), (Texts{"r3", "r2", "r1"}));
    ClickRow(*form, 0);
    EXPECT_EQ(form->DateLabel->text(), "2026-12-05");
    EXPECT_EQ(Entry(*form, 0), "Rss channel (2)");
    EXPECT_FALSE(Bold(*form, 0));
    EXPECT_TRUE(Bold(*form, 2));
    QTest::keyClick(form->Titles, Qt::Key_M);
    EXPECT_TRUE(Bold(*form, 0));
    EXPECT_EQ(Entry(*form, 0), "Rss channel (3)");
    QTest::keyClick(form->Titles, Qt::Key_M);

    // By title the item being read moves, and stays selected.
    ClickHeader(*form, ncTitle);
    EXPECT_EQ(Titles(*form), (Texts{"r1", "r2", "r3"}));
    EXPECT_EQ(form->Titles->currentRow(), 2);
    EXPECT_TRUE(form->Titles->selectionModel()->isRowSelected(2, {}));
    EXPECT_FALSE(form->Titles->selectionModel()->isRowSelected(0, {}));
    EXPECT_EQ(form->DateLabel->text(), "2026-12-05");
    EXPECT_EQ(Entry(*form, 0), "Rss channel (2)");
    // Shift+F10 opens the list's menu on that row: its link opens and copies.
    QTest::keyClick(form->Titles, Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_TRUE(form->PopupMenu3->isVisible());
    form->OpenLink1->trigger();
    form->CopyLink1->trigger();
    form->PopupMenu3->close();
    EXPECT_EQ(opened, Texts{"http://r.pl/3"});
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "http://r.pl/3");

    // A refresh brings one more: the list keeps its order and the item
    // being read stays selected in its new row.
    std::string more = kRss;
    more.insert(more.find("<item>"), "<item><title>r0</title><guid>0</guid></item>");
    server.Serve("/rss", 200, more);
    QTest::keyClick(form->Channels, Qt::Key_F5);
    form->Store->WaitForRefresh();
    EXPECT_EQ(Titles(*form), (Texts{"r0", "r1", "r2", "r3"}));
    EXPECT_EQ(form->Titles->currentRow(), 3);
    EXPECT_TRUE(form->Titles->selectionModel()->isRowSelected(3, {}));
    EXPECT_EQ(form->DateLabel->text(), "2026-12-05");
    EXPECT_FALSE(Bold(*form, 3));
    EXPECT_EQ(Entry(*form, 0), "Rss channel (3)");
    QTest::keyClick(form->Titles, Qt::Key_M);
    EXPECT_TRUE(Bold(*form, 3));
    EXPECT_EQ(Entry(*form, 0), "Rss channel (4)");
    SetBrowserLauncher(oldBrowser);
}

// A store that cannot be read goes aside whole, the user is told where,
// and a new one starts; the list is not touched.
TEST_F(StoredItems, ABrokenStoreIsKeptAsideAndTheListKept) {
    const std::string broken(10000, '\x5a');
    WriteBytes(dir.File("nemara.db"), broken);
    QString told;
    WhenModal([&told](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        told = box->text() + "\n" + box->informativeText();
        box->defaultButton()->click();
    });
    auto form = Open(false);
    QTRY_VERIFY(!told.isEmpty());
    EXPECT_TRUE(told.startsWith("The item store could not be read")) << told.toStdString();
    EXPECT_TRUE(told.contains(QString::fromStdString(dir.File("nemara.db.broken")))) << told.toStdString();
    EXPECT_EQ(ReadBytes(dir.File("nemara.db.broken")), broken);
    EXPECT_EQ(form->Channels->AllItems(),
              (std::vector<std::string>{server.Url("/rss"), server.Url("/atom")}));
    form->Channels->SelectOnly(0);
    form->ChannelsDblClick(nullptr);
    form->Store->WaitForRefresh();
    EXPECT_EQ(Entry(*form, 0), "Rss channel (3)");
}

}  // namespace

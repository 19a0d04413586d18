#include "Support.h"
#include "base/Dates.h"
#include "support/TestHttpServer.h"
#include "ui/Browser.h"
#include "ui/MainWindow.h"

#include <QClipboard>
#include <QHeaderView>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

#include <gtest/gtest.h>

namespace {

class NewsList : public testing::Test {
protected:
    NewsList() : form(dir.Dir()) {
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
        old_ = SetBrowserLauncher([this](const std::string& address) { opened.push_back(address); });
    }
    ~NewsList() override { SetBrowserLauncher(old_); }

    // Fills the channel and the grid as a reader does.
    void Read(const TRSSItems& items) {
        form.FChannel.News = items;
        for (const auto& item : items)
            form.TitlesAdd(item.Title, "[" + std::string(item.Category) + "]");
    }

    void ClickRow(int row) {
        QRect cell = form.Titles->visualRect(form.Titles->model()->index(row, 0));
        QTest::mouseClick(form.Titles->viewport(), Qt::LeftButton, {}, cell.center());
    }

    // A point over the character at a position of the view's document, at
    // a fraction of the glyph's width.
    QPoint PointOn(int position, double fraction) {
        QTextCursor cursor(form.Message->document());
        cursor.setPosition(position);
        QRect left = form.Message->cursorRect(cursor);
        cursor.setPosition(position + 1);
        QRect right = form.Message->cursorRect(cursor);
        // A line break has no glyph: the point lies past the end of its line.
        if (right.y() != left.y())
            return {left.x() + 5, left.center().y()};
        // Glyphs may begin at a fraction of a pixel: keep a pixel off both edges.
        int inside = std::max(0, right.x() - left.x() - 2);
        return {left.x() + 1 + static_cast<int>(inside * fraction), left.center().y()};
    }

    Qt::CursorShape ShapeAfterMoveTo(QPoint point) {
        SendMouse(form.Message->viewport(), QEvent::MouseMove, point, Qt::NoButton, Qt::NoButton);
        return form.Message->viewport()->cursor().shape();
    }

    void DoubleClick(QPoint point) {
        QTest::mouseDClick(form.windowHandle(), Qt::LeftButton, {},
                           form.Message->viewport()->mapTo(&form, point));
    }

    TempDir dir;
    TForm1 form;
    std::vector<std::string> opened;

private:
    TBrowserLauncher old_;
};

// Whether the character at a position of the document lies in a word
// beginning "http://" or "https://"; words end at spaces, tabs and line breaks.
bool InLink(const QString& text, int position) {
    auto delimiter = [&](int i) { return text[i] == ' ' || text[i] == '\t' || text[i] == '\n'; };
    if (delimiter(position))
        return false;
    int start = position;
    while (start > 0 && !delimiter(start - 1))
        --start;
    return text.mid(start).startsWith("http://") || text.mid(start).startsWith("https://");
}

// The texts are literals: an item views them as a channel's store would.
TRSSItem Item(std::string_view title, std::string_view description, std::string_view link, double date) {
    TRSSItem item;
    item.Title = title;
    item.Category = "news";
    item.Description = description;
    item.Link = link;
    item.Date = date;
    return item;
}

}  // namespace

TEST_F(NewsList, EachAddFillsOneRow) {
    EXPECT_EQ(form.Titles->RowCount(), 1);
    Read({Item("one", "", "", 0), Item("two", "", "", 0), Item("three", "", "", 0)});
    ASSERT_EQ(form.Titles->RowCount(), 3);
    EXPECT_EQ(form.Titles->Cells(0, 0), "one");
    EXPECT_EQ(form.Titles->Cells(1, 0), "[news]");
    EXPECT_EQ(form.Titles->Cells(0, 2), "three");

    form.ResetTitles();
    EXPECT_EQ(form.Titles->RowCount(), 1);
    EXPECT_EQ(form.Titles->Cells(0, 0), "");
    Read({Item("only", "", "", 0)});
    EXPECT_EQ(form.Titles->RowCount(), 1);
    EXPECT_EQ(form.Titles->Cells(0, 0), "only");

    // The second cell is kept even while only one column is shown.
    form.ResetTitles();
    form.Titles->SetColCount(1);
    form.TitlesAdd("atom", "");
    form.TitlesAdd("entry", "hidden");
    EXPECT_EQ(form.Titles->Cells(1, 1), "hidden");
    EXPECT_TRUE(form.Titles->isColumnHidden(1));
}

TEST_F(NewsList, TheResetRowSelectsNothing) {
    form.Message->SetText("kept");
    // A reader that failed may have filled the channel but not the grid.
    form.FChannel.News = {Item("t", "d", "http://x/", 100)};
    ClickRow(0);
    EXPECT_EQ(form.Message->Text(), "kept");
    EXPECT_EQ(form.DateLabel->text(), "0");
    bool canSelect = true;
    form.TitlesSelectCell(form.Titles, 0, -1, canSelect);
    form.TitlesSelectCell(form.Titles, 0, 5, canSelect);
    EXPECT_EQ(form.Message->Text(), "kept");
    EXPECT_TRUE(canSelect);
}

TEST_F(NewsList, ASelectedItemShowsItsTextLinkAndDate) {
    Read({Item("first", "<p><b>two words</b></p>", "http://a.pl/<1>", EncodeDate(2012, 3, 5)),
          Item("second", "plain", "http://a.pl/2", 0), Item("third", "", "", kNoDate)});
    int right = form.DateLabel->x() + form.DateLabel->width();
    // The title and the date above the text, the link under it.
    ClickRow(0);
    EXPECT_EQ(form.Message->Text(), "first\r\n2012-03-05\r\ntwo words\r\nhttp://a.pl/<1>");
    EXPECT_EQ(form.Message->toPlainText(), "first\n2012-03-05\ntwo words\nhttp://a.pl/<1>");
    EXPECT_EQ(form.DateLabel->text(), "2012-03-05");
    EXPECT_EQ(form.DateLabel->x() + form.DateLabel->width(), right);

    ClickRow(1);
    EXPECT_EQ(form.Message->Text(), "second\r\n1899-12-30\r\nplain\r\nhttp://a.pl/2");
    EXPECT_EQ(form.DateLabel->text(), "1899-12-30");
    ClickRow(2);
    EXPECT_EQ(form.DateLabel->text(), "");  // an item without a date
    // Return on a row opens its link; an item without one opens nothing.
    QTest::keyClick(form.Titles, Qt::Key_Return);
    EXPECT_TRUE(opened.empty());
    ClickRow(1);
    QTest::keyClick(form.Titles, Qt::Key_Return);
    EXPECT_EQ(opened, std::vector<std::string>{"http://a.pl/2"});

    // A click on the row that is selected already shows it again.
    form.Message->SetText("other");
    ClickRow(1);
    EXPECT_EQ(form.Message->Text(), "second\r\n1899-12-30\r\nplain\r\nhttp://a.pl/2");

    // Enclosures stand under the link; a double click anywhere on one's
    // line opens it, once also on its address, which a click opens.
    static const TEnclosure kEnclosures[] = {{"http://a.pl/1.mp3", "audio/mpeg", 24986239},
                                             {"http://a.pl/1.ogg", "", 0}};
    form.FChannel.News[1].Enclosures = kEnclosures;
    ClickRow(0);
    ClickRow(1);
    EXPECT_EQ(
        form.Message->Text(),
        "second\r\n1899-12-30\r\nplain\r\nhttp://a.pl/2\r\nEnclosure: audio/mpeg, 23.8 MB: http://a.pl/1.mp3"
        "\r\nEnclosure: http://a.pl/1.ogg");
    const QString shown = form.Message->toPlainText();
    DoubleClick(PointOn(shown.indexOf("Enclosure:") + 2, 0.5));
    EXPECT_EQ(opened.back(), "http://a.pl/1.mp3");
    const std::size_t before = opened.size();
    DoubleClick(PointOn(shown.indexOf("1.ogg"), 0.5));
    EXPECT_EQ(opened.back(), "http://a.pl/1.ogg");
    EXPECT_EQ(opened.size(), before + 1);

    // Oldest first (a click on the date's header): each row keeps its item.
    QHeaderView* header = form.Titles->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(ncDate) + 10, header->height() / 2));
    EXPECT_EQ(form.Titles->Cells(0, 0), "third");
    EXPECT_EQ(form.Titles->Cells(0, 2), "first");
    ClickRow(2);
    EXPECT_EQ(form.DateLabel->text(), "2012-03-05");
    QTest::keyClick(form.Titles, Qt::Key_Return);
    EXPECT_EQ(opened.back(), "http://a.pl/<1>");
}

// Tab leaves the grid for the next control of the window, Shift+Tab for the
// one before, without moving to another row.
TEST_F(NewsList, TabMovesTheFocusOutOfTheGrid) {
    Read({Item("a", "", "", 0), Item("b", "", "", 0)});
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    // Tabbing into the grid marks its first row and shows that item.
    form.Channels->setFocus();
    QTest::keyClick(form.Channels, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), form.Titles);
    EXPECT_TRUE(form.Titles->selectionModel()->isRowSelected(0, {}));
    EXPECT_EQ(form.Message->Text(), "a\r\n1899-12-30");
    ClickRow(0);
    ASSERT_EQ(QApplication::focusWidget(), form.Titles);
    // The list, the grid, the text view, "+", "?".
    QTest::keyClick(form.Titles, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form.Message);
    EXPECT_EQ(form.Titles->currentRow(), 0);
    QTest::keyClick(form.Message, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form.AddButton);
    QTest::keyClick(form.AddButton, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form.Button1);
    form.Titles->setFocus();
    QTest::keyClick(form.Titles, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), form.Channels);
    EXPECT_EQ(form.Titles->currentRow(), 0);
}

TEST_F(NewsList, TheGridNeverStaysScrolledSideways) {
    Read({Item("a", "", "", 0), Item("b", "", "", 0)});
    form.Titles->SetDefaultColWidth(2000);
    form.Titles->SetLeftCol(1);
    EXPECT_EQ(form.Titles->LeftCol(), 0);
    form.Titles->setCurrentCell(1, 1);
    EXPECT_EQ(form.Titles->LeftCol(), 0);
}

// An escaped HTML description: its references decoded, its blocks on lines
// of their own, its links opened by a click or by Tab and Return, and
// nothing that it names fetched.
TEST_F(NewsList, AnItemIsShownFormattedAndLoadsNothing) {
    TestHttpServer server;
    const std::string at = server.Url("");
    const std::string description =
        "<link rel=\"stylesheet\" href=\"" + at + "/style.css\"><style>@import url(" + at +
        "/import.css);</style>"
        "<script src=\"" +
        at +
        "/script.js\">document.write('x')</script><p>Caf&eacute; &amp; bar &mdash; end</p>"
        "<ul><li>one</li><li><b>two</b></li></ul><p><img src=\"" +
        at +
        "/image.png\" alt=\"A picture\"> "
        "<a href=\"more?a=1&amp;b=2\">Read more</a><iframe src=\"" +
        at + "/frame.html\"></iframe></p>";
    Read({Item("A title too long for the grid", description, "http://a.pl/news/1", EncodeDate(2026, 12, 7))});
    ClickRow(0);
    EXPECT_EQ(form.Message->Text(),
              "A title too long for the grid\r\n2026-12-07\r\nCaf\u00e9 & bar \u2014 end\r\n\u2022 one\r\n"
              "\u2022 two\r\n[A picture] Read more\r\nhttp://a.pl/news/1");
    QTest::qWait(100);
    form.Message->viewport()->grab();
    EXPECT_TRUE(server.Requests().empty());

    // From the grid, Tab enters the view, then goes from link to link, and
    // Return opens the one it is on; after the last it leaves the view.
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    ClickRow(0);
    QTest::keyClick(form.Titles, Qt::Key_Tab);
    for (int link = 0; link < 3; ++link) {
        QTest::keyClick(form.Message, Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), form.Message);
        QTest::keyClick(form.Message, Qt::Key_Return);
    }
    EXPECT_EQ(opened, (std::vector<std::string>{at + "/image.png", "http://a.pl/news/more?a=1&b=2",
                                                "http://a.pl/news/1"}));
    QTest::keyClick(form.Message, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form.AddButton);

    // A click opens a link; the pointer is a hand over it.
    const QString shown = form.Message->toPlainText();
    const QPoint more = PointOn(shown.indexOf("Read more") + 2, 0.5);
    EXPECT_EQ(ShapeAfterMoveTo(more), Qt::PointingHandCursor);
    QTest::mouseClick(form.Message->viewport(), Qt::LeftButton, {}, more);
    EXPECT_EQ(opened.size(), 4u);
    EXPECT_EQ(opened.back(), "http://a.pl/news/more?a=1&b=2");

    // Copied as the text it shows.
    form.Message->setFocus();
    QTest::keyClick(form.Message, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(form.Message, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), shown);
    EXPECT_FALSE(QApplication::clipboard()->mimeData()->hasHtml());
}

// "Plain text" shows the item's text without its formatting, and the next
// window starts so; a notice shows as it is in both modes.
TEST_F(NewsList, PlainTextShowsTheItemUnformattedAndIsKept) {
    Read({Item("t", "<p>Caf&eacute; &amp; <b>bar</b></p><ul><li>one</li><li>two</li></ul>", "http://a.pl/1",
               0)});
    ClickRow(0);
    EXPECT_FALSE(form.UsuHTML1->isChecked());
    form.UsuHTML1->trigger();
    EXPECT_TRUE(form.UsuHTML1->isChecked());
    EXPECT_EQ(form.Message->Text(), "Caf\u00e9 & bar\r\n\u2022 one\r\n\u2022 two\r\n\r\nhttp://a.pl/1");
    form.Message->SetText("<p>a</p> > b");
    form.UsuHTML1->trigger();
    EXPECT_EQ(form.Message->Text(), "<p>a</p> > b");
    form.UsuHTML1->trigger();
    {
        TempDir other;
        TForm1 next(other.Dir());
        EXPECT_TRUE(next.UsuHTML1->isChecked());
        EXPECT_TRUE(next.Message->PlainMode());
    }
    form.UsuHTML1->trigger();
    TempDir other;
    TForm1 next(other.Dir());
    EXPECT_FALSE(next.Message->PlainMode());
}

TEST_F(NewsList, ThePointerIsAHandOverEveryCharacterOfALink) {
    EXPECT_TRUE(form.Message->viewport()->hasMouseTracking());
    for (const char* text :
         {"see http://x.pl/a", "first line\r\nhttp://b.pl/x y\r\nhttp:/ tail\rhttps://c\n."}) {
        form.Message->SetText(text);
        const QString shown = form.Message->toPlainText();
        for (int position = 0; position < shown.size(); ++position)
            for (double fraction : {0.2, 0.8}) {
                Qt::CursorShape expected = InLink(shown, position) ? Qt::PointingHandCursor : Qt::IBeamCursor;
                EXPECT_EQ(ShapeAfterMoveTo(PointOn(position, fraction)), expected)
                    << text << " at " << position << " + " << fraction;
            }
    }
}

TEST_F(NewsList, ThePointerKeepsItsShapeOverAnEmptyText) {
    form.Message->SetText("http://x.pl/");
    EXPECT_EQ(ShapeAfterMoveTo(PointOn(1, 0.5)), Qt::PointingHandCursor);
    form.Message->SetText("");
    EXPECT_EQ(ShapeAfterMoveTo(QPoint(5, 5)), Qt::PointingHandCursor);
}

TEST_F(NewsList, ALinkFarIntoALongTextIsFound) {
    std::string text;
    for (int i = 0; i < 7000; ++i)
        text += "word word\r\n";
    text += "see http://far.pl/";
    ASSERT_GT(text.size(), 65536u);
    form.Message->SetText(text);
    form.Message->verticalScrollBar()->setValue(form.Message->verticalScrollBar()->maximum());
    const int last = form.Message->document()->lastBlock().position();
    EXPECT_EQ(ShapeAfterMoveTo(PointOn(last + 2, 0.5)), Qt::IBeamCursor);
    EXPECT_EQ(ShapeAfterMoveTo(PointOn(last + 4, 0.5)), Qt::PointingHandCursor);
    EXPECT_EQ(form.GetWordAtMouseCursor(PointOn(last + 10, 0.5).x(), PointOn(last + 10, 0.5).y()),
              "http://far.pl/");
}

TEST_F(NewsList, ADoubleClickOnALinkOpensExactlyThatAddress) {
    form.Message->SetText("see http://x.pl/a?b=1&c=2:3\r\nhttp:/ next https://y.pl/");
    DoubleClick(PointOn(10, 0.7));
    EXPECT_EQ(form.Message->SelText(), "http://x.pl/a?b=1&c=2:3");
    EXPECT_EQ(opened, std::vector<std::string>{"http://x.pl/a?b=1&c=2:3"});

    DoubleClick(PointOn(1, 0.5));
    EXPECT_EQ(form.Message->SelText(), "see");
    DoubleClick(PointOn(29, 0.5));
    EXPECT_EQ(form.Message->SelText(), "http:/");
    DoubleClick(PointOn(3, 0.5));
    EXPECT_EQ(opened.size(), 1u);
    DoubleClick(PointOn(42, 0.5));
    EXPECT_EQ(opened.back(), "https://y.pl/");

    // After characters of two and four bytes (the emoji takes two
    // positions of the view), a link of non-ASCII characters.
    form.Message->SetText("ж 🎉 http://ж.рф/я next");
    EXPECT_EQ(ShapeAfterMoveTo(PointOn(16, 0.5)), Qt::PointingHandCursor);
    EXPECT_EQ(ShapeAfterMoveTo(PointOn(19, 0.5)), Qt::IBeamCursor);
    DoubleClick(PointOn(9, 0.5));
    EXPECT_EQ(form.Message->SelText(), "http://ж.рф/я");
    EXPECT_EQ(opened.back(), "http://ж.рф/я");
}

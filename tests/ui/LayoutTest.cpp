#include "Support.h"
#include "ui/MainWindow.h"

#include <QHeaderView>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class Layout : public testing::Test {
protected:
    Layout() : form(dir.Dir()) {
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    }

    // Drags the splitter bar by dx pixels, grabbing it 5 pixels from its left edge.
    void DragSplitter(int dx) {
        QWidget* bar = form.Splitter1;
        const QPoint grab(5, 100);
        SendMouse(bar, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
        SendMouse(bar, QEvent::MouseMove, grab + QPoint(dx, 0), Qt::NoButton, Qt::LeftButton);
        SendMouse(bar, QEvent::MouseButtonRelease, grab, Qt::LeftButton, Qt::NoButton);
    }

    // Drags the border below the news list by dy pixels.
    static void DragListSplitter(TForm1& window, int dy) {
        QWidget* bar = window.Splitter2;
        const QPoint grab(100, 2);
        SendMouse(bar, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
        SendMouse(bar, QEvent::MouseMove, grab + QPoint(0, dy), Qt::NoButton, Qt::LeftButton);
        SendMouse(bar, QEvent::MouseButtonRelease, grab + QPoint(0, dy), Qt::LeftButton, Qt::NoButton);
    }

    // Drags the right border of a column's header by dx pixels.
    static void DragColumnBorder(TForm1& window, int column, int dx) {
        QHeaderView* header = window.Titles->horizontalHeader();
        const QPoint grab(header->sectionViewportPosition(column) + header->sectionSize(column) - 1,
                          header->height() / 2);
        SendMouse(header->viewport(), QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
        SendMouse(header->viewport(), QEvent::MouseMove, grab + QPoint(dx, 0), Qt::NoButton, Qt::LeftButton);
        SendMouse(header->viewport(), QEvent::MouseButtonRelease, grab + QPoint(dx, 0), Qt::LeftButton,
                  Qt::NoButton);
    }

    // The visible columns fill the grid's width exactly.
    static void ExpectColumnsFill(const TStringGrid& grid) {
        int sum = 0;
        for (int c = 0; c < ncColumns; ++c)
            if (!grid.isColumnHidden(c))
                sum += grid.columnWidth(c);
        EXPECT_EQ(sum, grid.viewport()->width());
    }

    // The right half's controls after the layout, for a right panel of the
    // given size and the news list as designed.
    void ExpectRightHalf(int width, int height) {
        EXPECT_EQ(form.Titles->geometry(), QRect(0, 24, width - 8, 121));
        EXPECT_EQ(form.Splitter2->geometry(), QRect(0, 145, width - 8, 5));
        EXPECT_EQ(form.Message->geometry(), QRect(0, 168, width - 8, height - 168 - 8));
        EXPECT_EQ(form.DateLabel->x() + form.DateLabel->width(), width - 8);
        EXPECT_EQ(form.DateLabel->y(), 150);
        EXPECT_EQ(form.Label1->pos(), QPoint(0, 150));
        ExpectColumnsFill(*form.Titles);
    }

    void ExpectLeftHalf(int width, int height) {
        EXPECT_EQ(form.LeftPanel->geometry(), QRect(0, 0, width, height));
        EXPECT_EQ(form.Splitter1->geometry(), QRect(width, 0, 10, height));
        EXPECT_EQ(form.Channels->geometry(), QRect(8, 24, width - 8, height - 24 - 8));
        EXPECT_EQ(form.AddButton->geometry(), QRect(width - 25, 8, 25, 17));
        EXPECT_EQ(form.Button1->geometry(), QRect(8, 8, 25, 17));
    }

    TempDir dir;
    TForm1 form;
};

}  // namespace

TEST_F(Layout, StartsAsDesigned) {
    EXPECT_EQ(form.windowTitle(), "Nemara 1.1");
    EXPECT_EQ(form.size(), QSize(769, 447));
    EXPECT_EQ(form.minimumSize(), QSize(442, 416));  // a 450 x 450 window less its frame
    EXPECT_EQ(form.font().family(), "Tahoma");
    EXPECT_EQ(form.font().pixelSize(), 13);
    ExpectLeftHalf(217, 447);
    EXPECT_EQ(form.RightPanel->geometry(), QRect(227, 0, 542, 447));
    ExpectRightHalf(542, 447);
    // The title takes what the category and the date leave.
    EXPECT_TRUE(form.Titles->horizontalHeader()->isVisible());
    EXPECT_EQ(form.Titles->columnWidth(ncCategory), form.Titles->WantedWidth(ncCategory));
    EXPECT_EQ(form.Titles->columnWidth(ncDate), form.Titles->WantedWidth(ncDate));
    EXPECT_EQ(form.Titles->Sort(), TNewsSort({ncDate, true}));
    EXPECT_EQ(form.Titles->ColCount(), 2);
    EXPECT_EQ(form.Titles->RowCount(), 1);
    EXPECT_EQ(form.DateLabel->text(), "0");
    EXPECT_EQ(form.Usuwszystkie1->text(), "Remove selected");
    EXPECT_EQ(form.UsuHTML1->text(), "Plain text");
    EXPECT_EQ(form.AddButton->text(), "+");
    EXPECT_EQ(form.Button1->text(), "?");
    EXPECT_EQ(form.FExeDir, dir.Dir());
}

TEST_F(Layout, ShrinkingToTheMinimumFitsTheControls) {
    form.resize(450, 450);
    ExpectLeftHalf(217, 450);
    EXPECT_EQ(form.RightPanel->geometry(), QRect(227, 0, 223, 450));
    ExpectRightHalf(223, 450);
    // Short of room the other columns give way, and the title keeps some.
    EXPECT_GE(form.Titles->columnWidth(ncTitle), 60);

    form.resize(300, 200);
    EXPECT_EQ(form.size(), QSize(442, 416));
    ExpectLeftHalf(217, 416);
    ExpectRightHalf(442 - 227, 416);
}

TEST_F(Layout, OneColumnTakesTheWholeGridAfterAResize) {
    form.Titles->SetColCount(1);
    form.resize(600, 500);
    EXPECT_TRUE(form.Titles->isColumnHidden(ncCategory));
    EXPECT_EQ(form.Titles->columnWidth(ncDate), form.Titles->WantedWidth(ncDate));
    ExpectRightHalf(373, 500);
    form.Titles->SetColCount(2);
    form.resize(601, 500);
    EXPECT_FALSE(form.Titles->isColumnHidden(ncCategory));
    ExpectRightHalf(374, 500);
}

TEST_F(Layout, DraggingTheSplitterRefitsBothHalves) {
    DragSplitter(100);
    ExpectLeftHalf(317, 447);
    EXPECT_EQ(form.RightPanel->geometry(), QRect(327, 0, 442, 447));
    ExpectRightHalf(442, 447);

    DragSplitter(-1000);
    ExpectLeftHalf(100, 447);
    ExpectRightHalf(769 - 110, 447);

    // At the right limit the right half keeps its caption, and "Text" and
    // the widest date side by side.
    DragSplitter(2000);
    const int right = form.RightPanel->width();
    ExpectLeftHalf(769 - 10 - right, 447);
    ExpectRightHalf(right, 447);
    form.DateLabel->SetCaption("2026-12-07");
    EXPECT_GE(form.DateLabel->x(), form.Label1->x() + form.Label1->width() + 4);
    const QFontMetrics metrics(form.RightPanel->font());
    EXPECT_GE(right, 8 + metrics.horizontalAdvance("News list"));

    // Widened, dragged far right, then shrunk again (a maximised window
    // restored): the right half keeps that width, the left half gives way.
    form.resize(1400, 447);
    DragSplitter(2000);
    form.resize(769, 447);
    EXPECT_EQ(form.RightPanel->width(), right);
    ExpectLeftHalf(769 - 10 - right, 447);
    ExpectRightHalf(right, 447);
}

TEST_F(Layout, TheLeftHalfKeepsItsWidthWhenTheWindowChanges) {
    DragSplitter(-50);
    form.resize(700, 480);
    ExpectLeftHalf(167, 480);
    EXPECT_EQ(form.RightPanel->geometry(), QRect(177, 0, 523, 480));
    ExpectRightHalf(523, 480);
}

// What the user made of the window comes back at the next start, inside
// the screen that start finds.
TEST_F(Layout, TheShapeComesBackAfterARestart) {
    form.setGeometry(50, 60, 700, 500);
    DragSplitter(60);
    DragListSplitter(form, 80);
    const int category = form.Titles->columnWidth(ncCategory);
    const int date = form.Titles->columnWidth(ncDate);
    DragColumnBorder(form, ncCategory, 30);
    EXPECT_EQ(form.Titles->columnWidth(ncCategory), category + 30);
    EXPECT_EQ(form.Titles->columnWidth(ncDate), date - 30);
    ExpectColumnsFill(*form.Titles);
    EXPECT_EQ(form.Titles->geometry(), QRect(0, 24, 700 - 287 - 8, 201));
    EXPECT_EQ(form.Label1->y(), 230);
    EXPECT_EQ(form.Message->geometry(), QRect(0, 248, 700 - 287 - 8, 500 - 248 - 8));
    QHeaderView* header = form.Titles->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(10, header->height() / 2));
    EXPECT_EQ(form.Titles->Sort(), TNewsSort({ncTitle, false}));
    ASSERT_TRUE(form.close());

    {
        TForm1 again(dir.Dir());
        again.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&again));
        EXPECT_EQ(again.geometry(), QRect(50, 60, 700, 500));
        EXPECT_EQ(again.LeftPanel->width(), 277);
        EXPECT_EQ(again.Titles->height(), 201);
        EXPECT_EQ(again.Message->y(), 248);
        EXPECT_EQ(again.Titles->columnWidth(ncCategory), category + 30);
        EXPECT_EQ(again.Titles->columnWidth(ncDate), date - 30);
        EXPECT_EQ(again.Titles->Sort(), TNewsSort({ncTitle, false}));
        // Left off every screen, and larger than any.
        again.setGeometry(20000, -9000, 5000, 4000);
        ASSERT_TRUE(again.close());
    }
    TForm1 third(dir.Dir());
    third.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&third));
    const QRect screen = third.screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(third.geometry())) << third.geometry().x() << "," << third.geometry().y();
    EXPECT_EQ(third.LeftPanel->width(), 277);

    // Maximised, it comes back maximised, and its own size under it.
    third.setGeometry(60, 70, 600, 450);
    third.showMaximized();
    QTRY_VERIFY(third.isMaximized());
    ASSERT_TRUE(third.close());
    TForm1 fourth(dir.Dir());
    fourth.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&fourth));
    EXPECT_TRUE(fourth.isMaximized());
    fourth.showNormal();
    QTRY_COMPARE(fourth.geometry(), QRect(60, 70, 600, 450));
}

#include "Support.h"
#include "ui/MainWindow.h"

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

    // The right half's controls after the layout, for a right panel of the given size.
    void ExpectRightHalf(int width, int height) {
        EXPECT_EQ(form.Titles->geometry(), QRect(0, 24, width - 8, 121));
        EXPECT_EQ(form.Message->geometry(), QRect(0, 168, width - 8, height - 168 - 8));
        EXPECT_EQ(form.DateLabel->x() + form.DateLabel->width(), width - 8);
        EXPECT_EQ(form.DateLabel->y(), 150);
        EXPECT_EQ(form.Label1->pos(), QPoint(0, 150));
        EXPECT_EQ(form.Titles->DefaultColWidth(), (width - 8) / form.Titles->ColCount());
        EXPECT_EQ(form.Titles->columnWidth(0), form.Titles->DefaultColWidth());
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
    EXPECT_EQ(form.Titles->DefaultColWidth(), 267);
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
    EXPECT_EQ(form.Titles->DefaultColWidth(), 107);

    form.resize(300, 200);
    EXPECT_EQ(form.size(), QSize(442, 416));
    ExpectLeftHalf(217, 416);
    ExpectRightHalf(442 - 227, 416);
}

TEST_F(Layout, OneColumnTakesTheWholeGridAfterAResize) {
    form.Titles->SetColCount(1);
    form.resize(600, 500);
    EXPECT_EQ(form.Titles->DefaultColWidth(), 600 - 227 - 8);
    ExpectRightHalf(373, 500);
    form.Titles->SetColCount(2);
    form.resize(601, 500);
    EXPECT_EQ(form.Titles->DefaultColWidth(), (601 - 227 - 8) / 2);
}

TEST_F(Layout, DraggingTheSplitterRefitsBothHalves) {
    DragSplitter(100);
    ExpectLeftHalf(317, 447);
    EXPECT_EQ(form.RightPanel->geometry(), QRect(327, 0, 442, 447));
    ExpectRightHalf(442, 447);
    EXPECT_EQ(form.Titles->DefaultColWidth(), 217);

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

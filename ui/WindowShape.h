// The main window's shape as the user left it, kept in the settings from
// one session to the next: its place and size, whether it was maximised,
// both splitters, the news list's column widths and its order.
#pragma once

#include "ui/GridModel.h"

#include <QRect>

struct TWindowShape {
    // The inside of the window when it is not maximised; empty: as designed.
    QRect Normal;
    bool Maximized = false;
    // 0: as designed.
    int ChannelsWidth = 0;
    int ListHeight = 0;
    int CategoryWidth = 0;
    int DateWidth = 0;
    TNewsSort Sort;
};

// What the settings hold; a value that is missing or makes no sense is
// left as designed.
TWindowShape LoadWindowShape();
// A settings file that cannot be written is left as it is: the shape is
// not worth a box at the close.
void SaveWindowShape(const TWindowShape& shape);

// The inside of a window at rect, moved and shrunk no more than needed to
// fit, with its frame, into the available area of the screen under its
// centre, or of the primary screen when it is on none.
QRect FitIntoScreens(QRect rect);

#include "ui/WindowShape.h"

#include "ui/Settings.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cstdlib>

namespace {

// Sizes beyond any screen are no shape a window was left in.
constexpr int kMostPixels = 100000;

int Size(const QSettings& settings, const char* key) {
    bool ok = false;
    const int value = settings.value(key).toInt(&ok);
    return ok && value > 0 && value < kMostPixels ? value : 0;
}

}  // namespace

TWindowShape LoadWindowShape() {
    const auto settings = OpenSettings();
    TWindowShape shape;
    const QRect normal = settings->value("window/geometry").toRect();
    if (normal.isValid() && normal.width() < kMostPixels && normal.height() < kMostPixels &&
        std::abs(normal.x()) < kMostPixels && std::abs(normal.y()) < kMostPixels)
        shape.Normal = normal;
    shape.Maximized = settings->value("window/maximized").toBool();
    shape.ChannelsWidth = Size(*settings, "window/channelsWidth");
    shape.ListHeight = Size(*settings, "window/listHeight");
    shape.CategoryWidth = Size(*settings, "newsList/categoryWidth");
    shape.DateWidth = Size(*settings, "newsList/dateWidth");
    bool ok = false;
    const int column = settings->value("newsList/sortColumn").toInt(&ok);
    if (ok && column >= 0 && column < ncColumns)
        shape.Sort = {column, settings->value("newsList/sortDescending", true).toBool()};
    return shape;
}

void SaveWindowShape(const TWindowShape& shape) {
    const auto settings = OpenSettings();
    if (shape.Normal.isValid())
        settings->setValue("window/geometry", shape.Normal);
    settings->setValue("window/maximized", shape.Maximized);
    settings->setValue("window/channelsWidth", shape.ChannelsWidth);
    settings->setValue("window/listHeight", shape.ListHeight);
    settings->setValue("newsList/categoryWidth", shape.CategoryWidth);
    settings->setValue("newsList/dateWidth", shape.DateWidth);
    settings->setValue("newsList/sortColumn", shape.Sort.Column);
    settings->setValue("newsList/sortDescending", shape.Sort.Descending);
    settings->sync();
}

QRect FitIntoScreens(QRect rect) {
    const QScreen* screen = QGuiApplication::screenAt(rect.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return rect;
    const QRect area = screen->availableGeometry();
    // The frame the window manager puts around the inside, as designed:
    // 4 pixels at the sides and the bottom, a title bar of 30 at the top.
    const int side = 4, title = 30;
    rect.setSize(rect.size().boundedTo(QSize(area.width() - 2 * side, area.height() - title - side)));
    const int x = std::clamp(rect.x(), area.left() + side,
                             std::max(area.left() + side, area.right() + 1 - side - rect.width()));
    const int y = std::clamp(rect.y(), area.top() + title,
                             std::max(area.top() + title, area.bottom() + 1 - side - rect.height()));
    rect.moveTo(x, y);
    return rect;
}

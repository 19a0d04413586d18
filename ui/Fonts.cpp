#include "ui/Fonts.h"

#include <QFontDatabase>

void LoadFonts() {
    static bool loaded = false;
    if (loaded)
        return;
    loaded = true;
    for (const char* file : {"tahoma.ttf", "tahomabd.ttf", "ms_sans_serif.ttf"})
        QFontDatabase::addApplicationFont(QString("/usr/share/wine/fonts/") + file);
}

QFont PixelFont(const char* family, int pixelSize) {
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

#include "ui/Fonts.h"

#include <QFontDatabase>

void LoadFonts() {
    static bool loaded = false;
    if (loaded)
        return;
    loaded = true;
    // Not the bold face: Qt draws it wide and thin; the regular one
    // emboldened looks as bold Tahoma should.
    for (const char* file : {"tahoma.ttf", "ms_sans_serif.ttf"})
        QFontDatabase::addApplicationFont(QString("/usr/share/wine/fonts/") + file);
}

QFont PixelFont(const char* family, int pixelSize) {
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

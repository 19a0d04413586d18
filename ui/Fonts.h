// The window's fonts. "Tahoma" and "MS Sans Serif" come with the Wine
// fonts, which fontconfig does not scan; they are loaded from there once.
// Where they are missing Qt takes a similar sans-serif face.
#pragma once

#include <QFont>

void LoadFonts();

// A font of the family at a character height in pixels.
QFont PixelFont(const char* family, int pixelSize);

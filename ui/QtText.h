// Program text (Windows-1250 bytes) to and from the window's Unicode text.
#pragma once

#include "base/CodePage.h"

#include <QString>

#include <string>
#include <string_view>

inline QString ToQString(std::string_view text) { return QString::fromStdU16String(Win1250ToUtf16(text)); }

inline std::string FromQString(const QString& text) { return Utf16ToWin1250(text.toStdU16String()); }

// The window's own settings (its shape, the news list's columns, the text
// view's mode), kept with QSettings in the user's configuration folder:
// $XDG_CONFIG_HOME/nemara/nemara.ini (~/.config/nemara/nemara.ini).
#pragma once

#include <QSettings>

#include <memory>

std::unique_ptr<QSettings> OpenSettings();

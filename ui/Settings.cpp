#include "ui/Settings.h"

std::unique_ptr<QSettings> OpenSettings() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "nemara", "nemara");
}

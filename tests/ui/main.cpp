// The window tests need one application object for the whole run.
#include "ui/Application.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    QApplication::setApplicationName("Nemara");
    // Closing a test's window must not end the application.
    QApplication::setQuitOnLastWindowClosed(false);
    // The window's settings go to a folder of the run, never the user's.
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

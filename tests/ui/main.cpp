// The window tests need one application object for the whole run.
#include "ui/Application.h"
#include "ui/Settings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Each test starts as a first start: nothing that an earlier test's window
// kept at its close.
class FreshSettings : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { OpenSettings()->clear(); }
};

}  // namespace

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    QApplication::setApplicationName("Nemara");
    // Closing a test's window must not end the application.
    QApplication::setQuitOnLastWindowClosed(false);
    // The window's settings go to a folder of the run, never the user's.
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    // Also the program's, where a test runs it.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settingsDir.path()));
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new FreshSettings);
    return RUN_ALL_TESTS();
}

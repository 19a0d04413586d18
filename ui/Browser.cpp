#include "ui/Browser.h"

#include "ui/QtText.h"

#include <QProcess>

namespace {

void RunXdgOpen(const std::string& address) { QProcess::startDetached("xdg-open", {ToQString(address)}); }

TBrowserLauncher& Launcher() {
    static TBrowserLauncher launcher = RunXdgOpen;
    return launcher;
}

}  // namespace

void OpenInBrowser(const std::string& address) { Launcher()(address); }

TBrowserLauncher SetBrowserLauncher(TBrowserLauncher launcher) {
    TBrowserLauncher old = std::move(Launcher());
    Launcher() = launcher ? std::move(launcher) : TBrowserLauncher(RunXdgOpen);
    return old;
}

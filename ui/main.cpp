// Program start: the application object, the main window and the message loop.
#include "ui/AboutDialog.h"
#include "ui/Application.h"
#include "ui/EndSignals.h"
#include "ui/SingleInstance.h"
#include "ui/MainWindow.h"

#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

// The installed theme's icon when there is one, the drawn one otherwise.
QIcon WindowIcon() {
    QIcon drawn;
    for (int size : {16, 32, 48, 64, 128})
        drawn.addPixmap(ProgramIcon(size));
    return QIcon::fromTheme("nemara", drawn);
}

// "--help" and "--version" are answered on standard output, without a
// window (and without a display). Returns whether one of them was given.
bool AnsweredOnTheCommandLine(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("Usage: nemara [--help | --version] [ADDRESS...]\n"
                        "A reader of web news feeds (RSS and Atom).\n\n"
                        "Each ADDRESS not in the channel list yet is added, and the last is read;\n"
                        "a window already open on the list takes them. \"feed:\" addresses are\n"
                        "read as http or https.\n"
                        "The channel list is kept in \"channels.lst\" beside the program, or,\n"
                        "where that folder is not yours to write or is below /usr/, in\n"
                        "$XDG_DATA_HOME/nemara/ (~/.local/share/nemara/).\n"
                        "  -h, --help     print this help and exit\n"
                        "      --version  print the version and exit\n");
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("nemara 1.1\n");
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (AnsweredOnTheCommandLine(argc, argv))
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    TApplication app(argc, argv);
    // What Qt leaves of the command line are addresses.
    std::vector<std::string> addresses;
    for (int i = 1; i < argc; ++i)
        addresses.emplace_back(argv[i]);
    // One window per channel list: a later start hands its addresses over.
    TSingleInstance instance(ProgramFolder());
    if (!instance.TryBecomeFirst()) {
        if (instance.HandOver(addresses))
            return 0;
        std::fprintf(stderr, "nemara: the window that has this channel list open does not answer\n");
        return 1;
    }
    QApplication::setApplicationName("Nemara");
    QApplication::setDesktopFileName("nemara");
    QApplication::setWindowIcon(WindowIcon());
    TForm1 Form1;
    QObject::connect(
        &instance, &TSingleInstance::received, &Form1,
        [&Form1](const std::vector<std::string>& handed) { Guarded([&] { Form1.TakeAddresses(handed); }); });
    // A signal to end closes what is open and the window, saving the list.
    const TEndSignals ending([&Form1] { Form1.EndSession(); });
    Form1.show();
    if (!addresses.empty())
        QTimer::singleShot(0, &Form1,
                           [&Form1, &addresses] { Guarded([&] { Form1.TakeAddresses(addresses); }); });
    return app.exec();
}

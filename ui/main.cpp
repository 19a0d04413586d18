// Program start: the application object, the main window and the message loop.
#include "ui/AboutDialog.h"
#include "ui/CommandLine.h"
#include "ui/Application.h"
#include "ui/EndSignals.h"
#include "ui/SingleInstance.h"
#include "ui/MainWindow.h"

#include <QIcon>
#include <QTimer>

#include <cstdio>

namespace {

// Wrong usage, as nemara-dump ends.
constexpr int kUsageExit = 64;

// The installed theme's icon when there is one, the drawn one otherwise.
QIcon WindowIcon() {
    QIcon drawn;
    for (int size : {16, 32, 48, 64, 128})
        drawn.addPixmap(ProgramIcon(size));
    return QIcon::fromTheme("nemara", drawn);
}

void PrintHelp() {
    std::printf("Usage: nemara [--help | --version] [ADDRESS | FILE]...\n"
                "A reader of web news feeds (RSS and Atom).\n\n"
                "Each ADDRESS not in the channel list yet is added, and the last is read;\n"
                "a window already open on the list takes them. \"feed:\" addresses are\n"
                "read as http or https; a FILE (an RSS or Atom file on the disk) is kept\n"
                "as its \"file://\" address and read from the disk.\n"
                "The channel list is kept in \"channels.lst\" beside the program, or,\n"
                "where that folder is not yours to write or is below /usr/, in\n"
                "$XDG_DATA_HOME/nemara/ (~/.local/share/nemara/).\n"
                "  -h, --help     print this help and exit\n"
                "      --version  print the version and exit\n");
}

}  // namespace

int main(int argc, char* argv[]) {
    // The command line is answered without a window (and without a display).
    const TCommandLine line = ParseCommandLine(argc, argv);
    switch (line.Action) {
    case TCommandLine::clHelp:
        PrintHelp();
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    case TCommandLine::clVersion:
        std::printf("nemara %s\n", NEMARA_VERSION);
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    case TCommandLine::clUnknownOption:
        std::fprintf(stderr, "nemara: unknown option '%s'\nTry 'nemara --help'.\n", line.Unknown.c_str());
        return kUsageExit;
    case TCommandLine::clRun:
        break;
    }
    if (!DisplayAvailable()) {
        std::fprintf(stderr, "nemara: no display: the window needs a graphical session "
                             "(neither DISPLAY nor WAYLAND_DISPLAY is set)\n");
        return 1;
    }
    // The options are the program's own: Qt is given none.
    int qtArgc = 1;
    TApplication app(qtArgc, argv);
    // A file is named by its address, so that the window reads it from
    // whatever folder it runs in.
    std::vector<std::string> addresses;
    for (const std::string& argument : line.Addresses)
        addresses.push_back(AddressOfArgument(argument));
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
    // What the store holds shows first; then every channel is refreshed.
    QTimer::singleShot(0, &Form1, [&Form1] { Guarded([&] { Form1.StartAutomaticRefresh(); }); });
    if (!addresses.empty())
        QTimer::singleShot(0, &Form1,
                           [&Form1, &addresses] { Guarded([&] { Form1.TakeAddresses(addresses); }); });
    return app.exec();
}

// nemara-icon: writes the program's icon, the picture of the about dialog,
// as PNG files for the desktop's icon theme.
//
//   nemara-icon DIR SIZE...     writes DIR/SIZExSIZE.png for each size
#include "ui/AboutDialog.h"

#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: nemara-icon DIR SIZE...\n");
        return 64;
    }
    // Drawing needs no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString dir = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString file = dir + "/" + QString::number(size) + "x" + QString::number(size) + ".png";
        if (size <= 0 || size > 1024 || !ProgramIcon(size).save(file, "PNG")) {
            std::fprintf(stderr, "nemara-icon: cannot write %s\n", file.toLocal8Bit().constData());
            return 1;
        }
    }
    return 0;
}

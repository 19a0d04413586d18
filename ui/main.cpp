// Program start: the application object, the main window and the message loop.
#include "ui/AboutDialog.h"
#include "ui/Application.h"
#include "ui/EndSignals.h"
#include "ui/MainWindow.h"

#include <QIcon>

namespace {

// The installed theme's icon when there is one, the drawn one otherwise.
QIcon WindowIcon() {
    QIcon drawn;
    for (int size : {16, 32, 48, 64, 128})
        drawn.addPixmap(ProgramIcon(size));
    return QIcon::fromTheme("nemara", drawn);
}

}  // namespace

int main(int argc, char* argv[]) {
    TApplication app(argc, argv);
    QApplication::setApplicationName("Nemara");
    QApplication::setDesktopFileName("nemara");
    QApplication::setWindowIcon(WindowIcon());
    TForm1 Form1;
    // A signal to end closes the window as its close box does; a question
    // on the screen already waits for its answer.
    const TEndSignals ending([&Form1] {
        if (!QApplication::activeModalWidget())
            Form1.close();
    });
    Form1.show();
    return app.exec();
}

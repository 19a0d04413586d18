// Program start: the application object, the main window and the message loop.
#include "ui/About.h"
#include "ui/Application.h"
#include "ui/Unit1.h"

#include <QIcon>

int main(int argc, char* argv[]) {
    TApplication app(argc, argv);
    QApplication::setApplicationName("Nemara");
    QApplication::setWindowIcon(QIcon(ProgramIcon(64)));
    TForm1 Form1;
    Form1.show();
    return app.exec();
}

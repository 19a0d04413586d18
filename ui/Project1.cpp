// Program start: the application object, the main window and the message loop.
#include "ui/Unit1.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Nemara");
    TForm1 form;
    form.show();
    return app.exec();
}

#include "ui/Application.h"

#include "ui/QtText.h"

#include <QMessageBox>
#include <QPushButton>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    bool result = false;
    Guarded([&] { result = QApplication::notify(receiver, event); });
    return result;
}

namespace {

void ShowErrorText(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.setDefaultButton(box.addButton("OK", QMessageBox::AcceptRole));
    box.exec();
}

}  // namespace

void ShowException(const std::exception& e) {
    ShowErrorText(ToQString(e.what()));
}

void ShowUnknownException() {
    ShowErrorText("Unknown failure");
}

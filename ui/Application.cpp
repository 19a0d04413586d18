#include "ui/Application.h"

#include "ui/QtText.h"

#include <QMessageBox>
#include <QPushButton>
#include <QWindow>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    bool result = false;
    Guarded([&] { result = QApplication::notify(receiver, event); });
    return result;
}

void MakeTransientFor(QWidget* dialog, QWidget* owner) {
    // A title and a close box, no buttons to minimise or maximise it alone.
    dialog->setWindowFlags(
        (dialog->windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) &
        ~(Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    if (!owner)
        return;
    dialog->winId();  // the native window, whose owner is set here
    if (QWindow* window = dialog->windowHandle())
        window->setTransientParent(owner->window()->windowHandle());
}

namespace {

void ShowErrorText(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    MakeTransientFor(&box, QApplication::activeWindow());
    box.setDefaultButton(box.addButton("OK", QMessageBox::AcceptRole));
    box.exec();
}

}  // namespace

void ShowException(const std::exception& e) { ShowErrorText(ToQString(e.what())); }

void ShowUnknownException() { ShowErrorText("Unknown failure"); }

#include "ui/OkBox.h"

#include "ui/Application.h"

#include <QGuiApplication>
#include <QScreen>

void TScreenCentredBox::showEvent(QShowEvent* event) {
    QMessageBox::showEvent(event);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void ShowOkBox(QWidget* parent, QMessageBox::Icon icon, const char* caption, const char* text,
               const QString& detail) {
    TScreenCentredBox box(icon, caption, text, QMessageBox::NoButton, parent);
    MakeTransientFor(&box, parent);
    if (!detail.isEmpty())
        box.setInformativeText(detail);
    box.setDefaultButton(box.addButton("OK", QMessageBox::AcceptRole));
    box.exec();
}

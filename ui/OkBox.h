// Message boxes centred on the screen.
#pragma once

#include <QMessageBox>

// A message box centred on the screen. The box settles its size only as it
// is shown, so it is placed then.
class TScreenCentredBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override;
};

// A message box with a single "OK" button, centred on the screen; the
// detail, when there is one, stands beneath the text.
void ShowOkBox(QWidget* parent, QMessageBox::Icon icon, const char* caption, const char* text,
               const QString& detail = {});

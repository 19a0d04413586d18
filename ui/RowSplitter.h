// A horizontal bar that the user drags to change the height of the control
// above it. Reports the height asked for; the owner limits it and does the
// layout.
#pragma once

#include <QWidget>

class TRowSplitter : public QWidget {
    Q_OBJECT
public:
    TRowSplitter(QWidget* control, QWidget* parent);

signals:
    void moved(int newControlHeight);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QWidget* control_;
    int grabY_ = -1;
};

#include "ui/RowSplitter.h"

#include <QMouseEvent>

TRowSplitter::TRowSplitter(QWidget* control, QWidget* parent) : QWidget(parent), control_(control) {
    setCursor(Qt::SplitVCursor);
}

void TRowSplitter::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        grabY_ = event->position().toPoint().y();
}

void TRowSplitter::mouseMoveEvent(QMouseEvent* event) {
    if (grabY_ < 0 || !(event->buttons() & Qt::LeftButton))
        return;
    const int wanted = mapToParent(event->position().toPoint()).y() - grabY_ - control_->y();
    if (wanted != control_->height())
        emit moved(wanted);
}

void TRowSplitter::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        grabY_ = -1;
}

#include "ui/BusyWindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>

TBusyWindow::TBusyWindow() {
    QCoreApplication::instance()->installEventFilter(this);
    ++active_;
    cancel_ = false;
}

TBusyWindow::~TBusyWindow() {
    --active_;
    cancel_ = false;
    QCoreApplication::instance()->removeEventFilter(this);
}

void TBusyWindow::Pulse() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

bool TBusyWindow::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            RequestCancel();
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

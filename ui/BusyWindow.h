// The window during a fetch: it still paints itself and hears the window
// system (expose, resize, a close request), but what the user types or
// clicks meanwhile is dropped, not delivered when the fetch is over; only
// Escape is heard, and asks for the fetch to be cancelled.
#pragma once

#include <QObject>

class TBusyWindow : public QObject {
public:
    // Drops user input for the whole application while the object lives.
    TBusyWindow();
    ~TBusyWindow() override;
    TBusyWindow(const TBusyWindow&) = delete;
    TBusyWindow& operator=(const TBusyWindow&) = delete;

    // Lets pending paint and window-system events through.
    static void Pulse();
    // Whether an object lives, that is whether a fetch runs.
    static bool Active() { return active_ > 0; }

    // Escape, a close of the window or an end signal asks the fetch to end;
    // the fetch sees it at its next pulse.
    static void RequestCancel() { cancel_ = active_ > 0; }
    static bool CancelRequested() { return cancel_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static inline int active_ = 0;
    static inline bool cancel_ = false;
};

// SIGTERM, SIGHUP and SIGINT (a session that logs out, a closed terminal,
// Ctrl+C) close the main window as its close box does, so that the channel
// list is saved, instead of ending the program on the spot.
#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

class TEndSignals : public QObject {
public:
    // onEnd runs in the event loop, once per signal that arrives.
    explicit TEndSignals(std::function<void()> onEnd, QObject* parent = nullptr);
    ~TEndSignals() override;
    TEndSignals(const TEndSignals&) = delete;
    TEndSignals& operator=(const TEndSignals&) = delete;

private:
    std::function<void()> onEnd_;
    QSocketNotifier* notifier_ = nullptr;
};

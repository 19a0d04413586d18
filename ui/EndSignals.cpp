#include "ui/EndSignals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
int gWriteEnd = -1;  // the handler's end of the pipe into the event loop

extern "C" void TellTheLoop(int) {
    const char byte = 1;
    (void)!::write(gWriteEnd, &byte, 1);
}

}  // namespace

TEndSignals::TEndSignals(std::function<void()> onEnd, QObject* parent)
    : QObject(parent), onEnd_(std::move(onEnd)) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0)
        return;
    gWriteEnd = ends[0];
    notifier_ = new QSocketNotifier(ends[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(static_cast<int>(notifier_->socket()), bytes, sizeof bytes) > 0) {
        }
        onEnd_();
    });
    struct sigaction action {};
    action.sa_handler = TellTheLoop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

TEndSignals::~TEndSignals() {
    for (int signal : kSignals)
        std::signal(signal, SIG_DFL);
    if (notifier_) {
        ::close(static_cast<int>(notifier_->socket()));
        ::close(gWriteEnd);
        gWriteEnd = -1;
    }
}

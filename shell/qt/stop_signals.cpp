#include "shell/qt/stop_signals.h"

#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QWidget>

#include <cstdint>

namespace {

int stopEvent = -1;

void noteStopSignal(int)
{
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(stopEvent, &one, sizeof one);
}

}

int closeOnStopSignals(QWidget& window)
{
    if (stopEvent < 0) {
        stopEvent = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (stopEvent < 0) {
            return -1;
        }
    }
    auto* notifier = new QSocketNotifier(stopEvent, QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t taken = ::read(stopEvent, &count, sizeof count);
        window.close();
    });
    struct sigaction action {};
    action.sa_handler = noteStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        if (sigaction(signal, &action, nullptr) != 0) {
            return -1;
        }
    }
    return 0;
}

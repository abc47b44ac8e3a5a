#include "platform/linux/stop_signal_descriptor.h"

#include <signal.h>

#include <initializer_list>

#include "platform/linux/wake_descriptor.h"

namespace {

int stopEvent = -1;

void noteStopSignal(int)
{
    signalWakeDescriptor(stopEvent);
}

}  // namespace

int stopSignalDescriptor()
{
    if (stopEvent >= 0)
        return stopEvent;
    stopEvent = openWakeDescriptor();
    if (stopEvent < 0)
        return -1;
    struct sigaction action {};
    action.sa_handler = noteStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        if (sigaction(signal, &action, nullptr) != 0)
            return -1;
    }
    return stopEvent;
}

#include "shell/qt/stop_signals.h"

#include <QSocketNotifier>
#include <QWidget>

#include "platform/linux/stop_signal_descriptor.h"
#include "platform/linux/wake_descriptor.h"

int closeOnStopSignals(QWidget& window)
{
    const int stopEvent = stopSignalDescriptor();
    if (stopEvent < 0)
        return -1;
    auto* notifier = new QSocketNotifier(stopEvent, QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window, stopEvent] {
        drainWakeDescriptor(stopEvent);
        window.close();
    });
    return 0;
}

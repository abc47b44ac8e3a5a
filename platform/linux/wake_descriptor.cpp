#include "platform/linux/wake_descriptor.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

int openWakeDescriptor()
{
    return eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

void signalWakeDescriptor(int descriptor)
{
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(descriptor, &one, sizeof one);
}

void drainWakeDescriptor(int descriptor)
{
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t taken = ::read(descriptor, &count, sizeof count);
}

void closeWakeDescriptor(int descriptor)
{
    ::close(descriptor);
}

#include "platform/priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

void raiseProcessPriority()
{
    setpriority(PRIO_PROCESS, 0, -10);
}

void raiseThreadPriority()
{
    // On Linux a nice value belongs to a thread when addressed by its thread id.
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    const int current = getpriority(PRIO_PROCESS, thread);
    setpriority(PRIO_PROCESS, thread, current - 5);
}

#include "shell/windows/serving_wait.h"

#include <windows.h>

namespace {

struct Job {
    void (*run)(void*);
    void* argument;
};

DWORD WINAPI runJob(void* parameter)
{
    auto& job = *static_cast<Job*>(parameter);
    job.run(job.argument);
    return 0;
}

}  // namespace

void runJobServingSentMessages(void (*run)(void* argument), void* argument)
{
    Job job{run, argument};
    HANDLE helper = CreateThread(nullptr, 0, runJob, &job, 0, nullptr);
    if (helper == nullptr) {
        run(argument);
        return;
    }
    // Peeking with PM_QS_SENDMESSAGE handles the sent messages and removes nothing posted.
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(1, &helper, FALSE, INFINITE, QS_SENDMESSAGE);
        if (woken == WAIT_OBJECT_0 + 1) {
            MSG message;
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            continue;
        }
        // The job lives on this stack, so the helper must have ended before it goes.
        if (woken != WAIT_OBJECT_0)
            WaitForSingleObject(helper, INFINITE);
        break;
    }
    CloseHandle(helper);
}

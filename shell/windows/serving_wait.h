#pragma once
// Waiting on the main thread for work done elsewhere without blocking the worker: the worker's
// window calls are synchronous, so a main thread that waited without serving them would hold
// the worker up (and with it the wait). Posted messages stay queued meanwhile.
// Threading: the main thread.

#include <type_traits>

// What runServingSentMessages hands to the helper thread's C entry: the job and its argument.
void runJobServingSentMessages(void (*job)(void* argument), void* argument);

// Runs work() on a helper thread and returns when it has ended; meanwhile the calling thread
// handles the messages other threads send to its windows. When no helper thread can be made,
// the work runs on the calling thread.
template <class Work>
void runServingSentMessages(Work&& work)
{
    using Callable = std::remove_reference_t<Work>;
    runJobServingSentMessages([](void* argument) { (*static_cast<Callable*>(argument))(); }, &work);
}

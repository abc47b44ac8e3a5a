#include "sound_server_tools.h"

#include <chrono>
#include <thread>

bool runUntil(EventLoop& loop, const std::function<bool()>& done, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        loop.runUntilIdle();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        pause(2);
    }
}

void pause(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

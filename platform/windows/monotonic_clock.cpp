#include <windows.h>

#include "platform/loop_clock.h"

uint64_t monotonicMilliseconds()
{
    return GetTickCount64();
}

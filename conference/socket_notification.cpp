#include "conference/socket_notification.h"

#include "platform/debug_output.h"
#include "platform/event_loop.h"

bool datagramWaits(intptr_t lParam, const char* errorLine)
{
    if (socketError(lParam) != 0) {
        debugOutput(errorLine);
        return false;
    }
    return socketEvent(lParam) == FD_READ;
}

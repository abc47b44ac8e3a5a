#include "conference/conference_events.h"

#include "conference/worker_events.h"

bool dispatchConferenceEvent(ParticipantLink& participant, RelayServer& server, uint32_t message, uintptr_t wParam,
                             intptr_t lParam)
{
    if (server.dispatch(message, wParam, lParam))
        return true;
    switch (message) {
    case WM_WORKER_CONNECT:
        participant.Connect(reinterpret_cast<const ConnectSettings*>(lParam));
        return true;
    case WM_CLIENT_SOCKET:
        participant.HandleClientSocket(lParam);
        return true;
    case WM_TIMER:
        switch (wParam) {
        case TIMER_JOIN_RETRY:
            participant.RetryJoin();
            return true;
        case TIMER_KEEPALIVE:
            participant.KeepAlive();
            return true;
        case TIMER_VOICE_HOLD:
            participant.releaseHeldVoice();
            return true;
        default:
            return false;
        }
    default:
        return false;
    }
}

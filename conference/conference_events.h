#pragma once
// Routing of the worker events that belong to the participant link and its relay server:
// the connect command, both sockets' notifications and the link's and server's timers.
// Threading: worker thread only.

#include <cstdint>

#include "conference/participant_link.h"
#include "conference/relay_server.h"

// Hands the event to its handler; false when it is none of these events.
bool dispatchConferenceEvent(ParticipantLink& participant, RelayServer& server, uint32_t message, uintptr_t wParam,
                             intptr_t lParam);

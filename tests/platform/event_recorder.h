#pragma once
// Test handler for EventLoop: records every event and can react to it.

#include <cstdint>
#include <functional>
#include <ostream>
#include <vector>

#include "platform/event_loop.h"

struct RecordedEvent {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    bool operator==(const RecordedEvent&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const RecordedEvent& event)
{
    return out << "{0x" << std::hex << event.message << std::dec << ", " << event.wParam << ", " << event.lParam << "}";
}

struct EventRecorder {
    std::vector<RecordedEvent> events;
    // Runs after the event is recorded, inside the loop's dispatch (it may nest one).
    std::function<void(RecordedEvent)> onEvent;

    void attach(EventLoop& loop) { loop.setHandler(handle, this); }

    static void handle(void* context, uint32_t message, uintptr_t wParam, intptr_t lParam)
    {
        auto* self = static_cast<EventRecorder*>(context);
        const RecordedEvent event{message, wParam, lParam};
        self->events.push_back(event);
        if (self->onEvent)
            self->onEvent(event);
    }
};

inline RecordedEvent timerEvent(uint32_t timerId)
{
    return RecordedEvent{WM_TIMER, timerId, 0};
}

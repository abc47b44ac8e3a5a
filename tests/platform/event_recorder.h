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

struct EventRecorder final : EventHandler {
    std::vector<RecordedEvent> events;
    // Runs after the event is recorded, inside the loop's dispatch (it may nest one).
    std::function<void(RecordedEvent)> onEvent;

    void attach(EventLoop& loop) { loop.setHandler(*this); }

    void handleEvent(uint32_t message, uintptr_t wParam, intptr_t lParam) override
    {
        const RecordedEvent event{message, wParam, lParam};
        events.push_back(event);
        if (onEvent)
            onEvent(event);
    }
};

inline RecordedEvent timerEvent(uint32_t timerId)
{
    return RecordedEvent{WM_TIMER, timerId, 0};
}

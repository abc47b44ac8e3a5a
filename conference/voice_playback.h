#pragma once
// Playing received voice frames on their slots' channels, in the order their senders coded
// them (conference/frame_order.h), with the receive mutes and the meters; and showing who
// speaks where.
// Threading: worker thread only.

#include <cstdint>

#include "audio/playback_channel.h"
#include "codec/voice_frame.h"
#include "conference/frame_order.h"
#include "conference/mute_flags.h"
#include "net/wire_protocol.h"
#include "platform/event_loop.h"
#include "platform/main_window_view.h"

class VoicePlayback {
public:
    VoicePlayback(EventLoop& loop, PlaybackChannel* channels, const MuteFlags& mutes, MainWindowView& view)
        : loop_(loop), channels_(channels), mutes_(mutes), view_(view)
    {
    }
    VoicePlayback(const VoicePlayback&) = delete;
    VoicePlayback& operator=(const VoicePlayback&) = delete;

    // Decodes frame (refusing a step index above 88) and plays it on the slot's channel, or
    // holds it a moment while its predecessor may still come, or drops it as late or repeated.
    // A frame played sets the slot's meter to its level and is written to the channel unless
    // everything received or that slot is muted. A refused frame is dropped whole: nothing
    // is written and the meter keeps its value. True when a block was written to the channel.
    bool receive(const VoiceFrame& frame, int slot);
    // TIMER_VOICE_HOLD: plays the held frames whose hold has ended.
    void releaseDue();
    // The slot has a new speaker, or none: a held frame is dropped and the order starts anew.
    void forget(int slot);

private:
    struct HeldFrame {
        int16_t samples[SAMPLES_PER_FRAME];
        uint8_t level;
    };

    bool play(int slot, const int16_t* samples, uint8_t level, const BlockArrival& arrival);
    bool playHeld(int slot, int64_t nowUsec, Predecessor predecessor);
    // How long a frame of the slot may wait for its predecessor without delaying it.
    int64_t holdUsecFor(int slot) const;
    // The timer runs while a frame is held, until the earliest hold ends.
    void scheduleRelease(int64_t nowUsec);

    EventLoop& loop_;
    PlaybackChannel* channels_;
    const MuteFlags& mutes_;
    MainWindowView& view_;
    FrameOrder order_[SLOT_COUNT];
    HeldFrame held_[SLOT_COUNT] = {};
};

// Every slot's meter to 0 and its label emptied, as a new connection or server start begins.
void clearSlotRows(MainWindowView& view);

// Shows the 16-byte nickname field in the slot's label and gives the slot's channel the same
// name: the mixer shows who speaks there, and what it remembers of a person (volume, mute)
// follows the name; an empty entry gives the channel back the slot's own name.
void showSlotNickname(int slot, const uint8_t* nickname, PlaybackChannel* channels, MainWindowView& view);

#pragma once
// One slot's output: an output of its own on the default device, fed in blocks of at most
// 1000 bytes through a ring of 8. At most 8 blocks (0.5 s) wait in a channel; a write that
// would exceed that never overwrites queued audio (see the system's .cpp for the rule).
// How much waits below that is the playout policy's choice (audio/playout_policy.h). What the
// channel holds is the system's own (playback_channel_state.h of audio/linux or audio/windows).
// Threading: worker thread only.

#include <cstddef>
#include <cstdint>

#include "audio/pcm_format.h"
#include "audio/playout_policy.h"
#include "audio/ring_sizes.h"
// From audio/linux/ or audio/windows/, whichever the build puts on the include path.
#include "playback_channel_state.h"

class AudioSystem;
class EventLoop;

class PlaybackChannel {
public:
    static constexpr int BLOCK_COUNT = PLAYBACK_BLOCK_COUNT;
    static constexpr int BLOCK_BYTES = PLAYBACK_BLOCK_BYTES;

    PlaybackChannel();
    ~PlaybackChannel();
    PlaybackChannel(const PlaybackChannel&) = delete;
    PlaybackChannel& operator=(const PlaybackChannel&) = delete;

    // Opens an output for slot (named after it where the system names outputs) on the
    // default device; closes an open one first. 0, or a negative error (AudioSystem::errorText
    // describes it).
    int open(AudioSystem& audio, EventLoop* window, const PcmFormat& format, int slot);
    // 0 without a device; else queues min(length, 1000) bytes as block writeCount mod 8.
    // arrival: how the block came, where the writer knows more than the moment of writing.
    int write(const uint8_t* data, size_t length, const BlockArrival& arrival = {});
    // Shows the slot's nickname (UTF-8; empty: nobody) as the output's name in the system
    // mixer, where the system has one that shows names. Where the mixer remembers outputs'
    // volume and mute, it remembers them per nickname: a new name gives the output the
    // volume and mute last set for that person, or the defaults.
    void setDisplayName(const char* nickname);
    void close();
    // Closes the channel and opens it again as it was last opened, on audio (connected anew),
    // with its display name; nothing queued before is played. For a channel lost with its
    // sound server. 0 or an error.
    int reopen(AudioSystem& audio);

    bool isOpen() const;
    // Open on a stream that still works (false once the device or the sound server went away;
    // the channel then posted WM_AUDIO_FAULT).
    bool isWorking() const;
    uint32_t writeCount() const;
    // Speech this channel still holds, in bytes (written and not yet played); the concealment
    // after it is not counted.
    uint32_t queuedBytes() const;
    // Writes refused because the channel already held 8 blocks.
    uint32_t droppedWrites() const;
    // The playout policy's state: its floor, the gaps it saw, what it cut.
    const PlayoutPolicy& playout() const;

private:
    // Room for a nickname in UTF-8 (at most 15 code page 932 bytes, 3 UTF-8 bytes each).
    static constexpr size_t DISPLAY_NAME_BYTES = 48;

    // The system's part of setDisplayName(): shows displayName_ (empty: the slot's own name)
    // on an open output, and opens it as that person's.
    void showDisplayName();

    PlaybackChannelState state_;
    // What the last open() was given, for reopen().
    EventLoop* window_ = nullptr;
    PcmFormat format_{};
    int slot_ = 0;
    char displayName_[DISPLAY_NAME_BYTES] = {};
    uint32_t writeCount_ = 0;
    uint32_t droppedWrites_ = 0;
    PlayoutPolicy playout_;
};

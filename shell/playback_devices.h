#pragma once
// The 16 playback channels as both programs' workers open them, in slot order on the sound
// server connection, and close them at shutdown.
// Threading: worker thread only.

#include "audio/audio_system.h"
#include "audio/playback_channel.h"
#include "net/wire_protocol.h"
#include "platform/event_loop.h"
#include "platform/main_window_view.h"

constexpr char CAPTION_OUTPUT_FAILED[] = "Error: オーディオ出力デバイスが開けません。";

// At the first channel that cannot be opened, the fatal box with the sound server's words ends
// the process.
void openPlaybackChannels(AudioSystem& audio, EventLoop& loop, const PcmFormat& format, PlaybackChannel* channels,
                          const MainWindowView& view);

// Closes every channel that has a stream; each is then without one.
void closePlaybackChannels(PlaybackChannel* channels);

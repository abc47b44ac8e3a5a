#pragma once
// The worker's start-up step that both programs share: the 16 playback channels, opened in
// slot order on the sound server connection.
// Threading: worker thread only.

#include "audio/audio_system.h"
#include "audio/playback_channel.h"
#include "platform/event_loop.h"
#include "net/wire_protocol.h"
#include "platform/main_window_view.h"

constexpr char CAPTION_OUTPUT_FAILED[] = "Error: オーディオ出力デバイスが開けません。";

// At the first channel that cannot be opened, the fatal box with the sound server's words ends
// the process.
void openPlaybackChannels(AudioSystem& audio, EventLoop& loop, const PcmFormat& format, PlaybackChannel* channels,
                          const MainWindowView& view);

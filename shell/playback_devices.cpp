#include "shell/playback_devices.h"

void openPlaybackChannels(AudioSystem& audio, EventLoop& loop, const PcmFormat& format, PlaybackChannel* channels,
                          const MainWindowView& view)
{
    for (size_t slot = 0; slot < SLOT_COUNT; ++slot) {
        const int result = channels[slot].open(audio, &loop, format, static_cast<int>(slot));
        if (result != 0)
            view.fatal(AudioSystem::errorText(result), CAPTION_OUTPUT_FAILED, true);
    }
}

void closePlaybackChannels(PlaybackChannel* channels)
{
    for (size_t slot = 0; slot < SLOT_COUNT; ++slot)
        channels[slot].close();
}

#include "conference/voice_playback.h"

#include <algorithm>

#include "codec/adpcm_codec.h"
#include "conference/control_ids.h"
#include "conference/nickname_text.h"

// The meters' range; a frame from the network may claim more.
constexpr int LEVEL_FULL_SCALE = 96;

bool playReceivedFrame(const VoiceFrame& frame, int slot, PlaybackChannel* channels, const MuteFlags& mutes,
                       const MainWindowView& view)
{
    int16_t samples[SAMPLES_PER_FRAME];
    if (decodeReceivedFrame(samples, SAMPLES_PER_FRAME, frame) < 0)
        return false;

    const bool audible = mutes.receiveMute() == 0 && mutes.slotMute[slot] == 0;
    if (audible)
        channels[slot].write(reinterpret_cast<const uint8_t*>(samples), sizeof samples);
    view.meter(IDC_SLOT_METER_BASE + slot, std::min<int>(frame.level, LEVEL_FULL_SCALE));
    return audible;
}

void showSlotNickname(int slot, const uint8_t* nickname, PlaybackChannel* channels, const MainWindowView& view)
{
    char utf8[NICKNAME_UTF8_CAPACITY];
    nicknameToUtf8(nickname, utf8);
    view.controlText(IDC_SLOT_NAME_BASE + slot, utf8);
    channels[slot].setDisplayName(utf8);
}

void clearSlotRows(const MainWindowView& view)
{
    for (int slot = 0; slot < static_cast<int>(SLOT_COUNT); ++slot) {
        view.meter(IDC_SLOT_METER_BASE + slot, 0);
        view.controlText(IDC_SLOT_NAME_BASE + slot, "");
    }
}

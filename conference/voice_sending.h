#pragma once
// Turning a captured buffer into a MSG_VOICE: clean it (echo, noise, level) and encode it, or
// encode silence while the sender is muted; show the level on the own meter, send through the
// link, give the buffer back.

#include <cstdint>

#include "audio/capture_device.h"
#include "audio/voice_processor.h"
#include "codec/adpcm_codec.h"
#include "conference/mute_flags.h"
#include "net/link_endpoint.h"
#include "platform/main_window_view.h"

// Handles MM_WIM_DATA for buffer index of capture.
void sendCapturedBuffer(CaptureDevice& capture, int index, VoiceProcessor& processor, AdpcmCoder& coder,
                        const MuteFlags& mutes, LinkEndpoint& link, MainWindowView& view);

// The part of it that does not need the device: a buffer of CaptureDevice::BUFFER_BYTES bytes
// of which bytesRecorded were filled. Only a full buffer is encoded, metered and sent; while
// the sender is muted the buffer is zeroed and the coder reset first, so silence goes out.
// A processor, when given, cleans the microphone's samples first (never the muted silence),
// with the loudspeaker's reference of the same time if there is one.
void sendVoiceBlock(uint8_t* pcm, int bytesRecorded, AdpcmCoder& coder, const MuteFlags& mutes, LinkEndpoint& link,
                    MainWindowView& view, VoiceProcessor* processor = nullptr, const int16_t* reference = nullptr);

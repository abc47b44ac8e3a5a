#pragma once
// Turning a captured buffer into a MSG_VOICE: encode (silence while the sender is muted),
// show the level on the own meter, send through the link, give the buffer back.

#include <cstdint>

#include "audio/capture_device.h"
#include "codec/adpcm_codec.h"
#include "conference/mute_flags.h"
#include "net/link_endpoint.h"
#include "platform/main_window_view.h"

// Handles MM_WIM_DATA for buffer index of capture.
void sendCapturedBuffer(CaptureDevice& capture, int index, AdpcmCoder& coder, const MuteFlags& mutes,
                        LinkEndpoint& link, const MainWindowView& view);

// The part of it that does not need the device: a buffer of CaptureDevice::BUFFER_BYTES bytes
// of which bytesRecorded were filled. Only a full buffer is encoded, metered and sent; while
// the sender is muted the buffer is zeroed and the coder reset first, so silence goes out.
void sendVoiceBlock(uint8_t* pcm, int bytesRecorded, AdpcmCoder& coder, const MuteFlags& mutes, LinkEndpoint& link,
                    const MainWindowView& view);

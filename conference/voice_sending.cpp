#include "conference/voice_sending.h"

#include <cstring>

#include "conference/control_ids.h"
#include "net/wire_protocol.h"

void sendCapturedBuffer(CaptureDevice& capture, int index, AdpcmCoder& coder, const MuteFlags& mutes,
                        LinkEndpoint& link, const MainWindowView& view)
{
    sendVoiceBlock(capture.buffer(index), capture.bytesRecorded(index), coder, mutes, link, view);
    capture.recycle(index);
}

// The wire's voice payload is the codec's frame, byte for byte; the two layers cannot see
// each other's headers, so the sizes meet here.
static_assert(VOICE_PAYLOAD_SIZE == sizeof(VoiceFrame));

static void encodeBlock(const uint8_t* pcm, AdpcmCoder& coder, VoiceFrame& frame)
{
    // The capture buffer has no alignment promise; the samples are copied out of it.
    int16_t samples[SAMPLES_PER_FRAME];
    std::memcpy(samples, pcm, sizeof samples);
    coder.encode(frame, samples, SAMPLES_PER_FRAME, 0);
}

void sendVoiceBlock(uint8_t* pcm, int bytesRecorded, AdpcmCoder& coder, const MuteFlags& mutes, LinkEndpoint& link,
                    const MainWindowView& view)
{
    static_assert(CaptureDevice::BUFFER_BYTES == SAMPLES_PER_FRAME * sizeof(int16_t));
    // A partly filled buffer comes back from a stop: too short for a frame, it is not sent.
    if (bytesRecorded != CaptureDevice::BUFFER_BYTES)
        return;

    // Muted, the microphone's block would be encoded only to be replaced: silence from a
    // reset coder is what goes out, and the coder stays reset for the next block.
    if (mutes.sendMute() != 0) {
        std::memset(pcm, 0, CaptureDevice::BUFFER_BYTES);
        coder.reset();
    }
    VoiceFrame frame;
    encodeBlock(pcm, coder, frame);
    view.meter(IDC_SEND_METER, frame.level);
    link.Send(MSG_VOICE, reinterpret_cast<const uint8_t*>(&frame), VOICE_PAYLOAD_SIZE);
}

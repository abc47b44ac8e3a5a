#include "conference/voice_sending.h"

#include <cstring>

#include "net/wire_protocol.h"
#include "resources/control_ids.h"

void sendCapturedBuffer(CaptureDevice& capture, int index, VoiceProcessor& processor, AdpcmCoder& coder,
                        const MuteFlags& mutes, LinkEndpoint& link, MainWindowView& view)
{
    if (capture.referenceRealigned(index))
        processor.forgetEchoPath();
    sendVoiceBlock(capture.buffer(index), capture.bytesRecorded(index), coder, mutes, link, view, &processor,
                   capture.reference(index));
    capture.recycle(index);
}

// The wire's voice payload is the codec's frame, byte for byte; the two layers cannot see
// each other's headers, so the sizes meet here.
static_assert(VOICE_PAYLOAD_SIZE == sizeof(VoiceFrame));

static_assert(VoiceProcessor::BLOCK_SAMPLES == SAMPLES_PER_FRAME);

void sendVoiceBlock(uint8_t* pcm, int bytesRecorded, AdpcmCoder& coder, const MuteFlags& mutes, LinkEndpoint& link,
                    MainWindowView& view, VoiceProcessor* processor, const int16_t* reference)
{
    static_assert(CaptureDevice::BUFFER_BYTES == SAMPLES_PER_FRAME * sizeof(int16_t));
    // A partly filled buffer comes back from a stop: too short for a frame, it is not sent.
    if (bytesRecorded != CaptureDevice::BUFFER_BYTES)
        return;

    // Muted, the microphone's block would be encoded only to be replaced: silence from a
    // reset coder is what goes out, and the coder stays reset for the next block.
    const bool muted = mutes.sendMute() != 0;
    if (muted) {
        std::memset(pcm, 0, CaptureDevice::BUFFER_BYTES);
        coder.reset();
    }
    // The capture buffer has no alignment promise; the samples are copied out of it.
    int16_t samples[SAMPLES_PER_FRAME];
    std::memcpy(samples, pcm, sizeof samples);
    if (!muted && processor != nullptr)
        processor->process(samples, reference);
    VoiceFrame frame;
    coder.encode(frame, samples, SAMPLES_PER_FRAME, 0);
    view.meter(IDC_SEND_METER, frame.level);
    link.Send(MSG_VOICE, reinterpret_cast<const uint8_t*>(&frame), VOICE_PAYLOAD_SIZE);
}

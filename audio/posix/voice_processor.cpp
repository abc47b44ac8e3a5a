#include "audio/voice_processor.h"

#include <speex/speex_echo.h>
#include <speex/speex_preprocess.h>

namespace {

constexpr int SAMPLE_RATE = 8000;
// The library works on 12.5 ms frames, five to a block.
constexpr int FRAME_SAMPLES = 100;
static_assert(VoiceProcessor::BLOCK_SAMPLES % FRAME_SAMPLES == 0);
static_assert(sizeof(VoiceProcessorState::silence) == FRAME_SAMPLES * sizeof(int16_t));
// The echo path the canceller can learn: the loudspeaker's own delay, the room's echo and
// the slack in aligning the reference with the microphone, 256 ms together.
constexpr int ECHO_TAIL_SAMPLES = 2048;
// The canceller is told twice the real rate. At 8000 its DC notch would take out the low
// harmonics of a voice and turn their phase (a talker alone kept a correlation of only 0.82
// with what was said); told 16000 it notches below 25 Hz. The rate sets nothing else but the
// canceller's adaptation steps, which come out half as large and still converge within 2 s.
constexpr int ECHO_CANCELLER_RATE = 16000;
// How far steady noise is pressed down, in dB. The library's -15 left a fan only 13 dB lower
// once the automatic gain had lifted it.
constexpr int NOISE_SUPPRESS_DB = -45;
// The level speech is brought to (an RMS of about -24 dBFS over talk and pauses), and the
// most gain a quiet talker gets: enough for one 18 dB below the usual level.
constexpr float GAIN_TARGET_LEVEL = 8000.0f;
constexpr int GAIN_MAX_DB = 20;

void setInt(SpeexPreprocessState* preprocess, int request, int value)
{
    speex_preprocess_ctl(preprocess, request, &value);
}

}  // namespace

VoiceProcessor::VoiceProcessor()
{
    int rate = ECHO_CANCELLER_RATE;
    state_.echo = speex_echo_state_init(FRAME_SAMPLES, ECHO_TAIL_SAMPLES);
    speex_echo_ctl(state_.echo, SPEEX_ECHO_SET_SAMPLING_RATE, &rate);
    state_.preprocess = speex_preprocess_state_init(FRAME_SAMPLES, SAMPLE_RATE);
    setInt(state_.preprocess, SPEEX_PREPROCESS_SET_NOISE_SUPPRESS, NOISE_SUPPRESS_DB);
    setInt(state_.preprocess, SPEEX_PREPROCESS_SET_AGC_MAX_GAIN, GAIN_MAX_DB);
    float level = GAIN_TARGET_LEVEL;
    speex_preprocess_ctl(state_.preprocess, SPEEX_PREPROCESS_SET_AGC_LEVEL, &level);
    setSwitches(switches_);
}

VoiceProcessor::~VoiceProcessor()
{
    speex_preprocess_state_destroy(state_.preprocess);
    speex_echo_state_destroy(state_.echo);
}

void VoiceProcessor::setSwitches(const VoiceProcessingSwitches& switches)
{
    // A canceller switched back on starts learning afresh: the room may have changed.
    if (switches.echoCancel && !switches_.echoCancel)
        forgetEchoPath();
    switches_ = switches;
    setInt(state_.preprocess, SPEEX_PREPROCESS_SET_DENOISE, switches.noiseSuppression ? 1 : 0);
    setInt(state_.preprocess, SPEEX_PREPROCESS_SET_AGC, switches.autoGain ? 1 : 0);
    // The preprocessor also takes out what echo the canceller leaves, when it may see its state.
    speex_preprocess_ctl(state_.preprocess, SPEEX_PREPROCESS_SET_ECHO_STATE,
                         switches.echoCancel ? state_.echo : nullptr);
}

void VoiceProcessor::process(int16_t* block, const int16_t* reference)
{
    if (!switches_.echoCancel && !switches_.noiseSuppression && !switches_.autoGain)
        return;
    for (int offset = 0; offset < BLOCK_SAMPLES; offset += FRAME_SAMPLES) {
        int16_t* frame = block + offset;
        if (switches_.echoCancel) {
            // The library reads the microphone's frame before it writes the cleaned one.
            const int16_t* played = reference != nullptr ? reference + offset : state_.silence;
            int16_t cleaned[FRAME_SAMPLES];
            speex_echo_cancellation(state_.echo, frame, played, cleaned);
            for (int index = 0; index < FRAME_SAMPLES; ++index)
                frame[index] = cleaned[index];
        }
        speex_preprocess_run(state_.preprocess, frame);
    }
}

void VoiceProcessor::forgetEchoPath()
{
    speex_echo_state_reset(state_.echo);
}

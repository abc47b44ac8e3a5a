#include "audio/voice_processor.h"

#include <algorithm>

#include <speex/speex_echo.h>
#include <speex/speex_preprocess.h>

#include "platform/debug_output.h"

namespace {

constexpr int SAMPLE_RATE = 8000;
// The library works on 12.5 ms frames, five to a block.
constexpr int FRAME_SAMPLES = 100;
static_assert(VoiceProcessor::BLOCK_SAMPLES % FRAME_SAMPLES == 0);
static_assert(sizeof(VoiceProcessorState::silence) == FRAME_SAMPLES * sizeof(int16_t));
// The echo path the canceller can learn: the loudspeaker's own delay, the room's echo and
// the slack in aligning the reference with the microphone, 192 ms together. A longer one
// learns more slowly (256 ms left the echo of speech only 20 dB down after 3 s).
constexpr int ECHO_TAIL_SAMPLES = 1536;
// How far the echo the canceller leaves is pressed down, while only the far end talks and
// while the room talks too (the library's -40 and -15 let 5 to 8 dB more through).
constexpr int ECHO_SUPPRESS_DB = -60;
constexpr int ECHO_SUPPRESS_WHILE_TALKING_DB = -25;
// The canceller is told twice the real rate. At 8000 its DC notch would take out the low
// harmonics of a voice and turn their phase (a talker alone kept a correlation of only 0.82
// with what was said); told 16000 it notches below 25 Hz. The rate sets nothing else but the
// canceller's adaptation steps, which come out half as large and still converge within 2 s.
constexpr int ECHO_CANCELLER_RATE = 16000;
// How far steady noise is pressed down, in dB. The library's -15 left a fan only 13 dB lower
// once the automatic gain had lifted it.
constexpr int NOISE_SUPPRESS_DB = -45;
// The level speech is brought to (an RMS of about -23 dBFS over talk and pauses), and the
// most gain a quiet talker gets: enough for one 18 dB below the usual level.
constexpr float GAIN_TARGET_LEVEL = 10000.0f;
constexpr int GAIN_MAX_DB = 20;
constexpr int GAIN_INCREMENT_DB_PER_SECOND = 12;
// The gain may only fall unless the last frame was speech: lifted by the gain, what is left
// of a fan or of the loudspeaker's echo goes round the loop of relay, loudspeaker, room and
// microphone (the relay sends each speaker's voice back), and the loop rings whenever the
// canceller loses track. Speech: the preprocessor's own speech probability, in percent; steady
// noise stays below 55, a talker's voiced frames lie above 80.
constexpr int SPEECH_PROBABILITY = 70;
// Nor may it rise while the microphone may hold mostly echo, even in a frame taken for speech:
// the loudspeaker played within the echo's tail (a reference frame louder than -50 dBFS RMS),
// and the canceller took out more than half of the frame's energy, or what it left is quieter
// than what the loudspeaker played (with the room talking, most of it stays).
constexpr int64_t PLAYING_MEAN_SQUARE = 100 * 100;
constexpr int ECHO_TAIL_FRAMES = ECHO_TAIL_SAMPLES / FRAME_SAMPLES;

void setInt(SpeexPreprocessState* preprocess, int request, int value)
{
    speex_preprocess_ctl(preprocess, request, &value);
}

int64_t energyOf(const int16_t* frame)
{
    int64_t energy = 0;
    for (int index = 0; index < FRAME_SAMPLES; ++index)
        energy += static_cast<int64_t>(frame[index]) * frame[index];
    return energy;
}

// Lets the automatic gain rise only after a frame of speech that is not mostly echo.
void holdGain(VoiceProcessorState& state, bool playing, bool mostlyEcho)
{
    state.framesSincePlaying = playing ? 0 : std::min(state.framesSincePlaying + 1, ECHO_TAIL_FRAMES);
    int probability = 0;
    speex_preprocess_ctl(state.preprocess, SPEEX_PREPROCESS_GET_PROB, &probability);
    const bool held =
        probability < SPEECH_PROBABILITY || (state.framesSincePlaying < ECHO_TAIL_FRAMES && mostlyEcho);
    if (held != state.gainHeld)
        setInt(state.preprocess, SPEEX_PREPROCESS_SET_AGC_INCREMENT, held ? 0 : GAIN_INCREMENT_DB_PER_SECOND);
    state.gainHeld = held;
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
    setInt(state_.preprocess, SPEEX_PREPROCESS_SET_ECHO_SUPPRESS, ECHO_SUPPRESS_DB);
    setInt(state_.preprocess, SPEEX_PREPROCESS_SET_ECHO_SUPPRESS_ACTIVE, ECHO_SUPPRESS_WHILE_TALKING_DB);
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
    if (switches_.echoCancel && (reference != nullptr) != state_.hadReference) {
        state_.hadReference = reference != nullptr;
        debugOutput(state_.hadReference
                        ? "audio: the loudspeaker's monitor runs; its echo is taken out of the microphone\n"
                        : "audio: the loudspeaker's monitor stopped; the microphone goes out without echo "
                          "cancellation until it runs again\n");
    }
    for (int offset = 0; offset < BLOCK_SAMPLES; offset += FRAME_SAMPLES) {
        int16_t* frame = block + offset;
        bool playing = false;
        bool mostlyEcho = false;
        if (switches_.echoCancel) {
            // The library reads the microphone's frame before it writes the cleaned one.
            const int16_t* played = reference != nullptr ? reference + offset : state_.silence;
            int16_t cleaned[FRAME_SAMPLES];
            speex_echo_cancellation(state_.echo, frame, played, cleaned);
            const int64_t heard = energyOf(frame);
            for (int index = 0; index < FRAME_SAMPLES; ++index)
                frame[index] = cleaned[index];
            const int64_t playedEnergy = energyOf(played);
            const int64_t left = energyOf(frame);
            playing = playedEnergy > PLAYING_MEAN_SQUARE * FRAME_SAMPLES;
            mostlyEcho = 2 * left < heard || left < playedEnergy;
        }
        holdGain(state_, playing, mostlyEcho);
        speex_preprocess_run(state_.preprocess, frame);
    }
}

void VoiceProcessor::forgetEchoPath()
{
    // Said only in the middle of a conference: each start learns afresh anyway.
    if (state_.hadReference)
        debugOutput("audio: the echo canceller learns the room afresh\n");
    speex_echo_state_reset(state_.echo);
}

#include "tools/clock_skew.h"

#include <cmath>

constexpr int64_t FRAME_USEC = 62500;
constexpr int64_t RESTART_USEC = 1000000;

void ClockSkew::take(const VoiceFrame& frame, int64_t arrivalUsec)
{
    if (framesIn_ > 0 && arrivalUsec - lastArrivalUsec_ > RESTART_USEC) {
        framesIn_ = 0;
        framesOut_ = 0;
        coder_.reset();
    }
    int16_t samples[SAMPLES_PER_FRAME];
    if (decodeReceivedFrame(samples, SAMPLES_PER_FRAME, frame) < 0)
        return;
    const int64_t first = framesIn_ * SAMPLES_PER_FRAME;
    for (int i = 0; i < SAMPLES_PER_FRAME; ++i)
        history_[(first + i) % HISTORY] = samples[i];
    ++framesIn_;
    lastArrivalUsec_ = arrivalUsec;
}

bool ClockSkew::next(VoiceFrame& frame, int64_t& dueUsec)
{
    // Output sample n holds what the real clock recorded at input position n / ratio.
    const double endPosition = static_cast<double>((framesOut_ + 1) * SAMPLES_PER_FRAME) / ratio_;
    const int64_t received = framesIn_ * SAMPLES_PER_FRAME;
    if (framesIn_ == 0 || endPosition > static_cast<double>(received))
        return false;
    int16_t samples[SAMPLES_PER_FRAME];
    for (int i = 0; i < SAMPLES_PER_FRAME; ++i)
        samples[i] = static_cast<int16_t>(
            std::lround(sampleAt(static_cast<double>(framesOut_ * SAMPLES_PER_FRAME + i) / ratio_)));
    coder_.encode(frame, samples, SAMPLES_PER_FRAME, 0);
    ++framesOut_;
    // The newest input sample arrived at lastArrivalUsec_; endPosition was recorded earlier by
    // the samples between them, and the new frame leaves one frame later than that.
    const double samplesAgo = static_cast<double>(received) - endPosition;
    dueUsec = lastArrivalUsec_ - static_cast<int64_t>(samplesAgo * 125.0) + FRAME_USEC;
    return true;
}

double ClockSkew::sampleAt(double position) const
{
    const int64_t newest = framesIn_ * SAMPLES_PER_FRAME - 1;
    const auto whole = static_cast<int64_t>(position);
    const double part = position - static_cast<double>(whole);
    const int64_t after = whole + 1 <= newest ? whole + 1 : newest;
    return history_[whole % HISTORY] * (1.0 - part) + history_[after % HISTORY] * part;
}

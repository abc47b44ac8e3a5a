#include "shell/sound_devices.h"

#include "audio/audio_fault.h"
#include "conference/worker_events.h"
#include "platform/debug_output.h"

namespace {

constexpr char CAPTION_SOUND[] = "Kovaro";
constexpr char TEXT_SOUND_LOST[] =
    "サウンドサーバーまたはオーディオデバイスが使えなくなりました。"
    "会議は続いています。使えるようになりしだい音声を再開します。";
constexpr char TEXT_SOUND_BACK[] = "音声が再開しました。";

}  // namespace

SoundDevices::SoundDevices(EventLoop& loop, MainWindowView& view, const char* applicationName, CaptureDevice* capture,
                           PlaybackChannel* channels)
    : loop_(loop), view_(view), applicationName_(applicationName), capture_(capture), channels_(channels)
{
}

void SoundDevices::openAtStart()
{
    PcmFormat format;
    makeVoiceFormat(format);
    const char* connectCaption = capture_ != nullptr ? CAPTION_INPUT_FAILED : CAPTION_OUTPUT_FAILED;
    int result = current().connect(applicationName_, &loop_);
    if (result == 0 && capture_ != nullptr)
        result = capture_->open(current(), &loop_, format);
    if (result != 0)
        view_.fatal(AudioSystem::errorText(result), connectCaption, true);
    for (int slot = 0; slot < static_cast<int>(SLOT_COUNT); ++slot) {
        result = channels_[slot].open(current(), &loop_, format, slot);
        if (result != 0)
            view_.fatal(AudioSystem::errorText(result), CAPTION_OUTPUT_FAILED, true);
    }
}

bool SoundDevices::allWorking()
{
    if (!current().isConnected() || (capture_ != nullptr && !capture_->isWorking()))
        return false;
    for (size_t slot = 0; slot < SLOT_COUNT; ++slot) {
        if (!channels_[slot].isWorking())
            return false;
    }
    return true;
}

void SoundDevices::handleFault()
{
    if (recovering_ || allWorking())
        return;
    recovering_ = true;
    debugOutput("audio: the sound server or a device went away; opening them again every second\n");
    view_.notice(TEXT_SOUND_LOST, CAPTION_SOUND, false);
    loop_.setTimer(TIMER_AUDIO_RETRY, RETRY_PERIOD_MS);
}

bool SoundDevices::reopenOn(AudioSystem& target, bool newConnection)
{
    bool allOpen = true;
    if (capture_ != nullptr && (newConnection || !capture_->isWorking()))
        allOpen = capture_->reopen(target) == 0 && allOpen;
    for (size_t slot = 0; slot < SLOT_COUNT; ++slot) {
        if (newConnection || !channels_[slot].isWorking())
            allOpen = channels_[slot].reopen(target) == 0 && allOpen;
    }
    return allOpen;
}

void SoundDevices::retry()
{
    const bool newConnection = !current().isConnected();
    AudioSystem& target = newConnection ? systems_[1 - current_] : current();
    // The server is still away: nothing to do until the next try.
    if (newConnection && target.connect(applicationName_, &loop_) != 0)
        return;
    const bool allOpen = reopenOn(target, newConnection);
    if (newConnection) {
        current().disconnect();
        current_ = 1 - current_;
    }
    if (!allOpen)
        return;
    loop_.killTimer(TIMER_AUDIO_RETRY);
    recovering_ = false;
    debugOutput("audio: sound is back\n");
    view_.notice(TEXT_SOUND_BACK, CAPTION_SOUND, true);
}

void SoundDevices::close()
{
    loop_.killTimer(TIMER_AUDIO_RETRY);
    if (capture_ != nullptr)
        capture_->close();
    for (size_t slot = 0; slot < SLOT_COUNT; ++slot)
        channels_[slot].close();
    current().disconnect();
}

bool SoundDevices::dispatch(uint32_t message, uintptr_t wParam)
{
    if (message == WM_WORKER_START)
        openAtStart();
    else if (message == WM_AUDIO_FAULT)
        handleFault();
    else if (message == WM_TIMER && wParam == TIMER_AUDIO_RETRY)
        retry();
    else
        return false;
    return true;
}

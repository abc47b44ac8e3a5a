#pragma once
// A program's sound: its connection to the sound server, the microphone (the participant's
// only) and the sixteen playback channels, opened at start and opened again whenever they
// are lost. A lost sound server or a vanished device never stops the conference: the link,
// the relay and the meters go on, the user is told once without a box to click away, and
// once a second the connection and every device that stopped working are opened again, as at
// start (names, recording), until all work; the user then hears that sound is back.
// Threading: worker thread only; the audio layer's fault reports arrive as WM_AUDIO_FAULT.

#include <cstdint>

#include "audio/audio_system.h"
#include "audio/capture_device.h"
#include "audio/playback_channel.h"
#include "net/wire_protocol.h"
#include "platform/event_loop.h"
#include "platform/main_window_view.h"

constexpr char CAPTION_OUTPUT_FAILED[] = "Error: オーディオ出力デバイスが開けません。";
constexpr char CAPTION_INPUT_FAILED[] = "Error: オーディオ入力デバイスが開けません。";

class SoundDevices {
public:
    static constexpr uint32_t RETRY_PERIOD_MS = 1000;

    // capture may be null (a program that only plays); channels are SLOT_COUNT.
    SoundDevices(EventLoop& loop, MainWindowView& view, const char* applicationName, CaptureDevice* capture,
                 PlaybackChannel* channels);

    // Connects and opens every device. Without a sound server, or at the first device that
    // cannot be opened, the fatal box with the sound server's words ends the process.
    void openAtStart();
    // WM_AUDIO_FAULT: unless everything still works (a late report of a mended fault), tells
    // the user and starts trying again.
    void handleFault();
    // TIMER_AUDIO_RETRY.
    void retry();
    // Closes every device and the connection (shutdown).
    void close();
    // The devices' own worker events, handed to the three above: WM_WORKER_START opens them,
    // WM_AUDIO_FAULT and TIMER_AUDIO_RETRY. False for any other event.
    bool dispatch(uint32_t message, uintptr_t wParam);

    bool isRecovering() const { return recovering_; }

private:
    AudioSystem& current() { return systems_[current_]; }
    bool allWorking();
    // Opens every device that does not work on target (on a new connection: every device).
    bool reopenOn(AudioSystem& target, bool newConnection);

    EventLoop& loop_;
    MainWindowView& view_;
    const char* applicationName_;
    CaptureDevice* capture_;
    PlaybackChannel* channels_;
    // The connection the devices are on, and room for the next: a new connection is made
    // before the devices leave the old one, whose streams they release on its main loop.
    AudioSystem systems_[2];
    int current_ = 0;
    bool recovering_ = false;
};

#include "shell/participant_worker.h"

#include <chrono>

#include "conference/conference_events.h"
#include "conference/voice_sending.h"
#include "conference/worker_events.h"
#include "platform/priority.h"
#include "shell/worker_objects.h"

namespace {

constexpr char APPLICATION_NAME[] = "Kovaro";
constexpr char TEXT_WORKER_FAILED[] = "ワーカースレッドの初期化に失敗しました";
constexpr char CAPTION_WORKER_FAILED[] = "そんなくまな";
constexpr char CAPTION_INPUT_FAILED[] = "Error: オーディオ入力デバイスが開けません。";
constexpr char CAPTION_OUTPUT_FAILED[] = "Error: オーディオ出力デバイスが開けません。";
constexpr char TEXT_WATCHDOG[] = "プログラミングが下手糞でごめんなさいorz";

}

ParticipantWorker::~ParticipantWorker()
{
    if (thread_.joinable()) {
        loop_->postQuit(0);
        thread_.join();
    }
}

void ParticipantWorker::start()
{
    thread_ = std::thread(&ParticipantWorker::threadMain, this);
    started_.acquire();
    // A full queue is only a moment's congestion: give the worker the processor and retry.
    while (!post(WM_WORKER_START, 0, 0))
        std::this_thread::yield();
}

bool ParticipantWorker::post(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return loop_->post(message, wParam, lParam);
}

bool ParticipantWorker::shutdown()
{
    while (!post(WM_DESTROY, 0, 0))
        std::this_thread::yield();
    return shutDown_.try_acquire_for(std::chrono::milliseconds(SHUTDOWN_WATCHDOG_MS));
}

void ParticipantWorker::threadMain()
{
    raiseThreadPriority();
    EventLoop loop;
    if (!loop.isValid())
        view_.fatal(TEXT_WORKER_FAILED, CAPTION_WORKER_FAILED, false);
    WorkerObjects objects(loop, view_);
    loop.setHandler(dispatch, this);
    loop_ = &loop;
    objects_ = &objects;
    started_.release();
    loop.run();
}

void ParticipantWorker::dispatch(void* context, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    static_cast<ParticipantWorker*>(context)->handle(message, wParam, lParam);
}

void ParticipantWorker::handle(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    WorkerObjects& objects = *objects_;
    if (dispatchConferenceEvent(objects.participant, objects.server, message, wParam, lParam))
        return;
    switch (message) {
    case WM_WORKER_START:
        openDevices();
        break;
    case WM_COMMAND:
        handleCommand(wParam, lParam);
        break;
    case MM_WIM_DATA:
        sendCapturedBuffer(objects.capture, static_cast<int>(lParam), objects.coder, objects.mutes,
                           objects.participant.link, view_);
        break;
    case WM_TIMER:
        // Of the timers only the watchdog is left: the link's and the server's are routed above.
        if (wParam == TIMER_EXIT_WATCHDOG)
            view_.fatal(TEXT_WATCHDOG, "", false);
        break;
    case WM_DESTROY:
        shutDownWorker();
        break;
    default:
        break;
    }
}

void ParticipantWorker::openDevices()
{
    WorkerObjects& objects = *objects_;
    PcmFormat format;
    makePcmFormat(format, 1, 8000, 16);

    int result = objects.audio.connect(APPLICATION_NAME);
    if (result == 0)
        result = objects.capture.open(objects.audio, loop_, format);
    if (result != 0)
        view_.fatal(AudioSystem::errorText(result), CAPTION_INPUT_FAILED, true);
    for (size_t slot = 0; slot < SLOT_COUNT; ++slot) {
        result = objects.channels[slot].open(objects.audio, loop_, format, static_cast<int>(slot));
        if (result != 0)
            view_.fatal(AudioSystem::errorText(result), CAPTION_OUTPUT_FAILED, true);
    }
}

void ParticipantWorker::handleCommand(uintptr_t wParam, intptr_t lParam)
{
    MuteFlags& mutes = objects_->mutes;
    const uint32_t command = static_cast<uint32_t>(wParam) & 0xFFFFu;
    const uint32_t index = static_cast<uint32_t>(lParam) & 0xFFFFu;
    const uint32_t state = (static_cast<uint32_t>(lParam) >> 16) & 0xFFFFu;
    // The window only sends indices in range; anything else is ignored rather than written
    // past the flags.
    if (command == CMD_MUTE_MASTER && index < std::size(mutes.master))
        mutes.master[index] = state;
    else if (command == CMD_MUTE_SLOT && index < SLOT_COUNT)
        mutes.slotMute[index] = state;
}

void ParticipantWorker::shutDownWorker()
{
    WorkerObjects& objects = *objects_;
    objects.participant.Leave();
    objects.capture.close();
    loop_->killTimer(TIMER_KEEPALIVE);
    for (PlaybackChannel& channel : objects.channels)
        channel.close();
    objects.server.Close();
    loop_->killTimer(TIMER_PEER_SWEEP);
    loop_->setTimer(TIMER_EXIT_WATCHDOG, SHUTDOWN_WATCHDOG_MS);
    // A second WM_DESTROY repeats the steps harmlessly but must not signal twice.
    if (!shutDownSignalled_) {
        shutDownSignalled_ = true;
        shutDown_.release();
    }
}

#include "shell/worker_thread.h"

#include <chrono>

#include "conference/worker_events.h"
#include "net/socket_library.h"
#include "platform/priority.h"

namespace {

constexpr char TEXT_WORKER_FAILED[] = "ワーカースレッドの初期化に失敗しました";
constexpr char CAPTION_WORKER_FAILED[] = "そんなくまな";
constexpr char TEXT_WATCHDOG[] = "プログラミングが下手糞でごめんなさいorz";

}

WorkerThread::~WorkerThread()
{
    if (thread_.joinable()) {
        loop_->postQuit(0);
        thread_.join();
    }
}

void WorkerThread::start()
{
    thread_ = std::thread(&WorkerThread::threadMain, this);
    started_.acquire();
    // A full queue is only a moment's congestion: give the worker the processor and retry.
    while (!post(WM_WORKER_START, 0, 0))
        std::this_thread::yield();
}

bool WorkerThread::post(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return loop_->post(message, wParam, lParam);
}

bool WorkerThread::shutdown()
{
    while (!post(WM_DESTROY, 0, 0))
        std::this_thread::yield();
    return shutDown_.try_acquire_for(std::chrono::milliseconds(SHUTDOWN_WATCHDOG_MS));
}

void WorkerThread::threadMain()
{
    raiseThreadPriority();
    // Not checked: without the socket library every socket open fails later with its own box.
    startSocketLibrary();
    EventLoop loop;
    if (!loop.isValid())
        view_.fatal(TEXT_WORKER_FAILED, CAPTION_WORKER_FAILED, false);
    loop_ = &loop;
    body_(*this, loop, view_);
    stopSocketLibrary();
}

void WorkerThread::serve(WorkerEvents& events)
{
    events_ = &events;
    loop_->setHandler(loopHandler_);
    started_.release();
    loop_->run();
}

void WorkerThread::handleEvent(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (message == WM_DESTROY)
        shutDownWorker();
    else if (message == WM_TIMER && wParam == TIMER_EXIT_WATCHDOG)
        view_.fatal(TEXT_WATCHDOG, "", false);
    else
        events_->handle(message, wParam, lParam);
}

void WorkerThread::shutDownWorker()
{
    events_->shutDown();
    loop_->setTimer(TIMER_EXIT_WATCHDOG, SHUTDOWN_WATCHDOG_MS);
    // A second WM_DESTROY repeats the steps harmlessly but must not signal twice.
    if (!shutDownSignalled_) {
        shutDownSignalled_ = true;
        shutDown_.release();
    }
}

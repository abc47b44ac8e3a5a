#include "event_loop_system.h"

#include "platform/event_loop.h"

namespace {

constexpr wchar_t WINDOW_CLASS[] = L"ZUBEXWORKERWINDOW";
// A post reached the loop's queue.
constexpr UINT WM_LOOP_WAKE = WM_APP + 0x100;
// Winsock: a watched socket has something to read.
constexpr UINT WM_LOOP_SOCKET = WM_APP + 0x101;
// The window timer that stands for the loop's earliest timer.
constexpr UINT_PTR WAKE_TIMER_ID = 1;

HINSTANCE programInstance()
{
    return GetModuleHandleW(nullptr);
}

// Once per process; a second registration fails harmlessly with ERROR_CLASS_ALREADY_EXISTS.
bool registerWindowClass(WNDPROC procedure)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = programInstance();
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    windowClass.lpszClassName = WINDOW_CLASS;
    return RegisterClassW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

SOCKET asSocket(int fd)
{
    return static_cast<SOCKET>(static_cast<intptr_t>(fd));
}

uint32_t pendingError(int fd)
{
    int error = 0;
    int length = sizeof error;
    if (getsockopt(asSocket(fd), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0)
        return 0;
    return static_cast<uint32_t>(error) & 0xFFFFu;
}

bool isOpenSocket(int fd)
{
    int type = 0;
    int length = sizeof type;
    return getsockopt(asSocket(fd), SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &length) == 0;
}

}  // namespace

EventLoopSystem::EventLoopSystem(EventLoop& loop) : loop_(loop)
{
    if (registerWindowClass(windowProcedure))
        window_ = CreateWindowExW(0, WINDOW_CLASS, WINDOW_CLASS, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  programInstance(), this);
}

EventLoopSystem::~EventLoopSystem()
{
    if (window_)
        DestroyWindow(window_);
}

bool EventLoopSystem::isValid() const
{
    return window_ != nullptr;
}

void EventLoopSystem::wake()
{
    PostMessageW(window_, WM_LOOP_WAKE, 0, 0);
}

void EventLoopSystem::watch(int fd)
{
    WSAAsyncSelect(asSocket(fd), window_, WM_LOOP_SOCKET, FD_READ);
}

void EventLoopSystem::unwatch(int fd)
{
    // Fails harmlessly when the socket is already closed. Reports still queued for it only
    // make the loop look at its sockets once more.
    WSAAsyncSelect(asSocket(fd), window_, 0, 0);
}

void EventLoopSystem::timersChanged()
{
    const int waitMs = loop_.millisecondsUntilNextTimer();
    if (waitMs < 0)
        KillTimer(window_, WAKE_TIMER_ID);
    else
        SetTimer(window_, WAKE_TIMER_ID, static_cast<UINT>(waitMs), nullptr);
}

void EventLoopSystem::queueReadySockets()
{
    fd_set readable;
    FD_ZERO(&readable);
    for (const EventLoop::WatchedSocket& socket : loop_.sockets_) {
        if (socket.fd >= 0 && !socket.notificationQueued)
            FD_SET(asSocket(socket.fd), &readable);
    }
    if (readable.fd_count == 0)
        return;
    timeval noWait{0, 0};
    if (select(0, &readable, nullptr, nullptr, &noWait) == SOCKET_ERROR) {
        // A socket was closed without unwatchSocket: forget it, so that a socket later opened
        // under the same handle is not reported unasked.
        for (EventLoop::WatchedSocket& socket : loop_.sockets_) {
            if (socket.fd >= 0 && !isOpenSocket(socket.fd))
                socket.fd = -1;
        }
        return;
    }
    for (EventLoop::WatchedSocket& socket : loop_.sockets_) {
        if (socket.fd >= 0 && !socket.notificationQueued && FD_ISSET(asSocket(socket.fd), &readable))
            loop_.queueNotification(socket, static_cast<intptr_t>(FD_READ | pendingError(socket.fd) << 16));
    }
}

bool EventLoopSystem::dispatchSystemEvent()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            loop_.postQuit(static_cast<int>(message.wParam));
            return false;
        }
        const unsigned long before = deliveries_;
        TranslateMessage(&message);
        DispatchMessageW(&message);
        if (deliveries_ != before)
            return true;
    }
    return false;
}

void EventLoopSystem::wait(int timeoutMs)
{
    MsgWaitForMultipleObjectsEx(0, nullptr, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
}

bool EventLoopSystem::handle(UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_LOOP_WAKE:
        if (loop_.deliverQueued())
            ++deliveries_;
        // One event per message, so that a message loop of the system takes its own messages
        // between the loop's events.
        if (loop_.hasQueuedMessage())
            wake();
        return true;
    case WM_LOOP_SOCKET:
        queueReadySockets();
        if (loop_.hasQueuedMessage())
            wake();
        return true;
    case WM_TIMER:
        if (wParam != WAKE_TIMER_ID)
            return false;
        // A due timer waits while any posted event does.
        if (loop_.hasQueuedMessage() || !loop_.deliverDueTimer())
            timersChanged();
        else
            ++deliveries_;
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK EventLoopSystem::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* self = reinterpret_cast<EventLoopSystem*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && self->handle(message, wParam, lParam))
        return 0;
    return DefWindowProcW(window, message, wParam, lParam);
}

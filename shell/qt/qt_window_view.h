#pragma once
// The worker's view of a Qt main window. Every call is handed to the GUI thread without
// waiting: titles, texts and boxes are queued to it in order; level meters, which come 16 times
// a second for up to 17 meters, keep only their latest position in a fixed table that the GUI
// thread reads at most once per METER_REFRESH_MS, so a meter position that is overtaken before
// the GUI gets to it is never drawn, the window is redrawn at most that often however the
// frames of sixteen speakers interleave, and nothing is allocated per update.
// Threading: the view's calls run on the worker thread; construction, destruction and
// setGuiWaiting on the GUI thread.

#include "platform/main_window_view.h"
#include "shell/qt/template_builder.h"

#include <QMessageBox>
#include <QPointer>

#include <atomic>

class QSocketNotifier;
class QTimer;
class QWidget;

class QtWindowView final : public MainWindowView {
public:
    // The window owns the boxes; its controls are set by id. Both must outlive the view.
    QtWindowView(QWidget& window, const BuiltTemplate& controls);
    ~QtWindowView();
    QtWindowView(const QtWindowView&) = delete;
    QtWindowView& operator=(const QtWindowView&) = delete;

    void title(const char* text) override;
    void controlText(int controlId, const char* text) override;
    void meter(int controlId, int position) override;
    void warning(const char* text, const char* caption) override;
    void notice(const char* text, const char* caption, bool onlyIfShowing) override;

    // While the GUI thread waits for the worker (its start-up) it serves no call; a fatal box
    // requested then is written to standard error and ends the process at once.
    void setGuiWaiting(bool waiting) { guiWaiting_ = waiting; }

private:
    static constexpr int METER_COUNT = 17;  // the sixteen slots and the own voice
    // A meter drawn 40 times a second follows a voice smoothly; more only costs drawing.
    static constexpr int METER_REFRESH_MS = 25;

    static int meterIndex(int controlId);
    void drainMeters();
    void showFatal(const char* text, const char* caption, bool warningIcon) override;
    // GUI thread.
    void showNotice(const QString& text, const QString& caption, bool onlyIfShowing);

    QWidget& window_;
    const BuiltTemplate& controls_;
    std::atomic<int> meters_[METER_COUNT] = {};
    std::atomic<bool> drainPending_{false};
    std::atomic<bool> guiWaiting_{false};
    int wakeFd_ = -1;
    QSocketNotifier* wakeNotifier_ = nullptr;
    QTimer* drainTimer_ = nullptr;
    // The one notice box, while it shows (cleared by Qt when the user closes it).
    QPointer<QMessageBox> notice_;
};

#include "shell/qt/qt_window_view.h"

#include "platform/linux/wake_descriptor.h"
#include "resources/control_ids.h"
#include "shell/qt/meter_bar.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

// A box requested while a modal dialog is open (the connection dialog) is owned by that
// dialog, so it shows above it rather than behind it.
QWidget* boxOwner(QWidget& window)
{
    QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr ? modal : &window;
}

}  // namespace

QtWindowView::QtWindowView(QWidget& window, const BuiltTemplate& controls) : window_(window), controls_(controls)
{
    wakeFd_ = openWakeDescriptor();
    drainTimer_ = new QTimer(&window);
    drainTimer_->setSingleShot(true);
    drainTimer_->setInterval(METER_REFRESH_MS);
    QObject::connect(drainTimer_, &QTimer::timeout, &window, [this] { drainMeters(); });
    if (wakeFd_ >= 0) {
        wakeNotifier_ = new QSocketNotifier(wakeFd_, QSocketNotifier::Read, &window);
        QObject::connect(wakeNotifier_, &QSocketNotifier::activated, &window, [this] {
            drainWakeDescriptor(wakeFd_);
            // Positions stored until the timer fires ride along with this drain.
            if (!drainTimer_->isActive()) {
                drainTimer_->start();
            }
        });
    }
}

QtWindowView::~QtWindowView()
{
    delete wakeNotifier_;
    delete drainTimer_;
    if (wakeFd_ >= 0) {
        closeWakeDescriptor(wakeFd_);
    }
}

void QtWindowView::title(const char* text)
{
    QWidget& window = window_;
    QMetaObject::invokeMethod(
        &window, [&window, value = QString::fromUtf8(text)] { window.setWindowTitle(value); }, Qt::QueuedConnection);
}

void QtWindowView::controlText(int controlId, const char* text)
{
    QMetaObject::invokeMethod(
        &window_,
        [this, controlId, value = QString::fromUtf8(text)] {
            if (auto* label = qobject_cast<QLabel*>(controls_.control(controlId))) {
                label->setText(value);
            }
        },
        Qt::QueuedConnection);
}

void QtWindowView::warning(const char* text, const char* caption)
{
    QWidget& window = window_;
    QMetaObject::invokeMethod(
        &window,
        [&window, body = QString::fromUtf8(text), title = QString::fromUtf8(caption)] {
            // Shown without waiting for it: the window keeps taking the worker's updates.
            auto* box = new QMessageBox(QMessageBox::Warning, title, body, QMessageBox::Ok, boxOwner(window));
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->open();
        },
        Qt::QueuedConnection);
}

void QtWindowView::notice(const char* text, const char* caption, bool onlyIfShowing)
{
    QMetaObject::invokeMethod(
        &window_,
        [this, body = QString::fromUtf8(text), title = QString::fromUtf8(caption), onlyIfShowing] {
            showNotice(body, title, onlyIfShowing);
        },
        Qt::QueuedConnection);
}

void QtWindowView::showNotice(const QString& text, const QString& caption, bool onlyIfShowing)
{
    if (notice_ == nullptr) {
        if (onlyIfShowing) {
            return;
        }
        // Not modal: the window goes on working and nobody has to close it for anything to go on.
        notice_ = new QMessageBox(QMessageBox::Information, caption, text, QMessageBox::Ok, &window_);
        notice_->setAttribute(Qt::WA_DeleteOnClose);
        notice_->setWindowModality(Qt::NonModal);
    }
    notice_->setWindowTitle(caption);
    notice_->setText(text);
    notice_->show();
}

int QtWindowView::meterIndex(int controlId)
{
    if (controlId == IDC_SEND_METER) {
        return METER_COUNT - 1;
    }
    const int slot = controlId - IDC_SLOT_METER_BASE;
    return slot >= 0 && slot < METER_COUNT - 1 ? slot : -1;
}

void QtWindowView::meter(int controlId, int position)
{
    const int index = meterIndex(controlId);
    if (index < 0) {
        return;
    }
    meters_[index].store(position);
    // One wake-up per drain: positions set before the GUI thread drains ride along with it.
    if (!drainPending_.exchange(true) && wakeFd_ >= 0) {
        signalWakeDescriptor(wakeFd_);
    }
}

void QtWindowView::drainMeters()
{
    // Cleared before the positions are read, so a position stored after the read wakes again.
    drainPending_.store(false);
    for (int index = 0; index < METER_COUNT; ++index) {
        const int controlId = index == METER_COUNT - 1 ? IDC_SEND_METER : IDC_SLOT_METER_BASE + index;
        if (auto* meter = dynamic_cast<MeterBar*>(controls_.control(controlId))) {
            meter->showLevel(meters_[index].load());
        }
    }
}

void QtWindowView::showFatal(const char* text, const char* caption, bool warningIcon)
{
    std::fprintf(stderr, "kovaro: %s: %s\n", caption, text);
    if (guiWaiting_) {
        std::fflush(nullptr);
        std::_Exit(0);
    }
    QWidget& window = window_;
    QMetaObject::invokeMethod(
        &window,
        [&window, body = QString::fromUtf8(text), title = QString::fromUtf8(caption), warningIcon] {
            QMessageBox box(warningIcon ? QMessageBox::Warning : QMessageBox::Critical, title, body, QMessageBox::Ok,
                            boxOwner(window));
            box.exec();
            std::fflush(nullptr);
            std::_Exit(0);
        },
        Qt::QueuedConnection);
    // The GUI thread ends the process once the box is closed; until then this thread waits.
    for (;;) {
        std::this_thread::sleep_for(std::chrono::hours(1));
    }
}

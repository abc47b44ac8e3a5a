#include "shell/qt/qt_main_window.h"

#include "platform/event_loop.h"
#include "resources/menu_resource.h"
#include "resources/resource_ids.h"
#include "shell/qt/menu_builder.h"
#include "shell/qt/modal_dialog.h"
#include "shell/qt/window_builder.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>

namespace {

DesktopRect toDesktopRect(const QRect& rect)
{
    return DesktopRect{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

}  // namespace

int QtMainWindow::build(const MainWindowVariant& variant)
{
    const DialogTemplate* dialog = findDialogTemplate(variant.templateId);
    if (dialog == nullptr || buildMainWindow(*dialog, *this, *this, built_) != 0) {
        return -1;
    }
    if (const AcceleratorTable* accelerators = findAcceleratorTable(IDR_ACCEL)) {
        installAccelerators(*accelerators, *this, *this);
    }
    // Each click on a button is its WM_COMMAND, the push-like check button already toggled.
    for (int index = 0; index < built_.controlCount; ++index) {
        const int id = built_.controls[index].id;
        if (auto* button = qobject_cast<QAbstractButton*>(built_.controls[index].widget)) {
            connect(button, &QAbstractButton::clicked, this, [this, id] { send(id); });
        }
    }
    variant_ = &variant;
    return 0;
}

void QtMainWindow::open(WorkerPort& worker, const char* settingsPath)
{
    procedure_.emplace(*variant_, *this, controls_, worker, settingsPath);
    procedure_->create();
    show();
    // Without a window manager nothing activates a new window, and F2 needs an active one.
    activateWindow();
}

void QtMainWindow::setTitle(const char* title)
{
    setWindowTitle(QString::fromUtf8(title));
}

void QtMainWindow::setMenuItemState(int commandId, bool checked, bool enabled)
{
    if (QAction* item = findMenuAction(*menuBar(), commandId)) {
        item->setChecked(checked);
        item->setEnabled(enabled);
    }
}

void QtMainWindow::postToSelf(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    QMetaObject::invokeMethod(
        this, [this, message, wParam, lParam] { deliver(message, wParam, lParam); }, Qt::QueuedConnection);
}

int QtMainWindow::runDialog(int templateId, DialogProcedure& procedure)
{
    const DialogTemplate* dialog = findDialogTemplate(templateId);
    return dialog != nullptr ? runModalDialog(*dialog, this, procedure) : -1;
}

DesktopRect QtMainWindow::windowRect() const
{
    return toDesktopRect(frameGeometry());
}

void QtMainWindow::moveWindow(int32_t left, int32_t top)
{
    move(left, top);
}

size_t QtMainWindow::screens(DesktopRect* rects, size_t capacity) const
{
    size_t count = 0;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary != nullptr && count < capacity) {
        rects[count++] = toDesktopRect(primary->geometry());
    }
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary && count < capacity) {
            rects[count++] = toDesktopRect(screen->geometry());
        }
    }
    return count;
}

void QtMainWindow::destroyWindow()
{
    destroy();
}

void QtMainWindow::quit(int exitCode)
{
    QCoreApplication::exit(exitCode);
}

void QtMainWindow::send(int commandId)
{
    deliver(WM_COMMAND, static_cast<uintptr_t>(commandId), 0);
}

void QtMainWindow::deliver(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (procedure_) {
        procedure_->handle(message, wParam, lParam);
    }
}

void QtMainWindow::destroy()
{
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    // The procedure saves the position from the window's rectangle, so the window goes after it.
    deliver(WM_DESTROY, 0, 0);
    hide();
}

void QtMainWindow::closeEvent(QCloseEvent* event)
{
    // The close box destroys the window the same way "終了(&X)" does.
    event->ignore();
    destroy();
}

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

QtMainWindow& windowOf(void* context)
{
    return *static_cast<QtMainWindow*>(context);
}

DesktopRect toDesktopRect(const QRect& rect)
{
    return DesktopRect{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

}  // namespace

int QtMainWindow::build(const MainWindowVariant& variant)
{
    const DialogTemplate* dialog = findDialogTemplate(variant.templateId);
    const CommandSink sink{this, [](void* self, int commandId) {
                               windowOf(self).deliver(WM_COMMAND, static_cast<uintptr_t>(commandId), 0);
                           }};
    if (dialog == nullptr || buildMainWindow(*dialog, *this, sink, built_) != 0) {
        return -1;
    }
    if (const AcceleratorTable* accelerators = findAcceleratorTable(IDR_ACCEL)) {
        installAccelerators(*accelerators, *this, sink);
    }
    // Each click on a button is its WM_COMMAND, the push-like check button already toggled.
    for (int index = 0; index < built_.controlCount; ++index) {
        const int id = built_.controls[index].id;
        if (auto* button = qobject_cast<QAbstractButton*>(built_.controls[index].widget)) {
            connect(button, &QAbstractButton::clicked, this, [sink, id] { sink.send(id); });
        }
    }
    variant_ = &variant;
    qtControls_ = QtControls{&built_, this, nullptr};
    controls_ = makeDialogControls(qtControls_);
    return 0;
}

void QtMainWindow::open(const WorkerPort& worker, const char* settingsPath)
{
    procedure_.emplace(*variant_, makeHost(), controls_, worker, settingsPath);
    procedure_->create();
    show();
    // Without a window manager nothing activates a new window, and F2 needs an active one.
    activateWindow();
}

MainWindowHost QtMainWindow::makeHost()
{
    MainWindowHost host;
    host.context = this;
    host.setTitle = [](void* self, const char* title) { windowOf(self).setWindowTitle(QString::fromUtf8(title)); };
    host.setMenuItemState = [](void* self, int commandId, bool checked, bool enabled) {
        if (QAction* item = findMenuAction(*windowOf(self).menuBar(), commandId)) {
            item->setChecked(checked);
            item->setEnabled(enabled);
        }
    };
    host.postToSelf = [](void* self, uint32_t message, uintptr_t wParam, intptr_t lParam) {
        QtMainWindow& window = windowOf(self);
        QMetaObject::invokeMethod(
            &window, [&window, message, wParam, lParam] { window.deliver(message, wParam, lParam); },
            Qt::QueuedConnection);
    };
    host.runDialog = [](void* self, int templateId, const DialogProcedure& procedure) {
        const DialogTemplate* dialog = findDialogTemplate(templateId);
        return dialog != nullptr ? runModalDialog(*dialog, &windowOf(self), procedure) : -1;
    };
    host.windowRect = [](void* self) { return toDesktopRect(windowOf(self).frameGeometry()); };
    host.moveWindow = [](void* self, int32_t left, int32_t top) { windowOf(self).move(left, top); };
    host.screens = [](void*, DesktopRect* rects, size_t capacity) {
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
    };
    host.destroyWindow = [](void* self) { windowOf(self).destroy(); };
    host.quit = [](void*, int exitCode) { QCoreApplication::exit(exitCode); };
    return host;
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

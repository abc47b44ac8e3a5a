#include "shell/qt/desktop_program.h"

#include "platform/priority.h"
#include "resources/dialog_template.h"
#include "shell/qt/qt_main_window.h"
#include "shell/qt/qt_window_view.h"
#include "shell/qt/stop_signals.h"
#include "shell/qt/template_font.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int EXIT_NO_DISPLAY = -1;
constexpr int EXIT_NO_WINDOW = -2;

bool isSet(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

// Qt ends the process with an abort when its window system cannot be opened (a DISPLAY that
// no X server answers, say), after some lines of its own. While the application object is made,
// Qt's lines are held back; a failure becomes one line of ours, naming Qt's first complaint,
// and our exit code.
const char* executableName = "";
bool makingApplication = false;
QString heldMessages;

void applicationMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (!makingApplication) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        return;
    }
    if (type != QtFatalMsg) {
        heldMessages += message + u'\n';
        return;
    }
    const QString reason = (heldMessages.isEmpty() ? message : heldMessages).section(u'\n', 0, 0);
    std::fprintf(stderr, "%s: the display cannot be opened: %s\n", executableName, qPrintable(reason));
    std::fflush(nullptr);
    std::_Exit(EXIT_NO_DISPLAY & 0xFF);
}

// The worker's start blocks this thread until the worker takes posts; the view is told, so a
// failure of the worker in that time does not wait for this thread to show its box.
class DesktopWorker final : public WorkerThread {
public:
    DesktopWorker(QtWindowView& view, Body body) : WorkerThread(view, body), view_(view) {}

    void start() override
    {
        view_.setGuiWaiting(true);
        WorkerThread::start();
        view_.setGuiWaiting(false);
    }

private:
    QtWindowView& view_;
};

}  // namespace

int runDesktopProgram(int argc, char** argv, const DesktopProgram& program)
{
    raiseProcessPriority();
    executableName = program.executableName;
    if (!isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY") && !isSet("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "%s: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset)\n",
                     executableName);
        return EXIT_NO_DISPLAY;
    }

    qInstallMessageHandler(applicationMessage);
    makingApplication = true;
    QApplication application(argc, argv);
    makingApplication = false;
    std::fputs(qPrintable(heldMessages), stderr);
    QApplication::setApplicationName(QString::fromUtf8(program.applicationName));
    QApplication::setDesktopFileName(QString::fromUtf8(program.desktopFileName));

    const DialogTemplate* mainTemplate = findDialogTemplate(program.window->templateId);
    if (mainTemplate == nullptr) {
        return EXIT_NO_WINDOW;
    }
    // Boxes and dialogs in the windows' own font, which holds the Japanese texts.
    QApplication::setFont(templateFont(*mainTemplate));
    QtMainWindow window;
    if (window.build(*program.window) != 0) {
        return EXIT_NO_WINDOW;
    }
    QtWindowView view(window, window.controls());
    DesktopWorker worker(view, program.workerBody);
    closeOnStopSignals(window);
    window.open(worker);
    const int exitCode = application.exec();

    // The window's destruction has waited for the worker's shutdown (what must go out has
    // gone), at most as long as its watchdog allows. The worker may still be inside its last
    // steps; the process ends here without waiting for it further.
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

// kovaro: the participant program. The main window and its dialogs run on this thread; the
// conference runs on the worker thread, which reaches the window only through its view.

#include "shell/participant_worker.h"
#include "shell/qt/desktop_program.h"

int main(int argc, char** argv)
{
    const DesktopProgram program{"kovaro", "Kovaro", "kovaro", &PARTICIPANT_MAIN_WINDOW, serveParticipant};
    return runDesktopProgram(argc, argv, program);
}

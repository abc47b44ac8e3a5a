// kovarosrv: the dedicated relay server. The main window and its dialog run on this thread; the
// relay, the local playback and the window's updates run on the worker thread.

#include "server/server_worker.h"
#include "shell/qt/desktop_program.h"

int main(int argc, char** argv)
{
    const DesktopProgram program{"kovarosrv", "Kovaro SERVER", "kovarosrv", &SERVER_MAIN_WINDOW, serveDedicatedServer};
    return runDesktopProgram(argc, argv, program);
}

// kovarosrv.exe: the dedicated relay server. The main window and its dialog run on this thread;
// the relay, the local playback and the window's updates run on the worker thread.

#include "server/server_worker.h"

#include "shell/windows/native_program.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    return runNativeProgram(instance, showCommand, NativeProgram{&SERVER_MAIN_WINDOW, serveDedicatedServer});
}

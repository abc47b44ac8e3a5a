// kovaro.exe: the participant program. The main window and its dialogs run on this thread; the
// conference runs on the worker thread, which reaches the window only through its view.

#include "shell/participant_worker.h"

#include "shell/windows/native_program.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    return runNativeProgram(instance, showCommand, NativeProgram{&PARTICIPANT_MAIN_WINDOW, serveParticipant});
}

#include "tests/support/sound_server_commands.h"

#include <cstdlib>

std::vector<std::string> playRawCommand(const std::string& sink, const std::string& rawPath)
{
    return {"pacat", "-d", sink, "--rate=8000", "--channels=1", "--format=s16le", "--latency-msec=20", rawPath};
}

bool startRecorder(ChildProgram& recorder, const std::string& source, const std::string& path)
{
    ChildOptions options;
    options.stdoutPath = path;
    return recorder.start({"parec", "-d", source, "--rate=8000", "--channels=1", "--format=s16le", "--latency-msec=10"},
                          options);
}

bool onPipeWire()
{
    const char* server = std::getenv("KOVARO_SOUND_SERVER");
    return server != nullptr && std::string(server) == "pipewire";
}

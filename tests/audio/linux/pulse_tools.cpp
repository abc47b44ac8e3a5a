#include "pulse_tools.h"

#include <signal.h>

#include <vector>

#include "tests/audio/sound_server_tools.h"
#include "tests/support/scratch_folder.h"

std::string sinkInputListing()
{
    std::vector<std::string> lines;
    runToEnd({"pactl", "list", "sink-inputs"}, &lines);
    std::string listing;
    for (const std::string& line : lines)
        listing += line + "\n";
    return listing;
}

// parec into a file of a scratch folder.
struct OutputRecorder::System {
    ScratchFolder folder;
    ChildProgram parec;
};

OutputRecorder::OutputRecorder() : system_(std::make_unique<System>())
{
}
OutputRecorder::~OutputRecorder() = default;

bool OutputRecorder::start()
{
    return system_->folder.isValid() && startRecorder(system_->parec, OUTPUT_MONITOR, system_->folder.file("out.raw"));
}

Samples OutputRecorder::stop()
{
    system_->parec.stop(SIGTERM);
    return readSamples(system_->folder.file("out.raw"));
}

// pacat playing a file of a scratch folder.
struct MicrophoneFeed::System {
    ScratchFolder folder;
    ChildProgram pacat;
};

MicrophoneFeed::MicrophoneFeed() : system_(std::make_unique<System>())
{
}
MicrophoneFeed::~MicrophoneFeed() = default;

bool MicrophoneFeed::start(const Samples& samples)
{
    const std::string path = system_->folder.file("fed.raw");
    return system_->folder.isValid() && writeSamples(path, samples) &&
           system_->pacat.start(playRawCommand(MICROPHONE_FEED, path), ChildOptions{});
}

bool MicrophoneFeed::isPlaying()
{
    return system_->pacat.isRunning();
}

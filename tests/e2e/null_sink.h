#pragma once
// A null sink of its own on the test sound server (8000 Hz mono s16le), loaded for one
// scenario and unloaded after it, whose monitor is recorded into a file from the start.
// A participant-host given the sink as PULSE_SINK plays into it (the recording is what it
// played); given its monitor as PULSE_SOURCE it takes it as its microphone, fed with
// feedSink() (the recording is then what the microphone heard).
// The recorder also keeps the sink running in small blocks: an idle null sink renders ahead
// and would deliver a new reader's first data late and in bursts.

#include <cstddef>
#include <string>

#include "tests/support/child_program.h"
#include "tests/support/pcm_signal.h"
#include "tests/support/sound_server_commands.h"

class NullSink {
public:
    NullSink() = default;
    ~NullSink();
    NullSink(const NullSink&) = delete;
    NullSink& operator=(const NullSink&) = delete;

    // Loads the sink as `name` and starts recording its monitor into recordingPath; false
    // (with the reason in failure()) when the sound server refused.
    bool load(const std::string& name, const std::string& recordingPath);
    const std::string& failure() const { return failure_; }
    // Loads the sink again under its name, after the sound server or the test dropped it; the
    // recording starts afresh in the same file.
    bool reload();
    // Unloads the sink (a device that goes away); its recorder ends.
    void unload();

    const std::string& name() const { return name_; }
    std::string monitor() const { return name_ + ".monitor"; }

    // Samples recorded so far; a position to cut the recording at later.
    size_t recordedSamples() const;
    Samples recording(size_t from, size_t to) const;

private:
    std::string name_;
    std::string moduleIndex_;
    std::string recordingPath_;
    std::string failure_;
    ChildProgram recorder_;
};

// Plays the raw file (8000 Hz mono s16le) into the sink in real time and waits until it has
// been played; false when pacat failed.
bool feedSink(const std::string& sinkName, const std::string& rawPath);

// Where the test sound server is, for the failure message when it is not there.
bool soundServerConfigured();


#pragma once
// pacat and parec on the test sound server, in the voice format (8000 Hz mono s16le).

#include <string>
#include <vector>

#include "tests/support/child_program.h"

// Plays a raw file into the sink, paced in real time; the program ends once it has played it.
std::vector<std::string> playRawCommand(const std::string& sink, const std::string& rawPath);

// Whether the test sound server is PipeWire (KOVARO_SOUND_SERVER, set by the test fixture).
bool onPipeWire();

// Starts recording the source (a sink's monitor) as raw samples into a file or FIFO; recording
// goes on until the recorder is stopped.
bool startRecorder(ChildProgram& recorder, const std::string& source, const std::string& path);

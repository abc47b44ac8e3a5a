#pragma once
// Common ground of the end-to-end scenarios: a scratch folder (kept when the test failed, for
// the recordings and standard error files in it), sink names of the scenario's own, the
// environment that gives a participant-host its microphone and its output, and speech.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/null_sink.h"
#include "tests/e2e/speech_signal.h"

class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string path(const std::string& name) const { return folder_ + "/" + name; }
    // A sink name no other scenario or test program uses at the same time.
    std::string sinkName(const std::string& role) const;
    // Loads a null sink for the role, recorded into <role>.raw in the scratch folder.
    void loadSink(NullSink& sink, const std::string& role);
    // The participant records the monitor of `microphone` and plays into `output`.
    static std::vector<std::string> audioEnvironment(const NullSink& microphone, const NullSink& output);
    // Speech in <name>.raw in the scratch folder, ready for feedSink().
    Samples speech(const std::string& text, const std::string& voice, const std::string& name);

    static void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

private:
    std::string folder_;
};

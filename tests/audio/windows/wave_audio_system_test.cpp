#include <gtest/gtest.h>

#include <string>

#include "audio/audio_system.h"

#include <windows.h>
// <mmsystem.h> needs what <windows.h> declares.
#include <mmsystem.h>

// The wave functions' results read in the system's own words, and the layer's own result
// never as one of them.
TEST(WaveAudioSystem, ErrorTextGivesTheSystemsTextForItsCodes)
{
    const std::string ownText = AudioSystem::errorText(AUDIO_ALREADY_RUNNING);
    for (const int code : {MMSYSERR_ERROR, MMSYSERR_BADDEVICEID, MMSYSERR_ALLOCATED, MMSYSERR_NODRIVER, MMSYSERR_NOMEM,
                           WAVERR_BADFORMAT, WAVERR_STILLPLAYING}) {
        wchar_t wide[MAXERRORLENGTH];
        ASSERT_TRUE(waveOutGetErrorTextW(static_cast<UINT>(code), wide, MAXERRORLENGTH) == MMSYSERR_NOERROR);
        char expected[3 * MAXERRORLENGTH];
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, expected, sizeof expected, nullptr, nullptr);
        EXPECT_STREQ(AudioSystem::errorText(-code), expected) << "code " << code;
        EXPECT_NE(ownText, AudioSystem::errorText(-code)) << "code " << code;
    }
    EXPECT_STREQ(AudioSystem::errorText(-999), "Unknown error code");
}

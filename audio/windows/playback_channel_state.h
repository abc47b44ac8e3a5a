#pragma once
// The wave-audio side of PlaybackChannel: a wave-out device of the channel's own on the
// default output, and the ring of headers its audio is queued in
// (audio/windows/playback_channel.cpp).
// audio/playback_channel.h includes it as "playback_channel_state.h": the build puts this folder on
// the include path on Windows, and audio/linux/ with its twin on Linux.

#include <cstdint>

#include "audio/ring_sizes.h"

#include <windows.h>
// <mmsystem.h> needs what <windows.h> declares.
#include <mmsystem.h>

class EventLoop;

struct PlaybackChannelState {
    HWAVEOUT handle = nullptr;
    // Told with WM_AUDIO_FAULT when a wave call finds the device gone.
    EventLoop* window = nullptr;
    bool gone = false;
    // Headers are filled and queued in turn, so they also finish in turn: the next one is
    // free once the device is done with it.
    WAVEHDR headers[PLAYBACK_BLOCK_COUNT] = {};
    int nextHeader = 0;
    // The header being filled by the current write, and how much of it is filled.
    int filling = -1;
    // Bytes queued since the device opened, modulo 2^32 like the device's byte position.
    uint32_t bytesWritten = 0;
    // When the device will have played everything queued, were it to play without a break
    // from now on (steady clock, microseconds).
    int64_t playedByUsec = 0;
    uint32_t bytesPerSecond = 16000;
    uint16_t blockAlign = 2;
    // The written block, edited for the playout before it is copied into headers.
    int16_t block[PLAYBACK_BLOCK_BYTES / 2] = {};
    uint8_t buffers[PLAYBACK_BLOCK_COUNT * PLAYBACK_BLOCK_BYTES] = {};
};

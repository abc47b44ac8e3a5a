#pragma once
// Message, command and timer ids of the worker's event loop, shared by both programs.

#include <cstdint>

#include "audio/capture_device.h"  // MM_WIM_DATA, which the capture device posts

constexpr uint32_t WM_WORKER_START = 0x8100;
constexpr uint32_t WM_WORKER_CONNECT = 0x8101;
constexpr uint32_t CMD_MUTE_MASTER = 0x8102;
constexpr uint32_t CMD_MUTE_SLOT = 0x8103;
constexpr uint32_t WM_CLIENT_SOCKET = 0x8200;
constexpr uint32_t WM_SERVER_SOCKET = 0x8201;

constexpr uint32_t TIMER_JOIN_RETRY = 16;
constexpr uint32_t TIMER_PEER_SWEEP = 0x8204;
constexpr uint32_t TIMER_KEEPALIVE = 0x8205;
constexpr uint32_t TIMER_EXIT_WATCHDOG = 0x8206;
// Once a second while sound is lost: the sound server and the devices are opened again.
constexpr uint32_t TIMER_AUDIO_RETRY = 0x8207;
// kovaro-relay: a statistics line every --stats seconds.
constexpr uint32_t TIMER_RELAY_STATS = 0x8208;
// While a received frame waits for its predecessor: the earliest end of a hold.
constexpr uint32_t TIMER_VOICE_HOLD = 0x8209;

constexpr uint32_t PEER_SWEEP_PERIOD_MS = 1000;

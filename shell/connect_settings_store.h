#pragma once
// Loading and saving the connection settings and the main window's position in the settings
// file. The file holds UTF-8 text; the record holds code page 932 bytes, so text is converted
// on the way and cut to the record's byte limits without splitting a character. Characters
// that code page 932 (or UTF-8) lacks become '?'; the load and save functions return how many.
// Main thread only.

#include <cstddef>
#include <cstdint>

#include "conference/connect_settings.h"
#include "conference/voice_processing_switches.h"
#include "shell/settings_store.h"

constexpr char KEY_NICKNAME[] = "NickName";
constexpr char KEY_REMOTE_HOST[] = "RemoteHost";
constexpr char KEY_REMOTE_PORT[] = "RemotePort";
constexpr char KEY_SERVER_MODE[] = "ServerMode";
constexpr char KEY_LOCAL_PORT[] = "LocalPort";
constexpr char KEY_TOP[] = "Top";
constexpr char KEY_LEFT[] = "Left";
constexpr char KEY_ECHO_CANCEL[] = "EchoCancel";
constexpr char KEY_NOISE_SUPPRESSION[] = "NoiseSuppression";
constexpr char KEY_AUTO_GAIN[] = "AutoGain";

constexpr char DEFAULT_NICKNAME[] = "unnamed";
constexpr int32_t DEFAULT_SERVER_MODE = 1;
constexpr int32_t DEFAULT_LOCAL_PORT = 0;
// The dedicated server joins its own relay through this host.
constexpr char SERVER_REMOTE_HOST[] = "localhost";

// Zeroes the record and fills every field from the file, defaults for what is absent.
// Values are taken as they are; the connection dialog validates them. A character of the file
// that the record's code page 932 cannot hold becomes '?'; returns how many did.
size_t loadConnectSettings(const SettingsStore& store, ConnectSettings& settings);
// Writes NickName and RemoteHost, then LocalPort, ServerMode and RemotePort. Returns how many
// record bytes were not code page 932 and went to the file as '?' (none from the dialog).
size_t saveConnectSettings(const SettingsStore& store, const ConnectSettings& settings);

// The dedicated server's record: no nickname, its own relay on SERVER_REMOTE_HOST in server
// mode, no fixed local port; only RemotePort comes from the file, and only it is saved.
void loadServerConnectSettings(const SettingsStore& store, ConnectSettings& settings);
void saveServerConnectSettings(const SettingsStore& store, const ConnectSettings& settings);

// The participant's voice-processing switches, each under a key of its own.
struct VoiceProcessingKey {
    const char* key;
    bool VoiceProcessingSwitches::*which;
};

constexpr VoiceProcessingKey VOICE_PROCESSING_KEYS[] = {
    {KEY_ECHO_CANCEL, &VoiceProcessingSwitches::echoCancel},
    {KEY_NOISE_SUPPRESSION, &VoiceProcessingSwitches::noiseSuppression},
    {KEY_AUTO_GAIN, &VoiceProcessingSwitches::autoGain},
};

// Every switch on unless its key holds 0: an absent key, like any other number, leaves it on.
VoiceProcessingSwitches loadVoiceProcessingSwitches(const SettingsStore& store);
// Writes the one key of `key` as 1 or 0.
void saveVoiceProcessingSwitch(const SettingsStore& store, const VoiceProcessingKey& key,
                               const VoiceProcessingSwitches& switches);

struct WindowPosition {
    int32_t left;
    int32_t top;
};

// Top and Left, 0 when absent; not checked against the screen.
WindowPosition loadWindowPosition(const SettingsStore& store);
// Writes Left, then Top.
void saveWindowPosition(const SettingsStore& store, WindowPosition position);

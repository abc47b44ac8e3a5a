#include "shell/connect_settings_store.h"

#include <cstring>

#include "net/wire_protocol.h"
#include "platform/code_page.h"
#include "platform/private_profile.h"

namespace {

// A code page 932 byte comes from at most 3 bytes of UTF-8 (a half-width katakana), and a '?'
// from at most 4 (a character outside the code page), so reading 4 bytes per record byte
// always supplies enough text to fill the field; what lies beyond is cut anyway.
constexpr size_t UTF8_BYTES_PER_CP932_BYTE = 4;
// The other way a code page 932 byte becomes at most 3 bytes of UTF-8.
constexpr size_t UTF8_BYTES_PER_RECORD_BYTE = 3;

template <size_t CAPACITY>
size_t readText(const SettingsStore& store, const char* key, const char* defaultValue, char (&field)[CAPACITY])
{
    char utf8[CAPACITY * UTF8_BYTES_PER_CP932_BYTE];
    size_t length = readProfileString(store.section, key, defaultValue, utf8, sizeof(utf8), store.iniPath);
    return utf8ToCp932(utf8, length, field, CAPACITY).replaced;
}

template <size_t CAPACITY>
size_t writeText(const SettingsStore& store, const char* key, const char (&field)[CAPACITY])
{
    char utf8[CAPACITY * UTF8_BYTES_PER_RECORD_BYTE];
    TextConversion converted = cp932ToUtf8(field, strnlen(field, CAPACITY - 1), utf8, sizeof(utf8));
    writeProfileString(store.section, key, utf8, store.iniPath);
    return converted.replaced;
}

int32_t readInt(const SettingsStore& store, const char* key, int32_t defaultValue)
{
    return readProfileInt(store.section, key, defaultValue, store.iniPath);
}

}  // namespace

size_t loadConnectSettings(const SettingsStore& store, ConnectSettings& settings)
{
    std::memset(&settings, 0, sizeof(settings));
    size_t replaced = readText(store, KEY_NICKNAME, DEFAULT_NICKNAME, settings.nickname);
    replaced += readText(store, KEY_REMOTE_HOST, "", settings.remoteHost);
    settings.remotePort = readInt(store, KEY_REMOTE_PORT, DEFAULT_RELAY_PORT);
    settings.serverMode = readInt(store, KEY_SERVER_MODE, DEFAULT_SERVER_MODE);
    settings.localPort = readInt(store, KEY_LOCAL_PORT, DEFAULT_LOCAL_PORT);
    return replaced;
}

size_t saveConnectSettings(const SettingsStore& store, const ConnectSettings& settings)
{
    size_t replaced = writeText(store, KEY_NICKNAME, settings.nickname);
    replaced += writeText(store, KEY_REMOTE_HOST, settings.remoteHost);
    store.writeInt(KEY_LOCAL_PORT, settings.localPort);
    store.writeInt(KEY_SERVER_MODE, settings.serverMode);
    store.writeInt(KEY_REMOTE_PORT, settings.remotePort);
    return replaced;
}

void loadServerConnectSettings(const SettingsStore& store, ConnectSettings& settings)
{
    std::memset(&settings, 0, sizeof(settings));
    std::memcpy(settings.remoteHost, SERVER_REMOTE_HOST, sizeof(SERVER_REMOTE_HOST));
    settings.serverMode = 1;
    settings.localPort = 0;
    settings.remotePort = readInt(store, KEY_REMOTE_PORT, DEFAULT_RELAY_PORT);
}

void saveServerConnectSettings(const SettingsStore& store, const ConnectSettings& settings)
{
    store.writeInt(KEY_REMOTE_PORT, settings.remotePort);
}

VoiceProcessingSwitches loadVoiceProcessingSwitches(const SettingsStore& store)
{
    VoiceProcessingSwitches switches;
    for (const VoiceProcessingKey& key : VOICE_PROCESSING_KEYS)
        switches.*key.which = readInt(store, key.key, 1) != 0;
    return switches;
}

void saveVoiceProcessingSwitch(const SettingsStore& store, const VoiceProcessingKey& key,
                               const VoiceProcessingSwitches& switches)
{
    store.writeInt(key.key, switches.*key.which ? 1 : 0);
}

WindowPosition loadWindowPosition(const SettingsStore& store)
{
    WindowPosition position{};
    position.top = readInt(store, KEY_TOP, 0);
    position.left = readInt(store, KEY_LEFT, 0);
    return position;
}

void saveWindowPosition(const SettingsStore& store, WindowPosition position)
{
    store.writeInt(KEY_LEFT, position.left);
    store.writeInt(KEY_TOP, position.top);
}

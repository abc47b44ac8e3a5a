#include "shell/settings_store.h"

#include <cstdio>
#include <cstring>

#include "platform/private_profile.h"

namespace {

constexpr char INI_EXTENSION[] = ".ini";

bool copyText(const char* text, char* out, size_t capacity)
{
    size_t length = std::strlen(text);
    if (length >= capacity)
        return false;
    std::memcpy(out, text, length + 1);
    return true;
}

}  // namespace

int SettingsStore::open(const char* path, const char* sectionName)
{
    if (copyText(path, iniPath, sizeof(iniPath)) && copyText(sectionName, section, sizeof(section)))
        return 0;
    iniPath[0] = '\0';
    section[0] = '\0';
    return -1;
}

void SettingsStore::writeInt(const char* key, int32_t value) const
{
    char text[12];
    std::snprintf(text, sizeof(text), "%d", value);
    writeProfileString(section, key, text, iniPath);
}

int settingsFileBeside(const char* executablePath, char* path, size_t capacity)
{
    if (capacity == 0)
        return -1;
    const char* dot = std::strrchr(executablePath, '.');
    size_t stemLength = dot ? static_cast<size_t>(dot - executablePath) : std::strlen(executablePath);
    if (stemLength + sizeof(INI_EXTENSION) > capacity || stemLength + sizeof(INI_EXTENSION) > SETTINGS_PATH_CAPACITY)
        return -1;
    std::memcpy(path, executablePath, stemLength);
    std::memcpy(path + stemLength, INI_EXTENSION, sizeof(INI_EXTENSION));
    return static_cast<int>(stemLength + sizeof(INI_EXTENSION) - 1);
}

int openProgramSettings(SettingsStore& store)
{
    char path[SETTINGS_PATH_CAPACITY];
    if (programSettingsPath(path, sizeof(path)) < 0) {
        store.open("", "");
        return -1;
    }
    return store.open(path, SETTINGS_SECTION);
}

#include "shell/settings_store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/executable_path.h"
#include "platform/private_profile.h"

namespace {

constexpr char INI_EXTENSION[] = ".ini";
constexpr char CONFIG_FOLDER_IN_HOME[] = "/.config";
constexpr char PROGRAM_FOLDER[] = "/kovaro";
constexpr mode_t CONFIG_FOLDER_MODE = 0700;

bool copyText(const char* text, char* out, size_t capacity)
{
    size_t length = std::strlen(text);
    if (length >= capacity)
        return false;
    std::memcpy(out, text, length + 1);
    return true;
}

// Everything before the last '/', "/" for a file in the root, "." for a bare name.
void folderOf(const char* path, char* folder)
{
    const char* slash = std::strrchr(path, '/');
    if (!slash) {
        std::strcpy(folder, ".");
        return;
    }
    size_t length = slash == path ? 1 : static_cast<size_t>(slash - path);
    std::memcpy(folder, path, length);
    folder[length] = '\0';
}

bool isAbsolute(const char* path)
{
    return path && path[0] == '/';
}

// Creates the folder and any missing parents; existing ones are fine, failures show later as
// failed writes.
void createFolders(const char* folder)
{
    char partial[SETTINGS_PATH_CAPACITY];
    size_t length = std::strlen(folder);
    std::memcpy(partial, folder, length + 1);
    for (size_t i = 1; i <= length; ++i) {
        if (partial[i] != '/' && partial[i] != '\0')
            continue;
        char kept = partial[i];
        partial[i] = '\0';
        ::mkdir(partial, CONFIG_FOLDER_MODE);
        partial[i] = kept;
    }
}

// The user's configuration folder for this system, or false when the environment names none.
bool userConfigFolder(const SettingsEnvironment& environment, char* folder, size_t capacity)
{
    int length;
    if (isAbsolute(environment.xdgConfigHome))
        length = std::snprintf(folder, capacity, "%s%s", environment.xdgConfigHome, PROGRAM_FOLDER);
    else if (isAbsolute(environment.home))
        length = std::snprintf(folder, capacity, "%s%s%s", environment.home, CONFIG_FOLDER_IN_HOME, PROGRAM_FOLDER);
    else
        return false;
    return length >= 0 && static_cast<size_t>(length) < capacity;
}

bool isWritableByAccess(const char* folder)
{
    return ::access(folder, W_OK) == 0;
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

int settingsPathFor(const char* executablePath, const SettingsEnvironment& environment, char* path, size_t capacity)
{
    if (capacity == 0)
        return -1;
    const char* dot = std::strrchr(executablePath, '.');
    size_t stemLength = dot ? static_cast<size_t>(dot - executablePath) : std::strlen(executablePath);
    if (stemLength + sizeof(INI_EXTENSION) > capacity || stemLength + sizeof(INI_EXTENSION) > SETTINGS_PATH_CAPACITY)
        return -1;
    std::memcpy(path, executablePath, stemLength);
    std::memcpy(path + stemLength, INI_EXTENSION, sizeof(INI_EXTENSION));
    size_t length = stemLength + sizeof(INI_EXTENSION) - 1;

    char folder[SETTINGS_PATH_CAPACITY];
    folderOf(path, folder);
    if (environment.isFolderWritable(folder))
        return static_cast<int>(length);

    char configFolder[SETTINGS_PATH_CAPACITY];
    if (!userConfigFolder(environment, configFolder, sizeof(configFolder)))
        return static_cast<int>(length);
    const char* slash = std::strrchr(path, '/');
    const char* fileName = slash ? slash + 1 : path;
    char fallback[SETTINGS_PATH_CAPACITY];
    int fallbackLength = std::snprintf(fallback, sizeof(fallback), "%s/%s", configFolder, fileName);
    if (fallbackLength < 0 || static_cast<size_t>(fallbackLength) >= sizeof(fallback) ||
        static_cast<size_t>(fallbackLength) >= capacity)
        return -1;
    createFolders(configFolder);
    std::memcpy(path, fallback, static_cast<size_t>(fallbackLength) + 1);
    return fallbackLength;
}

int programSettingsPath(char* path, size_t capacity)
{
    char executable[SETTINGS_PATH_CAPACITY];
    if (executablePath(executable, sizeof(executable)) < 0)
        return -1;
    SettingsEnvironment environment{std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"), isWritableByAccess};
    return settingsPathFor(executable, environment, path, capacity);
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

#include "shell/linux/settings_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/executable_path.h"
#include "shell/settings_store.h"

namespace {

constexpr char CONFIG_FOLDER_IN_HOME[] = "/.config";
constexpr char PROGRAM_FOLDER[] = "/kovaro";
constexpr mode_t CONFIG_FOLDER_MODE = 0700;

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

// /usr and what lies under it belong to the package manager: an installed program keeps its
// settings in the user's folder even when it could write there (run by root).
bool isSystemFolder(const char* folder)
{
    return std::strncmp(folder, "/usr", 4) == 0 && (folder[4] == '\0' || folder[4] == '/');
}

bool isWritableByAccess(const char* folder)
{
    return ::access(folder, W_OK) == 0;
}

}  // namespace

int settingsPathFor(const char* executablePath, const SettingsEnvironment& environment, char* path, size_t capacity)
{
    int length = settingsFileBeside(executablePath, path, capacity);
    if (length < 0)
        return -1;

    char folder[SETTINGS_PATH_CAPACITY];
    folderOf(path, folder);
    if (!isSystemFolder(folder) && environment.isFolderWritable(folder))
        return length;

    char configFolder[SETTINGS_PATH_CAPACITY];
    if (!userConfigFolder(environment, configFolder, sizeof(configFolder)))
        return length;
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

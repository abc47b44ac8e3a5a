// A Windows program keeps its settings file beside itself, wherever it was put.

#include "platform/executable_path.h"
#include "shell/settings_store.h"

int programSettingsPath(char* path, size_t capacity)
{
    char executable[SETTINGS_PATH_CAPACITY];
    if (executablePath(executable, sizeof(executable)) < 0)
        return -1;
    return settingsFileBeside(executable, path, capacity);
}

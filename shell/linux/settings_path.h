#pragma once
// Where a Linux program keeps its settings file: beside the program like on Windows, unless
// that folder cannot be written or lies under /usr (an installed program); then in the user's
// configuration folder.

#include <cstddef>

struct SettingsEnvironment {
    // $XDG_CONFIG_HOME and $HOME, or nullptr when unset.
    const char* xdgConfigHome;
    const char* home;
    bool (*isFolderWritable)(const char* folder);
};

// settingsFileBeside, or, when the folder that file would lie in is not writable or lies under
// /usr, the same file
// name in $XDG_CONFIG_HOME/kovaro/, or else $HOME/.config/kovaro/, which is created when
// missing; relative or empty variables count as unset, and without either the path beside the
// program is kept. Returns the length, or -1 when the path does not fit.
int settingsPathFor(const char* executablePath, const SettingsEnvironment& environment, char* path, size_t capacity);

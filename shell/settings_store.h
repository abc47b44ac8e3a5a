#pragma once
// The settings file of a program and the section its settings live in. One store per program,
// opened once by the main window and used on the main thread only.
// The path buffer holds PATH_MAX bytes, since Linux paths may be longer than the 259 characters
// a Windows path is limited to; a path that does not fit is refused. Paths are UTF-8.

#include <cstddef>
#include <cstdint>

constexpr size_t SETTINGS_PATH_CAPACITY = 4096;
constexpr size_t SETTINGS_SECTION_CAPACITY = 256;
constexpr char SETTINGS_SECTION[] = "torvik";

struct SettingsStore {
    char iniPath[SETTINGS_PATH_CAPACITY];
    char section[SETTINGS_SECTION_CAPACITY];

    // Copies the path and the section name. Returns 0, or -1 when either does not fit; the
    // store then names no file, so every read gives its default and every write fails.
    int open(const char* path, const char* sectionName);
    // Writes the value as "%d" text. A failed write goes unnoticed, as with every settings write.
    void writeInt(const char* key, int32_t value) const;
};

// The settings file of the program at `executablePath`: the path up to its last "." followed by
// ".ini". The dot is searched in the whole path, so when the file name has none the cut falls in
// a folder name. Returns the length, or -1 when the path does not fit.
int settingsFileBeside(const char* executablePath, char* path, size_t capacity);

// The running program's settings file: beside it, or where this system keeps a user's
// settings when that folder cannot be written (shell/linux). Returns the length or -1.
int programSettingsPath(char* path, size_t capacity);

// Opens the store at programSettingsPath with the section SETTINGS_SECTION. Returns 0 or -1.
int openProgramSettings(SettingsStore& store);

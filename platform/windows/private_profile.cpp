#include "platform/private_profile.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <new>

#include "platform/profile_entry.h"
#include "platform/windows/wide_text.h"

namespace {

// Section names, keys and paths; longer ones are refused.
constexpr size_t NAME_CAPACITY = 1024;
constexpr size_t PATH_CAPACITY = 32768;

size_t copyTruncated(const char* source, char* buffer, size_t capacity)
{
    size_t length = std::strlen(source);
    size_t stored = length < capacity - 1 ? length : capacity - 1;
    std::memcpy(buffer, source, stored);
    buffer[stored] = '\0';
    return stored;
}

// Wide copies of UTF-8 text, on the heap: paths may be long, and these calls are rare.
std::unique_ptr<wchar_t[]> widened(const char* text, size_t capacity)
{
    std::unique_ptr<wchar_t[]> wide(new (std::nothrow) wchar_t[capacity]);
    if (wide && !utf8ToWide(text, wide.get(), capacity))
        wide.reset();
    return wide;
}

// True when the ANSI code page, the text of the files Windows writes, holds every character.
bool fitsAnsiCodePage(const wchar_t* text)
{
    BOOL usedDefault = FALSE;
    const int needed = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, nullptr, 0, nullptr, &usedDefault);
    return needed > 0 && !usedDefault;
}

}  // namespace

size_t readProfileString(const char* section, const char* key, const char* defaultValue, char* buffer, size_t capacity,
                         const char* path)
{
    if (capacity == 0)
        return 0;
    const char* fallback = defaultValue ? defaultValue : "";
    if (!section || !key || !path || capacity > MAXDWORD)
        return copyTruncated(fallback, buffer, capacity);
    auto wideSection = widened(section, NAME_CAPACITY);
    auto wideKey = widened(key, NAME_CAPACITY);
    auto wideDefault = widened(fallback, std::strlen(fallback) + 1);
    auto widePath = widened(path, PATH_CAPACITY);
    // Each UTF-16 character becomes at least one byte of UTF-8, so `capacity` of them suffice.
    std::unique_ptr<wchar_t[]> value(new (std::nothrow) wchar_t[capacity]);
    if (!wideSection || !wideKey || !wideDefault || !widePath || !value)
        return copyTruncated(fallback, buffer, capacity);
    const DWORD length = GetPrivateProfileStringW(wideSection.get(), wideKey.get(), wideDefault.get(), value.get(),
                                                  static_cast<DWORD>(capacity), widePath.get());
    const int stored = wideToUtf8(value.get(), length, buffer, capacity, true);
    if (stored < 0)
        return copyTruncated(fallback, buffer, capacity);
    return static_cast<size_t>(stored);
}

int writeProfileString(const char* section, const char* key, const char* value, const char* path)
{
    if (!path || path[0] == '\0' || !isStorableProfileEntry(section, key, value))
        return -1;
    auto wideSection = widened(section, NAME_CAPACITY);
    auto wideKey = widened(key, NAME_CAPACITY);
    auto wideValue = widened(value, std::strlen(value) + 1);
    auto widePath = widened(path, PATH_CAPACITY);
    if (!wideSection || !wideKey || !wideValue || !widePath)
        return -1;
    // Windows would store a character its code page lacks as '?', and report success.
    if (!fitsAnsiCodePage(wideSection.get()) || !fitsAnsiCodePage(wideKey.get()) || !fitsAnsiCodePage(wideValue.get()))
        return -1;
    return WritePrivateProfileStringW(wideSection.get(), wideKey.get(), wideValue.get(), widePath.get()) ? 0 : -1;
}

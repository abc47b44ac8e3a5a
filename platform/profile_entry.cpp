#include "platform/profile_entry.h"

#include <cstring>

namespace {

bool hasLineBreak(const char* text)
{
    return std::strpbrk(text, "\r\n") != nullptr;
}

bool isStorableName(const char* name, const char* forbidden)
{
    size_t length = std::strlen(name);
    return length > 0 && !isProfileBlank(name[0]) && !isProfileBlank(name[length - 1]) && !hasLineBreak(name) &&
           std::strpbrk(name, forbidden) == nullptr;
}

}  // namespace

bool isStorableProfileEntry(const char* section, const char* key, const char* value)
{
    return section && key && value && isStorableName(section, "]") && isStorableName(key, "=") && key[0] != '[' &&
           key[0] != ';' && key[0] != '#' && !hasLineBreak(value);
}

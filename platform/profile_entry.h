#pragma once
// Which section names, keys and values a private-profile file can hold so that they read back
// as written: the checks of writeProfileString, the same on every system.

// Space and tab, the blanks around names and values.
inline bool isProfileBlank(char c)
{
    return c == ' ' || c == '\t';
}

// False for a null pointer, an empty name, a line break anywhere, ']' in the section, '=' in
// the key, blanks at the ends of a name, or a key beginning with '[', ';' or '#'.
bool isStorableProfileEntry(const char* section, const char* key, const char* value);

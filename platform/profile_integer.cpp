#include "platform/private_profile.h"

int32_t readProfileInt(const char* section, const char* key, int32_t defaultValue, const char* path)
{
    // Enough for any int32 with sign; longer digit runs are clamped anyway.
    char value[32];
    size_t length = readProfileString(section, key, "", value, sizeof(value), path);
    if (length == 0)
        return defaultValue;
    size_t position = 0;
    bool negative = value[0] == '-';
    if (value[0] == '-' || value[0] == '+')
        position = 1;
    int64_t magnitude = 0;
    constexpr int64_t LIMIT = int64_t{1} << 31;
    for (; position < length && value[position] >= '0' && value[position] <= '9'; ++position) {
        magnitude = magnitude * 10 + (value[position] - '0');
        if (magnitude > LIMIT)
            magnitude = LIMIT;
    }
    if (negative)
        return static_cast<int32_t>(-magnitude);
    return static_cast<int32_t>(magnitude < LIMIT ? magnitude : LIMIT - 1);
}

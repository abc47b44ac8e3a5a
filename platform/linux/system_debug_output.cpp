#include "platform/system_debug_output.h"

#include <unistd.h>

#include <cstring>

void writeSystemDebugLine(const char* text)
{
    size_t length = std::strlen(text);
    while (length > 0) {
        ssize_t written = ::write(STDERR_FILENO, text, length);
        if (written <= 0)
            return;
        text += written;
        length -= static_cast<size_t>(written);
    }
}

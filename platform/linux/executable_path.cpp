#include "platform/executable_path.h"
#include "platform/linux/program_link.h"

#include <unistd.h>

#include <cstring>

namespace {
constexpr char DELETED_SUFFIX[] = " (deleted)";
constexpr size_t DELETED_SUFFIX_LENGTH = sizeof(DELETED_SUFFIX) - 1;
}

int readProgramLink(const char* linkPath, char* buffer, size_t capacity)
{
    if (capacity == 0)
        return -1;
    ssize_t length = ::readlink(linkPath, buffer, capacity);
    // readlink does not terminate and cuts silently: a full buffer may be a cut path.
    if (length <= 0 || static_cast<size_t>(length) >= capacity)
        return -1;
    buffer[length] = '\0';
    size_t size = static_cast<size_t>(length);
    if (size > DELETED_SUFFIX_LENGTH && std::strcmp(buffer + size - DELETED_SUFFIX_LENGTH, DELETED_SUFFIX) == 0 &&
        ::access(buffer, F_OK) != 0) {
        size -= DELETED_SUFFIX_LENGTH;
        buffer[size] = '\0';
    }
    return static_cast<int>(size);
}

int executablePath(char* buffer, size_t capacity)
{
    return readProgramLink("/proc/self/exe", buffer, capacity);
}

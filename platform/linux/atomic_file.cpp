#include "platform/linux/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr size_t TEMPORARY_SUFFIX_ROOM = 32;
constexpr int TEMPORARY_NAME_ATTEMPTS = 16;

int closeKeepingErrno(int fd)
{
    int saved = errno;
    int result = ::close(fd);
    errno = saved;
    return result;
}

bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Creates a new file beside `path`; thread id and counter keep concurrent writers apart.
int createTemporary(const char* path, mode_t mode, char* name, size_t capacity)
{
    static thread_local unsigned counter = 0;
    for (int attempt = 0; attempt < TEMPORARY_NAME_ATTEMPTS; ++attempt) {
        int length = std::snprintf(name, capacity, "%s.tmp%ld.%u", path, static_cast<long>(::gettid()), counter++);
        if (length < 0 || static_cast<size_t>(length) >= capacity)
            return -1;
        int fd = ::open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Makes the rename itself durable; a failure here leaves a complete file either way.
void syncFolderOf(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    char folder[4096];
    if (!slash) {
        std::strcpy(folder, ".");
    } else {
        size_t length = slash == path ? 1 : static_cast<size_t>(slash - path);
        if (length >= sizeof(folder))
            return;
        std::memcpy(folder, path, length);
        folder[length] = '\0';
    }
    int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

FileBytes::Status FileBytes::load(const char* path)
{
    bytes_.reset();
    size_ = 0;
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? Status::Missing : Status::Failed;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || static_cast<size_t>(info.st_size) > MAX_SIZE) {
        ::close(fd);
        return Status::Failed;
    }
    size_t expected = static_cast<size_t>(info.st_size);
    std::unique_ptr<char[]> bytes(new (std::nothrow) char[expected + 1]);
    if (!bytes) {
        ::close(fd);
        return Status::Failed;
    }
    size_t total = 0;
    while (total < expected) {
        ssize_t got = ::read(fd, bytes.get() + total, expected - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            return Status::Failed;
        }
        if (got == 0)
            break;
        total += static_cast<size_t>(got);
    }
    ::close(fd);
    bytes_ = std::move(bytes);
    size_ = total;
    return Status::Loaded;
}

int replaceFileAtomically(const char* path, const ByteRange* ranges, size_t count)
{
    struct stat existing;
    bool exists = ::stat(path, &existing) == 0;
    mode_t mode = exists ? (existing.st_mode & 07777) : 0666;
    char temporary[4096 + TEMPORARY_SUFFIX_ROOM];
    int fd = createTemporary(path, exists ? 0600 : mode, temporary, sizeof(temporary));
    if (fd < 0)
        return -1;
    bool ok = !exists || ::fchmod(fd, mode) == 0;
    for (size_t i = 0; ok && i < count; ++i)
        ok = writeAll(fd, ranges[i].data, ranges[i].size);
    ok = ok && ::fsync(fd) == 0;
    ok = closeKeepingErrno(fd) == 0 && ok;
    ok = ok && ::rename(temporary, path) == 0;
    if (!ok) {
        ::unlink(temporary);
        return -1;
    }
    syncFolderOf(path);
    return 0;
}

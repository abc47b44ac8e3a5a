#pragma once
// Whole-file access for small text files that are rewritten in one piece: the bytes are read
// at once, and a new version replaces the old one atomically (a temporary file in the same
// folder, flushed, then renamed over the old name), so a crash never leaves half a file.
// Not thread-safe per object; separate objects may be used from different threads.

#include <cstddef>
#include <memory>

class FileBytes {
public:
    enum class Status { Loaded, Missing, Failed };

    // Files larger than this are refused (Failed): settings files are a few hundred bytes.
    static constexpr size_t MAX_SIZE = 16u << 20;

    // Missing: no such file. Failed: it exists but is not a readable regular file of at most
    // MAX_SIZE bytes. On any status other than Loaded the object holds no bytes.
    Status load(const char* path);

    const char* data() const { return bytes_.get(); }
    size_t size() const { return size_; }

private:
    std::unique_ptr<char[]> bytes_;
    size_t size_ = 0;
};

struct ByteRange {
    const char* data;
    size_t size;
};

// Writes the ranges one after another as the new content of `path`. An existing file keeps
// its permission bits; a new one gets 0666 less the umask. Returns 0, or -1 with the old file
// (or its absence) untouched.
int replaceFileAtomically(const char* path, const ByteRange* ranges, size_t count);

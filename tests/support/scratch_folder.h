#pragma once
// Test helper: a fresh folder under /tmp, removed with everything in it when the test ends,
// and whole-file read and write of real files.

#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>

class ScratchFolder {
public:
    ScratchFolder()
    {
        char name[] = "/tmp/kovaro-test-XXXXXX";
        if (mkdtemp(name))
            path_ = name;
    }
    ~ScratchFolder()
    {
        if (!path_.empty())
            nftw(path_.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool isValid() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    static int removeEntry(const char* entry, const struct stat*, int, struct FTW*) { return ::remove(entry); }
    std::string path_;
};

inline bool fileExists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

inline std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

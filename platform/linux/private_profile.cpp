#include "platform/private_profile.h"

#include <cstring>

#include "platform/linux/atomic_file.h"
#include "platform/profile_entry.h"

namespace {

struct Span {
    size_t begin;
    size_t end;
    size_t size() const { return end - begin; }
};

struct Line {
    size_t begin;
    // Before the "\n" or "\r\n" that ends the line.
    size_t contentEnd;
    // After the line break; the last line of a file may have none.
    size_t end;
    bool hasBreak;
};

class LineReader {
public:
    LineReader(const char* data, size_t size) : data_(data), size_(size) {}

    bool next(Line& line)
    {
        if (position_ >= size_)
            return false;
        line.begin = position_;
        const void* newline = std::memchr(data_ + position_, '\n', size_ - position_);
        line.hasBreak = newline != nullptr;
        line.contentEnd = newline ? static_cast<size_t>(static_cast<const char*>(newline) - data_) : size_;
        line.end = newline ? line.contentEnd + 1 : size_;
        if (line.contentEnd > line.begin && data_[line.contentEnd - 1] == '\r')
            --line.contentEnd;
        position_ = line.end;
        return true;
    }

private:
    const char* data_;
    size_t size_;
    size_t position_ = 0;
};

constexpr char BYTE_ORDER_MARK[] = "\xEF\xBB\xBF";
constexpr size_t BYTE_ORDER_MARK_LENGTH = 3;

Span trim(const char* data, Span span)
{
    while (span.begin < span.end && isProfileBlank(data[span.begin]))
        ++span.begin;
    while (span.end > span.begin && isProfileBlank(data[span.end - 1]))
        --span.end;
    return span;
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(const char* data, Span span, const char* name)
{
    size_t length = std::strlen(name);
    if (span.size() != length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (asciiLower(data[span.begin + i]) != asciiLower(name[i]))
            return false;
    }
    return true;
}

enum class LineKind { Other, Section, Key };

struct ParsedLine {
    LineKind kind;
    Span name;
    // Trimmed value of a key line.
    Span value;
};

ParsedLine parseLine(const char* data, const Line& line)
{
    size_t start = line.begin;
    if (start == 0 && line.contentEnd >= BYTE_ORDER_MARK_LENGTH &&
        std::memcmp(data, BYTE_ORDER_MARK, BYTE_ORDER_MARK_LENGTH) == 0)
        start = BYTE_ORDER_MARK_LENGTH;
    Span content = trim(data, Span{start, line.contentEnd});
    ParsedLine parsed{LineKind::Other, {}, {}};
    if (content.size() == 0 || data[content.begin] == ';' || data[content.begin] == '#')
        return parsed;
    const char* text = data + content.begin;
    if (*text == '[') {
        const void* close = std::memchr(text + 1, ']', content.size() - 1);
        if (close) {
            size_t closeAt = static_cast<size_t>(static_cast<const char*>(close) - data);
            parsed.kind = LineKind::Section;
            parsed.name = trim(data, Span{content.begin + 1, closeAt});
        }
        return parsed;
    }
    const void* equals = std::memchr(text, '=', content.size());
    if (!equals)
        return parsed;
    size_t equalsAt = static_cast<size_t>(static_cast<const char*>(equals) - data);
    parsed.kind = LineKind::Key;
    parsed.name = trim(data, Span{content.begin, equalsAt});
    parsed.value = trim(data, Span{equalsAt + 1, line.contentEnd});
    return parsed;
}

struct Lookup {
    bool sectionFound = false;
    // Where a new key line goes: after the last key line of the first section of that name,
    // or after its header when it has no key yet.
    size_t appendAt = 0;
    bool appendNeedsBreak = false;
    bool keyFound = false;
    Span value{};
    // The key line's content ends here; a new value replaces value.begin up to this point.
    size_t keyContentEnd = 0;
};

Lookup lookUp(const char* data, size_t size, const char* section, const char* key)
{
    Lookup found;
    LineReader reader(data, size);
    Line line;
    bool inSection = false;
    bool inFirstSection = false;
    while (reader.next(line)) {
        ParsedLine parsed = parseLine(data, line);
        if (parsed.kind == LineKind::Section) {
            inSection = sameName(data, parsed.name, section);
            inFirstSection = inSection && !found.sectionFound;
            if (inFirstSection) {
                found.sectionFound = true;
                found.appendAt = line.end;
                found.appendNeedsBreak = !line.hasBreak;
            }
        } else if (parsed.kind == LineKind::Key && inSection) {
            if (sameName(data, parsed.name, key)) {
                found.keyFound = true;
                found.value = parsed.value;
                found.keyContentEnd = line.contentEnd;
                return found;
            }
            if (inFirstSection) {
                found.appendAt = line.end;
                found.appendNeedsBreak = !line.hasBreak;
            }
        }
    }
    return found;
}

// New lines follow the file's own line breaks: CRLF when its first line ends in one.
const char* lineBreakOf(const char* data, size_t size)
{
    LineReader reader(data, size);
    Line line;
    if (reader.next(line) && line.hasBreak && line.end - line.contentEnd == 2)
        return "\r\n";
    return "\n";
}

ByteRange text(const char* s)
{
    return ByteRange{s, std::strlen(s)};
}

size_t copyTruncated(const char* source, size_t length, char* buffer, size_t capacity)
{
    size_t stored = length < capacity - 1 ? length : capacity - 1;
    std::memcpy(buffer, source, stored);
    buffer[stored] = '\0';
    return stored;
}

}  // namespace

size_t readProfileString(const char* section, const char* key, const char* defaultValue, char* buffer, size_t capacity,
                         const char* path)
{
    if (capacity == 0)
        return 0;
    FileBytes file;
    if (section && key && file.load(path) == FileBytes::Status::Loaded) {
        Lookup found = lookUp(file.data(), file.size(), section, key);
        if (found.keyFound)
            return copyTruncated(file.data() + found.value.begin, found.value.size(), buffer, capacity);
    }
    const char* fallback = defaultValue ? defaultValue : "";
    return copyTruncated(fallback, std::strlen(fallback), buffer, capacity);
}

int writeProfileString(const char* section, const char* key, const char* value, const char* path)
{
    if (!path || path[0] == '\0' || !isStorableProfileEntry(section, key, value))
        return -1;
    FileBytes file;
    FileBytes::Status status = file.load(path);
    if (status == FileBytes::Status::Failed)
        return -1;
    const char* data = status == FileBytes::Status::Loaded ? file.data() : "";
    size_t size = file.size();
    const char* lineBreak = lineBreakOf(data, size);
    Lookup found = lookUp(data, size, section, key);

    constexpr size_t MAX_RANGES = 11;
    ByteRange ranges[MAX_RANGES];
    size_t count = 0;
    if (found.keyFound) {
        ranges[count++] = ByteRange{data, found.value.begin};
        ranges[count++] = text(value);
        ranges[count++] = ByteRange{data + found.keyContentEnd, size - found.keyContentEnd};
    } else {
        size_t insertAt = found.sectionFound ? found.appendAt : size;
        bool needsBreak = found.sectionFound ? found.appendNeedsBreak : size > 0 && data[size - 1] != '\n';
        ranges[count++] = ByteRange{data, insertAt};
        if (needsBreak)
            ranges[count++] = text(lineBreak);
        if (!found.sectionFound) {
            ranges[count++] = text("[");
            ranges[count++] = text(section);
            ranges[count++] = text("]");
            ranges[count++] = text(lineBreak);
        }
        ranges[count++] = text(key);
        ranges[count++] = text("=");
        ranges[count++] = text(value);
        ranges[count++] = text(lineBreak);
        ranges[count++] = ByteRange{data + insertAt, size - insertAt};
    }
    return replaceFileAtomically(path, ranges, count);
}

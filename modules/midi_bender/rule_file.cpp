#include "rule_file.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>

namespace midi_bender {

namespace {

struct Line {
    size_t begin;
    size_t end;         // after the line feed, or the end of the data
    size_t contentEnd;  // where the text stops: its carriage return or line feed
};

class LineScanner {
public:
    LineScanner(const char* data, size_t size) : data_(data), size_(size) {}

    bool next(Line& line) {
        if (size_ - position_ < 2) return false;
        const void* feed = std::memchr(data_ + position_, '\n', size_ - position_);
        size_t end = feed ? size_t(static_cast<const char*>(feed) - data_) + 1 : size_;
        size_t contentEnd = feed ? end - 1 : end;
        if (contentEnd > position_ && data_[contentEnd - 1] == '\r') --contentEnd;
        line = Line{position_, end, contentEnd};
        position_ = end;
        return true;
    }

private:
    const char* data_;
    size_t size_;
    size_t position_ = 0;
};

// Only an empty first line (at most two bytes with its line feed) is skipped.
bool isUsed(const Line& line) {
    return line.end > 2;
}

int32_t countUsedLines(const char* data, size_t size) {
    LineScanner lines(data, size);
    Line line{};
    int32_t used = 0;
    while (used < kMaxFileRules && lines.next(line))
        if (isUsed(line)) ++used;
    return used;
}

struct FileCloser {
    // Read-only: closing cannot lose anything.
    void operator()(std::FILE* file) const { (void)std::fclose(file); }
};

// The file's bytes followed by one spare byte; null when it cannot be read.
std::unique_ptr<char[]> readWhole(const char* path, size_t& size) {
    std::error_code error;
    std::filesystem::path file(path);
    // Only regular files: a FIFO or device could block the audio thread or never end.
    if (!std::filesystem::is_regular_file(file, error)) return nullptr;
    std::uintmax_t length = std::filesystem::file_size(file, error);
    if (error || length >= SIZE_MAX) return nullptr;
    std::unique_ptr<std::FILE, FileCloser> stream(std::fopen(path, "rb"));
    if (!stream) return nullptr;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[size_t(length) + 1]);
    if (!buffer) return nullptr;
    // A file that shrank since its size was taken gives the bytes it still has.
    size = std::fread(buffer.get(), 1, size_t(length), stream.get());
    if (std::ferror(stream.get())) return nullptr;
    return buffer;
}

}  // namespace

bool loadRuleLines(char* data, size_t size, RuleTable& table) {
    int32_t used = countUsedLines(data, size);
    if (!table.rebuild(used)) return false;
    LineScanner lines(data, size);
    Line line{};
    for (int32_t slot = 0; slot < used && lines.next(line);) {
        if (!isUsed(line)) continue;
        char* text = data + line.begin;
        size_t length = line.contentEnd - line.begin;
        bool holdsNul = std::memchr(text, '\0', length) != nullptr;
        text[length] = '\0';
        if (!holdsNul) table.parseRule(text, slot);
        ++slot;
    }
    return true;
}

bool readRuleFile(const char* path, RuleTable& table) {
    if (path == nullptr || path[0] == '\0') return false;
    try {
        size_t size = 0;
        std::unique_ptr<char[]> data = readWhole(path, size);
        return data && loadRuleLines(data.get(), size, table);
    } catch (...) {  // out of memory while naming the path: as if it could not be opened
        return false;
    }
}

}  // namespace midi_bender

// A text file written line by line through a large buffer.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace modhost {

class LineFile {
public:
    // Throws HostError naming the file when it cannot be made.
    explicit LineFile(const std::string& path);
    ~LineFile();
    LineFile(const LineFile&) = delete;
    LineFile& operator=(const LineFile&) = delete;

    void line(const std::string& text);
    // Throws HostError when the file could not be written whole.
    void close();

private:
    std::string path_;
    std::FILE* file_ = nullptr;
    std::vector<char> buffer_;
};

// A CSV cell holding `text`, quoted when it needs to be.
std::string csvText(const std::string& text);

}  // namespace modhost

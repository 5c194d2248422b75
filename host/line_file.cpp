#include "host/line_file.h"

#include <cerrno>
#include <cstring>

#include "host/plugin_library.h"

namespace modhost {

LineFile::LineFile(const std::string& path) : path_(path), buffer_(1 << 20) {
    file_ = std::fopen(path.c_str(), "w");
    if (file_ == nullptr) throw HostError(path + ": " + std::strerror(errno));
    std::setvbuf(file_, buffer_.data(), _IOFBF, buffer_.size());
}

LineFile::~LineFile() {
    if (file_) std::fclose(file_);
}

void LineFile::line(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fputc('\n', file_);
}

void LineFile::close() {
    if (file_ == nullptr) return;
    bool failed = std::ferror(file_) != 0;
    failed = std::fclose(file_) != 0 || failed;
    file_ = nullptr;
    if (failed) throw HostError(path_ + ": cannot write the whole file");
}

std::string csvText(const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

}  // namespace modhost

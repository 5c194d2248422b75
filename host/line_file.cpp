#include "host/line_file.h"

#include <cerrno>
#include <cstring>

#include "host/plugin_library.h"

namespace modhost {

LineFile::LineFile(const std::string& path) : path_(path), buffer_(1 << 20) {
    file_ = std::fopen(path.c_str(), "w");
    if (file_ == nullptr) throw HostError(path + ": " + std::strerror(errno));
    // Without the large buffer the file is still written, only more slowly.
    (void)std::setvbuf(file_, buffer_.data(), _IOFBF, buffer_.size());
}

LineFile::~LineFile() {
    // Reached with the file open only when close() was skipped by an error
    // already on its way to the user.
    if (file_) (void)std::fclose(file_);
}

// A failed write sets the stream's error flag, which close() reports.
void LineFile::line(const std::string& text) {
    (void)std::fwrite(text.data(), 1, text.size(), file_);
    (void)std::fputc('\n', file_);
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

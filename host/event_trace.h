// The host calls of every instance, written to a file block by block, for
// module developers: one line per call, with the block it came in.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "host/instance.h"
#include "host/line_file.h"

namespace modhost {

class EventTrace {
public:
    EventTrace(const std::string& path, std::vector<std::pair<std::string, Instance*>> instances);

    // Writes the calls made since the last call, labelled with `when`.
    void flush(const std::string& when);
    void close() { file_.close(); }

private:
    void write(const std::string& when, const std::string& instance, const char* half,
               const HostCall& call, bool panel);

    LineFile file_;
    std::vector<std::pair<std::string, Instance*>> instances_;
    std::vector<size_t> panelWritten_;
};

}  // namespace modhost

// Any bytes as a rule file: written to a real file that the remapper plug-in
// finds through the host's file path and loads, then MIDI is sent through
// it. The same file read by the logic library must give one slot per used
// line, each holding what that line parses to on its own.
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "host/instance.h"
#include "rule_file.h"
#include "rule_parser.h"

namespace {

using namespace midi_bender;

constexpr int32_t kRuleSource = 2, kFile = 3;
constexpr int32_t kFromFile = 1;

std::filesystem::path makeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "fuzz-rules-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) __builtin_trap();
    return pattern;
}

// Removed when the fuzzer exits normally.
struct Folder {
    std::filesystem::path path = makeFolder();
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

const Folder& folder() {
    static Folder made;
    return made;
}

std::string writeFile(const uint8_t* data, size_t size) {
    std::filesystem::path file = folder().path / "rules.txt";
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
    return file.string();
}

// The lines a file is cut into, by the file format's own words.
std::vector<std::string> usedLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t position = 0;
    while (bytes.size() - position >= 2 && lines.size() < size_t(kMaxFileRules)) {
        size_t feed = bytes.find('\n', position);
        size_t end = feed == std::string::npos ? bytes.size() : feed + 1;
        size_t contentEnd = feed == std::string::npos ? end : feed;
        if (contentEnd > position && bytes[contentEnd - 1] == '\r') --contentEnd;
        if (end > 2) lines.push_back(bytes.substr(position, contentEnd - position));
        position = end;
    }
    return lines;
}

void checkTable(const std::string& path, const std::string& bytes) {
    RuleTable table;
    FUZZ_CHECK(readRuleFile(path.c_str(), table));
    std::vector<std::string> lines = usedLines(bytes);
    FUZZ_CHECK(table.slotCount() == int32_t(lines.size()));
    FUZZ_CHECK(table.highestSlot() >= 0 && table.highestSlot() <= table.slotCount());
    for (size_t i = 0; i < lines.size(); ++i) {
        RemapRule expected{};
        if (lines[i].find('\0') == std::string::npos) parseRuleText(lines[i].c_str(), expected);
        FUZZ_CHECK(std::memcmp(&expected, &table.slot(int32_t(i)), sizeof expected) == 0);
    }
}

void checkPlugin(const std::string& name) {
    static auto library = std::make_shared<modhost::PluginLibrary>("midi_bender");
    modhost::Instance bender(library, modhost::InstanceOptions{
                                          .blockSize = 64,
                                          .fileBase = folder().path.string(),
                                          .recordTraffic = false,
                                      });
    bender.open();
    bender.setText(kFile, name);
    bender.setValue(kRuleSource, kFromFile);
    bender.processBlock();
    for (int32_t status = 0x80; status <= 0xF0; status += 0x10) {
        bender.queueMidi(status | (status & 0x30) >> 4 | 0x40 << 8 | 0x7F << 16);
        bender.processBlock();
    }
    bender.close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = writeFile(data, size);
    checkTable(path, std::string(reinterpret_cast<const char*>(data), size));
    checkPlugin("rules.txt");
    return 0;
}

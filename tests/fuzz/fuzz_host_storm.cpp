// A whole plug-in through the reference host: the first byte picks one of
// the built plug-ins (sorted by name), the rest are the storm's choices.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/storm.h"

namespace {

std::vector<std::unique_ptr<modhost::PluginLibrary>> loadAll() {
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(PLUGIN_DIR))
        if (entry.path().extension() == ".so") paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());
    std::vector<std::unique_ptr<modhost::PluginLibrary>> libraries;
    for (const auto& path : paths)
        libraries.push_back(std::make_unique<modhost::PluginLibrary>(path));
    if (libraries.empty()) __builtin_trap();
    return libraries;
}

const std::vector<std::unique_ptr<modhost::PluginLibrary>>& libraries() {
    static const auto loaded = loadAll();
    return loaded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const auto& all = libraries();
    const modhost::PluginLibrary& library = *all[data[0] % all.size()];
    modhost::ByteChoices choices(data + 1, size - 1);
    std::string fault = modhost::runStorm(library, choices);
    if (!fault.empty()) {
        std::fprintf(stderr, "%s: %s\n", library.deliverable().c_str(), fault.c_str());
        __builtin_trap();
    }
    return 0;
}

#include "host/plugin_library.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace modhost {

namespace fs = std::filesystem;

namespace {

std::string text(const char* s) {
    return s ? std::string(s) : std::string();
}

}  // namespace

std::vector<std::string> pluginSearchPath() {
    std::vector<std::string> dirs;
    if (const char* env = std::getenv("MODHOST_PLUGIN_PATH")) {
        std::stringstream list(env);
        for (std::string dir; std::getline(list, dir, ':');)
            if (!dir.empty()) dirs.push_back(dir);
    }
    dirs.push_back(MODHOST_BUILD_PLUGIN_DIR);
    return dirs;
}

std::string resolvePluginPath(const std::string& nameOrPath) {
    std::error_code ignored;
    if (nameOrPath.find('/') != std::string::npos || fs::exists(nameOrPath, ignored))
        return nameOrPath;
    std::string file = nameOrPath.ends_with(".so") ? nameOrPath : nameOrPath + ".so";
    for (const auto& dir : pluginSearchPath()) {
        fs::path candidate = fs::path(dir) / file;
        if (fs::exists(candidate, ignored)) return candidate.string();
    }
    throw HostError(nameOrPath + ": no such plug-in file, and no " + file +
                    " in the plug-in search path");
}

PluginLibrary::PluginLibrary(const std::string& nameOrPath) : path_(resolvePluginPath(nameOrPath)) {
    std::error_code error;
    if (!fs::exists(path_, error)) throw HostError(path_ + ": no such file");
    if (!fs::is_regular_file(path_, error)) throw HostError(path_ + ": not a regular file");
    // A library stays mapped once loaded: texts it handed out (names, pin
    // labels) remain valid, and its runtime's own static allocations stay
    // reachable rather than being orphaned by an unload.
    handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (handle_ == nullptr)
        throw HostError(path_ + ": cannot be loaded as a shared library: " + text(dlerror()));
    getModuleProperties_ =
        reinterpret_cast<GetModulePropertiesEntry>(dlsym(handle_, "getModuleProperties"));
    makeModule_ = reinterpret_cast<MakeModuleEntry>(dlsym(handle_, "makeModule"));
    if (getModuleProperties_ == nullptr || makeModule_ == nullptr) {
        const char* missing =
            getModuleProperties_ == nullptr ? "getModuleProperties" : "makeModule";
        dlclose(handle_);
        throw HostError(path_ + ": not a plug-in: it does not export " + std::string(missing));
    }
}

PluginLibrary::~PluginLibrary() {
    dlclose(handle_);
}

std::string PluginLibrary::deliverable() const {
    return fs::path(path_).stem().string();
}

ModuleInfo PluginLibrary::describe() const {
    ModuleDescriptor descriptor{};
    if (getModuleProperties_(0, &descriptor) == 0)
        throw HostError(path_ + ": getModuleProperties(0) gave no module description");
    return ModuleInfo{text(descriptor.name),       text(descriptor.id), text(descriptor.about),
                      descriptor.interfaceVersion, descriptor.flags,    descriptor.flags2};
}

}  // namespace modhost

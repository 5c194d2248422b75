// Loading a plug-in library and reading its module description.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "modframe/host_interface.h"

namespace modhost {

// Every failure the host reports to its user: the text names the file or pin
// concerned and what is wrong.
class HostError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using GetModulePropertiesEntry = int32_t (*)(int32_t, ModuleDescriptor*);
using MakeModuleEntry = void* (*)(int32_t, int32_t, HostCallback, void*);

struct ModuleInfo {
    std::string name;
    std::string id;
    std::string about;
    int32_t interfaceVersion = 0;
    int32_t flags = 0;
    int32_t flags2 = 0;
};

// Folders searched for a plug-in given by deliverable name: those in
// MODHOST_PLUGIN_PATH (colon-separated), then the build's plug-in folder.
std::vector<std::string> pluginSearchPath();

// A path is used as given when it names a file or contains a '/'; otherwise
// "<name>.so" is looked up along the search path.
std::string resolvePluginPath(const std::string& nameOrPath);

class PluginLibrary {
public:
    // Throws HostError naming the file when it is missing, is not a shared
    // library, or lacks either entry.
    explicit PluginLibrary(const std::string& nameOrPath);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    const std::string& path() const { return path_; }
    std::string deliverable() const;
    GetModulePropertiesEntry getModuleProperties() const { return getModuleProperties_; }
    MakeModuleEntry makeModule() const { return makeModule_; }

    // The description for index 0; throws HostError when the library gives none.
    ModuleInfo describe() const;

private:
    std::string path_;
    void* handle_ = nullptr;
    GetModulePropertiesEntry getModuleProperties_ = nullptr;
    MakeModuleEntry makeModule_ = nullptr;
};

}  // namespace modhost

#include "plugin_fixture.h"

#include <map>

namespace plugin_test {

std::string pluginPath(const std::string& deliverable) {
    return std::string(PLUGIN_DIR) + "/" + deliverable + ".so";
}

std::shared_ptr<const modhost::PluginLibrary> load(const std::string& deliverable) {
    static std::map<std::string, std::shared_ptr<const modhost::PluginLibrary>> loaded;
    auto& library = loaded[deliverable];
    if (!library) library = std::make_shared<modhost::PluginLibrary>(pluginPath(deliverable));
    return library;
}

}  // namespace plugin_test

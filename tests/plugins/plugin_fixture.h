// Loading the built plug-ins into the reference host for tests.
#pragma once

#include <memory>
#include <string>

#include "host/instance.h"

namespace plugin_test {

std::string pluginPath(const std::string& deliverable);
std::shared_ptr<const modhost::PluginLibrary> load(const std::string& deliverable);

}  // namespace plugin_test

// Entries of the panel_switch6 library.
#include "modframe/plugin_entry.h"
#include "modules/panel_switch6/panel_switch6_module.h"
#include "modules/panel_switch6/panel_switch6_panel.h"

namespace {

constexpr modframe::ModuleTexts kTexts{
    "ZRM PanelSwitch 6", "ZRM PanelSwitch 6",
    "ZRM PanelSwitch 6 - v1.0.2\n"
    "\n"
    "ZRM Modules\n"
    "\n"
    "This is a six-way toggle switch, allowing only one to be on at any given moment.",
    InterfaceRevision::Rev2230};

}  // namespace

extern "C" int32_t getModuleProperties(int32_t index, ModuleDescriptor* descriptor) noexcept {
    return modframe::describeModule(kTexts, index, descriptor);
}

extern "C" void* makeModule(int32_t index, int32_t kind, HostCallback callback,
                            void* hostPtr) noexcept {
    return modframe::makeWithPanel<value_converters::PanelSwitch6,
                                   value_converters::PanelSwitch6Panel>(index, kind, callback,
                                                                        hostPtr);
}

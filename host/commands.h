// The subcommands of modhost and the raw processing object they both drive.
#pragma once

#include "host/plugin_library.h"

namespace CLI {
class App;
}

namespace modhost {

// The `kind` argument of makeModule for the two halves of a module.
inline constexpr int32_t kProcessingHalf = 1;
inline constexpr int32_t kPanelHalf = 2;

enum ExitCode : int {
    kExitSuccess = 0,
    kExitCheckFailed = 1,  // a rule line does not parse (validate exits with stage codes)
    kExitUsage = 2,        // bad command line, or a library that cannot be loaded
};

// Each registers its subcommand on `app`; running it leaves its exit code in `exitCode`.
void addInfoCommand(CLI::App& app, int& exitCode);
void addValidateCommand(CLI::App& app, int& exitCode);
// Patches rendered offline; the remapper's rule checker and file remapper.
void addRenderCommand(CLI::App& app, int& exitCode);
void addRulesCommand(CLI::App& app, int& exitCode);
void addRemapCommand(CLI::App& app, int& exitCode);

// A processing object made straight through makeModule, without the bookkeeping of
// Instance, so that commands see exactly what the library does. Closed when dropped.
class RawModule {
public:
    RawModule(const PluginLibrary& library, HostCallback callback, void* hostPtr)
        : record_(static_cast<ModuleRecord*>(
              library.makeModule()(0, kProcessingHalf, callback, hostPtr))) {
        if (record_ == nullptr)
            throw HostError(library.path() + ": makeModule(0, 1) made no processing object");
    }
    ~RawModule() { close(); }
    RawModule(const RawModule&) = delete;
    RawModule& operator=(const RawModule&) = delete;

    ModuleRecord* record() const { return record_; }
    intptr_t dispatch(int32_t opcode, int32_t index = 0, int32_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f) {
        return record_->dispatcher(record_, opcode, index, value, ptr, opt);
    }
    intptr_t dispatch(DispatchOp opcode, int32_t index = 0, int32_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f) {
        return dispatch(int32_t(opcode), index, value, ptr, opt);
    }
    // The Close result; 0 when already closed or when there is no dispatcher to ask.
    intptr_t close() {
        if (record_ == nullptr || record_->dispatcher == nullptr) return 0;
        intptr_t result = dispatch(DispatchOp::Close);
        record_ = nullptr;
        return result;
    }

private:
    ModuleRecord* record_;
};

}  // namespace modhost

// modhost: inspects and checks plug-in libraries and renders patches, without an audio device.
#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>

#include "host/commands.h"

namespace {

int run(int argc, char** argv) {
    CLI::App app{"Headless host for plug-in module libraries"};
    app.require_subcommand(1);
    int exitCode = modhost::kExitSuccess;
    modhost::addInfoCommand(app, exitCode);
    modhost::addValidateCommand(app, exitCode);
    modhost::addRenderCommand(app, exitCode);
    modhost::addRulesCommand(app, exitCode);
    modhost::addRemapCommand(app, exitCode);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help requests come back as 0; every real parse error is a usage error.
        return app.exit(e) == 0 ? modhost::kExitSuccess : modhost::kExitUsage;
    } catch (const std::exception& e) {
        std::cerr << "modhost: " << e.what() << '\n';
        return modhost::kExitUsage;
    }
    return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    // Building the command line can throw too (out of memory, say); nothing escapes main.
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "modhost: " << e.what() << '\n';
        return modhost::kExitUsage;
    }
}

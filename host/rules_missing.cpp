// Builds without the remapper's sources keep the rule tools' names and say
// why they cannot run.
#include <CLI/CLI.hpp>

#include "host/commands.h"

namespace modhost {

namespace {

void addMissing(CLI::App& app, const char* name) {
    auto* command = app.add_subcommand(name, "Not in this build: it needs the midi_bender sources");
    command->allow_extras();
    command->callback(
        [] { throw HostError("this modhost was built without the midi_bender sources"); });
}

}  // namespace

void addRulesCommand(CLI::App& app, int&) {
    addMissing(app, "rules");
}

void addRemapCommand(CLI::App& app, int&) {
    addMissing(app, "remap");
}

}  // namespace modhost

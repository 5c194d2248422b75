// modhost remap --rules FILE IN.mid OUT.mid: a MIDI file through midi_bender.
#include <CLI/CLI.hpp>
#include <iostream>

#include "host/commands.h"
#include "host/remap_run.h"

namespace modhost {

void addRemapCommand(CLI::App& app, int& exitCode) {
    auto* command = app.add_subcommand(
        "remap", "Run a Standard MIDI File through midi_bender with the rules of a rule file");
    auto options = std::make_shared<RemapOptions>();
    auto input = std::make_shared<std::string>();
    auto output = std::make_shared<std::string>();
    auto trace = std::make_shared<bool>(false);
    command->add_option("--rules", options->rulesPath, "Rule file, one rule per line")->required();
    command->add_option("input", *input, "MIDI file to read")->required();
    command->add_option("output", *output, "MIDI file to write")->required();
    command->add_flag("--trace", *trace,
                      "Tell for each message which rules matched and what was sent");
    command->add_option("--plugin", options->plugin, "The remapper plug-in (default: midi_bender)");
    command->callback([=, &exitCode] {
        MidiFileContents in = readMidiFile(*input);
        MidiFileContents out = remapMidi(in, *options, *trace ? &std::cout : nullptr);
        writeMidiFile(*output, out.ppqn, out.tempos, {out.events});
        std::cout << "remapped " << in.events.size() << " message(s) into " << out.events.size()
                  << ": wrote " << *output << "\n";
        exitCode = kExitSuccess;
    });
}

}  // namespace modhost

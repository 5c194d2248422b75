// modhost render PATCH: renders a patch file offline into its output files.
#include <CLI/CLI.hpp>
#include <iostream>

#include "host/commands.h"
#include "host/patch_reader.h"
#include "host/render.h"

namespace modhost {

void addRenderCommand(CLI::App& app, int& exitCode) {
    auto* command = app.add_subcommand("render",
                                       "Render a patch file offline to audio, MIDI, "
                                       "data and pictures");
    auto patchFile = std::make_shared<std::string>();
    auto options = std::make_shared<RenderOptions>();
    auto quiet = std::make_shared<bool>(false);
    command->add_option("patch", *patchFile, "Patch file (TOML)")->required();
    command->add_option("-o,--out", options->outputFolder,
                        "Folder for the output files the patch names (default: .)");
    command->add_option("--trace-events", options->traceFile,
                        "Write every host call of every instance to this file");
    command->add_flag("--quiet", *quiet, "Print no summary");
    command->add_flag("!--no-progress", options->progress, "Draw no progress bar");
    command->callback([=, &exitCode] {
        Patch patch = readPatchFile(*patchFile);
        Render render(patch, *options);
        RenderStats stats = render.run();
        if (!*quiet) std::cout << renderSummary(stats);
        exitCode = kExitSuccess;
    });
}

}  // namespace modhost

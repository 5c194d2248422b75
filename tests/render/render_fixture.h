// Patches written into a fresh folder and rendered in this process.
#pragma once

#include <string>
#include <vector>

#include "host/render.h"

namespace render_test {

// A folder of its own for each test (tests may run in parallel processes).
std::string freshFolder();
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text);
// Rows of cells; quotes are not taken apart (the tests' labels need none).
std::vector<std::vector<std::string>> readCsv(const std::string& path);

// Path of a test plug-in (a probe) for the patches' "plugin" keys.
std::string probePath(const std::string& name);

struct Rendered {
    std::string folder;  // the patch and its outputs
    modhost::RenderStats stats;
};

// modhost run as a user runs it, with `arguments` as the shell reads them.
struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};
Outcome modhost(const std::string& arguments);

// Writes `toml` as <folder>/patch.toml and renders it into that folder.
Rendered render(const std::string& toml);
// The HostError text of reading and setting up the patch, or "" when it sets up.
std::string setupError(const std::string& toml);

}  // namespace render_test

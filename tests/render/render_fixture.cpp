#include "render_fixture.h"

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/patch_reader.h"

namespace render_test {

namespace fs = std::filesystem;

std::string freshFolder() {
    static int count = 0;
    fs::path folder = fs::temp_directory_path() / ("modhost_render_" + std::to_string(getpid()) +
                                                   "_" + std::to_string(++count));
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder.string();
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::vector<std::string>> readCsv(const std::string& path) {
    std::vector<std::vector<std::string>> rows;
    std::stringstream text(readFile(path));
    for (std::string line; std::getline(text, line);) {
        std::vector<std::string> cells;
        std::stringstream row(line);
        for (std::string cell; std::getline(row, cell, ',');) cells.push_back(cell);
        rows.push_back(cells);
    }
    return rows;
}

std::string probePath(const std::string& name) {
    return std::string(TEST_PLUGIN_DIR) + "/" + name + ".so";
}

Outcome modhost(const std::string& arguments) {
    std::string folder = freshFolder();
    std::string command =
        std::string(MODHOST_PATH) + " " + arguments + " >" + folder + "/out 2>" + folder + "/err";
    int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(folder + "/out"),
            readFile(folder + "/err")};
}

Rendered render(const std::string& toml) {
    Rendered rendered{freshFolder(), {}};
    std::string patchFile = rendered.folder + "/patch.toml";
    writeFile(patchFile, toml);
    modhost::Patch patch = modhost::readPatchFile(patchFile);
    modhost::RenderOptions options;
    options.outputFolder = rendered.folder;
    options.progress = false;
    modhost::Render render(patch, options);
    rendered.stats = render.run();
    return rendered;
}

std::string setupError(const std::string& toml) {
    try {
        modhost::Patch patch = modhost::readPatchText(toml, "patch.toml");
        modhost::RenderOptions options;
        options.outputFolder = freshFolder();
        modhost::Render render(patch, options);
    } catch (const modhost::HostError& e) {
        return e.what();
    }
    return "";
}

}  // namespace render_test

// Runs the built modhost as a user would and collects its exit code and output.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::string shellQuoted(const std::string& word) {
    return "'" + word + "'";
}

// Test cases may run in parallel processes, so output files carry the process id.
inline std::string tempPath(const std::string& name) {
    return testing::TempDir() + "modhost_" + std::to_string(getpid()) + "_" + name;
}

inline Outcome modhost(const std::vector<std::string>& arguments) {
    std::string out = tempPath("stdout"), err = tempPath("stderr");
    std::string command = shellQuoted(MODHOST_PATH);
    for (const auto& argument : arguments) {
        command += ' ';
        command += shellQuoted(argument);
    }
    command += " >" + shellQuoted(out) + " 2>" + shellQuoted(err);
    int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(out), readFile(err)};
}

}  // namespace

// Every example rendered and compared with the results checked in under
// golden/<example>/: CSV cells exactly where they are whole numbers and
// within float rounding otherwise, MIDI logs and MIDI files byte for byte.
// MODHOST_UPDATE_GOLDEN=1 writes the rendered files there instead.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <filesystem>

#include "host/midi_file.h"
#include "host/wav_file.h"
#include "render_fixture.h"

namespace render_test {
namespace {

namespace fs = std::filesystem;

struct Example {
    const char* name;
    bool needsWav;
    bool needsMidiFiles;
};

constexpr Example kExamples[] = {
    {"envelope_chain", true, false},
    {"bender_keys", false, true},
    {"volts_notes", false, true},
    {"panel_converters", false, false},
};

void PrintTo(const Example& example, std::ostream* out) {
    *out << example.name;
}

bool isWhole(const std::string& cell) {
    return !cell.empty() && cell.find_first_not_of("-0123456789") == std::string::npos;
}

bool isNumber(const std::string& cell, double& value) {
    char* end = nullptr;
    value = std::strtod(cell.c_str(), &end);
    return !cell.empty() && end == cell.c_str() + cell.size();
}

bool sameCell(const std::string& expected, const std::string& actual) {
    double a = 0.0, b = 0.0;
    if (expected == actual) return true;
    if (isWhole(expected) || !isNumber(expected, a) || !isNumber(actual, b)) return false;
    return std::fabs(a - b) <= 1e-6 + 1e-5 * std::max(std::fabs(a), std::fabs(b));
}

void compareCsv(const std::string& expectedFile, const std::string& actualFile) {
    auto expected = readCsv(expectedFile), actual = readCsv(actualFile);
    ASSERT_EQ(expected.size(), actual.size()) << actualFile;
    for (size_t row = 0; row < expected.size(); ++row) {
        ASSERT_EQ(expected[row].size(), actual[row].size()) << actualFile << " row " << row + 1;
        for (size_t c = 0; c < expected[row].size(); ++c)
            ASSERT_TRUE(sameCell(expected[row][c], actual[row][c]))
                << actualFile << " row " << row + 1 << ": expected " << expected[row][c] << ", got "
                << actual[row][c];
    }
}

bool compared(const fs::path& file) {
    auto ext = file.extension();
    return ext == ".csv" || ext == ".txt" || ext == ".mid";
}

class Golden : public testing::TestWithParam<Example> {};

TEST_P(Golden, RenderMatchesTheCheckedInResults) {
    const Example& example = GetParam();
    if (example.needsWav && !modhost::wavFilesSupported())
        GTEST_SKIP() << "built without libsndfile";
    if (example.needsMidiFiles && !modhost::midiFilesSupported())
        GTEST_SKIP() << "built without libsmf";
    std::string folder = freshFolder();
    std::string command = std::string(MODHOST_PATH) + " render --quiet " + EXAMPLES_DIR + "/" +
                          example.name + ".toml -o " + folder;
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;

    fs::path golden = fs::path(GOLDEN_DIR) / example.name;
    if (std::getenv("MODHOST_UPDATE_GOLDEN")) {
        fs::create_directories(golden);
        for (const auto& entry : fs::directory_iterator(folder))
            if (compared(entry.path()))
                fs::copy_file(entry.path(), golden / entry.path().filename(),
                              fs::copy_options::overwrite_existing);
        GTEST_SKIP() << "wrote the golden files of " << example.name;
    }
    ASSERT_TRUE(fs::is_directory(golden)) << golden;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(golden)) {
        fs::path rendered = fs::path(folder) / entry.path().filename();
        ASSERT_TRUE(fs::exists(rendered)) << rendered << " was not written";
        ++files;
        if (entry.path().extension() == ".csv")
            compareCsv(entry.path().string(), rendered.string());
        else
            EXPECT_EQ(readFile(entry.path().string()), readFile(rendered.string())) << rendered;
    }
    EXPECT_GT(files, 0);
}

INSTANTIATE_TEST_SUITE_P(Examples, Golden, testing::ValuesIn(kExamples),
                         [](const testing::TestParamInfo<Example>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace render_test

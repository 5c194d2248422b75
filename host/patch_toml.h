// Reading the tables of a patch file: typed fields with the line they stand
// on, and a refusal of keys nobody asked for (with the closest known key).
#pragma once

#include <toml++/toml.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/patch.h"

namespace modhost::patch_toml {

Where whereOf(const std::string& file, const toml::node& node);

// A value as written; anything but a boolean, number or text is an error.
PatchValue valueOf(const std::string& file, const toml::node& node);

class Fields {
public:
    // `what` names the table in messages, e.g. "[[module]]".
    Fields(const std::string& file, const toml::table& table, std::string what);

    Where where() const { return whereOf(file_, table_); }
    Where where(std::string_view key) const;
    const std::string& file() const { return file_; }
    [[noreturn]] void fail(std::string_view key, const std::string& what) const;

    const toml::node* node(std::string_view key);
    bool has(std::string_view key);
    std::string text(std::string_view key);  // required
    std::optional<std::string> optionalText(std::string_view key);
    double number(std::string_view key, std::optional<double> fallback = std::nullopt);
    int64_t integer(std::string_view key, std::optional<int64_t> fallback = std::nullopt);
    bool boolean(std::string_view key, bool fallback);
    const toml::array* array(std::string_view key);  // null when absent
    const toml::table* table(std::string_view key);  // null when absent

    // Times in this table are samples when its "unit" says so, else seconds.
    bool timesInSamples();
    // A time in samples from a number of seconds or samples; never negative.
    int64_t time(std::string_view key, double sampleRate);
    int64_t timeOf(const toml::node& node, double sampleRate);
    double numberOf(const toml::node& node) const;

    // Throws for the first key that no call above asked for, and that is
    // not one of `known`.
    void finish() const;
    void know(std::initializer_list<std::string_view> known);

private:
    [[noreturn]] void missing(std::string_view key) const;

    const std::string& file_;
    const toml::table& table_;
    std::string what_;
    std::vector<std::string> asked_;
    std::optional<bool> samples_;
};

}  // namespace modhost::patch_toml

namespace modhost::patch_toml {

// "instance.pin name" from a text node.
PinRef pinRefOf(const std::string& file, const toml::node& node);
// A file named in the patch: relative names are found in the patch's folder.
std::string inputFile(const Patch& patch, const std::string& name);
// One [[source]] table.
PatchSource readSource(Fields& fields, const Patch& patch);

}  // namespace modhost::patch_toml

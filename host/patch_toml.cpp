#include "host/patch_toml.h"

#include <algorithm>
#include <cmath>

#include "host/closest_name.h"
#include "host/plugin_library.h"

namespace modhost {

std::string at(const Where& where, const std::string& what) {
    return where.file + ":" + std::to_string(where.line) + ": " + what;
}

namespace patch_toml {

Where whereOf(const std::string& file, const toml::node& node) {
    return Where{file, int64_t(node.source().begin.line)};
}

PatchValue valueOf(const std::string& file, const toml::node& node) {
    PatchValue value;
    value.where = whereOf(file, node);
    if (auto b = node.value_exact<bool>())
        value.value = *b;
    else if (auto i = node.value_exact<int64_t>())
        value.value = *i;
    else if (auto d = node.value_exact<double>())
        value.value = *d;
    else if (auto s = node.value_exact<std::string>())
        value.value = *s;
    else
        throw HostError(at(value.where, "a pin value is a boolean, a number or a text"));
    return value;
}

Fields::Fields(const std::string& file, const toml::table& table, std::string what)
    : file_(file), table_(table), what_(std::move(what)) {}

Where Fields::where(std::string_view key) const {
    const toml::node* n = table_.get(key);
    return n ? whereOf(file_, *n) : where();
}

void Fields::fail(std::string_view key, const std::string& what) const {
    throw HostError(at(where(key), what));
}

const toml::node* Fields::node(std::string_view key) {
    asked_.emplace_back(key);
    return table_.get(key);
}

bool Fields::has(std::string_view key) {
    return node(key) != nullptr;
}

std::string Fields::text(std::string_view key) {
    if (auto t = optionalText(key)) return *t;
    missing(key);
}

std::optional<std::string> Fields::optionalText(std::string_view key) {
    const toml::node* n = node(key);
    if (n == nullptr) return std::nullopt;
    if (auto s = n->value_exact<std::string>()) return *s;
    fail(key, "\"" + std::string(key) + "\" is a text, in quotes");
}

double Fields::numberOf(const toml::node& n) const {
    if (auto i = n.value_exact<int64_t>()) return double(*i);
    if (auto d = n.value_exact<double>()) return *d;
    throw HostError(at(whereOf(file_, n), "a number is wanted here"));
}

double Fields::number(std::string_view key, std::optional<double> fallback) {
    const toml::node* n = node(key);
    if (n == nullptr) {
        if (fallback) return *fallback;
        missing(key);
    }
    double value = numberOf(*n);
    if (!std::isfinite(value)) fail(key, "\"" + std::string(key) + "\" must be finite");
    return value;
}

int64_t Fields::integer(std::string_view key, std::optional<int64_t> fallback) {
    const toml::node* n = node(key);
    if (n == nullptr) {
        if (fallback) return *fallback;
        missing(key);
    }
    if (auto i = n->value_exact<int64_t>()) return *i;
    fail(key, "\"" + std::string(key) + "\" is a whole number");
}

bool Fields::boolean(std::string_view key, bool fallback) {
    const toml::node* n = node(key);
    if (n == nullptr) return fallback;
    if (auto b = n->value_exact<bool>()) return *b;
    fail(key, "\"" + std::string(key) + "\" is true or false");
}

const toml::array* Fields::array(std::string_view key) {
    const toml::node* n = node(key);
    if (n == nullptr) return nullptr;
    if (!n->is_array()) fail(key, "\"" + std::string(key) + "\" is a list, in [ ]");
    return n->as_array();
}

const toml::table* Fields::table(std::string_view key) {
    const toml::node* n = node(key);
    if (n == nullptr) return nullptr;
    if (!n->is_table()) fail(key, "\"" + std::string(key) + "\" is a table");
    return n->as_table();
}

bool Fields::timesInSamples() {
    if (!samples_) {
        std::string unit = optionalText("unit").value_or("seconds");
        if (unit != "seconds" && unit != "samples")
            fail("unit", "\"unit\" is \"seconds\" or \"samples\", not \"" + unit + "\"");
        samples_ = unit == "samples";
    }
    return *samples_;
}

int64_t Fields::timeOf(const toml::node& n, double sampleRate) {
    double value = numberOf(n);
    double samples = timesInSamples() ? value : value * sampleRate;
    if (!std::isfinite(samples) || samples < 0.0 || samples > 9.0e15)
        throw HostError(at(whereOf(file_, n),
                           "a time is a number of seconds or samples, "
                           "not below 0"));
    return std::llround(samples);
}

int64_t Fields::time(std::string_view key, double sampleRate) {
    const toml::node* n = node(key);
    if (n == nullptr) missing(key);
    return timeOf(*n, sampleRate);
}

// A key left out is often one misspelt: name the table's unknown key nearest to it.
void Fields::missing(std::string_view key) const {
    std::vector<std::string> unknown;
    for (auto&& [k, value] : table_)
        if (std::find(asked_.begin(), asked_.end(), k.str()) == asked_.end())
            unknown.emplace_back(k.str());
    std::string near = closestName(key, unknown);
    fail(key, what_ + " needs \"" + std::string(key) + "\"" +
                  (near.empty() ? "" : "; is \"" + near + "\" a misspelling of it?"));
}

void Fields::know(std::initializer_list<std::string_view> known) {
    for (auto key : known) asked_.emplace_back(key);
}

void Fields::finish() const {
    for (auto&& [key, value] : table_) {
        if (std::find(asked_.begin(), asked_.end(), key.str()) != asked_.end()) continue;
        throw HostError(at(whereOf(file_, value), "unknown key \"" + std::string(key.str()) +
                                                      "\" in " + what_ +
                                                      didYouMean(key.str(), asked_)));
    }
}

}  // namespace patch_toml
}  // namespace modhost

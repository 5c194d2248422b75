#include "host/patch_reader.h"

#include <algorithm>
#include <filesystem>

#include "host/patch_toml.h"
#include "host/plugin_library.h"

namespace modhost {

namespace fs = std::filesystem;
using patch_toml::Fields;
using patch_toml::whereOf;

namespace patch_toml {

PinRef pinRefOf(const std::string& file, const toml::node& node) {
    PinRef ref;
    ref.where = whereOf(file, node);
    auto text = node.value_exact<std::string>();
    size_t dot = text ? text->find('.') : std::string::npos;
    if (dot == std::string::npos || dot == 0 || dot + 1 == text->size())
        throw HostError(at(ref.where, "a pin is named as \"instance.pin name\""));
    ref.instance = text->substr(0, dot);
    ref.pin = text->substr(dot + 1);
    return ref;
}

std::string inputFile(const Patch& patch, const std::string& name) {
    fs::path path(name);
    return path.is_absolute() ? name : (fs::path(patch.folder) / path).lexically_normal().string();
}

}  // namespace patch_toml

namespace {

// Each entry of a list of tables, read with its own Fields.
template <typename Read>
void eachTable(Fields& parent, std::string_view key, const std::string& what, Read read) {
    const toml::array* list = parent.array(key);
    if (list == nullptr) return;
    for (const toml::node& entry : *list) {
        if (!entry.is_table())
            throw HostError(at(whereOf(parent.file(), entry), what + " is a table"));
        Fields fields(parent.file(), *entry.as_table(), what);
        read(fields);
        fields.finish();
    }
}

// One pin or a list of pins under `key`.
std::vector<PinRef> pinRefs(Fields& fields, std::string_view key) {
    std::vector<PinRef> refs;
    const toml::node* n = fields.node(key);
    if (n == nullptr) return refs;
    if (const toml::array* list = n->as_array())
        for (const toml::node& entry : *list)
            refs.push_back(patch_toml::pinRefOf(fields.file(), entry));
    else
        refs.push_back(patch_toml::pinRefOf(fields.file(), *n));
    return refs;
}

bool isPlainName(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
    });
}

void readModule(Fields& fields, Patch& patch) {
    PatchModule module;
    module.where = fields.where();
    module.name = fields.text("name");
    if (!isPlainName(module.name))
        fields.fail("name", "an instance name is letters, digits, '_' and '-', not \"" +
                                module.name + "\"");
    for (const auto& other : patch.modules)
        if (other.name == module.name)
            fields.fail("name", "a second instance named \"" + module.name +
                                    "\" (the first is at line " + std::to_string(other.where.line) +
                                    ")");
    module.plugin = fields.text("plugin");
    if (module.plugin.find('/') != std::string::npos)
        module.plugin = patch_toml::inputFile(patch, module.plugin);
    module.keepPanelValues = fields.boolean("keep_panel_values", false);
    if (const toml::table* pins = fields.table("pins"))
        for (auto&& [key, value] : *pins)
            module.pins.push_back(
                PinSetting{std::string(key.str()), patch_toml::valueOf(fields.file(), value)});
    patch.modules.push_back(std::move(module));
}

void readWire(Fields& fields, Patch& patch) {
    std::vector<PinRef> from = pinRefs(fields, "from");
    std::vector<PinRef> to = pinRefs(fields, "to");
    if (from.size() != 1) fields.fail("from", "a [[wire]] has one \"from\" pin");
    if (to.empty()) fields.fail("to", "a [[wire]] needs \"to\": a pin or a list of pins");
    for (auto& destination : to) patch.wires.push_back(PatchWire{from.front(), destination});
}

void readSet(Fields& fields, Patch& patch) {
    PatchSet set;
    std::vector<PinRef> pin = pinRefs(fields, "pin");
    if (pin.size() != 1) fields.fail("pin", "a [[set]] names one \"pin\"");
    set.pin = pin.front();
    set.at = fields.time("at", patch.sampleRate);
    const toml::node* value = fields.node("value");
    if (value == nullptr) fields.fail("value", "a [[set]] needs \"value\"");
    set.value = patch_toml::valueOf(fields.file(), *value);
    patch.sets.push_back(std::move(set));
}

PatchOutput::Type outputType(Fields& fields, const std::string& file) {
    std::string extension = fs::path(file).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (extension == ".wav") return PatchOutput::Type::Wav;
    if (extension == ".csv") return PatchOutput::Type::Csv;
    if (extension == ".mid" || extension == ".midi") return PatchOutput::Type::MidiFile;
    if (extension == ".txt" || extension == ".log") return PatchOutput::Type::MidiLog;
    // cppcheck-suppress missingReturn ; fields.fail() below is [[noreturn]]: it throws.
    if (extension == ".png" || extension == ".svg") return PatchOutput::Type::Picture;
    fields.fail("file", "cannot tell what to write from \"" + file +
                            "\": use .wav, .csv, .mid, .txt (a MIDI log), .png or .svg");
}

void readOutput(Fields& fields, Patch& patch) {
    PatchOutput output;
    output.where = fields.where();
    output.file = fields.text("file");
    output.type = outputType(fields, output.file);
    output.pins = pinRefs(fields, "pins");
    if (output.pins.empty()) fields.fail("pins", "an [[output]] needs \"pins\": a pin or a list");
    output.everySample = fields.boolean("every_sample", false);
    output.step = fields.integer("step", 1);
    if (output.step < 1) fields.fail("step", "\"step\" is 1 or more");
    output.title = fields.optionalText("title").value_or("");
    output.overlay = fields.boolean("overlay", false);
    output.sampleFormat = fields.optionalText("format").value_or("float");
    if (output.sampleFormat != "float" && output.sampleFormat != "pcm16" &&
        output.sampleFormat != "pcm24")
        fields.fail("format", "\"format\" is \"float\", \"pcm16\" or \"pcm24\"");
    patch.outputs.push_back(std::move(output));
}

void readTime(Fields& fields, Patch& patch) {
    TimeRecord& time = patch.time;
    time.tempo = fields.number("tempo", 120.0);
    if (time.tempo < 0.0) fields.fail("tempo", "the tempo is not below 0");
    time.running = fields.boolean("running", true);
    time.startBeat = fields.number("start_beat", 0.0);
    eachTable(fields, "changes", "a tempo change", [&](Fields& change) {
        TempoChange c;
        c.where = change.where();
        c.at = change.time("at", patch.sampleRate);
        if (change.has("tempo")) c.tempo = change.number("tempo");
        if (c.tempo && *c.tempo < 0.0) change.fail("tempo", "the tempo is not below 0");
        if (change.has("running")) c.running = change.boolean("running", true);
        if (!c.tempo && !c.running) change.fail("at", "a change sets \"tempo\" or \"running\"");
        time.changes.push_back(c);
    });
    std::stable_sort(time.changes.begin(), time.changes.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.at < b.at; });
}

void readLength(Fields& top, Patch& patch) {
    bool seconds = top.has("length"), samples = top.has("length_samples");
    if (seconds == samples)
        top.fail(seconds ? "length" : "",
                 "the patch gives its length once: \"length\" in seconds or \"length_samples\"");
    patch.length = seconds ? top.time("length", patch.sampleRate) : top.integer("length_samples");
    if (patch.length <= 0) top.fail(seconds ? "length" : "length_samples", "the length is above 0");
}

Patch readRoot(const toml::table& root, const std::string& path) {
    Patch patch;
    patch.file = path;
    patch.folder = fs::path(path).parent_path().string();
    if (patch.folder.empty()) patch.folder = ".";
    Fields top(patch.file, root, "the patch");
    // Misspelt top-level keys first: they explain most of what follows.
    top.know({"sample_rate", "block_size", "length", "length_samples", "time", "module", "wire",
              "source", "set", "output"});
    top.finish();
    patch.sampleRate = top.number("sample_rate", 44100.0);
    if (patch.sampleRate < 1.0 || patch.sampleRate > 1.0e6)
        top.fail("sample_rate", "the sample rate is 1 to 1000000 Hz");
    patch.blockSize = int32_t(std::clamp<int64_t>(top.integer("block_size", 64), 0, 1 << 20));
    if (patch.blockSize < 1 || patch.blockSize > 65536)
        top.fail("block_size", "the block size is 1 to 65536 samples");
    readLength(top, patch);
    if (const toml::table* time = top.table("time")) {
        Fields fields(patch.file, *time, "[time]");
        readTime(fields, patch);
        fields.finish();
    }
    eachTable(top, "module", "[[module]]", [&](Fields& f) { readModule(f, patch); });
    if (patch.modules.empty()) top.fail("module", "the patch has no [[module]]");
    eachTable(top, "wire", "[[wire]]", [&](Fields& f) { readWire(f, patch); });
    eachTable(top, "source", "[[source]]",
              [&](Fields& f) { patch.sources.push_back(patch_toml::readSource(f, patch)); });
    eachTable(top, "set", "[[set]]", [&](Fields& f) { readSet(f, patch); });
    eachTable(top, "output", "[[output]]", [&](Fields& f) { readOutput(f, patch); });
    top.finish();
    return patch;
}

}  // namespace

Patch readPatchText(std::string_view text, const std::string& path) {
    try {
        return readRoot(toml::parse(text, path), path);
    } catch (const toml::parse_error& e) {
        throw HostError(
            at(Where{path, int64_t(e.source().begin.line)}, std::string(e.description())));
    }
}

Patch readPatchFile(const std::string& path) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) throw HostError(path + ": no such patch file");
    try {
        return readRoot(toml::parse_file(path), path);
    } catch (const toml::parse_error& e) {
        throw HostError(
            at(Where{path, int64_t(e.source().begin.line)}, std::string(e.description())));
    }
}

}  // namespace modhost

// The [[source]] tables of a patch file.
#include <algorithm>
#include <cmath>

#include "host/patch_toml.h"
#include "host/plugin_library.h"

namespace modhost::patch_toml {

namespace {

using Type = PatchSource::Type;

struct TypeName {
    const char* name;
    Type type;
    Waveform waveform;
};

constexpr TypeName kTypes[] = {
    {"constant", Type::Constant, Waveform::Sine},
    {"breakpoints", Type::Breakpoints, Waveform::Sine},
    {"gate", Type::Gate, Waveform::Sine},
    {"sine", Type::Oscillator, Waveform::Sine},
    {"square", Type::Oscillator, Waveform::Square},
    {"saw", Type::Oscillator, Waveform::Saw},
    {"triangle", Type::Oscillator, Waveform::Triangle},
    {"wav", Type::Wav, Waveform::Sine},
    {"midi_file", Type::MidiFile, Waveform::Sine},
    {"midi", Type::MidiList, Waveform::Sine},
};

// The entries of a list of lists, each with `least` to `most` numbers.
template <typename Read>
void eachRow(Fields& fields, std::string_view key, size_t least, size_t most,
             const std::string& form, Read read) {
    const toml::array* rows = fields.array(key);
    if (rows == nullptr || rows->empty())
        fields.fail(key, "\"" + std::string(key) + "\" lists " + form);
    for (const toml::node& row : *rows) {
        const toml::array* cells = row.as_array();
        if (cells == nullptr || cells->size() < least || cells->size() > most)
            throw HostError(at(whereOf(fields.file(), row),
                               "each entry of \"" + std::string(key) + "\" is " + form));
        read(*cells, whereOf(fields.file(), row));
    }
}

double levelOf(Fields& fields, const toml::node& n) {
    if (auto b = n.value_exact<bool>()) return *b ? 1.0 : 0.0;
    return fields.numberOf(n);
}

double level(Fields& fields, std::string_view key, double fallback) {
    const toml::node* n = fields.node(key);
    return n ? levelOf(fields, *n) : fallback;
}

void readBreakpoints(Fields& fields, PatchSource& source, double rate) {
    eachRow(fields, "points", 2, 2, "[time, value]",
            [&](const toml::array& row, const Where& where) {
                int64_t time = fields.timeOf(*row.get(0), rate);
                if (!source.points.empty() && time < source.points.back().first)
                    throw HostError(at(where, "breakpoints go forward in time"));
                source.points.emplace_back(time, levelOf(fields, *row.get(1)));
            });
    source.steps = fields.boolean("steps", false);
}

void readPulseTrain(Fields& fields, PatchSource& source, const Patch& patch) {
    int64_t every = fields.time("every", patch.sampleRate);
    int64_t width = fields.time("width", patch.sampleRate);
    int64_t start = fields.has("start") ? fields.time("start", patch.sampleRate) : 0;
    int64_t count = fields.integer("count", INT64_MAX);
    if (width < 1 || every <= width) fields.fail("every", "a pulse train has 0 < width < every");
    for (int64_t on = start, n = 0; on < patch.length && n < count; on += every, ++n)
        source.gates.emplace_back(on, on + width);
}

void readGate(Fields& fields, PatchSource& source, const Patch& patch) {
    source.high = level(fields, "high", 10.0);
    source.low = level(fields, "low", 0.0);
    if (!fields.has("gates")) return readPulseTrain(fields, source, patch);
    eachRow(fields, "gates", 2, 2, "[on, off]", [&](const toml::array& row, const Where& where) {
        int64_t on = fields.timeOf(*row.get(0), patch.sampleRate);
        int64_t off = fields.timeOf(*row.get(1), patch.sampleRate);
        if (off <= on) throw HostError(at(where, "a gate goes off after it goes on"));
        if (!source.gates.empty() && on < source.gates.back().second)
            throw HostError(at(where, "gates follow each other without overlapping"));
        source.gates.emplace_back(on, off);
    });
}

void readOscillator(Fields& fields, PatchSource& source) {
    source.frequency = fields.number("frequency");
    if (source.frequency < 0.0) fields.fail("frequency", "the frequency is not below 0");
    source.amplitude = fields.number("amplitude", 5.0);
    source.offset = fields.number("offset", 0.0);
    source.phase = fields.number("phase", 0.0);
}

int32_t midiByte(const toml::node& n, const Where& where) {
    auto value = n.value_exact<int64_t>();
    if (!value || *value < 0 || *value > 255)
        throw HostError(at(where, "a MIDI byte is a whole number from 0 to 255"));
    return int32_t(*value);
}

void readMidiList(Fields& fields, PatchSource& source, double rate) {
    eachRow(fields, "events", 2, 4, "[time, status, data 1, data 2]",
            [&](const toml::array& row, const Where& where) {
                int32_t bytes[3] = {0, 0, 0};
                for (size_t i = 1; i < row.size(); ++i) bytes[i - 1] = midiByte(*row.get(i), where);
                if (bytes[0] < 0x80)
                    throw HostError(at(where, "a MIDI status byte is 0x80 or above"));
                if (bytes[1] > 127 || bytes[2] > 127)
                    throw HostError(at(where, "MIDI data bytes are 0 to 127"));
                source.midi.push_back(TimedMidi{fields.timeOf(*row.get(0), rate),
                                                bytes[0] | bytes[1] << 8 | bytes[2] << 16});
            });
    std::stable_sort(source.midi.begin(), source.midi.end(),
                     [](const TimedMidi& a, const TimedMidi& b) { return a.at < b.at; });
}

}  // namespace

PatchSource readSource(Fields& fields, const Patch& patch) {
    PatchSource source;
    source.where = fields.where();
    const toml::node* to = fields.node("to");
    if (to == nullptr)
        fields.fail("to", "a [[source]] names the input it feeds: to = \"instance.pin\"");
    source.to = pinRefOf(fields.file(), *to);
    std::string type = fields.text("type");
    auto found = std::find_if(std::begin(kTypes), std::end(kTypes),
                              [&](const TypeName& t) { return type == t.name; });
    if (found == std::end(kTypes))
        fields.fail("type", "unknown source type \"" + type +
                                "\"; the types are constant, breakpoints, gate, sine, square, saw, "
                                "triangle, wav, midi_file and midi");
    source.type = found->type;
    source.waveform = found->waveform;
    switch (source.type) {
        case Type::Constant: source.level = level(fields, "value", 0.0); break;
        case Type::Breakpoints: readBreakpoints(fields, source, patch.sampleRate); break;
        case Type::Gate: readGate(fields, source, patch); break;
        case Type::Oscillator: readOscillator(fields, source); break;
        case Type::Wav:
            source.file = inputFile(patch, fields.text("file"));
            source.channel =
                int32_t(std::clamp<int64_t>(fields.integer("channel", 1), 0, 1 << 16)) - 1;
            if (source.channel < 0) fields.fail("channel", "channels are counted from 1");
            break;
        case Type::MidiFile: source.file = inputFile(patch, fields.text("file")); break;
        case Type::MidiList: readMidiList(fields, source, patch.sampleRate); break;
    }
    return source;
}

}  // namespace modhost::patch_toml

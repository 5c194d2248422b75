#include "host/outputs.h"

#include <charconv>

#include "host/plugin_library.h"

namespace modhost {

void Recorder::report(size_t, PinStatus, int64_t) {}
void Recorder::midi(size_t, int32_t, int64_t) {}
void Recorder::block(int64_t, int32_t) {}

namespace {

bool allAudio(const std::vector<Probe>& probes) {
    for (const auto& p : probes)
        if (p.pin->kind != PinKind::Audio) return false;
    return true;
}

void require(bool ok, const PatchOutput& output, const std::string& what) {
    if (!ok) throw HostError(at(output.where, what));
}

}  // namespace

std::unique_ptr<Recorder> makeRecorder(const PatchOutput& output, const std::string& path,
                                       std::vector<Probe> probes, const RenderFacts& facts) {
    bool audio = allAudio(probes);
    bool midi = true, values = true;
    for (const auto& p : probes) {
        midi = midi && p.pin->kind == PinKind::Midi;
        values = values && p.pin->kind != PinKind::Midi;
    }
    switch (output.type) {
        case PatchOutput::Type::Wav:
            require(audio, output, "a WAV file records audio pins only");
            return makeWavRecorder(output, path, std::move(probes), facts);
        case PatchOutput::Type::Csv:
            if (output.everySample) {
                require(audio, output, "a CSV file with every_sample records audio pins only");
                return makeSampleCsvRecorder(output, path, std::move(probes), facts);
            }
            require(values, output, "a CSV file of reports takes no MIDI pins; use a .txt log");
            return makeReportCsvRecorder(output, path, std::move(probes), facts);
        case PatchOutput::Type::MidiFile:
        case PatchOutput::Type::MidiLog:
            require(midi, output, "a MIDI file or log records MIDI pins only");
            for (const auto& p : probes)
                require(p.pin->direction == PinDirection::Out, output,
                        p.label + " is an input: MIDI is recorded where it leaves a module");
            return makeMidiRecorder(output, path, std::move(probes), facts);
        case PatchOutput::Type::Picture:
            require(values, output, "a picture shows audio and value pins, not MIDI");
            return makePictureRecorder(output, path, std::move(probes), facts);
    }
    return nullptr;
}

std::string floatCell(float value) {
    char text[32];
    auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

std::string valueCell(const PinInfo& pin, const PinValue& value) {
    switch (pin.kind) {
        case PinKind::Text: {
            std::string quoted = "\"";
            for (char c : value.text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
            return quoted + "\"";
        }
        case PinKind::Float: return floatCell(float(value.number));
        default: return std::to_string(int64_t(value.number));
    }
}

}  // namespace modhost

// Turning a patch into a running rack: plug-ins loaded, every name, value
// and wire checked against the modules' own pin lists, sources and outputs
// attached. Every refusal names the patch line it is about.
#include <cmath>
#include <filesystem>
#include <set>

#include "host/closest_name.h"
#include "host/event_trace.h"
#include "host/midi_file.h"
#include "host/pin_values.h"
#include "host/render.h"
#include "host/wav_file.h"

namespace modhost {

namespace fs = std::filesystem;

class Render::Setup {
public:
    explicit Setup(Render& render) : r_(render), patch_(render.patch_) {}

    void run() {
        r_.rack_ = std::make_unique<Rack>(float(patch_.sampleRate), patch_.blockSize);
        r_.rack_->orderByWires();
        for (const auto& module : patch_.modules) addModule(module);
        for (const auto& wire : patch_.wires) addWire(wire);
        for (const auto& module : patch_.modules) setPins(module);
        for (const auto& source : patch_.sources) addSource(source);
        for (const auto& set : patch_.sets) addSet(set);
        for (const auto& output : patch_.outputs) addOutput(output);
        listen();
    }

private:
    void addModule(const PatchModule& module) {
        InstanceOptions options;
        options.fileBase = patch_.folder;
        options.recordTraffic = !r_.options_.traceFile.empty();
        options.recordSent = false;
        options.keepPanelValues = module.keepPanelValues;
        try {
            auto& library = libraries_[resolvePluginPath(module.plugin)];
            if (!library) library = std::make_shared<PluginLibrary>(module.plugin);
            r_.named_.emplace_back(module.name, &r_.rack_->add(library, options));
        } catch (const HostError& e) {
            throw HostError(at(module.where, e.what()));
        }
    }

    PinPlace resolve(const PinRef& ref) const {
        std::vector<std::string> names;
        for (const auto& [name, instance] : r_.named_) {
            if (name == ref.instance) return findPin(*instance, ref.instance, ref.pin, ref.where);
            names.push_back(name);
        }
        throw HostError(at(ref.where, "no instance named \"" + ref.instance + "\"" +
                                          didYouMean(ref.instance, names)));
    }

    // Each input is fed once: by a wire, a source or a pin value.
    void feedOnce(const PinPlace& place, const Where& where) {
        auto key =
            std::make_pair(static_cast<const Instance*>(place.instance), place.pin->listingIndex);
        auto [it, fresh] = fed_.emplace(key, where);
        if (fresh) return;
        // Told at the later of the two lines, naming the earlier one.
        const Where& first = it->second.line <= where.line ? it->second : where;
        const Where& second = it->second.line <= where.line ? where : it->second;
        throw HostError(at(second, place.text() +
                                       " is fed twice: it is wired, given a source or a "
                                       "value at line " +
                                       std::to_string(first.line) + " already"));
    }

    void addWire(const PatchWire& wire) {
        PinPlace from = resolve(wire.from), to = resolve(wire.to);
        if (from.pin->direction != PinDirection::Out)
            throw HostError(at(wire.from.where, from.text() + " is not an output"));
        if (to.pin->direction == PinDirection::Out)
            throw HostError(at(wire.to.where, to.text() + " is an output: wires go into inputs"));
        feedOnce(to, wire.to.where);
        try {
            r_.rack_->wirePins(*from.instance, from.pin->listingIndex, *to.instance,
                               to.pin->listingIndex);
        } catch (const HostError& e) {
            throw HostError(at(wire.to.where, e.what()));
        }
    }

    void setPins(const PatchModule& module) {
        Instance* instance = r_.instance(module.name);
        // Values arrive in the module's own pin order, as a host loading a patch sets them.
        std::vector<std::pair<PinPlace, const PinSetting*>> settings;
        for (const auto& setting : module.pins)
            settings.emplace_back(findPin(*instance, module.name, setting.pin, setting.value.where),
                                  &setting);
        std::stable_sort(settings.begin(), settings.end(), [](const auto& a, const auto& b) {
            return a.first.pin->listingIndex < b.first.pin->listingIndex;
        });
        for (const auto& [place, setting] : settings) {
            requireSettable(place, setting->value.where);
            feedOnce(place, setting->value.where);
            auto feed = std::make_unique<Feed>(*place.instance, *place.pin);
            feed->addValues({TimedValue{0, pinValueOf(place, setting->value, patch_)}});
            r_.feeds_.push_back(std::move(feed));
        }
    }

    void addSet(const PatchSet& set) {
        PinPlace place = resolve(set.pin);
        requireSettable(place, set.pin.where);
        if (set.at >= patch_.length)
            throw HostError(at(set.value.where, "this [[set]] falls after the end of the patch"));
        auto feed = std::make_unique<Feed>(*place.instance, *place.pin);
        feed->addValues({TimedValue{set.at, pinValueOf(place, set.value, patch_)}});
        r_.feeds_.push_back(std::move(feed));
    }

    void addSource(const PatchSource& source) {
        PinPlace place = resolve(source.to);
        if (place.pin->direction == PinDirection::Out)
            throw HostError(
                at(source.to.where, place.text() + " is an output: sources feed inputs"));
        feedOnce(place, source.to.where);
        auto feed = std::make_unique<Feed>(*place.instance, *place.pin);
        if (place.pin->kind == PinKind::Audio)
            feedAudio(*feed, source);
        else if (place.pin->kind == PinKind::Midi)
            feed->addMidi(midiOf(source, place));
        else
            feed->addValues(valuesOf(source, place, patch_));
        if (place.pin->plugIndex >= 0) place.instance->setConnected(place.pin->plugIndex, true);
        r_.feeds_.push_back(std::move(feed));
    }

    void feedAudio(Feed& feed, const PatchSource& source) const {
        using Type = PatchSource::Type;
        std::vector<TimedStatus> statuses;
        switch (source.type) {
            case Type::Constant:
            case Type::Breakpoints:
            case Type::Gate: {
                std::vector<Piece> pieces = piecesOf(source);
                statuses = statusesOf(pieces);
                feed.setAudio(makePieceSource(std::move(pieces)));
                break;
            }
            case Type::Oscillator:
                feed.setAudio(makeOscillator(source.waveform, source.frequency / patch_.sampleRate,
                                             source.amplitude, source.offset, source.phase));
                statuses.push_back(
                    {0, source.frequency > 0.0 ? PinStatus::Streaming : PinStatus::OneOff});
                break;
            case Type::Wav: {
                std::vector<float> samples = wavChannel(source);
                statuses.push_back({0, PinStatus::Streaming});
                if (int64_t(samples.size()) < patch_.length)
                    statuses.push_back({int64_t(samples.size()), PinStatus::OneOff});
                feed.setAudio(makeSampleSource(std::move(samples)));
                break;
            }
            case Type::MidiFile:
            case Type::MidiList:
                throw HostError(at(source.where, "a MIDI source feeds a MIDI pin, and " +
                                                     source.to.text() + " is an audio pin"));
        }
        feed.addStatuses(std::move(statuses));
    }

    std::vector<float> wavChannel(const PatchSource& source) const {
        WavContents wav;
        try {
            wav = readWavFile(source.file);
        } catch (const HostError& e) {
            throw HostError(at(source.where, e.what()));
        }
        if (wav.sampleRate != patch_.sampleRate)
            throw HostError(at(source.where,
                               source.file + " runs at " + std::to_string(int64_t(wav.sampleRate)) +
                                   " Hz and the patch at " +
                                   std::to_string(int64_t(patch_.sampleRate)) + " Hz"));
        if (source.channel >= wav.channels)
            throw HostError(at(source.where, source.file + " has " + std::to_string(wav.channels) +
                                                 " channel(s), not " +
                                                 std::to_string(source.channel + 1)));
        std::vector<float> samples;
        samples.reserve(wav.frames.size() / size_t(wav.channels));
        for (size_t i = size_t(source.channel); i < wav.frames.size(); i += size_t(wav.channels))
            samples.push_back(wav.frames[i]);
        return samples;
    }

    std::vector<TimedMidi> midiOf(const PatchSource& source, const PinPlace& place) const {
        if (source.type == PatchSource::Type::MidiList) return source.midi;
        if (source.type != PatchSource::Type::MidiFile)
            throw HostError(at(source.where, place.text() +
                                                 " is a MIDI pin: feed it from a midi_file or "
                                                 "midi source"));
        std::vector<TimedMidi> midi;
        try {
            for (const auto& event : readMidiFile(source.file).events)
                midi.push_back(
                    TimedMidi{std::llround(event.seconds * patch_.sampleRate), event.message});
        } catch (const HostError& e) {
            throw HostError(at(source.where, e.what()));
        }
        return midi;
    }

    void addOutput(const PatchOutput& output) {
        std::vector<Probe> probes;
        for (const auto& ref : output.pins) {
            PinPlace place = resolve(ref);
            probes.push_back(Probe{place.instance, place.pin, ref.text()});
        }
        fs::path path(output.file);
        if (path.is_relative()) path = fs::path(r_.options_.outputFolder) / path;
        path = path.lexically_normal();
        if (!files_.insert(path.string()).second)
            throw HostError(
                at(output.where, path.string() + " is written by another [[output]] too"));
        std::error_code ignored;
        if (path.has_parent_path()) fs::create_directories(path.parent_path(), ignored);
        RenderFacts facts{patch_.sampleRate, patch_.length, patch_.time.tempo};
        std::unique_ptr<Recorder> recorder;
        try {
            recorder = makeRecorder(output, path.string(), probes, facts);
        } catch (const HostError& e) {
            std::string what = e.what();
            throw HostError(what.starts_with(output.where.file) ? what : at(output.where, what));
        }
        for (size_t i = 0; i < probes.size(); ++i)
            r_.taps_[{probes[i].instance, probes[i].pin->listingIndex}].push_back(
                Tap{recorder.get(), i});
        r_.recorders_.push_back(std::move(recorder));
    }

    void listen() {
        // The listeners outlive this setup: they hold on to the render itself.
        Render* render = &r_;
        r_.rack_->setReportListener(
            [render](const Instance& instance, const PinInfo& pin, PinStatus status, int64_t time) {
                auto found = render->taps_.find({&instance, pin.listingIndex});
                if (found == render->taps_.end()) return;
                for (const Tap& tap : found->second) tap.recorder->report(tap.probe, status, time);
            });
        r_.rack_->setMidiListener(
            [render](const Instance& instance, const PinInfo& pin, int32_t message, int64_t time) {
                auto found = render->taps_.find({&instance, pin.listingIndex});
                if (found == render->taps_.end()) return;
                for (const Tap& tap : found->second) tap.recorder->midi(tap.probe, message, time);
            });
        if (!r_.options_.traceFile.empty())
            r_.trace_ = std::make_unique<EventTrace>(r_.options_.traceFile, r_.named_);
    }

    Render& r_;
    const Patch& patch_;
    std::map<std::string, std::shared_ptr<const PluginLibrary>> libraries_;
    std::map<std::pair<const Instance*, int32_t>, Where> fed_;
    std::set<std::string> files_;
};

Render::Render(const Patch& patch, RenderOptions options)
    : patch_(patch), options_(std::move(options)), time_(patch.time), beat_(patch.time.startBeat) {
    Setup(*this).run();
}

}  // namespace modhost

#include "host/rack.h"

namespace modhost {

namespace {

const PinInfo& pinOfPlug(const Instance& instance, int32_t plug) {
    for (const auto& pin : instance.pins())
        if (pin.plugIndex == plug && plug >= 0) return pin;
    throw HostError(instance.library().deliverable() + " has no pin with plug index " +
                    std::to_string(plug));
}

std::string describe(const Instance& instance, const PinInfo& pin) {
    return instance.library().deliverable() + ".\"" + pin.name + "\"";
}

}  // namespace

Rack::Rack(float sampleRate, int32_t blockSize) : sampleRate_(sampleRate), blockSize_(blockSize) {}

Instance& Rack::add(std::shared_ptr<const PluginLibrary> library, InstanceOptions options) {
    options.sampleRate = sampleRate_;
    options.blockSize = blockSize_;
    auto& instance = instances_.emplace_back(std::make_unique<Instance>(library, options));
    Instance* self = instance.get();
    self->setStatusListener([this, self](int32_t plug, PinStatus status, int64_t time) {
        carryStatus(*self, plug, status, time);
    });
    self->setMidiListener([this, self](int32_t plug, int32_t message, int64_t time) {
        carryMidi(*self, plug, message, time);
    });
    return *self;
}

void Rack::wire(Instance& from, int32_t outputPlug, Instance& to, int32_t inputPlug) {
    const PinInfo& out = pinOfPlug(from, outputPlug);
    const PinInfo& in = pinOfPlug(to, inputPlug);
    if (out.direction != PinDirection::Out)
        throw HostError(describe(from, out) + " is not an output");
    if (in.direction == PinDirection::Out) throw HostError(describe(to, in) + " is an output");
    if (out.kind != in.kind)
        throw HostError("cannot wire " + kindName(out.kind) + " output " + describe(from, out) +
                        " to " + kindName(in.kind) + " input " + describe(to, in));
    for (const auto& w : wires_)
        if (w.to == &to && w.inputPlug == inputPlug)
            throw HostError(describe(to, in) + " is wired already");

    wires_.push_back(Wire{&from, outputPlug, &to, inputPlug, out.kind});
    from.setConnected(outputPlug, true);
    to.setConnected(inputPlug, true);
    if (out.kind == PinKind::Audio) to.readFrom(inputPlug, from.buffer(outputPlug));
}

void Rack::open() {
    for (auto& instance : instances_) instance->open();
}

void Rack::processBlock(int32_t frames) {
    for (auto& instance : instances_) instance->processBlock(frames);
}

void Rack::carryStatus(const Instance& from, int32_t plug, PinStatus status, int64_t time) {
    for (const auto& w : wires_) {
        if (w.from != &from || w.outputPlug != plug) continue;
        switch (w.kind) {
            case PinKind::Audio: w.to->queueStatus(w.inputPlug, status, time); break;
            case PinKind::Text: w.to->setText(w.inputPlug, from.text(plug), time); break;
            case PinKind::Midi: break;
            default: w.to->setValue(w.inputPlug, from.value(plug), time); break;
        }
    }
}

void Rack::carryMidi(const Instance& from, int32_t plug, int32_t message, int64_t time) {
    for (const auto& w : wires_)
        if (w.from == &from && w.outputPlug == plug) w.to->queueMidi(message, time);
}

}  // namespace modhost

#include "host/rack.h"

#include <algorithm>
#include <utility>

namespace modhost {

namespace {

const PinInfo* findPlug(const Instance& instance, int32_t plug) {
    for (const auto& pin : instance.pins())
        if (pin.plugIndex == plug && plug >= 0) return &pin;
    return nullptr;
}

const PinInfo& pinOfPlug(const Instance& instance, int32_t plug) {
    if (const PinInfo* pin = findPlug(instance, plug)) return *pin;
    throw HostError(instance.library().deliverable() + " has no pin with plug index " +
                    std::to_string(plug));
}

const PinInfo& pinAtListing(const Instance& instance, int32_t listingIndex) {
    const PinInfo* pin = instance.pinAt(listingIndex);
    if (pin == nullptr)
        throw HostError(instance.library().deliverable() + " has no pin " +
                        std::to_string(listingIndex));
    return *pin;
}

std::string describe(const Instance& instance, const PinInfo& pin) {
    return instance.library().deliverable() + ".\"" + pin.name + "\"";
}

}  // namespace

Rack::Rack(float sampleRate, int32_t blockSize) : sampleRate_(sampleRate), blockSize_(blockSize) {}

Rack::~Rack() {
    for (auto& instance : instances_) {
        instance->setStatusListener({});
        instance->setMidiListener({});
        instance->setPanelWriteListener({});
    }
}

Instance& Rack::add(std::shared_ptr<const PluginLibrary> library, InstanceOptions options) {
    options.sampleRate = sampleRate_;
    options.blockSize = blockSize_;
    auto& instance =
        instances_.emplace_back(std::make_unique<Instance>(std::move(library), options));
    Instance* self = instance.get();
    self->setStatusListener([this, self](int32_t plug, PinStatus status, int64_t time) {
        carryStatus(*self, plug, status, time);
    });
    self->setMidiListener([this, self](int32_t plug, int32_t message, int64_t time) {
        carryMidi(*self, plug, message, time);
    });
    self->setPanelWriteListener(
        [this, self](int32_t pin, int64_t time) { carryPanelWrite(*self, pin, time); });
    settleOrder();
    return *self;
}

void Rack::wire(Instance& from, int32_t outputPlug, Instance& to, int32_t inputPlug) {
    wirePins(from, pinOfPlug(from, outputPlug).listingIndex, to,
             pinOfPlug(to, inputPlug).listingIndex);
}

void Rack::wirePins(Instance& from, int32_t outputPin, Instance& to, int32_t inputPin) {
    const PinInfo& out = pinAtListing(from, outputPin);
    const PinInfo& in = pinAtListing(to, inputPin);
    if (out.direction != PinDirection::Out)
        throw HostError(describe(from, out) + " is not an output");
    if (in.direction == PinDirection::Out) throw HostError(describe(to, in) + " is an output");
    if (out.kind != in.kind)
        throw HostError("cannot wire " + kindName(out.kind) + " output " + describe(from, out) +
                        " to " + kindName(in.kind) + " input " + describe(to, in));
    bool streams = out.kind == PinKind::Audio || out.kind == PinKind::Midi;
    if (streams && (out.plugIndex < 0 || in.plugIndex < 0))
        throw HostError("cannot wire " + describe(from, out) + " to " + describe(to, in) +
                        ": a panel pin carries no " + kindName(out.kind));
    for (const auto& w : wires_)
        if (w.to == &to && w.inputPin == inputPin)
            throw HostError(describe(to, in) + " is wired already");

    wires_.push_back(Wire{&from, outputPin, &to, inputPin, out.kind});
    if (out.plugIndex >= 0) from.setConnected(out.plugIndex, true);
    if (in.plugIndex >= 0) to.setConnected(in.plugIndex, true);
    if (out.kind == PinKind::Audio) to.readFrom(in.plugIndex, from.buffer(out.plugIndex));
    settleOrder();
}

void Rack::orderByWires() {
    byWires_ = true;
    settleOrder();
}

// Kahn's order, taking the earliest added of the ready instances first; when
// a loop leaves none ready, the earliest added of the rest goes next and the
// wires into it from the loop become feedback wires.
void Rack::settleOrder() {
    order_.clear();
    for (auto& instance : instances_) order_.push_back(instance.get());
    if (byWires_) {
        std::vector<Instance*> remaining = order_;
        order_.clear();
        auto placed = [&](const Instance* i) {
            return std::find(order_.begin(), order_.end(), i) != order_.end();
        };
        auto ready = [&](const Instance* i) {
            return std::none_of(wires_.begin(), wires_.end(), [&](const Wire& w) {
                return w.to == i && w.from != i && !placed(w.from);
            });
        };
        while (!remaining.empty()) {
            auto next = std::find_if(remaining.begin(), remaining.end(), ready);
            if (next == remaining.end()) next = remaining.begin();
            order_.push_back(*next);
            remaining.erase(next);
        }
    }
    for (auto& w : wires_) {
        auto position = [&](const Instance* i) {
            return std::find(order_.begin(), order_.end(), i) - order_.begin();
        };
        w.feedback = position(w.to) <= position(w.from);
    }
}

bool Rack::isFeedback(const Instance& from, int32_t outputPin, const Instance& to) const {
    for (const auto& w : wires_)
        if (w.from == &from && w.outputPin == outputPin && w.to == &to) return w.feedback;
    return false;
}

int64_t Rack::arrival(const Wire& w, int64_t time) const {
    return w.feedback ? time + blockSize_ : time;
}

void Rack::open() {
    for (auto& instance : instances_) instance->open();
}

void Rack::processBlock(int32_t frames) {
    for (Instance* instance : order_) instance->processBlock(frames);
}

// Called from inside a module's host call: nothing here may throw.
void Rack::carryStatus(const Instance& from, int32_t plug, PinStatus status, int64_t time) {
    const PinInfo* found = findPlug(from, plug);
    if (found == nullptr) return;
    const PinInfo& out = *found;
    for (const auto& w : wires_) {
        if (w.from != &from || w.outputPin != out.listingIndex) continue;
        if (w.kind == PinKind::Audio)
            w.to->queueStatus(w.to->pinAt(w.inputPin)->plugIndex, status, arrival(w, time));
        else if (w.kind != PinKind::Midi)
            carryValue(w, time);
    }
    if (reportListener_) reportListener_(from, out, status, time);
}

void Rack::carryPanelWrite(const Instance& from, int32_t pin, int64_t time) {
    for (const auto& w : wires_)
        if (w.from == &from && w.outputPin == pin) carryValue(w, time);
    const PinInfo* out = from.pinAt(pin);
    if (reportListener_ && out) reportListener_(from, *out, PinStatus::OneOff, time);
}

void Rack::carryValue(const Wire& w, int64_t time) {
    w.to->setPin(w.inputPin, w.from->pinValue(w.outputPin), arrival(w, time));
}

void Rack::carryMidi(const Instance& from, int32_t plug, int32_t message, int64_t time) {
    const PinInfo* found = findPlug(from, plug);
    if (found == nullptr || found->kind != PinKind::Midi) return;
    const PinInfo& out = *found;
    for (const auto& w : wires_)
        if (w.from == &from && w.outputPin == out.listingIndex)
            w.to->queueMidi(message, arrival(w, time));
    if (midiListener_) midiListener_(from, out, message, time);
}

}  // namespace modhost

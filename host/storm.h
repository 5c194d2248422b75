// The host storm: one plug-in library driven through a long, arbitrary sequence of
// host actions (opcodes valid and not, rate and block changes, odd pin values,
// status changes, MIDI, process calls at any offset, deferred calls, the panel half,
// open and close), each of which the host contract allows, while the outputs are
// watched for values a module must never produce.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "host/plugin_library.h"

namespace modhost {

// Where a storm takes its choices from: a fuzzer's bytes or a seeded generator.
class StormChoices {
public:
    virtual ~StormChoices() = default;
    virtual bool exhausted() const = 0;          // no more choices: the storm winds down and closes
    virtual uint32_t below(uint32_t bound) = 0;  // a choice in [0, bound); 0 when bound is 0
    virtual uint32_t word() = 0;                 // any 32 bits
};

// Choices read from bytes, four at most per choice; exhausted when the bytes are used up,
// after which every choice is 0.
class ByteChoices final : public StormChoices {
public:
    ByteChoices(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool exhausted() const override { return position_ >= size_; }
    uint32_t below(uint32_t bound) override;
    uint32_t word() override;

private:
    uint32_t take(int bytes);
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

// Choices from a generator seeded with `seed`; exhausted after `steps` choices.
class SeededChoices final : public StormChoices {
public:
    SeededChoices(uint64_t seed, size_t steps) : state_(seed), stepsLeft_(steps) {}
    bool exhausted() const override { return stepsLeft_ == 0; }
    uint32_t below(uint32_t bound) override;
    uint32_t word() override;

private:
    uint64_t next();
    uint64_t state_;
    size_t stepsLeft_;
};

// Drives one library through a storm of host actions until the choices run out, then
// closes everything it opened. Returns "" when nothing went wrong, else a one-line
// description of the first fault seen (a wrong return value, a non-finite output for
// finite inputs, ...). Crashes and sanitizer reports surface on their own.
std::string runStorm(const PluginLibrary& library, StormChoices& choices);

}  // namespace modhost

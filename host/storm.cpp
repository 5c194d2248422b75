#include "host/storm.h"

#include <memory>

#include "host/storm_actions.h"

namespace modhost {

uint32_t ByteChoices::take(int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes && position_ < size_; ++i)
        value |= uint32_t(data_[position_++]) << (8 * i);
    return value;
}

uint32_t ByteChoices::below(uint32_t bound) {
    if (bound <= 1) return 0;
    int bytes = bound <= 0x100 ? 1 : bound <= 0x10000 ? 2 : 4;
    return take(bytes) % bound;
}

uint32_t ByteChoices::word() {
    return take(4);
}

uint64_t SeededChoices::next() {
    // splitmix64: every seed, 0 included, gives a well-mixed sequence.
    if (stepsLeft_ > 0) --stepsLeft_;
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint32_t SeededChoices::below(uint32_t bound) {
    if (bound <= 1) {
        next();
        return 0;
    }
    return uint32_t(next() % bound);
}

uint32_t SeededChoices::word() {
    return uint32_t(next() >> 32);
}

std::string runStorm(const PluginLibrary& library, StormChoices& choices) {
    // The library outlives the storm; the instances only borrow it.
    std::shared_ptr<const PluginLibrary> borrowed(std::shared_ptr<void>(), &library);
    Storm storm(borrowed, choices);
    return storm.run();
}

}  // namespace modhost

#include "duration_table.h"

#include <bit>
#include <cfloat>
#include <cmath>
#include <limits>

namespace envelope_segment {

namespace {

constexpr float kThousandth = 0.001f;
// Single-precision constants, given by their bits.
constexpr float kTableOffset = std::bit_cast<float>(0x40D55554u);  // 6.666666
constexpr float kPowerOffset = std::bit_cast<float>(0x40D55555u);  // 6.6666665

DurationTable sharedTable;

float boundedLength(double samples) {
    if (!(samples >= 1.0)) return 1.0f;
    if (samples >= double(FLT_MAX)) return FLT_MAX;
    return float(samples);
}

}  // namespace

DurationEntries computeDurationEntries(float sampleRate) {
    DurationEntries entries;
    for (int32_t i = 0; i < kDurationEntries; ++i) {
        double exponent = (double(i - 1000) * double(kThousandth)) * 10.0 - double(kTableOffset);
        entries[size_t(i)] = boundedLength(double(sampleRate) * std::pow(2.0, exponent));
    }
    return entries;
}

DurationTable::DurationTable() noexcept {
    for (auto& copy : copies_)
        for (auto& e : copy.entries) e.store(1.0f, std::memory_order_relaxed);
}

void DurationTable::publish(const DurationEntries& entries) {
    std::lock_guard<std::mutex> lock(filling_);
    const int32_t next = 1 - current_.load(std::memory_order_relaxed);
    Copy& copy = copies_[next];
    const uint32_t version = copy.version.load(std::memory_order_relaxed);
    copy.version.store(version + 1, std::memory_order_relaxed);
    // Release: a reader that sees any new entry also sees the odd version before it.
    for (int32_t i = 0; i < kDurationEntries; ++i)
        copy.entries[size_t(i)].store(entries[size_t(i)], std::memory_order_release);
    copy.version.store(version + 2, std::memory_order_release);
    current_.store(next, std::memory_order_release);
}

float DurationTable::interpolate(int32_t j, float f) const {
    if (j < 0) j = 0;
    for (;;) {
        const Copy& copy = copies_[current_.load(std::memory_order_acquire)];
        const uint32_t before = copy.version.load(std::memory_order_acquire);
        if ((before & 1u) != 0) continue;  // refilled since we were directed to it
        // Acquire: the version is checked again only after the entries were read.
        float result = 0.0f;
        if (j >= kLastDurationEntry) {
            result = copy.entries[kLastDurationEntry].load(std::memory_order_acquire);
        } else {
            float low = copy.entries[size_t(j)].load(std::memory_order_acquire);
            float high = copy.entries[size_t(j) + 1].load(std::memory_order_acquire);
            result = low + (high - low) * f;
        }
        if (copy.version.load(std::memory_order_relaxed) == before) return result;
    }
}

DurationTable& sharedDurationTable() {
    return sharedTable;
}

float durationToSamples(float d, float sampleRate, const DurationTable& table) {
    if (d <= 1.0f) {
        float position = 1000.0f * d + 1000.0f;
        if (position < 0.0f) position = 0.0f;
        auto j = int32_t(position);
        return table.interpolate(j, position - float(j));
    }
    double samples = double(sampleRate) * std::pow(2.0, 10.0 * double(d) - double(kPowerOffset));
    if (!(samples > 0.0)) return table.entry(0);
    if (samples >= double(FLT_MAX)) return std::numeric_limits<float>::infinity();
    auto length = float(samples);
    return length > 0.0f ? length : table.entry(0);
}

}  // namespace envelope_segment

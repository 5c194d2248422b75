// Segment lengths for the voltage at "Duration": a table of 2001 lengths for
// the values -1.0 to 1.0 (entry i stands for (i - 1000) / 1000), filled for a
// sample rate, and the power formula above 1.0. One volt more doubles the
// length: 0 V lasts 9.84 ms, 10 V 10.08 s.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

namespace envelope_segment {

inline constexpr int32_t kDurationEntries = 2001;
inline constexpr int32_t kLastDurationEntry = kDurationEntries - 1;

using DurationEntries = std::array<float, kDurationEntries>;

// rate * 2^(((i - 1000) * 0.001) * 10 - 6.666666), at least 1 sample. A rate
// that is no usable number still gives lengths of at least 1 and at most the
// largest float, so that every interpolation between entries stays finite.
DurationEntries computeDurationEntries(float sampleRate);

// A table that one thread may refill while others read it. Readers always see
// one complete fill: a fill goes into the copy that readers are not directed
// to, and is then published; a reader that was directed to a copy that was
// rewritten meanwhile notices by its version count and reads again. Readers
// never wait for a fill in progress and take no lock.
class DurationTable {
public:
    DurationTable() noexcept;  // every entry 1 sample until the first fill
    ~DurationTable() = default;
    DurationTable(const DurationTable&) = delete;
    DurationTable& operator=(const DurationTable&) = delete;

    void publish(const DurationEntries& entries);
    // entry j + (entry j+1 - entry j) * f from one fill; j at or past the last
    // entry reads the last entry alone.
    float interpolate(int32_t j, float f) const;
    float entry(int32_t j) const { return interpolate(j, 0.0f); }

private:
    struct Copy {
        std::atomic<uint32_t> version{0};  // odd while the copy is being written
        std::array<std::atomic<float>, kDurationEntries> entries;
    };

    Copy copies_[2];
    std::atomic<int32_t> current_{0};
    std::mutex filling_;  // one fill at a time; readers never take it
};

static_assert(std::atomic<float>::is_always_lock_free && std::atomic<uint32_t>::is_always_lock_free,
              "table reads must not lock");

// The one table of the process, shared by every instance.
DurationTable& sharedDurationTable();

// The segment length in samples for Duration d (signal units) at `sampleRate`,
// always a positive number: a Duration that is not a number, or a rate for which
// the formula gives none, takes the length of -1.0 (the table's first entry).
float durationToSamples(float d, float sampleRate, const DurationTable& table);

}  // namespace envelope_segment

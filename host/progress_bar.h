// A progress bar on standard error, for renders that take longer than a
// second and only when standard error is a terminal.
#pragma once

#include <chrono>
#include <cstdint>

namespace modhost {

class ProgressBar {
public:
    ProgressBar(bool wanted, int64_t totalSamples, double sampleRate);
    void update(int64_t doneSamples);
    // Clears the bar, if one was drawn.
    void done();

private:
    using Clock = std::chrono::steady_clock;
    void draw(int64_t doneSamples);

    bool enabled_;
    int64_t total_;
    double rate_;
    Clock::time_point start_;
    Clock::time_point nextDraw_;
    bool drawn_ = false;
};

}  // namespace modhost

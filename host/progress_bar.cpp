#include "host/progress_bar.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace modhost {

namespace {

constexpr auto kQuiet = std::chrono::seconds(1);  // no bar for renders shorter than this
constexpr auto kRedraw = std::chrono::milliseconds(100);
constexpr int kWidth = 40;

}  // namespace

ProgressBar::ProgressBar(bool wanted, int64_t totalSamples, double sampleRate)
    : enabled_(wanted && isatty(STDERR_FILENO) == 1),
      total_(totalSamples),
      rate_(sampleRate),
      start_(Clock::now()),
      nextDraw_(start_ + kQuiet) {}

void ProgressBar::update(int64_t doneSamples) {
    if (!enabled_) return;
    Clock::time_point now = Clock::now();
    if (now < nextDraw_) return;
    nextDraw_ = now + kRedraw;
    draw(doneSamples);
}

void ProgressBar::draw(int64_t doneSamples) {
    double fraction = total_ > 0 ? double(doneSamples) / double(total_) : 1.0;
    int filled = int(fraction * kWidth);
    std::string bar(size_t(filled), '#');
    bar.resize(kWidth, '.');
    std::fprintf(stderr, "\r[%s] %3d%%  %.1f of %.1f s", bar.c_str(), int(fraction * 100.0),
                 double(doneSamples) / rate_, double(total_) / rate_);
    std::fflush(stderr);
    drawn_ = true;
}

void ProgressBar::done() {
    if (!drawn_) return;
    std::fprintf(stderr, "\r%*s\r", kWidth + 32, "");
    std::fflush(stderr);
}

}  // namespace modhost

// The window timer that both sampling converters share, driven through the host.
#include <gtest/gtest.h>

#include "plugin_fixture.h"

namespace plugin_test {
namespace {

using modhost::Instance;
using modhost::InstanceOptions;

struct Layout {
    const char* deliverable;
    int32_t volts;   // plug of "Volts"
    int32_t output;  // plug the windows' values are published on
    int32_t rate;    // plug of "Sampling Rate (Hz)"
};

const Layout kConverters[] = {{"volts_to_int", 0, 1, 3}, {"volts_to_guifloat", 1, 0, 4}};

void PrintTo(const Layout& layout, std::ostream* os) {
    *os << layout.deliverable;
}

struct WindowTimer : ::testing::TestWithParam<Layout> {
    const Layout& layout = GetParam();
    std::unique_ptr<Instance> m;
    std::vector<int64_t> published;

    void open(InstanceOptions options) {
        m = std::make_unique<Instance>(load(layout.deliverable), options);
        m->setStatusListener([this](int32_t plug, PinStatus status, int64_t time) {
            if (plug == layout.output && status == PinStatus::OneOff) published.push_back(time);
        });
        m->open();
        m->processBlock();
    }
    void runUntil(int64_t clock) {
        while (m->blockStart() < clock) m->processBlock();
    }
    std::vector<int64_t> publishedFrom(int64_t clock) const {
        std::vector<int64_t> out;
        for (int64_t t : published)
            if (t >= clock) out.push_back(t);
        return out;
    }
    int32_t queuedCalls() const {
        int32_t n = 0;
        for (const auto& call : m->traffic()) n += call.opcode == int32_t(HostOp::QueueEvent);
        return n;
    }
};

INSTANTIATE_TEST_SUITE_P(Converters, WindowTimer, ::testing::ValuesIn(kConverters),
                         [](const auto& info) { return std::string(info.param.deliverable); });

// At 44100 Hz and 40 Hz a window is 1102 samples. The input stops long
// enough for the countdown to stop sampling, then streams again, twenty
// times within one window: the windows keep their length.
TEST_P(WindowTimer, TogglingTheInputKeepsOneWindowChain) {
    open(InstanceOptions{.blockSize = 32});
    m->fillBuffer(layout.volts, 0.1f);
    m->queueStatus(layout.volts, PinStatus::Streaming, 32);  // windows end at 64, 1166, 2268, …
    for (int64_t k = 0; k < 20; ++k) {
        m->queueStatus(layout.volts, PinStatus::Static, 1170 + 50 * k);
        m->queueStatus(layout.volts, PinStatus::Streaming, 1170 + 50 * k + 40);
    }
    runUntil(2268 + 5 * 1102 + 10);
    EXPECT_EQ(publishedFrom(2268), (std::vector<int64_t>{2268, 3370, 4472, 5574, 6676, 7778}));
    EXPECT_EQ(queuedCalls(), 9);  // one at the start, then one per window end
}

// 0.0001 Hz at 768 kHz would be 7.68e9 samples; the window stays at 2^30,
// also once the clock word passes 2^31 and wraps.
TEST_P(WindowTimer, SlowestRateAtHighSampleRatesKeepsWindowsWithinTwoToTheThirty) {
    constexpr int64_t kBlock = 1 << 20, kLongest = int64_t(1) << 30;
    open(InstanceOptions{.sampleRate = 768000.0f, .blockSize = int32_t(kBlock)});
    m->setValue(layout.rate, 0.0);
    m->queueStatus(layout.volts, PinStatus::Streaming);  // at kBlock; first window one block
    runUntil(2 * kBlock + 2 * kLongest + 1);
    EXPECT_EQ(publishedFrom(2 * kBlock),
              (std::vector<int64_t>{2 * kBlock, 2 * kBlock + kLongest, 2 * kBlock + 2 * kLongest}));
}

}  // namespace
}  // namespace plugin_test

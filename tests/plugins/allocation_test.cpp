// Process routines, events and status changes of the math plug-ins allocate
// nothing once the module is open. malloc is replaced for the whole process,
// so allocations inside the plug-ins (whose C++ runtime is linked in) count too.
#include <gtest/gtest.h>

#include "allocation_counter.h"
#include "host/instance.h"

namespace {

using allocation_counter::allocations;
using Counting = allocation_counter::CountingAllocations;

class MathAllocations : public ::testing::TestWithParam<const char*> {};
INSTANTIATE_TEST_SUITE_P(Math, MathAllocations,
                         ::testing::Values("math_sin", "math_pow2", "math_pow3"));

TEST_P(MathAllocations, NoneAfterOpen) {
    auto library = std::make_shared<modhost::PluginLibrary>(std::string(PLUGIN_DIR) + "/" +
                                                            GetParam() + ".so");
    modhost::Instance m(library, modhost::InstanceOptions{.blockSize = 64});
    long atOpen;
    {
        Counting c;
        m.open();
        atOpen = allocations();
    }
    EXPECT_GT(atOpen, 0) << "the plug table is allocated at open, so counting must see it";

    m.reserveTraffic(1 << 16);
    m.fillBuffer(0, 0.25f);
    {
        Counting c;
        for (int round = 0; round < 20; ++round) {
            m.queueStatus(0, round % 3 == 0 ? PinStatus::Streaming : PinStatus::Static,
                          m.blockStart() + round);
            m.processBlock();
            m.processBlock(17);
            m.callProcess(3, 11);
        }
        atOpen = allocations();
    }
    EXPECT_EQ(atOpen, 0);
}

}  // namespace

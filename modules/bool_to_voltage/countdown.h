// The countdown of samples after which a routine asks the host to sleep.
#pragma once

#include <algorithm>
#include <cstdint>

namespace quorvex {

// Takes `count` samples off `remaining`, saturating instead of wrapping for
// a host that keeps calling after sleep was asked; true once none remain.
inline bool countDown(int32_t& remaining, int32_t count) {
    remaining = int32_t(std::clamp<int64_t>(int64_t(remaining) - count, INT32_MIN, INT32_MAX));
    return remaining <= 0;
}

}  // namespace quorvex

#pragma once

#include <cstdint>
#include <stop_token>

namespace Platform {

// Sleeps Milliseconds unless Stop is requested first, which ends the sleep at once (woken,
// not polled); false when it ended for that.
bool SleepUnlessStopped(std::uint32_t Milliseconds, std::stop_token Stop);

}  // namespace Platform

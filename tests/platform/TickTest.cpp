// Tick: the 32-bit millisecond count follows the monotonic clock.
#include "platform/Tick.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace
{

TEST(Tick, AdvancesWithTheMonotonicClock)
{
    const auto clockStart = std::chrono::steady_clock::now();
    const uint32_t nStart = plat::GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const uint32_t nEnd = plat::GetTickCount();
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - clockStart).count();
    const uint32_t nStep = nEnd - nStart;  // wraps correctly as unsigned
    EXPECT_GE(nStep, 29u);
    EXPECT_LE(nStep, static_cast<uint32_t>(elapsed) + 1);
}

TEST(Tick, IsTheMonotonicMillisecondsTruncated)
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count();
    const uint32_t nTick = plat::GetTickCount();
    EXPECT_LE(static_cast<uint32_t>(nTick - static_cast<uint32_t>(ms)), 5u);
}

}  // namespace

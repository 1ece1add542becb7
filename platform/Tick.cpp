// Tick: monotonic milliseconds.
#include "Tick.h"

#include <chrono>  // steady_clock as the monotonic source

namespace plat
{

uint32_t GetTickCount()
{
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

}  // namespace plat

// Tick: the system tick count.
#pragma once

#include <cstdint>  // uint32_t for the wrapping tick count

namespace plat
{

// Milliseconds from a monotonic clock, truncated to 32 bits: it wraps after about 49.7 days,
// and the difference of two readings taken as uint32_t is right across the wrap.
uint32_t GetTickCount();

}  // namespace plat

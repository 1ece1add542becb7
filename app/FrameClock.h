// FrameClock: the time step of each game frame, from an injectable tick source.
//
// The first reading ever only sets the previous tick. Each Step is then the unsigned 32-bit
// difference between a fresh reading and the previous tick, after which the tick is read again
// and kept as the previous one: the step is measured between the second reading of one frame
// and the first reading of the next, and it is right across the wrap of the tick count.
#pragma once
#include <cstdint>     // uint32_t for tick counts
#include <functional>  // std::function for the tick source

class CFrameClock
{
public:
    using TickSource = std::function<uint32_t()>;  // milliseconds, wrapping at 2^32

    explicit CFrameClock(TickSource tick);  // the game passes plat::GetTickCount
    virtual ~CFrameClock() = default;

    int Step();  // milliseconds since the previous frame; 0 when no tick has passed
    bool HasStarted() const { return m_bStarted; }  // true after the first Step

private:
    TickSource m_tick;         // the clock read
    bool m_bStarted = false;   // whether m_nPrevious holds a reading
    uint32_t m_nPrevious = 0;  // tick read at the end of the previous Step
};

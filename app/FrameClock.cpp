// FrameClock: two readings per step.
#include "app/FrameClock.h"

#include <utility>  // std::move

CFrameClock::CFrameClock(TickSource tick) : m_tick(std::move(tick)) {}

int CFrameClock::Step()
{
    if (!m_bStarted)
    {
        m_nPrevious = m_tick();
        m_bStarted = true;
    }
    const uint32_t nStep = m_tick() - m_nPrevious;
    m_nPrevious = m_tick();
    return static_cast<int>(nStep);
}

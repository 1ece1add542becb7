// FpsAverage: the running average and its text.
#include "app/FpsAverage.h"

#include <cstdio>  // std::snprintf for %g

float CFpsAverage::Update(int nElapsedMs)
{
    if (nElapsedMs > 0) m_fps = static_cast<float>((15.0 * m_fps + 1000.0 / nElapsedMs) / 16.0);
    return m_fps;
}

std::string CFpsAverage::Format(float f)
{
    char sz[32];
    std::snprintf(sz, sizeof sz, "%g", static_cast<double>(f));
    return sz;
}

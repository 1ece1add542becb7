// ShineArt: core, halo and rays of one flare sprite.
#include "tools/artgen/ShineArt.h"

#include "tools/artgen/ValueNoise.h"  // CValueNoise::Hash and Unit for the rays' numbers

#include <algorithm>  // std::clamp
#include <cmath>      // std::exp, std::atan2, std::hypot, std::remainder

namespace
{
constexpr double kPi = 3.141592653589793;

struct SRay
{
    double dAngle;     // direction in radians
    double dWidth;     // angular half-width in radians
    double dLength;    // reach as a fraction of the sprite's radius
    double dStrength;  // brightness at the core
};
}  // namespace

CShineArt::CShineArt(int nSize, int nIndex) : m_nSize(nSize), m_vSamples(static_cast<size_t>(nSize) * nSize)
{
    Paint(nIndex);
}

void CShineArt::Paint(int nIndex)
{
    const uint32_t nSeed = 0x5EED0000u + static_cast<uint32_t>(nIndex);
    auto rnd = [nSeed, n = 0u]() mutable { return CValueNoise::Unit(CValueNoise::Hash(nSeed, n++, 77u)); };

    // Rays: a few long, bright ones and a fan of faint short ones, all turned by a per-sprite twist.
    std::vector<SRay> vRays;
    const double dTwist = rnd() * 2.0 * kPi;
    const int nLong = 6;
    for (int i = 0; i < nLong; i++)
        vRays.push_back({dTwist + i * 2.0 * kPi / nLong + (rnd() - 0.5) * 0.35, 0.010 + 0.012 * rnd(),
                         0.70 + 0.28 * rnd(), 0.55 + 0.45 * rnd()});
    const int nShort = 18;
    for (int i = 0; i < nShort; i++)
        vRays.push_back({rnd() * 2.0 * kPi, 0.006 + 0.010 * rnd(), 0.30 + 0.40 * rnd(), 0.20 + 0.40 * rnd()});

    const double dRadius = m_nSize / 2.0;
    for (int y = 0; y < m_nSize; y++)
        for (int x = 0; x < m_nSize; x++)
        {
            const double dx = (x + 0.5 - dRadius) / dRadius;
            const double dy = (y + 0.5 - dRadius) / dRadius;
            const double r = std::hypot(dx, dy);
            const double dTheta = std::atan2(dy, dx);
            // Core and halo.
            double d = 1.1 * std::exp(-r * r / 0.004) + 0.55 * std::exp(-r * r / 0.03) +
                       0.22 * std::exp(-r * r / 0.15);
            // Rays, thinning with their angle and fading along their length.
            for (const SRay& ray : vRays)
            {
                const double dOff = std::remainder(dTheta - ray.dAngle, 2.0 * kPi);
                const double dAlong = std::clamp(1.0 - r / ray.dLength, 0.0, 1.0);
                if (dAlong <= 0.0) continue;
                const double w = ray.dWidth * (1.0 + 2.0 * r);
                d += ray.dStrength * std::exp(-(dOff * dOff) / (w * w)) * dAlong * dAlong;
            }
            // Everything fades out before the edge of the square.
            const double dEdge = std::clamp((1.0 - r) / 0.15, 0.0, 1.0);
            d *= dEdge * dEdge;
            m_vSamples[static_cast<size_t>(y) * m_nSize + x] =
                static_cast<uint8_t>(std::clamp(d * 255.0 + 0.5, 0.0, 255.0));
        }
}

// ValueNoise: hashed lattice values, quintic interpolation, fractal sums.
#include "tools/artgen/ValueNoise.h"

#include <cmath>  // std::floor, std::fabs

CValueNoise::CValueNoise(uint32_t nSeed) : m_nSeed(nSeed) {}

uint32_t CValueNoise::Hash(uint32_t a, uint32_t b, uint32_t c)
{
    uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + 0x165667B1u) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

double CValueNoise::Unit(uint32_t nHash)
{
    return static_cast<double>(nHash) / 4294967295.0;
}

double CValueNoise::Lattice(int x, int y, int nPeriod, uint32_t nOctave) const
{
    const int px = ((x % nPeriod) + nPeriod) % nPeriod;
    const int py = ((y % nPeriod) + nPeriod) % nPeriod;
    return Unit(Hash(static_cast<uint32_t>(px), static_cast<uint32_t>(py), m_nSeed * 977u + nOctave));
}

double CValueNoise::Noise(double u, double v, int nPeriod, uint32_t nOctave) const
{
    const double x = u * nPeriod;
    const double y = v * nPeriod;
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const auto fade = [](double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); };
    const double sx = fade(x - fx);
    const double sy = fade(y - fy);
    const double a = Lattice(ix, iy, nPeriod, nOctave);
    const double b = Lattice(ix + 1, iy, nPeriod, nOctave);
    const double c = Lattice(ix, iy + 1, nPeriod, nOctave);
    const double d = Lattice(ix + 1, iy + 1, nPeriod, nOctave);
    const double top = a + (b - a) * sx;
    const double bottom = c + (d - c) * sx;
    return top + (bottom - top) * sy;
}

double CValueNoise::Fbm(double u, double v, int nPeriod, int nOctaves) const
{
    double dSum = 0.0, dWeight = 1.0, dTotal = 0.0;
    for (int o = 0; o < nOctaves; o++)
    {
        dSum += dWeight * Noise(u, v, nPeriod << o, static_cast<uint32_t>(o));
        dTotal += dWeight;
        dWeight *= 0.5;
    }
    return dTotal > 0.0 ? dSum / dTotal : 0.0;
}

double CValueNoise::Turbulence(double u, double v, int nPeriod, int nOctaves) const
{
    double dSum = 0.0, dWeight = 1.0, dTotal = 0.0;
    for (int o = 0; o < nOctaves; o++)
    {
        dSum += dWeight * std::fabs(2.0 * Noise(u, v, nPeriod << o, 100u + static_cast<uint32_t>(o)) - 1.0);
        dTotal += dWeight;
        dWeight *= 0.5;
    }
    return dTotal > 0.0 ? dSum / dTotal : 0.0;
}

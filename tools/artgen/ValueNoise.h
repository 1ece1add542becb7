// ValueNoise: deterministic, tileable lattice noise for the generated art.
//
// The lattice values come from an integer hash of the lattice point and a seed, so the same
// seed gives the same picture on every machine. Coordinates are fractions of the picture
// (0 to 1 across); a noise of period P has P lattice cells across the picture and wraps, so
// the pictures made from it tile without seams.
#pragma once
#include <cstdint>  // uint32_t for seeds and hashes

class CValueNoise
{
public:
    explicit CValueNoise(uint32_t nSeed);  // upon exit the noise answers for that seed alone
    virtual ~CValueNoise() = default;

    static uint32_t Hash(uint32_t a, uint32_t b, uint32_t c);  // well-mixed 32 bits of three words
    static double Unit(uint32_t nHash);                        // a hash mapped onto 0 .. 1

    // Smoothly interpolated lattice noise in 0 .. 1 at (u, v), nPeriod cells across; octave
    // numbers give each layer its own lattice.
    double Noise(double u, double v, int nPeriod, uint32_t nOctave = 0) const;
    // Sum of nOctaves layers, each of twice the frequency and half the weight of the one
    // before, scaled back into 0 .. 1.
    double Fbm(double u, double v, int nPeriod, int nOctaves) const;
    // As Fbm with |2 n - 1| layers: the creased turbulence that bends marble veins; 0 .. 1.
    double Turbulence(double u, double v, int nPeriod, int nOctaves) const;

private:
    double Lattice(int x, int y, int nPeriod, uint32_t nOctave) const;  // value at a wrapped lattice point
    uint32_t m_nSeed;                                                   // picture seed
};

// WeldBench: welding a million vertices, and the same weld checked against the plain algorithm
// that compares each vertex with every distinct vector kept so far.
//
// The model is a triangle soup cut from a wavy grid: every corner is its own vertex, displaced
// by less than a tenth of epsilon, so the six or so copies of each grid point weld into one.
// A second set puts points on a lattice of exactly epsilon with tiny noise, where matches sit on
// the edge of the tolerance. Both sets are welded by the library and, on a smaller share, by the
// plain algorithm, and the results must agree to the bit.
#include "model/GlmModel.h"

#include <chrono>   // steady_clock for the timings
#include <cmath>    // sin, cos for the wavy surface
#include <cstdint>  // fixed-width counters
#include <cstdio>   // printf for the report
#include <cstring>  // memcmp for bitwise comparison
#include <ctime>    // clock for processor time
#include <random>   // deterministic jitter
#include <vector>   // vertex arrays

namespace
{

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The plain weld: each vector against every distinct vector kept so far, earliest match first.
std::vector<float> PlainUnique(const std::vector<float>& vectors, std::uint32_t count, float epsilon,
                               std::vector<std::uint32_t>& matches)
{
    std::vector<float> vUnique(3);
    matches.assign(static_cast<std::size_t>(count) + 1, 0);
    std::uint32_t nUnique = 0;
    for (std::uint32_t i = 1; i <= count; i++)
    {
        const float* p = &vectors[3 * static_cast<std::size_t>(i)];
        std::uint32_t nMatch = 0;
        for (std::uint32_t k = 1; k <= nUnique && nMatch == 0; k++)
            if (CGlmModel::_glmWithinEpsilon(p, &vUnique[3 * static_cast<std::size_t>(k)], epsilon))
                nMatch = k;
        if (nMatch == 0)
        {
            vUnique.insert(vUnique.end(), p, p + 3);
            nMatch = ++nUnique;
        }
        matches[i] = nMatch;
    }
    return vUnique;
}

// A triangle soup of a wavy grid: 6 corners per cell, each corner jittered within epsilon / 10.
std::vector<float> WavySoup(std::uint32_t nVertices, float epsilon, std::mt19937& random)
{
    const auto nSide = static_cast<std::uint32_t>(std::sqrt(nVertices / 6.0)) + 1;
    const float fStep = 1.0f / static_cast<float>(nSide);
    std::uniform_real_distribution<float> jitter(-epsilon / 10.0f, epsilon / 10.0f);
    std::vector<float> v(3);
    v.reserve(3 * (static_cast<std::size_t>(nVertices) + 1));
    auto corner = [&](std::uint32_t i, std::uint32_t j)
    {
        const float x = static_cast<float>(i) * fStep, z = static_cast<float>(j) * fStep;
        const float y = 0.1f * std::sin(6.0f * x) * std::cos(5.0f * z);
        v.push_back(x + jitter(random));
        v.push_back(y + jitter(random));
        v.push_back(z + jitter(random));
    };
    for (std::uint32_t i = 0; v.size() / 3 - 1 + 6 <= nVertices; i = (i + 1) % nSide)
        for (std::uint32_t j = 0; j < nSide && v.size() / 3 - 1 + 6 <= nVertices; j++)
        {
            corner(i, j), corner(i + 1, j), corner(i + 1, j + 1);
            corner(i, j), corner(i + 1, j + 1), corner(i, j + 1);
        }
    while (v.size() / 3 - 1 < nVertices)
        v.insert(v.end(), {0.5f, 0.5f, 0.5f});
    return v;
}

// Points on a lattice of spacing epsilon, each moved by a few units in the last place.
std::vector<float> EdgeLattice(std::uint32_t nVertices, float epsilon, std::mt19937& random)
{
    std::uniform_int_distribution<int> cell(0, 20);
    std::uniform_int_distribution<int> ulps(-3, 3);
    std::vector<float> v(3);
    v.reserve(3 * (static_cast<std::size_t>(nVertices) + 1));
    for (std::uint32_t i = 0; i < 3 * nVertices; i++)
    {
        float f = static_cast<float>(cell(random)) * epsilon;
        for (int n = ulps(random); n != 0; n += n > 0 ? -1 : 1)
            f = std::nextafter(f, n > 0 ? 1e9f : -1e9f);
        v.push_back(f);
    }
    return v;
}

bool Same(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// Welds `count` vectors both ways and reports; false when the results differ.
bool Compare(const char* pszName, std::vector<float> vectors, std::uint32_t count, float epsilon)
{
    std::vector<std::uint32_t> vGrid, vPlain;
    auto start = Clock::now();
    const std::vector<float> vGridUnique = CGlmModel::_glmUniqueVectors(vectors, count, epsilon, vGrid);
    const double dGrid = Seconds(start);
    start = Clock::now();
    const std::vector<float> vPlainUnique = PlainUnique(vectors, count, epsilon, vPlain);
    const double dPlain = Seconds(start);
    const bool bSame = Same(vGridUnique, vPlainUnique) && vGrid == vPlain;
    std::printf("%-28s %8u vertices -> %7zu distinct: grid %9.4f s, plain %9.4f s (%.0f times) %s\n", pszName,
                count, vGridUnique.size() / 3 - 1, dGrid, dPlain, dPlain / dGrid,
                bSame ? "identical" : "DIFFERENT");
    return bSame;
}

}  // namespace

int main()
{
    constexpr float fEpsilon = 1e-4f;
    std::mt19937 random(20261206);
    bool bOk = true;

    // The plain weld on shares small enough for its square time, checked against the grid.
    bOk &= Compare("wavy soup", WavySoup(30000, fEpsilon, random), 30000, fEpsilon);
    bOk &= Compare("lattice at the edge", EdgeLattice(20000, fEpsilon, random), 20000, fEpsilon);
    bOk &=
        Compare("lattice, epsilon 2.5 steps", EdgeLattice(20000, fEpsilon, random), 20000, 2.5f * fEpsilon);

    // A million vertices through the model operation.
    constexpr std::uint32_t nMillion = 1000000;
    CGlmModel model;
    model.vertices = WavySoup(nMillion, fEpsilon, random);
    model.numvertices = nMillion;
    model.numtriangles = nMillion / 3;
    model.triangles.resize(model.numtriangles);
    for (std::uint32_t t = 0; t < model.numtriangles; t++)
        for (std::uint32_t c = 0; c < 3; c++)
            model.triangles[t].vindices[c] = 3 * t + c + 1;
    std::fflush(stdout);
    const auto start = Clock::now();
    const std::clock_t cpuStart = std::clock();
    model.glmWeld(fEpsilon);
    const double dCpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const double dWeld = Seconds(start);
    std::printf("glmWeld of %u vertices: %u remain, %.3f s (%.3f s of processor time)\n", nMillion,
                model.numvertices, dWeld, dCpu);

    std::printf(bOk ? "all welds identical to the plain algorithm\n" : "WELD RESULTS DIFFER\n");
    return bOk ? 0 : 1;
}

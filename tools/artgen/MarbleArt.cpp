// MarbleArt: painting the marble and writing it as a BMP.
#include "tools/artgen/MarbleArt.h"

#include "image/Texture.h"            // CTexture::SaveFileBMP writes the picture
#include "tools/artgen/ValueNoise.h"  // CValueNoise for clouds, veins and grain

#include <algorithm>  // std::clamp
#include <cmath>      // std::sin, std::pow, std::fabs

namespace
{
constexpr double kTwoPi = 6.283185307179586;

double Mix(double a, double b, double t)
{
    return a + (b - a) * t;
}
}  // namespace

CMarbleArt::CMarbleArt(int nSize, uint32_t nSeed)
    : m_nSize(nSize), m_vRgb(static_cast<size_t>(nSize) * nSize * 3)
{
    Paint(nSeed);
}

void CMarbleArt::Paint(uint32_t nSeed)
{
    const CValueNoise noise(nSeed);
    const CValueNoise bend(nSeed + 1);
    const CValueNoise grain(nSeed + 2);
    // Stone colours: pale warm white, a cooler grey for the clouds, the veins' green-grey.
    const double base[3] = {238.0, 234.0, 226.0};
    const double cloud[3] = {196.0, 198.0, 196.0};
    const double vein[3] = {62.0, 74.0, 72.0};
    const double thin[3] = {120.0, 126.0, 130.0};
    for (int y = 0; y < m_nSize; y++)
        for (int x = 0; x < m_nSize; x++)
        {
            const double u = (x + 0.5) / m_nSize;
            const double v = (y + 0.5) / m_nSize;
            const double dCloud = noise.Fbm(u, v, 4, 5);
            // Main veins: a diagonal wave, bent hard by turbulence, squeezed into thin dark lines.
            const double dWarp = 8.0 * bend.Fbm(u, v, 2, 4) + 3.0 * bend.Turbulence(u, v, 4, 5);
            const double s1 = std::sin(kTwoPi * (1.0 * u + 2.0 * v) + dWarp);
            const double dSharp =
                6.0 + 24.0 * grain.Fbm(u, v, 2, 2);  // veins thicken and thin along their way
            const double dVein = std::pow(1.0 - std::fabs(s1), dSharp);
            // Softer halo along the same veins, where the stone greys before a vein.
            const double dHalo = std::pow(1.0 - std::fabs(s1), 3.0);
            // Secondary veins across the main ones, finer and fainter.
            const double dWarp2 = 2.0 * noise.Fbm(u, v, 2, 3) + 0.6 * noise.Turbulence(u, v, 4, 3);
            const double s2 = std::sin(kTwoPi * (2.0 * u - 1.0 * v) + 2.5 * dWarp2);
            const double dThin = std::pow(1.0 - std::fabs(s2), 28.0);
            const double dGrain = grain.Noise(u, v, 128) - 0.5;

            uint8_t* p = &m_vRgb[(static_cast<size_t>(y) * m_nSize + x) * 3];
            for (int c = 0; c < 3; c++)
            {
                double d = Mix(base[c], cloud[c], std::clamp((dCloud - 0.35) * 1.6, 0.0, 1.0));
                d = Mix(d, cloud[c] - 20.0, 0.35 * dHalo);
                d = Mix(d, thin[c], 0.55 * dThin);
                d = Mix(d, vein[c], 0.85 * dVein);
                d += 10.0 * dGrain;
                p[c] = static_cast<uint8_t>(std::clamp(d + 0.5, 0.0, 255.0));
            }
        }
}

bool CMarbleArt::SaveBMP(const std::string& strPath) const
{
    CTexture texture;
    if (!texture.Alloc(static_cast<uint32_t>(m_nSize), static_cast<uint32_t>(m_nSize), 24)) return false;
    // The image keeps BMP order: blue, green, red, bottom row first.
    for (int y = 0; y < m_nSize; y++)
        for (int x = 0; x < m_nSize; x++)
        {
            const uint8_t* pRgb = Pixel(x, y);
            unsigned char* pOut =
                texture.GetData() + static_cast<size_t>(texture.GetWidthByte32()) * y + x * 3;
            pOut[0] = pRgb[2];
            pOut[1] = pRgb[1];
            pOut[2] = pRgb[0];
        }
    return texture.SaveFileBMP(strPath.c_str());
}

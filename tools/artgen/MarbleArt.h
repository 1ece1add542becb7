// MarbleArt: the polished marble of the floor tiles and the cubes.
//
// A pale, slightly warm stone with soft clouding, crossed by dark grey-green veins that wander
// under a turbulence field, and a few thin secondary veins across them. The picture tiles
// without seams, so neighbouring tiles and cube faces join smoothly.
#pragma once
#include <cstddef>  // size_t for pixel offsets
#include <cstdint>  // uint8_t, uint32_t for pixels and the seed
#include <string>   // std::string for the file name
#include <vector>   // std::vector for the pixel block

class CMarbleArt
{
public:
    // Upon exit the picture of nSize × nSize pixels (a power of two) is painted from nSeed.
    CMarbleArt(int nSize, uint32_t nSeed);
    virtual ~CMarbleArt() = default;

    int GetSize() const { return m_nSize; }
    // Pixel (x, y) as red, green, blue; y = 0 is the bottom row.
    const uint8_t* Pixel(int x, int y) const { return &m_vRgb[(static_cast<size_t>(y) * m_nSize + x) * 3]; }
    // Writes a 24-bit BMP through the image library; false when it cannot.
    bool SaveBMP(const std::string& strPath) const;

private:
    void Paint(uint32_t nSeed);   // fills m_vRgb
    int m_nSize;                  // edge in pixels
    std::vector<uint8_t> m_vRgb;  // owned, red, green, blue per pixel, bottom row first
};

// IconArt: the program's two icons, written as XPM and PNG files.
//
// The application icon shows a marble cube with a brass key before it; the document icon a
// sheet of paper with a folded corner and a small marble cube on it. Each is painted at any
// size from the same shapes (sampled 4 × 4 times per pixel), reduced to a fixed palette of at
// most 16 colours, with transparency, for the XPM (also C source: the game compiles it in), and
// kept smooth, with partial transparency at the edges, for the PNG of the desktop's icon theme.
#pragma once
#include <cstddef>  // size_t for pixel offsets
#include <cstdint>  // uint8_t for palette indices
#include <string>   // std::string for names and text
#include <vector>   // std::vector for the pixel indices

class CIconArt
{
public:
    enum EKind
    {
        kApplication,  // the cube and the key
        kDocument,     // the sheet with a cube
    };
    static constexpr uint8_t s_nTransparent = 0;  // palette index of the transparent colour
    static constexpr int s_nPaletteSize = 12;     // colours in the palette, transparency included

    CIconArt(EKind kind, int nSize);  // upon exit the icon is painted
    virtual ~CIconArt() = default;

    int GetSize() const { return m_nSize; }
    uint8_t At(int x, int y) const
    {
        return m_vIndex[static_cast<size_t>(y) * m_nSize + x];
    }                                                  // y = 0 at the top
    static const uint8_t* PaletteRgb(uint8_t nIndex);  // red, green, blue of a palette entry
    // The XPM text, declaring `static const char* const <strName>[]`.
    std::string ToXpm(const std::string& strName) const;
    bool SaveXpm(const std::string& strPath, const std::string& strName) const;  // false on a write failure
    // The PNG file's bytes: 8-bit RGBA, not interlaced, its image data in stored deflate blocks.
    std::vector<uint8_t> ToPng() const;
    bool SavePng(const std::string& strPath) const;  // false on a write failure

private:
    void Paint(EKind kind);
    int m_nSize;                    // edge in pixels
    std::vector<uint8_t> m_vIndex;  // owned, palette index per pixel, top row first
    std::vector<uint8_t> m_vRgba;   // owned, red, green, blue, alpha per pixel, top row first
};

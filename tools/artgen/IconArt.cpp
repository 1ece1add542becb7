// IconArt: shapes, sampling, palette reduction, the XPM text and the PNG file.
#include "tools/artgen/IconArt.h"

#include <algorithm>  // std::min for the deflate block length
#include <array>      // std::array for colours and polygons
#include <cmath>      // std::hypot, std::sin, std::lround
#include <cstdio>     // std::snprintf
#include <fstream>    // std::ofstream for the file

namespace
{
using Rgba = std::array<double, 4>;
struct SPoint
{
    double x, y;
};

// The palette: transparency, then the colours that the shapes use.
constexpr uint8_t kPalette[CIconArt::s_nPaletteSize][3] = {
    {0, 0, 0},        // transparent
    {24, 24, 28},     // outline
    {240, 237, 230},  // marble, lit face
    {196, 197, 193},  // marble, side face
    {140, 146, 144},  // marble, shadowed face
    {70, 82, 80},     // marble vein
    {232, 184, 60},   // brass
    {150, 105, 24},   // dark brass
    {255, 255, 255},  // paper
    {170, 170, 176},  // paper fold
    {60, 190, 80},    // mark green
    {104, 110, 108},  // vein on the shadowed face
};
constexpr char kCodes[] = " .abcdefghij";

Rgba Colour(int n)
{
    return {kPalette[n][0] / 255.0, kPalette[n][1] / 255.0, kPalette[n][2] / 255.0, 1.0};
}

bool InPolygon(const SPoint* p, int n, double x, double y)
{
    bool bIn = false;
    for (int i = 0, j = n - 1; i < n; j = i++)
        if ((p[i].y > y) != (p[j].y > y) && x < (p[j].x - p[i].x) * (y - p[i].y) / (p[j].y - p[i].y) + p[i].x)
            bIn = !bIn;
    return bIn;
}

double SegmentDistance(SPoint a, SPoint b, double x, double y)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    double t = ((x - a.x) * dx + (y - a.y) * dy) / (dx * dx + dy * dy);
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    return std::hypot(x - (a.x + t * dx), y - (a.y + t * dy));
}

// The colour of a marble cube centred at (cx, cy) with half-height s at (x, y), or alpha 0.
Rgba Cube(double cx, double cy, double s, double x, double y, double dLine)
{
    const double w = s * 0.866;
    const SPoint top[4] = {{cx, cy - s}, {cx + w, cy - s / 2}, {cx, cy}, {cx - w, cy - s / 2}};
    const SPoint left[4] = {{cx - w, cy - s / 2}, {cx, cy}, {cx, cy + s}, {cx - w, cy + s / 2}};
    const SPoint right[4] = {{cx, cy}, {cx + w, cy - s / 2}, {cx + w, cy + s / 2}, {cx, cy + s}};
    const SPoint* faces[3] = {top, left, right};
    for (const SPoint* face : faces)
        for (int i = 0; i < 4; i++)
            if (SegmentDistance(face[i], face[(i + 1) % 4], x, y) < dLine &&
                (InPolygon(top, 4, x, y) || InPolygon(left, 4, x, y) || InPolygon(right, 4, x, y) ||
                 SegmentDistance(face[i], face[(i + 1) % 4], x, y) < dLine * 0.7))
                return Colour(1);
    // Veins: a wavy line across each face.
    const double dVein = std::sin((x - cx) / s * 5.0 + (y - cy) / s * 3.0) * 0.08 * s;
    if (InPolygon(top, 4, x, y))
        return std::fabs((y - cy + s * 0.5) + 0.35 * (x - cx) - dVein) < dLine * 0.6 ? Colour(5) : Colour(2);
    if (InPolygon(left, 4, x, y))
        return std::fabs((x - cx + w * 0.45) - 0.3 * (y - cy) + dVein) < dLine * 0.5 ? Colour(5) : Colour(3);
    if (InPolygon(right, 4, x, y))
        return std::fabs((y - cy - s * 0.35) - 0.4 * (x - cx) + dVein) < dLine * 0.5 ? Colour(11) : Colour(4);
    return {0, 0, 0, 0};
}

// A brass key lying across, bow at the right, teeth pointing down at the left.
Rgba Key(double x, double y, double dLine)
{
    const double rx = 0.80, ry = 0.80, r = 0.12;
    const double d = std::hypot(x - rx, y - ry);
    if (d < r + dLine * 0.6 && d > r - 0.075 - dLine * 0.6)
        return (d > r - dLine * 0.4 || d < r - 0.075 + dLine * 0.4) ? Colour(7) : Colour(6);
    const bool bShaft = x > 0.18 && x < rx - r + 0.02 && y > ry - 0.035 && y < ry + 0.035;
    const bool bTooth1 = x > 0.18 && x < 0.25 && y >= ry && y < ry + 0.14;
    const bool bTooth2 = x > 0.30 && x < 0.36 && y >= ry && y < ry + 0.10;
    if (bShaft || bTooth1 || bTooth2)
    {
        const bool bEdge = y < ry - 0.035 + dLine * 0.5 || x < 0.18 + dLine * 0.5;
        return bEdge ? Colour(7) : Colour(6);
    }
    return {0, 0, 0, 0};
}

Rgba Sheet(double x, double y, double dLine)
{
    const double x0 = 0.16, x1 = 0.84, y0 = 0.06, y1 = 0.94, f = 0.22;
    const SPoint page[5] = {{x0, y0}, {x1 - f, y0}, {x1, y0 + f}, {x1, y1}, {x0, y1}};
    const SPoint fold[3] = {{x1 - f, y0}, {x1 - f, y0 + f}, {x1, y0 + f}};
    for (int i = 0; i < 5; i++)
        if (SegmentDistance(page[i], page[(i + 1) % 5], x, y) < dLine * 0.6) return Colour(1);
    if (InPolygon(fold, 3, x, y)) return Colour(9);
    if (InPolygon(page, 5, x, y)) return Colour(8);
    return {0, 0, 0, 0};
}

Rgba Over(const Rgba& top, const Rgba& bottom)
{
    return top[3] > 0.0 ? top : bottom;
}

// PNG pieces: big-endian numbers, chunks closed by their CRC-32, and a zlib stream of stored
// (uncompressed) deflate blocks closed by its Adler-32.
void PutBig(std::vector<uint8_t>& v, uint32_t n)
{
    for (int nShift = 24; nShift >= 0; nShift -= 8)
        v.push_back(static_cast<uint8_t>(n >> nShift));
}

uint32_t Crc32(const uint8_t* p, size_t n)
{
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; i++)
    {
        c ^= p[i];
        for (int k = 0; k < 8; k++)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

void PutChunk(std::vector<uint8_t>& v, const char* pszType, const std::vector<uint8_t>& vData)
{
    PutBig(v, static_cast<uint32_t>(vData.size()));
    const size_t nStart = v.size();  // the CRC covers the type and the data
    v.insert(v.end(), pszType, pszType + 4);
    v.insert(v.end(), vData.begin(), vData.end());
    PutBig(v, Crc32(v.data() + nStart, v.size() - nStart));
}

std::vector<uint8_t> ZlibStored(const std::vector<uint8_t>& vRaw)
{
    std::vector<uint8_t> v = {0x78, 0x01};  // deflate, 32 KiB window, no dictionary
    size_t nPos = 0;
    do
    {
        const size_t nLen = std::min<size_t>(65535, vRaw.size() - nPos);
        v.push_back(nPos + nLen == vRaw.size() ? 1 : 0);  // final block flag, block type 0
        v.push_back(static_cast<uint8_t>(nLen));
        v.push_back(static_cast<uint8_t>(nLen >> 8));
        v.push_back(static_cast<uint8_t>(~nLen));
        v.push_back(static_cast<uint8_t>(~nLen >> 8));
        v.insert(v.end(), vRaw.begin() + static_cast<std::ptrdiff_t>(nPos),
                 vRaw.begin() + static_cast<std::ptrdiff_t>(nPos + nLen));
        nPos += nLen;
    } while (nPos < vRaw.size());
    uint32_t a = 1, b = 0;
    for (const uint8_t n : vRaw)
    {
        a = (a + n) % 65521;
        b = (b + a) % 65521;
    }
    PutBig(v, (b << 16) | a);
    return v;
}
}  // namespace

CIconArt::CIconArt(EKind kind, int nSize)
    : m_nSize(nSize),
      m_vIndex(static_cast<size_t>(nSize) * nSize),
      m_vRgba(static_cast<size_t>(nSize) * nSize * 4)
{
    Paint(kind);
}

const uint8_t* CIconArt::PaletteRgb(uint8_t nIndex)
{
    return kPalette[nIndex < s_nPaletteSize ? nIndex : 0];
}

void CIconArt::Paint(EKind kind)
{
    const double dLine = 1.1 / m_nSize;  // outlines about one pixel wide at any size
    const int nSub = 4;
    for (int py = 0; py < m_nSize; py++)
        for (int px = 0; px < m_nSize; px++)
        {
            Rgba sum = {0, 0, 0, 0};
            for (int sy = 0; sy < nSub; sy++)
                for (int sx = 0; sx < nSub; sx++)
                {
                    const double x = (px + (sx + 0.5) / nSub) / m_nSize;
                    const double y = (py + (sy + 0.5) / nSub) / m_nSize;
                    Rgba c = kind == kApplication
                                 ? Over(Key(x, y, dLine), Cube(0.48, 0.42, 0.36, x, y, dLine))
                                 : Over(Cube(0.48, 0.56, 0.25, x, y, dLine), Sheet(x, y, dLine));
                    for (int i = 0; i < 3; i++)
                        sum[i] += c[i] * c[3];
                    sum[3] += c[3];
                }
            uint8_t* pRgba = &m_vRgba[(static_cast<size_t>(py) * m_nSize + px) * 4];
            for (int i = 0; i < 3 && sum[3] > 0.0; i++)
                pRgba[i] = static_cast<uint8_t>(std::lround(sum[i] / sum[3] * 255.0));
            pRgba[3] = static_cast<uint8_t>(std::lround(sum[3] / (nSub * nSub) * 255.0));
            uint8_t nBest = s_nTransparent;
            if (sum[3] >= nSub * nSub * 0.5)
            {
                double dBest = 1e9;
                for (uint8_t n = 1; n < s_nPaletteSize; n++)
                {
                    double d = 0.0;
                    for (int i = 0; i < 3; i++)
                    {
                        const double e = sum[i] / sum[3] * 255.0 - kPalette[n][i];
                        d += e * e;
                    }
                    if (d < dBest)
                    {
                        dBest = d;
                        nBest = n;
                    }
                }
            }
            m_vIndex[static_cast<size_t>(py) * m_nSize + px] = nBest;
        }
}

std::string CIconArt::ToXpm(const std::string& strName) const
{
    std::string s = "/* XPM */\nstatic const char* const " + strName + "[] = {\n";
    char line[64];
    std::snprintf(line, sizeof line, "\"%d %d %d 1\",\n", m_nSize, m_nSize, s_nPaletteSize);
    s += line;
    s += "\"  c None\",\n";
    for (int n = 1; n < s_nPaletteSize; n++)
    {
        std::snprintf(line, sizeof line, "\"%c c #%02X%02X%02X\",\n", kCodes[n], kPalette[n][0],
                      kPalette[n][1], kPalette[n][2]);
        s += line;
    }
    for (int y = 0; y < m_nSize; y++)
    {
        s += '"';
        for (int x = 0; x < m_nSize; x++)
            s += kCodes[At(x, y)];
        s += y + 1 < m_nSize ? "\",\n" : "\"\n";
    }
    s += "};\n";
    return s;
}

bool CIconArt::SaveXpm(const std::string& strPath, const std::string& strName) const
{
    std::ofstream out(strPath, std::ios::trunc);
    out << ToXpm(strName);
    return static_cast<bool>(out);
}

std::vector<uint8_t> CIconArt::ToPng() const
{
    std::vector<uint8_t> vHeader;
    PutBig(vHeader, static_cast<uint32_t>(m_nSize));
    PutBig(vHeader, static_cast<uint32_t>(m_nSize));
    vHeader.insert(vHeader.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, filters, no interlace
    std::vector<uint8_t> vRaw;
    const size_t nRow = static_cast<size_t>(m_nSize) * 4;
    for (size_t y = 0; y < static_cast<size_t>(m_nSize); y++)
    {
        vRaw.push_back(0);  // the row's filter: none
        vRaw.insert(vRaw.end(), m_vRgba.begin() + static_cast<std::ptrdiff_t>(y * nRow),
                    m_vRgba.begin() + static_cast<std::ptrdiff_t>((y + 1) * nRow));
    }
    std::vector<uint8_t> v = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(v, "IHDR", vHeader);
    PutChunk(v, "IDAT", ZlibStored(vRaw));
    PutChunk(v, "IEND", {});
    return v;
}

bool CIconArt::SavePng(const std::string& strPath) const
{
    const std::vector<uint8_t> v = ToPng();
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(v.data()), static_cast<std::streamsize>(v.size()));
    return static_cast<bool>(out);
}

// TextureOps: the in-place pixel operations of CTexture and its display on a device context.
#include "image/Texture.h"

#include "image/DeviceContext.h"   // CDeviceContext, the surface of Draw
#include "platform/Diagnostics.h"  // plat::Trace, plat::MessageBox
#include <cstring>                 // std::memcpy for whole pixels

bool CTexture::SwapRedBlue()
{
    if (!IsValid()) return false;
    const uint32_t b = depth / 8;
    for (int32_t y = 0; y < height; ++y)
    {
        unsigned char* pRow = data.get() + size_t(widthbyte32) * size_t(y);
        for (int32_t x = 0; x < width; ++x)
        {
            unsigned char* p = pRow + size_t(x) * b;
            const unsigned char c = p[0];
            p[0] = p[2];
            p[2] = c;
        }
    }
    return true;
}

bool CTexture::SameSize(const CTexture& other) const
{
    return width == other.width && height == other.height;
}

bool CTexture::SetAlpha(unsigned char nAlpha)
{
    if (!IsValid() || depth != 32) return false;
    for (int32_t y = 0; y < height; ++y)
    {
        unsigned char* pRow = data.get() + size_t(widthbyte32) * size_t(y);
        for (int32_t x = 0; x < width; ++x)
            pRow[size_t(x) * 4 + 3] = nAlpha;
    }
    return true;
}

bool CTexture::AddAlphaLayer(unsigned char nAlpha)
{
    if (!IsValid()) return false;
    if (HasAlpha()) return SetAlpha(nAlpha);

    size_t nBytes = 0;
    std::unique_ptr<unsigned char[]> pNew;
    if (BlockSize(uint64_t(width), uint64_t(height), 32, &nBytes)) pNew = NewBlock(nBytes);
    if (!pNew)
    {
        plat::MessageBox("CTexture::AddAlphaLayer : insuffisant memory");
        return false;
    }
    // Old pixels are addressed through their padded rows, new rows have no fill.
    const uint32_t b = depth / 8;
    unsigned char* pOut = pNew.get();
    for (int32_t y = 0; y < height; ++y)
    {
        const unsigned char* pIn = data.get() + size_t(widthbyte32) * size_t(y);
        for (int32_t x = 0; x < width; ++x, pIn += b, pOut += 4)
        {
            std::memcpy(pOut, pIn, 3);
            pOut[3] = nAlpha;
        }
    }
    ReplaceBlock(std::move(pNew), width, height, 32);
    return true;
}

bool CTexture::AddAlphaFromMask(const CTexture& mask)
{
    if (!IsValid() || !mask.IsValid() || !SameSize(mask)) return false;
    if (!AddAlphaLayer(0)) return false;
    const uint32_t b = mask.depth / 8;
    for (int32_t y = 0; y < height; ++y)
    {
        unsigned char* pRow = data.get() + size_t(widthbyte32) * size_t(y);
        const unsigned char* m = mask.data.get() + size_t(mask.widthbyte32) * size_t(y);
        for (int32_t x = 0; x < width; ++x, m += b)
            pRow[size_t(x) * 4 + 3] = (unsigned char)((m[0] + m[1] + m[2]) / 3);
    }
    return true;
}

bool CTexture::Extract(int x1, int y1, int x2, int y2)
{
    if (!IsValid()) return false;
    if (x2 == -1) x2 = width - 1;
    if (y2 == -1) y2 = height - 1;
    if (x1 >= x2 || y1 >= y2 || x1 < 0 || x2 >= width || y1 < 0 || y2 >= height) return false;

    const int32_t w = x2 - x1 + 1;
    const int32_t h = y2 - y1 + 1;
    const uint32_t b = depth / 8;
    plat::Trace("Start extracting...\n");
    plat::Trace("New width : %d\n", w);
    plat::Trace("New height : %d\n", h);

    size_t nBytes = 0;
    std::unique_ptr<unsigned char[]> pNew;
    if (BlockSize(uint64_t(w), uint64_t(h), depth, &nBytes)) pNew = NewBlock(nBytes);
    if (!pNew)
    {
        plat::MessageBox("Insuffisant memeory");
        return false;
    }
    // Row y1 of the rectangle, counted from the last row of the block, becomes row 0.
    const uint32_t s = ComputeWidthByte32(uint32_t(w), depth);
    const size_t nRow = size_t(w) * b;
    for (int32_t j = 0; j < h; ++j)
    {
        const unsigned char* pIn =
            data.get() + size_t(widthbyte32) * size_t(height - 1 - (y1 + j)) + size_t(x1) * b;
        std::memcpy(pNew.get() + size_t(s) * size_t(j), pIn, nRow);
    }
    ReplaceBlock(std::move(pNew), w, h, depth);
    return true;
}

bool CTexture::Mirror(bool bVertical)
{
    const int32_t w = width;
    const int32_t h = height;
    const uint32_t b = depth / 8;
    const int64_t nNewWidth = 2 * int64_t(w);
    const int64_t nNewHeight = bVertical ? 2 * int64_t(h) : int64_t(h);
    const uint32_t s = ComputeWidthByte32(uint32_t(nNewWidth), depth);
    plat::Trace("Start duplicate mirror...\n");
    plat::Trace("New width : %d\n", int(nNewWidth));
    plat::Trace("New widthbyte32 : %d\n", int(s));
    plat::Trace("New height : %d\n", int(nNewHeight));

    size_t nBytes = 0;
    std::unique_ptr<unsigned char[]> pNew;
    if (nNewWidth <= INT32_MAX && nNewHeight <= INT32_MAX &&
        BlockSize(uint64_t(nNewWidth), uint64_t(nNewHeight), depth, &nBytes))
        pNew = NewBlock(nBytes);
    if (!pNew)
    {
        plat::MessageBox("Insuffisant memeory");
        return false;
    }
    // Row j takes row h − 1 − j of the crop in the lower half and row j − h in the upper one;
    // each row is followed by its mirror image.
    for (int64_t j = 0; j < nNewHeight; ++j)
    {
        const int64_t r = j < h ? h - 1 - j : j - h;
        const unsigned char* pIn = data.get() + size_t(widthbyte32) * size_t(r);
        unsigned char* pOut = pNew.get() + size_t(s) * size_t(j);
        std::memcpy(pOut, pIn, size_t(w) * b);
        for (int32_t i = 0; i < w; ++i)
            std::memcpy(pOut + size_t(2 * int64_t(w) - 1 - i) * b, pIn + size_t(i) * b, b);
    }
    ReplaceBlock(std::move(pNew), int32_t(nNewWidth), int32_t(nNewHeight), depth);
    return true;
}

bool CTexture::DuplicateMirror(int x1, int y1, int x2, int y2)
{
    return Extract(x1, y1, x2, y2) && Mirror(true);
}

bool CTexture::DuplicateMirrorHorizontal(int x1, int y1, int x2, int y2)
{
    return Extract(x1, y1, x2, y2) && Mirror(false);
}

int CTexture::NextPowerOfTwo(int n)
{
    if (n <= 0 || n > (1 << 30)) return n;
    int nPower = 2;
    while (nPower < n)
        nPower <<= 1;
    return nPower;
}

int CTexture::PrevPowerOfTwo(int n)
{
    if (n <= 0) return n;
    int64_t nPower = 2;
    while (nPower < n)
        nPower <<= 1;
    return int(nPower / 2);
}

int CTexture::Draw(CDeviceContext& dc, int x, int y, int nWidth, int nHeight) const
{
    if (!IsValid()) return 0;
    const unsigned w = unsigned(nWidth < 0 ? width : nWidth);
    const unsigned h = unsigned(nHeight < 0 ? height : nHeight);
    return dc.SetDIBitsToDevice(x, y, w, h, 0, 0, 0, unsigned(height), data.get(), infoHeader);
}

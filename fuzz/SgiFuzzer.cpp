// SgiFuzzer: the SGI reader on arbitrary files.
//
// The input is the whole file. The target opens it, asks for the first rows of the first
// channels and for rows just outside the image, and reads single-channel images whole. Every
// row the reader delivers is compared with a plain decoding written here from the file layout
// (big-endian header, verbatim rows one after the other, or run-length rows found through the
// two row tables); every image read whole must equal its rows.
#include "FuzzSupport.h"

#include "image/Sgi.h"  // the reader under test

#include <algorithm>  // std::min for the rows visited
#include <cstddef>    // size_t for sizes
#include <cstdint>    // fixed-width header fields
#include <cstring>    // std::memcmp for row comparisons
#include <string>     // std::string for paths
#include <vector>     // std::vector for rows

namespace
{

constexpr int kMaxRowsVisited = 64;     // rows per channel asked for one by one
constexpr int kMaxChannelsVisited = 4;  // channels asked for
constexpr size_t kWideRow = 4096;       // wider rows: only the first row of the first channel
constexpr uint64_t kMaxWholeSamples = uint64_t(1) << 20;  // largest image read whole

uint32_t Get16(const uint8_t* p)
{
    return uint32_t(p[0]) << 8 | p[1];
}
uint32_t Get32(const uint8_t* p)
{
    return Get16(p) << 16 | Get16(p + 2);
}

// The reference decoding of one row; bytes the file lacks are 0.
class CReference
{
public:
    CReference(const uint8_t* pData, size_t nSize) : m_pData(pData), m_nSize(nSize)
    {
        uint8_t header[12] = {};
        std::memcpy(header, pData, std::min(nSize, sizeof header));
        m_bRle = (Get16(header + 2) >> 8) == 1;
        m_nX = Get16(header + 6);
        m_nY = Get16(header + 8);
        m_nZ = Get16(header + 10);
    }

    std::vector<uint8_t> Row(int y, int z) const
    {
        std::vector<uint8_t> row(m_nX, 0);
        if (!m_bRle)
        {
            const uint64_t nAt = 512 + uint64_t(y) * m_nX + uint64_t(z) * m_nX * m_nY;
            for (size_t x = 0; x < m_nX; ++x)
                row[x] = Byte(nAt + x);
            return row;
        }
        const uint64_t nEntry = uint64_t(y) + uint64_t(z) * m_nY;
        const uint64_t nStart = Word(512 + 4 * nEntry);
        const uint64_t nLength = Word(512 + 4 * (uint64_t(m_nY) * m_nZ + nEntry));
        size_t nOut = 0;
        for (uint64_t nIn = 0; nIn < nLength;)
        {
            const uint8_t b = Byte(nStart + nIn++);
            const size_t nCount = b & 0x7F;
            if (nCount == 0) break;
            for (size_t i = 0; i < nCount && nOut < m_nX; ++i)
                row[nOut++] = (b & 0x80) ? Byte(nStart + nIn + i) : Byte(nStart + nIn);
            nIn += (b & 0x80) ? nCount : 1;
        }
        return row;
    }

    size_t Width() const { return m_nX; }

private:
    uint8_t Byte(uint64_t n) const { return n < m_nSize ? m_pData[n] : 0; }
    uint32_t Word(uint64_t n) const
    {
        const uint8_t b[4] = {Byte(n), Byte(n + 1), Byte(n + 2), Byte(n + 3)};
        return Get32(b);
    }

    const uint8_t* m_pData;               // the file, not owned
    size_t m_nSize;                       // bytes in the file
    bool m_bRle = false;                  // run-length rows
    size_t m_nX = 0, m_nY = 0, m_nZ = 0;  // samples per row, rows, channels
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    cubatro::fuzz::InitializeTarget();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const std::string path = cubatro::fuzz::WriteScratchFile(
        "image.bw", std::string_view(reinterpret_cast<const char*>(pData), nSize));
    const CReference reference(pData, nSize);

    SgiImagePtr pImage(SgiOpen(path));
    if (!pImage) cubatro::fuzz::Finding("SGI: the open record is null");
    if (pImage->xsize != reference.Width()) cubatro::fuzz::Finding("SGI: xsize differs from the header");
    const int nRows = pImage->ysize, nChannels = pImage->zsize;
    std::vector<uint8_t> row(size_t(pImage->xsize) + 1, 0xA5);
    const bool bWide = reference.Width() > kWideRow;
    for (int z = -1; z <= std::min(nChannels, bWide ? 1 : kMaxChannelsVisited); ++z)
        for (int y = -1; y <= std::min(nRows, bWide ? 1 : kMaxRowsVisited); ++y)
        {
            const bool bInside = y >= 0 && y < nRows && z >= 0 && z < nChannels;
            row.back() = 0xA5;
            const bool bDelivered = SgiGetRow(pImage.get(), row.data(), y, z);
            if (row.back() != 0xA5) cubatro::fuzz::Finding("SGI: SgiGetRow wrote past xsize");
            if (bDelivered && !bInside) cubatro::fuzz::Finding("SGI: a row outside the image was delivered");
            if (bDelivered && reference.Width() &&
                std::memcmp(row.data(), reference.Row(y, z).data(), reference.Width()) != 0)
                cubatro::fuzz::Finding("SGI: a delivered row differs from the reference decoding");
            if (!bDelivered)
                for (size_t x = 0; x < reference.Width(); ++x)
                    if (row[x] != 0) cubatro::fuzz::Finding("SGI: a refused row is not all 0");
        }

    if (nChannels == 1 && !bWide && uint64_t(pImage->xsize) * uint64_t(nRows) <= kMaxWholeSamples)
    {
        int nWidth = -1, nHeight = -1, nDepth = -1;
        SgiPixels pPixels(SgiReadLuminance(path, nWidth, nHeight, nDepth));
        if (pPixels)
        {
            if (nWidth != pImage->xsize || nHeight != nRows || nDepth != 1)
                cubatro::fuzz::Finding("SGI: SgiReadLuminance gave the wrong size");
            for (int y = 0; y < nRows; ++y)
                if (std::memcmp(pPixels.get() + size_t(y) * size_t(nWidth), reference.Row(y, 0).data(),
                                size_t(nWidth)) != 0)
                    cubatro::fuzz::Finding("SGI: a row read whole differs from the reference decoding");
        }
        else if (nWidth != -1 || nHeight != -1 || nDepth != -1)
            cubatro::fuzz::Finding("SGI: a refused image changed the out values");
    }
    return 0;
}

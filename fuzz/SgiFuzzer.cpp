// SgiFuzzer: the SGI reader on arbitrary files.
//
// The input is the whole file. The target opens it and asks for the first rows of the first
// channels and for rows just outside the image: no row may be written past xsize, a row outside
// the image or of a faulty record must be refused, and a refused row must be all 0. A
// single-channel image is also read whole: what SgiReadLuminance gives must have the header's
// size and equal the rows SgiGetRow delivers, and a refusal must leave the out values alone.
#include "FuzzSupport.h"

#include "image/Sgi.h"  // the reader under test

#include <algorithm>  // std::min, std::all_of for the rows visited
#include <cstddef>    // size_t for sizes
#include <cstdint>    // fixed-width header fields
#include <cstring>    // std::memcmp for row comparisons
#include <string>     // std::string for the path
#include <vector>     // std::vector for rows

using cubatro::fuzz::Finding;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const std::string path =
        cubatro::fuzz::WriteScratchFile("image.bw", std::string_view(reinterpret_cast<const char*>(pData), nSize));
    SgiImagePtr pImage(SgiOpen(path));
    if (!pImage) Finding("SGI: the open record is null");
    // The header is big-endian; bytes a short file lacks read as 0.
    if (pImage->xsize != ((nSize > 6 ? pData[6] << 8 : 0) | (nSize > 7 ? pData[7] : 0)))
        Finding("SGI: xsize differs from the header");
    const int nX = pImage->xsize, nY = pImage->ysize, nZ = pImage->zsize;

    // Rows wider than 4096 samples: only the first row of the first channel.
    const int nLastY = std::min(nY, nX > 4096 ? 1 : 64), nLastZ = std::min(nZ, nX > 4096 ? 1 : 4);
    std::vector<uint8_t> row(size_t(nX) + 1);
    for (int z = -1; z <= nLastZ; ++z)
        for (int y = -1; y <= nLastY; ++y)
        {
            std::fill(row.begin(), row.end(), 0xA5);
            const bool bDelivered = SgiGetRow(pImage.get(), row.data(), y, z);
            if (row.back() != 0xA5) Finding("SGI: SgiGetRow wrote past xsize");
            if (bDelivered && (y < 0 || y >= nY || z < 0 || z >= nZ || !pImage->fault.empty()))
                Finding("SGI: a row outside the image or of a faulty record was delivered");
            if (!bDelivered && !std::all_of(row.begin(), row.end() - 1, [](uint8_t b) { return b == 0; }))
                Finding("SGI: a refused row is not all 0");
        }

    if (nZ != 1 || int64_t(nX) * nY > (1 << 20)) return 0;
    int nWidth = -1, nHeight = -1, nChannels = -1;
    const SgiPixels pPixels(SgiReadLuminance(path, nWidth, nHeight, nChannels));
    if (!pPixels)
    {
        if (nWidth != -1 || nHeight != -1 || nChannels != -1) Finding("SGI: a refused image changed the out values");
        return 0;
    }
    if (nWidth != nX || nHeight != nY || nChannels != 1) Finding("SGI: SgiReadLuminance gave the wrong size");
    for (int y = 0; y < nY; ++y)
        if (!SgiGetRow(pImage.get(), row.data(), y, 0) ||
            std::memcmp(row.data(), pPixels.get() + size_t(y) * size_t(nX), size_t(nX)) != 0)
            Finding("SGI: a row read whole differs from the row SgiGetRow delivers");
    return 0;
}

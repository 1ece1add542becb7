// RawFuzzer: the RAW reader of CTexture on arbitrary files and sizes.
//
// The first six bytes of the input choose what the reader is told; the rest is the file:
//   bytes 0-1  width - 1 (little-endian, 12 bits; bit 15 set: the width is -(value + 1), or 0
//              when bit 14 is set too)
//   bytes 2-3  height - 1 (likewise)
//   byte 4     bit 0: depth 32 instead of 24; bit 7: the byte itself is the depth
//   byte 5     the alpha of the alpha layer added after a successful read
// The read must succeed exactly for a positive size of depth 24 or 32, and a refusal must leave
// the image empty. An image read must have the size it was told with rows padded to four bytes,
// and SaveFileRAW must write back the file's packed rows: its first bytes, zeros for what it
// lacks. An alpha layer and a mirrored crop must keep the image valid.
#include "FuzzSupport.h"

#include "image/Texture.h"  // CTexture, the reader under test

#include <cstddef>   // size_t for sizes
#include <cstdint>   // uint8_t input bytes
#include <fstream>   // std::ifstream to read the written file back
#include <iterator>  // std::istreambuf_iterator for the whole file
#include <string>    // std::string for paths and bytes

using cubatro::fuzz::Finding;

namespace
{

int Dimension(const uint8_t* p)
{
    const int n = int(p[0] | (p[1] & 0x0F) << 8) + 1;
    return (p[1] & 0x80) ? ((p[1] & 0x40) ? 0 : -n) : n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize < 6) return -1;
    const int nWidth = Dimension(pData), nHeight = Dimension(pData + 2);
    const int nDepth = (pData[4] & 0x80) ? int(pData[4]) : (pData[4] & 1) ? 32 : 24;
    if (nWidth > 0 && nHeight > 0 && int64_t(nWidth) * nHeight > (1 << 18)) return -1;  // keeps runs quick

    const std::string_view file(reinterpret_cast<const char*>(pData + 6), nSize - 6);
    CTexture image;
    const bool bRead = image.ReadFile(cubatro::fuzz::WriteScratchFile("image.RAW", file), nWidth, nHeight, nDepth);
    if (bRead != (nWidth > 0 && nHeight > 0 && (nDepth == 24 || nDepth == 32)))
        Finding("RAW: the reader's answer does not follow the size given");
    if (!bRead)
    {
        if (image.GetData() || image.GetWidth() || image.GetHeight() || image.GetDepth())
            Finding("RAW: a refused image is not empty");
        return 0;
    }
    const uint32_t nRow = image.GetWidthByte32(), nPacked = uint32_t(nWidth * nDepth / 8);
    if (image.GetWidth() != nWidth || image.GetHeight() != nHeight || int(image.GetDepth()) != nDepth ||
        !image.GetData() || nRow % 4 != 0 || nRow < nPacked || nRow >= nPacked + 4)
        Finding("RAW: the block does not have the size given");

    std::string rows(file.substr(0, size_t(nPacked) * size_t(nHeight)));
    rows.resize(size_t(nPacked) * size_t(nHeight), '\0');
    const std::string again = cubatro::fuzz::ScratchDir() + "/again.raw";
    if (!image.SaveFile(again.c_str())) Finding("RAW: an image read cannot be written");
    std::ifstream in(again, std::ios::binary);
    if (std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()) != rows)
        Finding("RAW: the file written differs from the packed rows read");

    if (!image.AddAlphaLayer(pData[5]) || image.GetDepth() != 32 || !image.IsValid())
        Finding("RAW: an alpha layer did not make a valid 32-bit image");
    if (image.DuplicateMirrorHorizontal(0, 0, int(int8_t(pData[5])), -1) && !image.IsValid())
        Finding("RAW: a mirrored crop is not a valid image");
    return 0;
}

// RawFuzzer: the RAW reader of CTexture on arbitrary files and sizes.
//
// The first six bytes of the input choose what the reader is told; the rest is the file:
//   bytes 0-1  width − 1 (little-endian, 12 bits; bit 15 set: the width is −(value + 1) or 0)
//   bytes 2-3  height − 1 (likewise)
//   byte 4     bit 0: depth 32 instead of 24; bit 7: the byte itself is the depth
//   byte 5     the alpha given to the operations that follow a successful read
// After a successful read the block must hold the file's packed rows with fill bytes of 0 and
// 0 for whatever the file lacks; SaveFileRAW must write back exactly the packed rows; a grey
// mask, an alpha layer and a horizontal mirror must keep the image valid.
#include "FuzzSupport.h"

#include "image/Texture.h"  // CTexture, the reader under test

#include <cstddef>   // size_t for sizes
#include <cstdint>   // uint8_t input bytes
#include <fstream>   // std::ifstream to read the written file back
#include <iterator>  // std::istreambuf_iterator for the whole file
#include <string>    // std::string for paths and bytes

namespace
{

constexpr size_t kParamBytes = 6;
constexpr uint64_t kMaxPixels = uint64_t(1) << 18;  // keeps each run quick

int Dimension(const uint8_t* p)
{
    const int n = int(p[0] | (p[1] & 0x0F) << 8) + 1;
    return (p[1] & 0x80) ? ((p[1] & 0x40) ? 0 : -n) : n;
}

// The packed rows the file gives for this size: the file's bytes, then zeros.
std::string PackedRows(std::string_view file, size_t nBytes)
{
    std::string rows(file.substr(0, nBytes));
    rows.resize(nBytes, '\0');
    return rows;
}

void CheckBlock(const CTexture& image, const std::string& rows)
{
    const size_t nRow = size_t(image.GetWidth()) * (image.GetDepth() / 8);
    const size_t nStride = image.GetWidthByte32();
    if (nStride != CTexture::ComputeWidthByte32(uint32_t(image.GetWidth()), image.GetDepth()))
        cubatro::fuzz::Finding("RAW: the block does not have the documented row length");
    for (size_t y = 0; y < size_t(image.GetHeight()); ++y)
    {
        const unsigned char* p = image.GetData() + y * nStride;
        if (rows.compare(y * nRow, nRow, reinterpret_cast<const char*>(p), nRow) != 0)
            cubatro::fuzz::Finding("RAW: a row of the block differs from the file");
        for (size_t x = nRow; x < nStride; ++x)
            if (p[x] != 0) cubatro::fuzz::Finding("RAW: a fill byte is not 0");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    cubatro::fuzz::InitializeTarget();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize < kParamBytes) return -1;
    const int nWidth = Dimension(pData);
    const int nHeight = Dimension(pData + 2);
    const int nDepth = (pData[4] & 0x80) ? int(pData[4]) : (pData[4] & 1) ? 32 : 24;
    const unsigned char nAlpha = pData[5];
    if (nWidth > 0 && nHeight > 0 && uint64_t(nWidth) * uint64_t(nHeight) > kMaxPixels) return -1;

    const std::string_view file(reinterpret_cast<const char*>(pData + kParamBytes), nSize - kParamBytes);
    const std::string path = cubatro::fuzz::WriteScratchFile("image.RAW", file);
    CTexture image;
    const bool bRead = image.ReadFile(path, nWidth, nHeight, nDepth);
    const bool bValidSize = nWidth > 0 && nHeight > 0 && (nDepth == 24 || nDepth == 32);
    if (bRead != bValidSize)
        cubatro::fuzz::Finding("RAW: the reader's answer does not follow the size given");
    if (!bRead)
    {
        if (image.GetData()) cubatro::fuzz::Finding("RAW: a refused image still holds a block");
        return 0;
    }
    const std::string rows = PackedRows(file, size_t(nWidth) * size_t(nHeight) * size_t(nDepth / 8));
    CheckBlock(image, rows);

    const std::string again = cubatro::fuzz::ScratchDir() + "/again.raw";
    if (!image.SaveFile(again.c_str())) cubatro::fuzz::Finding("RAW: an image read cannot be written");
    std::ifstream in(again, std::ios::binary);
    if (std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()) != rows)
        cubatro::fuzz::Finding("RAW: the file written differs from the packed rows read");

    CTexture mask;
    if (!mask.CreateFromBuffer(reinterpret_cast<const unsigned char*>(rows.data()), nWidth, nHeight,
                               nDepth) ||
        !image.AddAlphaFromMask(mask) || !image.AddAlphaLayer(nAlpha) || !image.SwapRedBlue() ||
        !image.IsValid())
        cubatro::fuzz::Finding("RAW: an operation on a valid image failed");
    const int nCrop = int(int8_t(nAlpha));
    if (image.DuplicateMirrorHorizontal(0, 0, nCrop, -1) && !image.IsValid())
        cubatro::fuzz::Finding("RAW: a mirrored image is not valid");
    return 0;
}

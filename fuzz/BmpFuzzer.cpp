// BmpFuzzer: the BMP reader of CTexture on arbitrary files.
//
// The input is the whole file. A refused file must leave the image empty. An image read must
// have the size its header gives, rows padded to four bytes and an info header describing the
// block; written back with SaveFileBMP and read again it must give the same block. The
// reserved header fields, which the reader ignores, then choose a crop that is mirrored into a
// tile, which must be a valid image.
#include "FuzzSupport.h"

#include "image/Texture.h"  // CTexture, the reader under test

#include <algorithm>  // std::min for the header bytes a short file holds
#include <cstddef>    // size_t for sizes
#include <cstdint>    // fixed-width header fields
#include <cstdlib>    // std::llabs for the height of a top-down file
#include <cstring>    // std::memcpy, std::memcmp

using cubatro::fuzz::Finding;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    // The two headers as the reader sees them: bytes a short file lacks are 0.
    uint8_t header[54] = {};
    std::memcpy(header, pData, std::min(nSize, sizeof header));
    int32_t nWidth = 0, nHeight = 0;
    std::memcpy(&nWidth, header + 18, 4);
    std::memcpy(&nHeight, header + 22, 4);
    const int64_t nRows = std::llabs(int64_t(nHeight));
    // Blocks above a megabyte are legitimate but make the fuzzer slow; larger ones are refused quickly.
    const uint64_t nBlock = nWidth > 0 ? (uint64_t(nWidth) * 3 + 3) / 4 * 4 * uint64_t(nRows) : 0;  // < 2^64
    if (nBlock > (uint64_t(1) << 20) && nBlock <= CTexture::kMaxBlockBytes) return -1;

    const std::string path =
        cubatro::fuzz::WriteScratchFile("image.Bmp", std::string_view(reinterpret_cast<const char*>(pData), nSize));
    CTexture image;
    if (!image.ReadFile(path, -1, -1, -1))
    {
        if (image.GetData() || image.GetWidth() || image.GetHeight() || image.GetDepth())
            Finding("BMP: a refused image is not empty");
        return 0;
    }
    if (image.GetDepth() != 24 || image.GetWidth() != nWidth || image.GetHeight() != nRows || !image.GetData())
        Finding("BMP: the image size differs from the header");
    const uint32_t nRow = image.GetWidthByte32();
    if (nRow % 4 != 0 || nRow < uint64_t(nWidth) * 3 || nRow >= uint64_t(nWidth) * 3 + 4)
        Finding("BMP: the rows are not padded to four bytes");
    const BITMAPINFOHEADER& info = image.GetInfoHeader();
    if (info.biWidth != nWidth || info.biHeight != nRows || uint64_t(info.biSizeImage) != uint64_t(nRow) * uint64_t(nRows) ||
        image.GetBlockSize() != size_t(info.biSizeImage))
        Finding("BMP: the info header does not describe the block");

    const std::string again = cubatro::fuzz::ScratchDir() + "/again.bmp";
    CTexture reread;
    if (!image.SaveFileBMP(again.c_str()) || !reread.ReadFileBMP(again))
        Finding("BMP: an image read cannot be written and read again");
    if (reread.GetWidth() != nWidth || reread.GetHeight() != nRows || reread.GetBlockSize() != image.GetBlockSize() ||
        std::memcmp(reread.GetData(), image.GetData(), image.GetBlockSize()) != 0)
        Finding("BMP: the image read back differs from the one written");

    const auto Param = [&](size_t n) { return int(int8_t(header[n])); };  // signed: -1 means the last
    if (image.DuplicateMirror(Param(6), Param(7), Param(8), Param(9)) && !image.IsValid())
        Finding("BMP: a mirrored tile is not a valid image");
    return 0;
}

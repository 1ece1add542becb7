// BmpFuzzer: the BMP reader of CTexture on arbitrary files.
//
// The input is the whole file. After a successful read the target checks the image against
// the file byte by byte (pixels after the info header as stored, bottom row first, a top-down
// file turned over, missing bytes 0), writes
// it back with SaveFileBMP and reads that again: the two images must be equal. The reserved
// header fields, which the reader ignores, choose a crop that is mirrored into a tile.
#include "FuzzSupport.h"

#include "image/Texture.h"  // CTexture, the reader under test

#include <algorithm>  // std::min for the bytes a row holds
#include <array>      // std::array for the headers
#include <cstddef>    // size_t for sizes
#include <cstdint>    // fixed-width header fields
#include <cstring>    // std::memcmp for the round trip
#include <string>     // std::string for paths

namespace
{

// Blocks this large are legitimate but make the fuzzer slow; larger ones are refused quickly.
constexpr uint64_t kSlowBlockBytes = uint64_t(1) << 20;

uint32_t Get32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

using Header = std::array<uint8_t, 54>;

// The two headers as the reader sees them: bytes a short file lacks are 0.
Header ReadHeader(const uint8_t* pData, size_t nSize)
{
    Header header{};
    std::memcpy(header.data(), pData, std::min(nSize, header.size()));
    return header;
}

uint64_t PlannedBlockBytes(const Header& header)
{
    const int64_t nWidth = int32_t(Get32(&header[18]));
    const int64_t nHeight = int32_t(Get32(&header[22]));
    if (nWidth <= 0) return 0;
    const uint64_t nRow = (uint64_t(nWidth) * 3 + 3) / 4 * 4;
    return nRow * uint64_t(nHeight < 0 ? -nHeight : nHeight);
}

void CheckAgainstFile(const CTexture& image, const Header& header, const uint8_t* pData, size_t nSize)
{
    const int32_t nFileHeight = int32_t(Get32(&header[22]));
    if (image.GetDepth() != 24 || image.GetWidth() != int32_t(Get32(&header[18])) ||
        int64_t(image.GetHeight()) != (nFileHeight < 0 ? -int64_t(nFileHeight) : int64_t(nFileHeight)))
        cubatro::fuzz::Finding("BMP: the image size differs from the header");
    const uint32_t nRow = image.GetWidthByte32();
    if (nRow != CTexture::ComputeWidthByte32(uint32_t(image.GetWidth()), 24) || !image.GetData())
        cubatro::fuzz::Finding("BMP: the block does not have the documented row length");
    const BITMAPINFOHEADER& info = image.GetInfoHeader();
    if (info.biHeight != image.GetHeight() || info.biSizeImage != image.GetBlockSize())
        cubatro::fuzz::Finding("BMP: the info header does not describe the block");

    // The pixels follow the info header as stored when that is longer (up to 1024 bytes and
    // within the file), else the 54 bytes of the two headers.
    const uint32_t nInfoSize = Get32(&header[14]);
    const size_t nPixels =
        nInfoSize > 40 && nInfoSize <= 1024 && 14 + nInfoSize <= nSize ? 14 + nInfoSize : 54;
    const size_t nRows = size_t(image.GetHeight());
    for (size_t y = 0; y < nRows; ++y)
    {
        const size_t nFileRow = nFileHeight < 0 ? nRows - 1 - y : y;
        const unsigned char* pRow = image.GetData() + y * nRow;
        const size_t nAt = nPixels + nFileRow * nRow;
        const size_t nHeld = nAt >= nSize ? 0 : std::min(size_t(nRow), nSize - nAt);
        if (nHeld && std::memcmp(pRow, pData + nAt, nHeld) != 0)
            cubatro::fuzz::Finding("BMP: a row of the block differs from the file");
        for (size_t x = nHeld; x < nRow; ++x)
            if (pRow[x] != 0) cubatro::fuzz::Finding("BMP: a byte the file lacks is not 0");
    }
}

void RoundTrip(const CTexture& image)
{
    const std::string path = cubatro::fuzz::ScratchDir() + "/again.bmp";
    if (!image.SaveFileBMP(path.c_str())) cubatro::fuzz::Finding("BMP: an image read cannot be written");
    CTexture again;
    if (!again.ReadFileBMP(path)) cubatro::fuzz::Finding("BMP: a written image cannot be read");
    if (again.GetWidth() != image.GetWidth() || again.GetHeight() != image.GetHeight() ||
        again.GetBlockSize() != image.GetBlockSize() ||
        std::memcmp(again.GetData(), image.GetData(), image.GetBlockSize()) != 0)
        cubatro::fuzz::Finding("BMP: the image read back differs from the one written");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    cubatro::fuzz::InitializeTarget();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const Header header = ReadHeader(pData, nSize);
    const uint64_t nPlanned = PlannedBlockBytes(header);
    if (nPlanned > kSlowBlockBytes && nPlanned <= CTexture::kMaxBlockBytes) return -1;

    const std::string path = cubatro::fuzz::WriteScratchFile(
        "image.Bmp", std::string_view(reinterpret_cast<const char*>(pData), nSize));
    CTexture image;
    if (!image.ReadFile(path, -1, -1, -1))
    {
        // A scratch file never fails inside the pixel block: a refusal leaves the image empty.
        if (image.GetData()) cubatro::fuzz::Finding("BMP: a refused image still holds a block");
        return 0;
    }
    CheckAgainstFile(image, header, pData, nSize);
    RoundTrip(image);

    // A mirrored tile of a crop chosen by the reserved fields (signed bytes: −1 means the last).
    const auto Param = [&](size_t n) { return int(int8_t(header[n])); };
    if (image.DuplicateMirror(Param(6), Param(7), Param(8), Param(9)) && !image.IsValid())
        cubatro::fuzz::Finding("BMP: a mirrored tile is not a valid image");
    return 0;
}

// BmpHeaders: the two headers at the start of an uncompressed BMP file, and their byte forms.
//
// On disk both headers are little-endian and packed: the file header takes 14 bytes, the info
// header 40. In memory they are plain structs with the fields named as in the BMP format; the
// Encode/Decode functions below move them field by field between the struct and its bytes, so
// the result is the same on any host byte order and needs no packing pragmas.
#pragma once

#include <array>    // std::array for the on-disk byte images
#include <cstddef>  // size_t for the sizes
#include <cstdint>  // fixed-width field types

constexpr size_t kBmpFileHeaderSize = 14;   // bytes of BITMAPFILEHEADER on disk
constexpr size_t kBmpInfoHeaderSize = 40;   // bytes of BITMAPINFOHEADER on disk
constexpr uint16_t kBmpSignature = 0x4D42;  // bfType of every BMP: "BM" read as little-endian

// The 14-byte file header.
struct BITMAPFILEHEADER
{
    uint16_t bfType = 0;       // "BM" (0x4D42)
    uint32_t bfSize = 0;       // size of the whole file in bytes
    uint16_t bfReserved1 = 0;  // reserved, 0
    uint16_t bfReserved2 = 0;  // reserved, 0
    uint32_t bfOffBits = 0;    // offset of the pixel data from the start of the file
};

// The 40-byte info header: describes the pixel block that follows.
struct BITMAPINFOHEADER
{
    uint32_t biSize = 0;          // size of this header, 40
    int32_t biWidth = 0;          // pixels per row
    int32_t biHeight = 0;         // rows; positive: bottom row first, negative: top row first
    uint16_t biPlanes = 0;        // colour planes, 1
    uint16_t biBitCount = 0;      // bits per pixel
    uint32_t biCompression = 0;   // 0 for uncompressed
    uint32_t biSizeImage = 0;     // bytes of the pixel block; may be 0 for uncompressed blocks
    int32_t biXPelsPerMeter = 0;  // horizontal resolution, informative
    int32_t biYPelsPerMeter = 0;  // vertical resolution, informative
    uint32_t biClrUsed = 0;       // palette entries used, 0 without a palette
    uint32_t biClrImportant = 0;  // palette entries required, 0 = all
};
static_assert(sizeof(BITMAPINFOHEADER) == kBmpInfoHeaderSize, "the info header has no padding in memory");

using BmpFileHeaderBytes = std::array<uint8_t, kBmpFileHeaderSize>;  // a file header as stored
using BmpInfoHeaderBytes = std::array<uint8_t, kBmpInfoHeaderSize>;  // an info header as stored

namespace bmp_detail
{
inline uint32_t Get16(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}
inline uint32_t Get32(const uint8_t* p)
{
    return Get16(p) | Get16(p + 2) << 16;
}
inline void Put16(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v)
{
    Put16(p, v & 0xFFFFu);
    Put16(p + 2, v >> 16);
}
}  // namespace bmp_detail

// Upon exit the struct holds the fields stored in the 14 bytes.
inline BITMAPFILEHEADER DecodeFileHeader(const BmpFileHeaderBytes& b)
{
    using namespace bmp_detail;
    BITMAPFILEHEADER h;
    h.bfType = uint16_t(Get16(&b[0]));
    h.bfSize = Get32(&b[2]);
    h.bfReserved1 = uint16_t(Get16(&b[6]));
    h.bfReserved2 = uint16_t(Get16(&b[8]));
    h.bfOffBits = Get32(&b[10]);
    return h;
}

// Upon exit the 14 bytes store the fields of the struct, little-endian.
inline BmpFileHeaderBytes EncodeFileHeader(const BITMAPFILEHEADER& h)
{
    using namespace bmp_detail;
    BmpFileHeaderBytes b{};
    Put16(&b[0], h.bfType);
    Put32(&b[2], h.bfSize);
    Put16(&b[6], h.bfReserved1);
    Put16(&b[8], h.bfReserved2);
    Put32(&b[10], h.bfOffBits);
    return b;
}

// Upon exit the struct holds the fields stored in the 40 bytes.
inline BITMAPINFOHEADER DecodeInfoHeader(const BmpInfoHeaderBytes& b)
{
    using namespace bmp_detail;
    BITMAPINFOHEADER h;
    h.biSize = Get32(&b[0]);
    h.biWidth = int32_t(Get32(&b[4]));
    h.biHeight = int32_t(Get32(&b[8]));
    h.biPlanes = uint16_t(Get16(&b[12]));
    h.biBitCount = uint16_t(Get16(&b[14]));
    h.biCompression = Get32(&b[16]);
    h.biSizeImage = Get32(&b[20]);
    h.biXPelsPerMeter = int32_t(Get32(&b[24]));
    h.biYPelsPerMeter = int32_t(Get32(&b[28]));
    h.biClrUsed = Get32(&b[32]);
    h.biClrImportant = Get32(&b[36]);
    return h;
}

// Upon exit the 40 bytes store the fields of the struct, little-endian.
inline BmpInfoHeaderBytes EncodeInfoHeader(const BITMAPINFOHEADER& h)
{
    using namespace bmp_detail;
    BmpInfoHeaderBytes b{};
    Put32(&b[0], h.biSize);
    Put32(&b[4], uint32_t(h.biWidth));
    Put32(&b[8], uint32_t(h.biHeight));
    Put16(&b[12], h.biPlanes);
    Put16(&b[14], h.biBitCount);
    Put32(&b[16], h.biCompression);
    Put32(&b[20], h.biSizeImage);
    Put32(&b[24], uint32_t(h.biXPelsPerMeter));
    Put32(&b[28], uint32_t(h.biYPelsPerMeter));
    Put32(&b[32], h.biClrUsed);
    Put32(&b[36], h.biClrImportant);
    return b;
}

// TextureTestTools: what the CTexture tests share: a fixture with a scratch directory and captured
// diagnostics, BMP files made by ImageMagick or netpbm, the block such a file should give, hashes.
#pragma once

#include "image/Texture.h"         // CTexture, the image under test
#include "platform/Diagnostics.h"  // plat::CDiagnosticsCapture for the exact texts

#include "TempDir.h"  // scratch directories and shell commands

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cubatro::test
{

using Bytes = std::vector<unsigned char>;
using Strings = std::vector<std::string>;

// What IsValid traces for an empty image.
inline const std::string kEmptyTrace = "\nInvalid texture\nWidth  : 0\nHeight : 0\nDepth  : 0\nData   : 0\n";

class CTextureFixture : public ::testing::Test
{
protected:
    CTempDir m_dir;                       // scratch files of one test
    plat::CDiagnosticsCapture m_capture;  // trace, dump and message boxes of the test
};

// Runs a command in a subshell, so that its own redirections keep the tools' messages out of
// the files they write; the test fails with the output when the command fails.
inline bool Shell(const std::string& command)
{
    std::string output;
    const int nStatus = RunCommand("(" + command + ")", &output);
    EXPECT_EQ(nStatus, 0) << command << "\n" << output;
    return nStatus == 0;
}

// A 24-bit BMP of w × h pixels: ImageMagick's plasma, or a tiled rainbow by netpbm (whose
// ppmtobmp leaves biSizeImage 0). Returns the path.
inline std::string MakeBmp(const CTempDir& dir, bool bNetpbm, int nWidth, int nHeight)
{
    const std::string path = dir / "tool.bmp", w = std::to_string(nWidth), h = std::to_string(nHeight);
    if (!bNetpbm)
        Shell("convert -size " + w + "x" + h + " -seed 5 plasma: -type truecolor BMP3:" + path);
    else
        Shell("cd " + dir.Path().string() + " && ppmrainbow -width=3 -height=2 red lime blue > a.ppm && " +
              "ppmmake rgb:10/20/30 3 1 > b.ppm && pnmcat -tb a.ppm b.ppm | pnmtile " + w + " " + h +
              " | ppmtobmp -bpp=24 > " + path);
    return path;
}

// The pixels ImageMagick reads from a file: 8-bit red, green, blue, top row first, packed.
inline Bytes ToolRgb(const CTempDir& dir, const std::string& path)
{
    const std::string out = dir / "tool.rgb";
    return Shell("convert " + path + " -depth 8 rgb:" + out) ? CTempDir::ReadAll(out) : Bytes{};
}

// The block CTexture should hold for such pixels: bottom row first, blue, green, red, rows
// padded with zeros to a multiple of 4 bytes.
inline Bytes BlockFromRgb(const Bytes& rgb, int nWidth, int nHeight)
{
    const size_t nStride = CTexture::ComputeWidthByte32(uint32_t(nWidth), 24);
    Bytes block(nStride * size_t(nHeight), 0);
    for (size_t y = 0; y < size_t(nHeight) && rgb.size() == size_t(nWidth * nHeight * 3); ++y)
        for (size_t x = 0; x < size_t(nWidth); ++x)
            for (size_t k = 0; k < 3; ++k)
                block[nStride * y + x * 3 + k] =
                    rgb[((size_t(nHeight) - 1 - y) * size_t(nWidth) + x) * 3 + 2 - k];
    return block;
}

// The whole block of an image (empty for an empty image).
inline Bytes BlockOf(const CTexture& texture)
{
    const unsigned char* p = texture.GetData();
    return p ? Bytes(p, p + texture.GetBlockSize()) : Bytes{};
}

// n bytes that all differ from their neighbours.
inline Bytes Pattern(size_t n)
{
    Bytes bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<unsigned char>(i * 13 + 7);
    return bytes;
}

// 64-bit FNV-1a of a byte sequence.
inline uint64_t Fnv1a(const Bytes& bytes)
{
    uint64_t nHash = 0xcbf29ce484222325ull;
    for (unsigned char c : bytes)
        nHash = (nHash ^ c) * 0x100000001b3ull;
    return nHash;
}

// Stores a little-endian 32-bit field into a file image.
inline void Put32(Bytes& bytes, size_t nAt, uint32_t nValue)
{
    for (size_t i = 0; i < 4; ++i)
        bytes[nAt + i] = static_cast<unsigned char>(nValue >> (8 * i));
}

}  // namespace cubatro::test

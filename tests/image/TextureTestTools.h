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

// Runs a command in a subshell (its own redirections keep the tools' messages out of the files
// they write); the test fails with the output when the command fails.
inline bool Shell(const std::string& command)
{
    std::string output;
    const int nStatus = RunCommand("(" + command + ")", &output);
    EXPECT_EQ(nStatus, 0) << command << "\n" << output;
    return nStatus == 0;
}

enum class EBmpTool
{
    Bmp3,     // ImageMagick's plasma in the classic format: 40-byte info header
    Default,  // the same plasma in ImageMagick's default format: a longer info header
    Netpbm    // a tiled rainbow by netpbm, whose ppmtobmp leaves biSizeImage 0
};

// The block CTexture should hold for rgb pixels (packed, top row first): bottom row first, blue,
// green, red, rows padded with zeros to a multiple of 4 bytes.
inline Bytes BlockFromRgb(const Bytes& rgb, int nWidth, int nHeight)
{
    const size_t nStride = CTexture::ComputeWidthByte32(uint32_t(nWidth), 24), w = size_t(nWidth);
    Bytes block(nStride * size_t(nHeight), 0);
    for (size_t y = 0; y < size_t(nHeight) && rgb.size() == w * size_t(nHeight) * 3; ++y)
        for (size_t i = 0; i < w * 3; ++i)
            block[nStride * y + i] = rgb[((size_t(nHeight) - 1 - y) * w + i / 3) * 3 + 2 - i % 3];
    return block;
}

inline Bytes BlockOf(const CTexture& texture)  // the whole block, empty for an empty image
{
    return texture.GetData() ? Bytes(texture.GetData(), texture.GetData() + texture.GetBlockSize()) : Bytes{};
}

inline Bytes Pattern(size_t n)  // n bytes that all differ from their neighbours
{
    Bytes bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<unsigned char>(i * 13 + 7);
    return bytes;
}

inline void Put32(Bytes& bytes, size_t nAt, uint32_t nValue)  // little-endian field of a file image
{
    for (size_t i = 0; i < 4; ++i)
        bytes[nAt + i] = static_cast<unsigned char>(nValue >> (8 * i));
}

class CTextureFixture : public ::testing::Test
{
protected:
    // A 24-bit BMP of w × h pixels made by a tool; returns the path.
    std::string MakeBmp(EBmpTool tool, int nWidth, int nHeight, const std::string& name = "tool.bmp")
    {
        const std::string path = m_dir / name, size = std::to_string(nWidth) + "x" + std::to_string(nHeight);
        const std::string plasma = "convert -size " + size + " -seed 5 plasma: -type truecolor ";
        if (tool == EBmpTool::Netpbm)
            Shell("cd " + m_dir.Path().string() +
                  " && ppmrainbow -width=3 -height=2 red lime blue > a.ppm && " +
                  "ppmmake rgb:10/20/30 3 1 > b.ppm && pnmcat -tb a.ppm b.ppm | pnmtile " +
                  std::to_string(nWidth) + " " + std::to_string(nHeight) + " | ppmtobmp -bpp=24 > " + path);
        else
            Shell(plasma + (tool == EBmpTool::Bmp3 ? "BMP3:" : "") + path);
        return path;
    }
    // The pixels ImageMagick reads from a file: 8-bit red, green, blue, top row first, packed.
    Bytes ToolRgb(const std::string& path)
    {
        const std::string out = m_dir / "tool.rgb";
        return Shell("convert " + path + " -depth 8 rgb:" + out) ? CTempDir::ReadAll(out) : Bytes{};
    }

    CTempDir m_dir;                       // scratch files of one test
    plat::CDiagnosticsCapture m_capture;  // trace, dump and message boxes of the test
};

}  // namespace cubatro::test

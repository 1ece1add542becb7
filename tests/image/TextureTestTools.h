// TextureTestTools: helpers shared by the CTexture tests: tool-made pictures, byte patches,
// the block a picture should give, and a hash that makes any change in decoding visible.
#pragma once

#include "image/Texture.h"  // CTexture, the image under test

#include "TempDir.h"  // scratch directories and shell commands

#include <gtest/gtest.h>

#include <cstdint>  // uint32_t, uint64_t
#include <string>
#include <vector>

namespace cubatro::test
{

using Bytes = std::vector<unsigned char>;

// Runs a shell command; the test fails with the command's output when it does not succeed.
// The command runs in a subshell, so that its own redirections keep the messages of the tools
// out of the files they write.
inline bool Shell(const std::string& command)
{
    std::string output;
    const int nStatus = RunCommand("(" + command + ")", &output);
    EXPECT_EQ(nStatus, 0) << command << "\n" << output;
    return nStatus == 0;
}

// The pixels a tool reads from an image file: 8-bit red, green, blue, top row first, packed.
inline Bytes ToolRgb(const CTempDir& dir, const std::string& path)
{
    const std::string out = dir / "tool-pixels.rgb";
    if (!Shell("convert '" + path + "' -depth 8 rgb:'" + out + "'")) return {};
    return CTempDir::ReadAll(out);
}

// The block CTexture should hold for packed top-first RGB rows: bottom row first, blue, green,
// red, each row padded with zeros to a multiple of 4 bytes.
inline Bytes BlockFromRgb(const Bytes& rgb, int nWidth, int nHeight)
{
    const size_t nStride = CTexture::ComputeWidthByte32(uint32_t(nWidth), 24);
    Bytes block(nStride * size_t(nHeight), 0);
    if (rgb.size() != size_t(nWidth) * size_t(nHeight) * 3) return {};
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
        {
            const unsigned char* pIn = &rgb[(size_t(nHeight - 1 - y) * size_t(nWidth) + size_t(x)) * 3];
            unsigned char* pOut = &block[nStride * size_t(y) + size_t(x) * 3];
            pOut[0] = pIn[2];
            pOut[1] = pIn[1];
            pOut[2] = pIn[0];
        }
    return block;
}

// The whole block of an image as a vector (empty for an empty image).
inline Bytes BlockOf(const CTexture& texture)
{
    const unsigned char* p = texture.GetData();
    return p ? Bytes(p, p + texture.GetBlockSize()) : Bytes{};
}

// 64-bit FNV-1a of a byte sequence.
inline uint64_t Fnv1a(const Bytes& bytes)
{
    uint64_t nHash = 0xcbf29ce484222325ull;
    for (unsigned char c : bytes)
        nHash = (nHash ^ c) * 0x100000001b3ull;
    return nHash;
}

// Little-endian 32-bit field of a file image.
inline uint32_t Get32(const Bytes& bytes, size_t nAt)
{
    return uint32_t(bytes[nAt]) | uint32_t(bytes[nAt + 1]) << 8 | uint32_t(bytes[nAt + 2]) << 16 |
           uint32_t(bytes[nAt + 3]) << 24;
}
inline void Put32(Bytes& bytes, size_t nAt, uint32_t nValue)
{
    for (int i = 0; i < 4; ++i)
        bytes[nAt + size_t(i)] = static_cast<unsigned char>(nValue >> (8 * i));
}

// Offsets of the BMP fields the tests patch.
constexpr size_t kOffBfOffBits = 10;
constexpr size_t kOffBiWidth = 18;
constexpr size_t kOffBiHeight = 22;
constexpr size_t kOffBiBitCount = 28;
constexpr size_t kOffBiSizeImage = 34;
constexpr size_t kOffPixels = 54;

}  // namespace cubatro::test

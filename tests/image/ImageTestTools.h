// ImageTestTools: what the image tests share: a scratch directory with captured diagnostics,
// shell commands that must succeed, byte helpers, SGI and BMP files made by hand, and a hash that
// pins decoded pictures down.
#pragma once

#include "platform/Diagnostics.h"  // plat::CDiagnosticsCapture for the exact texts

#include "TempDir.h"  // scratch directories and shell commands

#include <gtest/gtest.h>

namespace cubatro::test
{

using Bytes = std::vector<unsigned char>;
using Strings = std::vector<std::string>;

// Runs a command in a subshell in `dir`; the test fails with the output when the command fails.
inline bool Shell(const CTempDir& dir, const std::string& command)
{
    std::string output;
    const int nStatus = RunCommand("cd " + dir.Path().string() + " && (" + command + ")", &output);
    EXPECT_EQ(nStatus, 0) << command << "\n" << output;
    return nStatus == 0;
}

inline uint64_t Fnv1a(const Bytes& bytes, uint64_t nHash = 0xcbf29ce484222325ull)  // 64-bit FNV-1a
{
    for (unsigned char c : bytes)
        nHash = (nHash ^ c) * 0x100000001b3ull;
    return nHash;
}

// Stores nValue in nSize bytes at nAt: little-endian, or big-endian when bBig.
inline void Put(Bytes& bytes, size_t nAt, uint32_t nValue, size_t nSize, bool bBig = false)
{
    for (size_t i = 0; i < nSize; ++i)
        bytes[nAt + (bBig ? nSize - 1 - i : i)] = static_cast<unsigned char>(nValue >> (8 * i));
}

// A file of x × y × z samples stored as `type`: the 512-byte header, then `data` as it stands
// (verbatim) or, for a run-length type, two tables for the stored rows `data` (index y + z × ysize).
inline Bytes SgiFile(unsigned type, unsigned x, unsigned y, unsigned z, const std::vector<Bytes>& data = {})
{
    Bytes bytes(512, 0);
    const unsigned fields[] = {474, type, 3, x, y, z};
    for (size_t i = 0; i < 6; ++i)
        Put(bytes, 2 * i, fields[i], 2, true);
    const size_t nTables = type >> 8 ? data.size() * 4 : 0;
    bytes.resize(512 + 2 * nTables);
    for (size_t i = 0; i < data.size(); ++i)
    {
        if (nTables) Put(bytes, 512 + 4 * i, uint32_t(bytes.size()), 4, true);
        if (nTables) Put(bytes, 512 + nTables + 4 * i, uint32_t(data[i].size()), 4, true);
        bytes.insert(bytes.end(), data[i].begin(), data[i].end());
    }
    return bytes;
}

// The 54 header bytes a writer stores for a w × h picture of nBits bits and nPixelBytes of pixels.
inline Bytes BmpHeader(int32_t nWidth, int32_t nHeight, unsigned nBits, uint32_t nPixelBytes = 0)
{
    Bytes bytes(54, 0);
    bytes[0] = 'B', bytes[1] = 'M', bytes[26] = 1, bytes[28] = uint8_t(nBits);
    const uint32_t fields[][2] = {{2, 54 + nPixelBytes},   {10, 54},         {14, 40}, {18, uint32_t(nWidth)},
                                  {22, uint32_t(nHeight)}, {34, nPixelBytes}};
    for (const auto& [nAt, nValue] : fields)
        Put(bytes, nAt, nValue, 4);
    return bytes;
}

class CImageTest : public ::testing::Test
{
protected:
    CTempDir m_dir;                       // scratch files of one test
    plat::CDiagnosticsCapture m_capture;  // trace, dump and message boxes of the test
};

}  // namespace cubatro::test

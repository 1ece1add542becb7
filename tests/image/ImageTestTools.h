// ImageTestTools: what the image tests share: a scratch directory with captured diagnostics,
// shell commands that must succeed, byte helpers, and a hash that pins decoded pictures down.
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

class CImageTest : public ::testing::Test
{
protected:
    CTempDir m_dir;                       // scratch files of one test
    plat::CDiagnosticsCapture m_capture;  // trace, dump and message boxes of the test
};

}  // namespace cubatro::test

// SpriteFiles: single-channel SGI images written by tests, and a working directory for them.
//
// A verbatim SGI file is a 512-byte big-endian header followed by the samples, channel by
// channel, each channel row by row with the bottom row first.
#pragma once

#include "TempDir.h"  // CTempDir for the scratch directory

#include <cstdio>      // std::snprintf for sprite names
#include <filesystem>  // current_path to enter and leave the directory
#include <functional>  // std::function for the sample values
#include <string>      // std::string for names
#include <vector>      // std::vector for file bytes

namespace cubatro::test
{

// The bytes of a verbatim SGI file of nWidth × nHeight samples in nChannels channels; the
// sample of column x, row y (0 = bottom) and channel c is sample(x, y, c).
inline std::vector<unsigned char> SgiVerbatim(int nWidth, int nHeight, int nChannels,
                                              const std::function<unsigned char(int, int, int)>& sample)
{
    std::vector<unsigned char> bytes(512, 0);
    auto putShort = [&](size_t nAt, int nValue)
    {
        bytes[nAt] = static_cast<unsigned char>((nValue >> 8) & 0xFF);
        bytes[nAt + 1] = static_cast<unsigned char>(nValue & 0xFF);
    };
    putShort(0, 474);                     // magic
    bytes[2] = 0;                         // verbatim
    bytes[3] = 1;                         // one byte per sample
    putShort(4, nChannels == 1 ? 2 : 3);  // dimension
    putShort(6, nWidth);
    putShort(8, nHeight);
    putShort(10, nChannels);
    for (int c = 0; c < nChannels; ++c)
        for (int y = 0; y < nHeight; ++y)
            for (int x = 0; x < nWidth; ++x)
                bytes.push_back(sample(x, y, c));
    return bytes;
}

// The file name of sprite i below the working directory.
inline std::string SpriteName(int i)
{
    char sz[32];
    std::snprintf(sz, sizeof sz, "Gfx/Shine%d.bw", i);
    return sz;
}

// Makes a directory the working directory for its lifetime and restores the previous one.
class CWorkingDir
{
public:
    explicit CWorkingDir(const std::filesystem::path& path) : m_previous(std::filesystem::current_path())
    {
        std::filesystem::current_path(path);
    }
    virtual ~CWorkingDir()
    {
        std::error_code error;
        std::filesystem::current_path(m_previous, error);
    }
    CWorkingDir(const CWorkingDir&) = delete;
    CWorkingDir& operator=(const CWorkingDir&) = delete;

private:
    std::filesystem::path m_previous;  // the working directory to go back to
};

}  // namespace cubatro::test

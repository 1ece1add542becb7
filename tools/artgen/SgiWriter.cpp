// SgiWriter: run-length packets, row tables and the header.
#include "tools/artgen/SgiWriter.h"

#include <algorithm>  // std::min, std::copy
#include <fstream>    // std::ofstream for the file

namespace
{
void Put16(std::vector<uint8_t>& v, size_t nAt, unsigned n)
{
    v[nAt] = static_cast<uint8_t>(n >> 8);
    v[nAt + 1] = static_cast<uint8_t>(n);
}

void Put32(std::vector<uint8_t>& v, size_t nAt, uint32_t n)
{
    for (int i = 0; i < 4; i++)
        v[nAt + static_cast<size_t>(i)] = static_cast<uint8_t>(n >> (24 - 8 * i));
}
}  // namespace

std::vector<uint8_t> CSgiWriter::EncodeRow(const uint8_t* pRow, int nWidth)
{
    std::vector<uint8_t> vOut;
    int i = 0;
    while (i < nWidth)
    {
        // A run of three or more equal samples is worth a repeat packet.
        int nRun = 1;
        while (i + nRun < nWidth && nRun < 127 && pRow[i + nRun] == pRow[i])
            nRun++;
        if (nRun >= 3)
        {
            vOut.push_back(static_cast<uint8_t>(nRun));
            vOut.push_back(pRow[i]);
            i += nRun;
            continue;
        }
        // Otherwise literal samples up to the next run of three.
        int nEnd = i;
        while (nEnd < nWidth && nEnd - i < 127)
        {
            if (nEnd + 2 < nWidth && pRow[nEnd] == pRow[nEnd + 1] && pRow[nEnd] == pRow[nEnd + 2]) break;
            nEnd++;
        }
        vOut.push_back(static_cast<uint8_t>(0x80 | (nEnd - i)));
        vOut.insert(vOut.end(), pRow + i, pRow + nEnd);
        i = nEnd;
    }
    vOut.push_back(0);
    return vOut;
}

std::vector<uint8_t> CSgiWriter::Encode(const std::vector<uint8_t>& vSamples, int nWidth, int nHeight,
                                        const std::string& strName)
{
    const size_t nTables = static_cast<size_t>(nHeight) * 4;
    std::vector<uint8_t> vFile(512 + 2 * nTables, 0);
    Put16(vFile, 0, 474);
    vFile[2] = 1;  // run-length storage
    vFile[3] = 1;  // one byte per sample
    Put16(vFile, 4, 2);
    Put16(vFile, 6, static_cast<unsigned>(nWidth));
    Put16(vFile, 8, static_cast<unsigned>(nHeight));
    Put16(vFile, 10, 1);
    uint8_t nMin = 255, nMax = 0;
    for (uint8_t n : vSamples)
    {
        nMin = std::min(nMin, n);
        nMax = std::max(nMax, n);
    }
    Put32(vFile, 12, vSamples.empty() ? 0 : nMin);
    Put32(vFile, 16, vSamples.empty() ? 255 : nMax);
    const size_t nNameBytes = std::min<size_t>(strName.size(), 79);
    std::copy(strName.begin(), strName.begin() + static_cast<std::ptrdiff_t>(nNameBytes), vFile.begin() + 24);

    for (int y = 0; y < nHeight; y++)
    {
        const std::vector<uint8_t> vRow = EncodeRow(&vSamples[static_cast<size_t>(y) * nWidth], nWidth);
        Put32(vFile, 512 + 4 * static_cast<size_t>(y), static_cast<uint32_t>(vFile.size()));
        Put32(vFile, 512 + nTables + 4 * static_cast<size_t>(y), static_cast<uint32_t>(vRow.size()));
        vFile.insert(vFile.end(), vRow.begin(), vRow.end());
    }
    return vFile;
}

bool CSgiWriter::Save(const std::string& strPath, const std::vector<uint8_t>& vSamples, int nWidth,
                      int nHeight, const std::string& strName)
{
    if (nWidth < 1 || nHeight < 1 || nWidth > 65535 || nHeight > 65535) return false;
    if (vSamples.size() != static_cast<size_t>(nWidth) * static_cast<size_t>(nHeight)) return false;
    const std::vector<uint8_t> vFile = Encode(vSamples, nWidth, nHeight, strName);
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(vFile.data()), static_cast<std::streamsize>(vFile.size()));
    return static_cast<bool>(out);
}

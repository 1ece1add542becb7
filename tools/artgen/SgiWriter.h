// SgiWriter: single-channel SGI image files, run-length encoded.
//
// Layout written: a 512-byte big-endian header (magic 474, storage 1 = run-length, 1 byte per
// sample, dimension 2, xsize, ysize, zsize 1, minimum and maximum sample, the image name),
// then the table of row starts and the table of row lengths (ysize 32-bit big-endian numbers
// each), then the rows. Each row is a series of packets ended by a zero byte: a count byte with
// the high bit set is followed by that many literal samples, a count byte without it by one
// sample repeated that many times; counts run from 1 to 127. Row 0 is the bottom row.
#pragma once
#include <cstdint>  // uint8_t for samples
#include <string>   // std::string for names
#include <vector>   // std::vector for rows and the encoded file

class CSgiWriter
{
public:
    CSgiWriter() = default;
    virtual ~CSgiWriter() = default;

    // The packets of one row, with the closing zero byte.
    static std::vector<uint8_t> EncodeRow(const uint8_t* pRow, int nWidth);
    // The whole file for nWidth × nHeight samples, bottom row first. Sizes must lie in 1 .. 65535.
    static std::vector<uint8_t> Encode(const std::vector<uint8_t>& vSamples, int nWidth, int nHeight,
                                       const std::string& strName);
    // Encode, then write the bytes to strPath; false when the file cannot be written.
    static bool Save(const std::string& strPath, const std::vector<uint8_t>& vSamples, int nWidth,
                     int nHeight, const std::string& strName);
};

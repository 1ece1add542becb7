// Sgi: a small reader for SGI image files, as plain functions over the SgiImage record.
//
// SgiOpen reads the header and, for run-length files, the two row tables; SgiGetRow then
// delivers any row of any channel, one byte per sample; SgiReadLuminance reads a whole
// single-channel image at once. All numbers in the file are big-endian; the host's byte order
// is tested at run time and the header and tables are converted on little-endian hosts.
//
// Rows come in file order: row 0 is the first row stored. SGI files store the bottom row of
// the picture first, which is also the first row of an OpenGL texture; nothing is flipped.
//
// Fatal conditions end the process with status 1: a file that cannot be opened (after the
// perror line "<name>: <system error text>") and exhausted memory ("Out of memory!"). A file
// whose contents cannot be read safely (run-length rows longer than the row buffer, packets
// that would write past the row, tables that point outside the file, sizes that overflow) is
// refused: the row or image is not delivered and one line "<name>: <why>" goes to standard
// error. Files are opened through the Windows-style path resolver ("Gfx\Shine0.bw").
#pragma once

#include <cstdint>      // uint16_t, uint32_t for the header and the row tables
#include <cstdio>       // FILE for the open file
#include <cstdlib>      // std::free for the buffer deleter
#include <memory>       // std::unique_ptr for the file and the RAII helpers
#include <string>       // std::string for the name and the refusal reason
#include <string_view>  // std::string_view for file names
#include <vector>       // std::vector for the row buffer and the row tables

// Closes the stdio file of an SgiImage.
struct SgiFileCloser
{
    void operator()(std::FILE* pFile) const { std::fclose(pFile); }
};

// An open SGI image. Made by SgiOpen, destroyed by SgiClose; it owns everything it holds.
struct SgiImage
{
    // The first 12 bytes of the file, in host order.
    uint16_t magic = 0;      // file identifier, read and not tested
    uint16_t type = 0;       // high byte 0x01: run-length encoded, else verbatim; low byte: bytes per sample
    uint16_t dimension = 0;  // read, not used
    uint16_t xsize = 0;      // samples per row
    uint16_t ysize = 0;      // rows per channel
    uint16_t zsize = 0;      // channels

    std::unique_ptr<std::FILE, SgiFileCloser> file;  // owned, open for reading as raw bytes
    std::vector<unsigned char> rowBuffer;            // owned, xsize × 256 bytes: one stored run-length row
    uint32_t rleEnd = 0;                             // offset just past both row tables (run-length files)
    std::vector<uint32_t> rowStart;                  // owned, run-length files: file offset of each row
    std::vector<uint32_t> rowSize;                   // owned, run-length files: stored length of each row

    std::string name;       // the file name as SgiOpen was given it, for messages
    uint64_t fileSize = 0;  // bytes in the file when it was opened
    std::string fault;      // why no row of this file can be delivered; empty when rows can be read
};

bool SgiHostIsLittleEndian();  // run-time test: stores the 32-bit value 1 and looks at its first byte

// Opens `name` (through the path resolver), reads the header and, for run-length files, both row
// tables. Upon exit the record is never null. A file that cannot be opened ends the process with
// status 1 after the perror line; so does exhausted memory, after "Out of memory!". A file whose
// header or tables cannot be used (tables past the end of the file) gives a record whose `fault`
// says why; every SgiGetRow on it is refused.
SgiImage* SgiOpen(std::string_view name);

void SgiClose(SgiImage* pImage);  // closes the file and frees the record with all it owns; null is ignored

// Writes row y of channel z into pOut, which has room for xsize bytes. Returns true when the row
// was delivered. Upon a refusal (y or z outside the image, a faulty record, a stored row longer
// than the row buffer or past the end of the file, packets that would write past xsize or that
// are cut short by the end of the stored row) it writes one line "<name>: <why>" to standard
// error and returns false. Either way, upon exit all xsize bytes of pOut are defined: samples
// the file does not hold (a short file, a run-length row that ends early) read as 0.
bool SgiGetRow(SgiImage* pImage, unsigned char* pOut, int y, int z);

void SgiSwapShorts(uint16_t* pValues, size_t nCount);  // each value becomes its first byte × 256 + its second
void SgiSwapLongs(uint32_t* pValues,
                  size_t nCount);  // each value becomes b0 × 2^24 + b1 × 2^16 + b2 × 2^8 + b3

// Reads the single-channel image `name`: returns a buffer of width × height bytes, one byte per
// sample, row 0 (the first row stored, the bottom of the picture) first, and sets the three out
// values (channels is always 1). The buffer is allocated with std::malloc; the caller releases it
// with std::free (or holds it in an SgiPixels). Returns null and leaves the out values untouched
// when the image has more or fewer than one channel (silently), when the buffer cannot be
// allocated (silently), and when the file is refused (samples wider than one byte, no pixels, a
// size that overflows, a verbatim file shorter than its pixels, a run-length row too short to
// encode xsize samples at 127 per two bytes, or any refusal of SgiGetRow): then one line
// "<name>: <why>" goes to standard error. The checks of sizes come before the buffer is made.
// Ends the process as SgiOpen does when the file cannot be opened.
unsigned char* SgiReadLuminance(std::string_view name, int& nWidth, int& nHeight, int& nChannels);

// RAII helpers.
struct SgiImageCloser
{
    void operator()(SgiImage* pImage) const { SgiClose(pImage); }
};
using SgiImagePtr = std::unique_ptr<SgiImage, SgiImageCloser>;  // owns an open image

struct SgiPixelsFree
{
    void operator()(unsigned char* p) const { std::free(p); }
};
using SgiPixels = std::unique_ptr<unsigned char[], SgiPixelsFree>;  // owns a SgiReadLuminance buffer

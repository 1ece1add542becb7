// Sgi: opening SGI image files, delivering their rows, reading single-channel images whole.
#include "image/Sgi.h"

#include "platform/PathResolver.h"  // plat::OpenFile: Windows-style names

#include <sys/stat.h>  // fstat for the size of the open file

#include <cassert>  // preconditions
#include <cstring>  // std::memcpy, std::memset for byte access
#include <limits>   // numeric limits for the overflow checks
#include <new>      // std::bad_alloc

namespace
{

constexpr uint64_t s_nHeaderSize = 512;     // bytes before the image data or the row tables
constexpr size_t s_nRowBufferFactor = 256;  // the row buffer holds xsize × 256 bytes

[[noreturn]] void OutOfMemory()
{
    std::fputs("Out of memory!\n", stderr);
    std::exit(1);
}

// Writes the one refusal line for `image`.
void Refuse(const SgiImage& image, const std::string& why)
{
    std::fprintf(stderr, "%s: %s\n", image.name.c_str(), why.c_str());
}

bool IsRunLength(const SgiImage& image)
{
    return (image.type >> 8) == 0x01;
}

// Reads up to nCount bytes at nOffset into pOut; bytes the file does not hold read as 0.
void ReadAt(const SgiImage& image, uint64_t nOffset, unsigned char* pOut, size_t nCount)
{
    if (nCount == 0) return;  // an empty table has no storage: pOut may be null
    size_t nGot = 0;
    if (nOffset <= static_cast<uint64_t>(std::numeric_limits<off_t>::max()) &&
        ::fseeko(image.file.get(), static_cast<off_t>(nOffset), SEEK_SET) == 0)
        nGot = std::fread(pOut, 1, nCount, image.file.get());
    std::memset(pOut + nGot, 0, nCount - nGot);
}

// Reads both row tables of a run-length file, or says why they cannot be read.
void ReadTables(SgiImage& image)
{
    const uint64_t nEntries = uint64_t{image.ysize} * image.zsize;
    const uint64_t nTableBytes = nEntries * sizeof(uint32_t);
    if (s_nHeaderSize + 2 * nTableBytes > image.fileSize)
    {
        image.fault = "row tables of " + std::to_string(2 * nTableBytes) +
                      " bytes run past the end of the file (" + std::to_string(image.fileSize) + " bytes)";
        return;
    }
    image.rleEnd = static_cast<uint32_t>(s_nHeaderSize + 2 * nTableBytes);
    image.rowStart.resize(nEntries);
    image.rowSize.resize(nEntries);
    ReadAt(image, s_nHeaderSize, reinterpret_cast<unsigned char*>(image.rowStart.data()), nTableBytes);
    ReadAt(image, s_nHeaderSize + nTableBytes, reinterpret_cast<unsigned char*>(image.rowSize.data()),
           nTableBytes);
    if (SgiHostIsLittleEndian())
    {
        SgiSwapLongs(image.rowStart.data(), nEntries);
        SgiSwapLongs(image.rowSize.data(), nEntries);
    }
}

// Decodes the stored row `nIndex` of a run-length file into pOut (xsize bytes, already zeroed).
// Returns an empty string when the row was delivered, else why it was refused.
std::string DecodeRow(SgiImage& image, unsigned char* pOut, size_t nIndex)
{
    const uint64_t nStart = image.rowStart[nIndex];
    const uint64_t nLength = image.rowSize[nIndex];
    if (nLength > image.rowBuffer.size())
        return "stored length " + std::to_string(nLength) + " exceeds the row buffer of " +
               std::to_string(image.rowBuffer.size()) + " bytes";
    if (nStart + nLength > image.fileSize)
        return "bytes " + std::to_string(nStart) + " to " + std::to_string(nStart + nLength) +
               " lie outside the file (" + std::to_string(image.fileSize) + " bytes)";

    unsigned char* const pIn = image.rowBuffer.data();
    ReadAt(image, nStart, pIn, nLength);
    const size_t nSamples = image.xsize;
    size_t nIn = 0;
    size_t nOut = 0;
    while (nIn < nLength)
    {
        const unsigned char b = pIn[nIn++];
        const size_t nCount = b & 0x7F;
        if (nCount == 0) break;
        if (nCount > nSamples - nOut)
            return "packets write past the row's " + std::to_string(nSamples) + " samples";
        if (b & 0x80)
        {
            if (nCount > nLength - nIn) return "a copy packet runs past the stored row";
            std::memcpy(pOut + nOut, pIn + nIn, nCount);
            nIn += nCount;
        }
        else
        {
            if (nIn >= nLength) return "a run packet runs past the stored row";
            std::memset(pOut + nOut, pIn[nIn++], nCount);
        }
        nOut += nCount;
    }
    return {};
}

// Why the rows of a single-channel image cannot hold the samples its header declares; empty when
// they can. Verbatim samples must all lie in the file. A run-length row must be long enough to
// encode xsize samples: a packet gives at most 127 samples for every two bytes it takes.
std::string Undeliverable(const SgiImage& image)
{
    if (!IsRunLength(image))
    {
        const uint64_t nHeld = image.fileSize > s_nHeaderSize ? image.fileSize - s_nHeaderSize : 0;
        const uint64_t nDeclared = uint64_t{image.xsize} * image.ysize;
        if (nHeld >= nDeclared) return {};
        return "the file holds " + std::to_string(nHeld) + " of its " + std::to_string(nDeclared) +
               " bytes of pixels";
    }
    for (size_t y = 0; y < image.ysize; ++y)
        if (image.rowSize[y] / 2 * uint64_t{127} < image.xsize)
            return "row " + std::to_string(y) + " of channel 0: " + std::to_string(image.rowSize[y]) +
                   " bytes cannot encode " + std::to_string(image.xsize) + " samples";
    return {};
}

}  // namespace

bool SgiHostIsLittleEndian()
{
    const uint32_t nOne = 1;
    unsigned char first = 0;
    std::memcpy(&first, &nOne, 1);
    return first == 1;
}

void SgiSwapShorts(uint16_t* pValues, size_t nCount)
{
    for (size_t i = 0; i < nCount; ++i)
    {
        unsigned char b[2];
        std::memcpy(b, &pValues[i], 2);
        pValues[i] = static_cast<uint16_t>(b[0] * 256u + b[1]);
    }
}

void SgiSwapLongs(uint32_t* pValues, size_t nCount)
{
    for (size_t i = 0; i < nCount; ++i)
    {
        unsigned char b[4];
        std::memcpy(b, &pValues[i], 4);
        pValues[i] = (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | uint32_t{b[3]};
    }
}

SgiImage* SgiOpen(std::string_view name)
{
    try
    {
        SgiImagePtr pImage(new SgiImage);
        pImage->name = std::string(name);
        pImage->file.reset(plat::OpenFile(name, "rb"));
        if (!pImage->file)
        {
            std::perror(pImage->name.c_str());
            std::exit(1);
        }
        struct stat info;
        if (::fstat(::fileno(pImage->file.get()), &info) == 0 && info.st_size > 0)
            pImage->fileSize = static_cast<uint64_t>(info.st_size);

        uint16_t header[6];
        ReadAt(*pImage, 0, reinterpret_cast<unsigned char*>(header), sizeof header);
        if (SgiHostIsLittleEndian()) SgiSwapShorts(header, 6);
        pImage->magic = header[0];
        pImage->type = header[1];
        pImage->dimension = header[2];
        pImage->xsize = header[3];
        pImage->ysize = header[4];
        pImage->zsize = header[5];

        pImage->rowBuffer.resize(size_t{pImage->xsize} * s_nRowBufferFactor);
        if (IsRunLength(*pImage)) ReadTables(*pImage);
        return pImage.release();
    }
    catch (const std::bad_alloc&)
    {
        OutOfMemory();
    }
}

void SgiClose(SgiImage* pImage)
{
    delete pImage;
}

bool SgiGetRow(SgiImage* pImage, unsigned char* pOut, int y, int z)
{
    assert(pImage && pOut);
    SgiImage& image = *pImage;
    std::memset(pOut, 0, image.xsize);
    std::string why;
    if (!image.fault.empty())
        why = image.fault;
    else if (y < 0 || y >= image.ysize || z < 0 || z >= image.zsize)
        why = "row " + std::to_string(y) + " of channel " + std::to_string(z) +
              " is outside the image (ysize " + std::to_string(image.ysize) + ", zsize " +
              std::to_string(image.zsize) + ")";
    else if (IsRunLength(image))
    {
        why = DecodeRow(image, pOut, static_cast<size_t>(y) + static_cast<size_t>(z) * image.ysize);
        if (!why.empty())
        {
            why = "row " + std::to_string(y) + " of channel " + std::to_string(z) + ": " + why;
            std::memset(pOut, 0, image.xsize);
        }
    }
    else
    {
        const uint64_t nOffset =
            s_nHeaderSize + uint64_t(y) * image.xsize + uint64_t(z) * image.xsize * image.ysize;
        ReadAt(image, nOffset, pOut, image.xsize);
    }
    if (why.empty()) return true;
    Refuse(image, why);
    return false;
}

unsigned char* SgiReadLuminance(std::string_view name, int& nWidth, int& nHeight, int& nChannels)
{
    SgiImagePtr pImage(SgiOpen(name));
    SgiImage& image = *pImage;
    if (image.zsize != 1) return nullptr;

    std::string why;
    if (!image.fault.empty())
        why = image.fault;
    else if ((image.type & 0xFF) > 1)
        why = "samples of " + std::to_string(image.type & 0xFF) + " bytes are not supported";
    else if (image.xsize == 0 || image.ysize == 0)
        why = "the image has no pixels (" + std::to_string(image.xsize) + " x " +
              std::to_string(image.ysize) + ")";
    else if (size_t{image.xsize} > std::numeric_limits<size_t>::max() / image.ysize)
        why = "the image size overflows";
    else
        why = Undeliverable(image);  // checked before the buffer is made: a short file cannot ask for much
    if (!why.empty())
    {
        Refuse(image, why);
        return nullptr;
    }

    const size_t nRow = image.xsize;
    SgiPixels pPixels(static_cast<unsigned char*>(std::malloc(nRow * image.ysize)));
    if (!pPixels) return nullptr;
    for (int y = 0; y < image.ysize; ++y)
        if (!SgiGetRow(&image, pPixels.get() + static_cast<size_t>(y) * nRow, y, 0)) return nullptr;

    nWidth = image.xsize;
    nHeight = image.ysize;
    nChannels = image.zsize;
    return pPixels.release();
}

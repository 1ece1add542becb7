// Texture: the block of a CTexture, its invariants, and its BMP and RAW files.
#include "image/Texture.h"

#include "platform/Diagnostics.h"  // plat::Trace, plat::Dump, plat::MessageBox
#include "platform/File.h"         // plat::CFile and the file errors it throws
#include <algorithm>               // std::swap_ranges to turn a top-down block over
#include <cctype>                  // std::tolower for the extension test
#include <cinttypes>               // PRIxPTR for the pointer in the IsValid trace
#include <cstdarg>                 // va_list for the formatted message boxes
#include <cstdio>                  // std::vsnprintf for the formatted message boxes
#include <cstring>                 // std::memcpy for packed rows
#include <new>                     // std::nothrow for allocations that may fail

namespace
{

constexpr uint32_t kHeadersSize = uint32_t(kBmpFileHeaderSize + kBmpInfoHeaderSize);  // 54
constexpr uint32_t kMaxInfoHeaderSize = 1024;  // a longer stored info header is taken as damage

// The last four characters of the name, lowercased (the whole name when shorter).
std::string Extension(const std::string& name)
{
    std::string ext = name.size() > 4 ? name.substr(name.size() - 4) : name;
    for (char& c : ext)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

std::string Format(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    char buffer[1024];
    std::vsnprintf(buffer, sizeof buffer, pszFormat, args);
    va_end(args);
    return buffer;
}

// The dump line of a file error: the text, the cause code, a line break.
void DumpFileError(const char* pszText, const plat::CFileException& e)
{
    plat::Dump() << pszText << int(e.m_cause) << "\n";
}

// Runs one step of file work. A file error is reported as `pszDump` with its cause code on the
// dump stream and `pszBox` in a message box, and the result is false.
template <typename F>
bool FileStep(const char* pszDump, const char* pszBox, F step)
{
    try
    {
        step();
        return true;
    }
    catch (const plat::CFileException& e)
    {
        DumpFileError(pszDump, e);
        plat::MessageBox(pszBox);
        return false;
    }
}

void TraceFileHeader(const BITMAPFILEHEADER& h)
{
    plat::Trace("FileHeader.bfType : %d\n", int(h.bfType));
    plat::Trace("FileHeader.bfSize : %d\n", int(h.bfSize));
    plat::Trace("FileHeader.bfReserved1 : %d\n", int(h.bfReserved1));
    plat::Trace("FileHeader.bfReserved2 : %d\n", int(h.bfReserved2));
    plat::Trace("FileHeader.bfOffBits : %d\n", int(h.bfOffBits));
}

void TraceInfoHeader(const BITMAPINFOHEADER& h)
{
    plat::Trace("\n");
    plat::Trace("**** IMAGE HEADER :\n");
    plat::Trace("**** biSize : %d\n", int(h.biSize));
    plat::Trace("**** biWidth : %d\n", int(h.biWidth));
    plat::Trace("**** biHeight : %d\n", int(h.biHeight));
    plat::Trace("**** biPlanes : %d\n", int(h.biPlanes));
    plat::Trace("**** biBitCount : %d\n", int(h.biBitCount));
    plat::Trace("**** biCompression : %d\n", int(h.biCompression));
    plat::Trace("**** biSizeImage : %d\n", int(h.biSizeImage));
    plat::Trace("**** biXPelsPerMeter : %d\n", int(h.biXPelsPerMeter));
    plat::Trace("**** biYPelsPerMeter : %d\n", int(h.biYPelsPerMeter));
    plat::Trace("**** biClrUsed : %d\n", int(h.biClrUsed));
    plat::Trace("**** biClrImportant : %d\n", int(h.biClrImportant));
}

}  // namespace

CTexture::CTexture() = default;

CTexture::~CTexture()
{
    Free();
}

// --- block ------------------------------------------------------------------------------------

bool CTexture::BlockSize(uint64_t nWidth, uint64_t nHeight, uint32_t nDepth, size_t* pBytes)
{
    if (nWidth > UINT32_MAX || nHeight > UINT32_MAX) return false;
    uint64_t nRow = nWidth * nDepth / 8;
    if (nRow % 4 != 0) nRow += 4 - nRow % 4;
    if (nRow > kMaxBlockBytes || (nRow != 0 && nHeight > kMaxBlockBytes / nRow)) return false;
    *pBytes = size_t(nRow * nHeight);
    return true;
}

std::unique_ptr<unsigned char[]> CTexture::NewBlock(size_t nBytes)
{
    return std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[nBytes]());
}

void CTexture::ReplaceBlock(std::unique_ptr<unsigned char[]> pNew, int32_t nWidth, int32_t nHeight,
                            uint32_t nDepth)
{
    data = std::move(pNew);
    width = nWidth;
    height = nHeight;
    depth = nDepth;
    UpdateHeader();
}

bool CTexture::Alloc(uint32_t nWidth, uint32_t nHeight, uint32_t nDepth)
{
    Free();
    if (nDepth != 24 && nDepth != 32)
    {
        plat::Trace("CTexture::Alloc : invalid depth %u\n", nDepth);
        return false;
    }
    size_t nBytes = 0;
    std::unique_ptr<unsigned char[]> pBlock;
    if (nWidth <= INT32_MAX && nHeight <= INT32_MAX && BlockSize(nWidth, nHeight, nDepth, &nBytes))
        pBlock = NewBlock(nBytes);
    if (!pBlock)
    {
        plat::Trace("CTexture::Alloc : Insuffisant memory\n");
        plat::MessageBox("CTexture::Alloc : Insufisant memory");
        return false;
    }
    ReplaceBlock(std::move(pBlock), int32_t(nWidth), int32_t(nHeight), nDepth);
    return true;
}

void CTexture::Free()
{
    data.reset();
    width = 0;
    height = 0;
    depth = 0;
}

uint32_t CTexture::ComputeWidthByte32(uint32_t nWidth, uint32_t nDepth)
{
    const uint64_t n = uint64_t(nWidth) * nDepth / 8;
    return uint32_t(n % 4 != 0 ? n + 4 - n % 4 : n);
}

void CTexture::UpdateWidthByte32()
{
    widthbyte32 = ComputeWidthByte32(uint32_t(width), depth);
}

void CTexture::UpdateHeader()
{
    UpdateWidthByte32();
    infoHeader = BITMAPINFOHEADER{};
    infoHeader.biSize = uint32_t(kBmpInfoHeaderSize);
    infoHeader.biWidth = width;
    infoHeader.biHeight = height;
    infoHeader.biPlanes = 1;
    infoHeader.biBitCount = uint16_t(depth);
    infoHeader.biCompression = 0;
    infoHeader.biSizeImage = uint32_t(GetBlockSize());
}

bool CTexture::IsValid() const
{
    if ((depth == 24 || depth == 32) && width != 0 && height != 0 && data) return true;
    plat::Trace("\n");
    plat::Trace("Invalid texture\n");
    plat::Trace("Width  : %d\n", int(width));
    plat::Trace("Height : %d\n", int(height));
    plat::Trace("Depth  : %d\n", int(depth));
    plat::Trace("Data   : %" PRIxPTR "\n", reinterpret_cast<uintptr_t>(data.get()));
    return false;
}

bool CTexture::CreateFromBuffer(const unsigned char* pSource, int nWidth, int nHeight, int nDepth)
{
    if (!pSource || !Alloc(uint32_t(nWidth), uint32_t(nHeight), uint32_t(nDepth))) return false;
    const size_t nRow = size_t(width) * (depth / 8);
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(data.get() + size_t(widthbyte32) * size_t(y), pSource + nRow * size_t(y), nRow);
    return true;
}

int CTexture::GetGrey(uint32_t x, uint32_t y) const
{
    if (!IsValid() || x >= uint32_t(width) || y >= uint32_t(height)) return -1;
    const unsigned char* p = data.get() + size_t(widthbyte32) * y + size_t(x) * (depth / 8);
    return (p[0] + p[1] + p[2]) / 3;
}

// --- reading ----------------------------------------------------------------------------------

bool CTexture::ReadFile(const std::string& name, int nRawWidth, int nRawHeight, int nRawDepth)
{
    Free();
    fileName = name;
    plat::Trace("CTexture::ReadFile : file : %s\n", name.c_str());
    const std::string ext = Extension(name);
    if (ext == ".bmp") return ReadFileBMP(name);
    if (ext == ".raw") return ReadFileRAW(name, nRawWidth, nRawHeight, nRawDepth);
    plat::MessageBox(Format("CTexture::ReadFile : invalid file redirection : %s\n", name.c_str()));
    return false;
}

bool CTexture::ReadFileBMP(const std::string& name)
{
    Free();
    plat::CFile file;
    if (!FileStep("File could not be opened ", "Unable to open file for reading",
                  [&] { file.Open(name, plat::CFile::modeRead); }))
        return false;

    BmpFileHeaderBytes fileBytes{};
    if (!FileStep("Error during reading ", "Error during reading file header",
                  [&] { file.Read(fileBytes.data(), fileBytes.size()); }))
        return false;
    const BITMAPFILEHEADER fileHeader = DecodeFileHeader(fileBytes);
    TraceFileHeader(fileHeader);
    if (fileHeader.bfType != kBmpSignature)
    {
        plat::MessageBox("Invalid BMP file");
        return false;
    }

    BmpInfoHeaderBytes infoBytes{};
    if (!FileStep("Error during reading ", "Error during reading image header",
                  [&] { file.Read(infoBytes.data(), infoBytes.size()); }))
        return false;
    infoHeader = DecodeInfoHeader(infoBytes);
    TraceInfoHeader(infoHeader);
    if (infoHeader.biPlanes != 1 || infoHeader.biBitCount != 24)
    {
        plat::MessageBox("Texture file must have 24 bits depth");
        return false;
    }
    if (infoHeader.biWidth <= 0 || infoHeader.biHeight == 0)
    {
        plat::MessageBox("Invalid BMP file");
        return false;
    }

    // The block is sized from the dimensions, whatever biSizeImage says.
    const bool bTopDown = infoHeader.biHeight < 0;
    const uint64_t nRows = bTopDown ? uint64_t(-int64_t(infoHeader.biHeight)) : uint64_t(infoHeader.biHeight);
    size_t nBytes = 0;
    if (nRows > INT32_MAX || !BlockSize(uint64_t(infoHeader.biWidth), nRows, 24, &nBytes))
    {
        plat::MessageBox("Insuffisant memory");
        return false;
    }

    // The pixels start at bfOffBits when it lies past the headers and within the file; else right
    // after the info header as stored (a longer one within bounds delays them), else at 54.
    uint64_t nLength = 0;
    if (!FileStep("Error during reading ", "Error during reading image",
                  [&] { nLength = uint64_t(file.GetLength()); }))
        return false;
    const uint32_t nHeaderSize = infoHeader.biSize;
    uint64_t nOffset = kHeadersSize;
    if (nHeaderSize > kBmpInfoHeaderSize && nHeaderSize <= kMaxInfoHeaderSize &&
        kBmpFileHeaderSize + nHeaderSize <= nLength)
        nOffset = kBmpFileHeaderSize + nHeaderSize;
    if (fileHeader.bfOffBits >= nOffset && fileHeader.bfOffBits <= nLength) nOffset = fileHeader.bfOffBits;
    // A file holding less than half of the pixels its header declares is damaged (or a bare
    // header asking for a huge block): refused before any block is made.
    if (2 * (nLength > nOffset ? nLength - nOffset : 0) < nBytes)
    {
        plat::MessageBox("Damaged BMP file: it holds less than half of its pixels");
        return false;
    }
    std::unique_ptr<unsigned char[]> pBlock = NewBlock(nBytes);
    if (!pBlock)
    {
        plat::MessageBox("Insuffisant memory");
        return false;
    }
    data = std::move(pBlock);
    width = infoHeader.biWidth;
    height = int32_t(nRows);
    depth = 24;
    UpdateWidthByte32();
    infoHeader.biSize = uint32_t(kBmpInfoHeaderSize);
    infoHeader.biHeight = height;
    infoHeader.biSizeImage = uint32_t(nBytes);

    // What the file lacks stays 0.
    if (!FileStep("Error during reading ", "Error during reading image",
                  [&]
                  {
                      file.Seek(int64_t(nOffset), plat::CFile::begin);
                      file.Read(data.get(), nBytes);
                  }))
        return false;
    file.Close();

    if (bTopDown)
    {
        for (size_t nTop = 0, nBottom = size_t(height) - 1; nTop < nBottom; ++nTop, --nBottom)
        {
            unsigned char* pTop = data.get() + nTop * widthbyte32;
            std::swap_ranges(pTop, pTop + widthbyte32, data.get() + nBottom * widthbyte32);
        }
    }
    fileName = name;
    return true;
}

bool CTexture::ReadFileRAW(const std::string& name, int nWidth, int nHeight, int nDepth)
{
    Free();
    if (nWidth <= 0 || nHeight <= 0 || (nDepth != 24 && nDepth != 32))
    {
        plat::MessageBox("CTexture::ReadFileRAW : invalid image");
        return false;
    }
    plat::CFile file;
    if (!FileStep("File could not be opened ", "Unable to open file for reading",
                  [&] { file.Open(name, plat::CFile::modeRead); }))
        return false;
    if (!Alloc(uint32_t(nWidth), uint32_t(nHeight), uint32_t(nDepth)))
    {
        plat::MessageBox("Insuffisant memory");
        return false;
    }

    // Packed rows: one read when the rows have no fill bytes, else one read per row.
    const size_t nRow = size_t(width) * (depth / 8);
    if (!FileStep("Error during reading ", "Error during reading image",
                  [&]
                  {
                      if (nRow == widthbyte32)
                          file.Read(data.get(), GetBlockSize());
                      else
                          for (int32_t y = 0; y < height; ++y)
                              if (file.Read(data.get() + size_t(widthbyte32) * size_t(y), nRow) < nRow) break;
                  }))
        return false;
    file.Close();
    fileName = name;
    return true;
}

// --- writing ----------------------------------------------------------------------------------

bool CTexture::SaveFile(const char* pszName) const
{
    const std::string name = pszName ? pszName : "";
    plat::Trace("CTexture::SaveFile : file : %s\n", name.c_str());
    const std::string ext = Extension(name);
    if (ext == ".raw") return SaveFileRAW(name.c_str());
    if (ext == ".bmp") return SaveFileBMP(name.c_str());
    plat::MessageBox(Format("CTexture::SaveFile : invalid file redirection : %s\n", name.c_str()));
    return false;
}

bool CTexture::SaveFileBMP(const char* pszName) const
{
    if (!IsValid() || depth != 24 || !pszName) return false;
    plat::CFile file;
    if (!FileStep("File could not be opened ", "Unable to open file for writing",
                  [&] { file.Open(pszName, plat::CFile::modeWrite | plat::CFile::modeCreate); }))
        return false;

    BITMAPFILEHEADER fileHeader;
    fileHeader.bfType = kBmpSignature;
    fileHeader.bfSize = uint32_t(GetBlockSize()) + kHeadersSize;
    fileHeader.bfReserved1 = 0;
    fileHeader.bfReserved2 = 0;
    fileHeader.bfOffBits = kHeadersSize;
    plat::Trace("\nSave BMP File...\n");
    TraceFileHeader(fileHeader);

    const char* pszFailure = "Error during writing file header";
    try
    {
        const BmpFileHeaderBytes fileBytes = EncodeFileHeader(fileHeader);
        file.Write(fileBytes.data(), fileBytes.size());
        pszFailure = "Error during writing image header";
        const BmpInfoHeaderBytes infoBytes = EncodeInfoHeader(infoHeader);
        file.Write(infoBytes.data(), infoBytes.size());
        TraceInfoHeader(infoHeader);
        pszFailure = "Error during writing image";
        file.Write(data.get(), GetBlockSize());
    }
    catch (const plat::CFileException& e)
    {
        DumpFileError("Error during writing ", e);
        plat::MessageBox(pszFailure);
        return false;
    }
    return true;
}

bool CTexture::SaveFileRAW(const char* pszName) const
{
    if (width <= 0 || height <= 0 || (depth != 24 && depth != 32) || !data)
    {
        plat::MessageBox("CTexture::SaveFileRAW : invalid image");
        return false;
    }
    plat::CFile file;
    if (!FileStep("File could not be opened ", "Unable to open file for writing",
                  [&]
                  { file.Open(pszName ? pszName : "", plat::CFile::modeWrite | plat::CFile::modeCreate); }))
        return false;
    const size_t nRow = size_t(width) * (depth / 8);
    if (!FileStep("Error during writing ", "Error during writing image",
                  [&]
                  {
                      if (nRow == widthbyte32)
                          file.Write(data.get(), GetBlockSize());
                      else
                          for (int32_t y = 0; y < height; ++y)
                              file.Write(data.get() + size_t(widthbyte32) * size_t(y), nRow);
                  }))
        return false;
    return true;
}

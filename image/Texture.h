// Texture: CTexture, the in-memory image, with its BMP and RAW files and its pixel operations.
//
// THE BLOCK
//   An image holds one block of 24-bit or 32-bit pixels. Each row takes `widthbyte32` bytes,
//   width × depth / 8 rounded up to a multiple of 4 (the fill bytes at the end of a 24-bit row
//   are 0 in every block this class makes; after ReadFileBMP they are what the file stores).
//   The block holds exactly widthbyte32 × height bytes. Pixel (x, y) begins at byte
//   widthbyte32 × y + x × depth / 8; row 0 is the first row of the block, which for a BMP is
//   the BOTTOM row of the picture. Bytes inside a pixel stay in file order: a BMP gives blue,
//   green, red; SwapRedBlue turns that into red, green, blue. A 32-bit pixel has its alpha in
//   byte 3. 32-bit rows have no fill bytes.
//
// READING (every reader starts by emptying the image)
//   ReadFileBMP  accepts uncompressed 24-bit BMP files only (biPlanes 1, biBitCount 24); 8-bit,
//                32-bit and every other depth are refused with "Texture file must have 24 bits
//                depth". The pixels are read from bfOffBits when it lies past the headers and
//                within the file (a colour table may come between, as in some 24-bit files);
//                otherwise right after the info header as stored: from offset 14 + biSize when
//                biSize is more than 40 (the longer headers of newer writers, 108 or 124
//                bytes), at most 1024 and within the file, else from offset 54. "Past the
//                headers" means at or after that offset. On success:
//                  - width = biWidth, height = |biHeight|, depth = 24;
//                  - the block is widthbyte32 × height bytes, sized from the dimensions:
//                    biSizeImage (which may be 0, smaller or larger) is ignored for sizing;
//                  - bytes the file lacks (pixel data cut short) read as 0, bytes beyond the
//                    block are ignored; a file cut short still loads and returns true, as long
//                    as it holds at least half of the block: a file holding less is refused
//                    as damaged, before any block is made, with "Damaged BMP file: it holds
//                    less than half of its pixels" (so a tiny file cannot ask for a huge block);
//                  - rows are bottom row first: a top-down file (negative biHeight) is turned
//                    over while reading, so that row 0 is always the bottom row;
//                  - infoHeader is the file's own, except biSize = 40, biHeight = height
//                    (positive) and biSizeImage = widthbyte32 × height, so that it describes
//                    the block (the trace lists the header as stored in the file).
//                A width ≤ 0 or a height of 0 is refused with "Invalid BMP file"; a block of
//                more than kMaxBlockBytes (or whose size overflows) with "Insuffisant memory".
//   ReadFileRAW  a headerless file of packed rows: width × depth / 8 bytes per row without fill,
//                rows in block order (row 0 first). The reader is told width, height and depth;
//                width and height must be > 0 and depth 24 or 32, otherwise it shows
//                "CTexture::ReadFileRAW : invalid image" and fails without opening the file
//                (the texture bank passes −1, −1, −1: that fails in this orderly way). Bytes the
//                file lacks read as 0.
//   On failure a reader returns false and the image is empty (IsValid false), except after a
//   read error inside the pixel block, where the block and its dimensions stay and hold what
//   was read before the error (zeros after it). Each failure is reported as the member
//   comments below say.
//
// WRITING
//   SaveFileBMP  24-bit images only: a 54-byte header (bfOffBits 54) and the block as it is.
//   SaveFileRAW  the packed rows that ReadFileRAW reads; creates the file or truncates it.
//
// REPORTING
//   Message boxes, trace lines and dump lines go through platform/Diagnostics.h. A dump line is
//   a text, the numeric cause code of the file error (plat::CFileException::m_cause), "\n".
//   File errors are caught inside each reader and writer; nothing throws out of this class.
#pragma once

#include "image/BmpHeaders.h"  // BITMAPINFOHEADER held by every image
#include <cstddef>             // size_t for block sizes
#include <cstdint>             // fixed-width member types
#include <memory>              // std::unique_ptr owning the block
#include <string>              // std::string for the file name

class CDeviceContext;

class CTexture
{
public:
    static constexpr size_t kMaxBlockBytes = size_t(1) << 30;  // largest block any operation makes

    CTexture();           // an empty image: data null, all sizes 0, fileName ""
    virtual ~CTexture();  // frees the block
    CTexture(const CTexture&) = delete;
    CTexture& operator=(const CTexture&) = delete;

    // --- block and files (Texture.cpp) ---------------------------------------------------

    // New zero-filled block of the given size; depth must be 24 or 32. Upon exit true and
    // widthbyte32 and infoHeader describe the block (UpdateHeader), or false and the image is
    // empty: a bad depth traces "CTexture::Alloc : invalid depth %u\n"; a block that cannot be
    // had (too big, size overflow, no memory) traces "CTexture::Alloc : Insuffisant memory\n"
    // and shows "CTexture::Alloc : Insufisant memory".
    bool Alloc(uint32_t nWidth, uint32_t nHeight, uint32_t nDepth);
    // Releases the block: data null, width = height = depth = 0; widthbyte32 and infoHeader stay.
    void Free();

    // Empties the image, sets fileName = name, traces "CTexture::ReadFile : file : %s\n" and
    // reads by the last four characters of the lowercased name: ".bmp" → ReadFileBMP, ".raw" →
    // ReadFileRAW with the three raw values. Any other name shows "CTexture::ReadFile : invalid
    // file redirection : %s\n" (formatted with the name) and returns false.
    bool ReadFile(const std::string& name, int nRawWidth, int nRawHeight, int nRawDepth);
    // Reads a 24-bit BMP as described at the top of this file; traces both headers.
    bool ReadFileBMP(const std::string& name);
    // Reads a RAW file of the given size as described at the top of this file.
    bool ReadFileRAW(const std::string& name, int nWidth, int nHeight, int nDepth);

    // Traces "CTexture::SaveFile : file : %s\n" and writes by extension: ".raw" → SaveFileRAW,
    // ".bmp" → SaveFileBMP; any other name shows "CTexture::SaveFile : invalid file redirection
    // : %s\n" (formatted) and returns false. The image never changes.
    bool SaveFile(const char* pszName) const;
    // Writes a BMP; false without a message box for an invalid (traced by IsValid) or 32-bit
    // image. Creates or truncates the file.
    bool SaveFileBMP(const char* pszName) const;
    // Writes the packed rows; an empty image shows "CTexture::SaveFileRAW : invalid image".
    // Creates or truncates the file.
    bool SaveFileRAW(const char* pszName) const;

    // New block from packed rows (width × depth / 8 bytes each, no fill): pixel (x, y) is read
    // at pSource[(width × y + x) × depth / 8]. False for a null source or a failed Alloc.
    bool CreateFromBuffer(const unsigned char* pSource, int nWidth, int nHeight, int nDepth);
    // Grey level of pixel (x, y): the sum of its first three bytes divided by 3 (integer
    // division). −1 when the image is not valid or (x, y) lies outside it.
    int GetGrey(uint32_t x, uint32_t y) const;

    // Bytes per row: width × depth / 8 rounded up to a multiple of 4 (unsigned 32-bit).
    static uint32_t ComputeWidthByte32(uint32_t nWidth, uint32_t nDepth);
    void UpdateWidthByte32();  // widthbyte32 from width and depth
    void UpdateHeader();       // UpdateWidthByte32, then infoHeader describing the block

    // Depth 24 or 32, width and height not 0, data not null. Otherwise traces "\n",
    // "Invalid texture\n", "Width  : %d\n", "Height : %d\n", "Depth  : %d\n", "Data   : %x\n"
    // (the pointer in hexadecimal) and returns false.
    bool IsValid() const;
    bool HasAlpha() const { return depth == 32; }  // 32-bit pixels

    unsigned char* GetData() { return data.get(); }              // the block, null when empty
    const unsigned char* GetData() const { return data.get(); }  // the block, null when empty
    int GetWidth() const { return width; }                       // pixels per row
    int GetHeight() const { return height; }                     // rows
    uint32_t GetDepth() const { return depth; }                  // bits per pixel, 0 when empty
    uint32_t GetWidthByte32() const { return widthbyte32; }      // bytes per row
    size_t GetBlockSize() const { return size_t(widthbyte32) * size_t(height > 0 ? height : 0); }  // bytes
    const std::string& GetFileName() const { return fileName; }           // name last given to ReadFile
    const BITMAPINFOHEADER& GetInfoHeader() const { return infoHeader; }  // BMP description

    // --- pixel operations (TextureOps.cpp) -----------------------------------------------
    // Each operation leaves the image unchanged or valid with a new block; new blocks get
    // UpdateHeader. An invalid image (traced by IsValid) gives false.

    bool SwapRedBlue();                          // exchanges bytes 0 and 2 of every pixel
    bool SameSize(const CTexture& other) const;  // same width and height
    bool SetAlpha(unsigned char nAlpha);         // byte 3 of every pixel = alpha; false unless 32-bit
    // 24-bit → 32-bit with the given alpha (a 32-bit image only gets its alpha rewritten).
    // No memory: shows "CTexture::AddAlphaLayer : insuffisant memory", image unchanged.
    bool AddAlphaLayer(unsigned char nAlpha);
    // 32-bit with alpha = grey level of the mask pixel at the same place (see GetGrey); false
    // unless both images are valid and of the same size.
    bool AddAlphaFromMask(const CTexture& mask);
    // Crops to columns x1..x2 and rows y1..y2 (inclusive), rows counted from the last row of
    // the block (for a BMP: from the top of the picture); −1 for x2 or y2 means the last one.
    // The result has at least 2 × 2 pixels and its rows in reverse order: row y1 becomes row 0.
    // Traces "Start extracting...\n", "New width : %d\n", "New height : %d\n". No memory:
    // shows "Insuffisant memeory", image unchanged.
    bool Extract(int x1, int y1, int x2, int y2);
    // Extract, then a 2w × 2h tile of the crop mirrored left/right and top/bottom. Traces
    // "Start duplicate mirror...\n", "New width : %d\n", "New widthbyte32 : %d\n",
    // "New height : %d\n". No memory: "Insuffisant memeory", the image stays the crop.
    bool DuplicateMirror(int x1, int y1, int x2, int y2);
    // As DuplicateMirror, mirrored left/right only: 2w × h.
    bool DuplicateMirrorHorizontal(int x1, int y1, int x2, int y2);
    // Smallest 2^i (i ≥ 1) ≥ n: 1 → 2, 3 → 4. n ≤ 0 and n > 2^30 are returned unchanged.
    static int NextPowerOfTwo(int n);
    // 2^(i − 1) for the first i ≥ 1 with 2^i ≥ n: 1 → 1, 2 → 1, 4 → 2, 5 → 4. n ≤ 0 unchanged.
    static int PrevPowerOfTwo(int n);
    // Blits the block with infoHeader to dc at (x, y); a width or height of −1 (any negative)
    // means the image's. Returns the rows drawn (the device's answer), 0 for an invalid image.
    int Draw(CDeviceContext& dc, int x, int y, int nWidth = -1, int nHeight = -1) const;

    // --- data (public so that the texture bank and the display code can read the block;
    //     change it only through the operations above, which keep the invariants) ----------
    std::unique_ptr<unsigned char[]> data;  // owned pixel block, null when empty
    int32_t width = 0;                      // pixels per row
    int32_t height = 0;                     // rows
    uint32_t depth = 0;                     // bits per pixel: 24 or 32, 0 when empty
    std::string fileName;                   // the name last given to ReadFile
    BITMAPINFOHEADER infoHeader;            // BMP description of the block
    uint32_t widthbyte32 = 0;               // bytes per row of the block

private:
    // Upon exit *pBytes = widthbyte32(width, depth) × height when that is at most
    // kMaxBlockBytes and no product overflows; otherwise false.
    static bool BlockSize(uint64_t nWidth, uint64_t nHeight, uint32_t nDepth, size_t* pBytes);
    // A zero-filled block of n bytes, null when memory runs out.
    static std::unique_ptr<unsigned char[]> NewBlock(size_t nBytes);
    // Replaces the block by pNew of the given size and calls UpdateHeader.
    void ReplaceBlock(std::unique_ptr<unsigned char[]> pNew, int32_t nWidth, int32_t nHeight,
                      uint32_t nDepth);
    // Builds the 2 × 2 (bVertical) or 2 × 1 mirrored tile of the current image.
    bool Mirror(bool bVertical);
};

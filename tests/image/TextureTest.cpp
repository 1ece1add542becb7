// TextureTest: CTexture: its block and pixel operations on images worked out by hand, its BMP files
// against the pixels ImageMagick reads from its own and netpbm's files, odd and cut-short files,
// RAW files, and what failing reads and writes report.
#include "image/Texture.h"

#include "ImageTestTools.h"  // fixture, shell, byte helpers

#include <algorithm>   // std::swap_ranges for rows stored top row first
#include <filesystem>  // folders, links and file sizes

namespace
{

using namespace cubatro::test;

Bytes BlockOf(const CTexture& texture)  // the whole block, empty for an empty image
{
    return texture.GetData() ? Bytes(texture.GetData(), texture.GetData() + texture.GetBlockSize()) : Bytes{};
}

// A w × h image whose pixel (x, y) holds x, y, 7 (and 9 at 32 bits).
void Coords(CTexture& texture, int nWidth, int nHeight, int nDepth = 24)
{
    Bytes packed;
    for (int i = 0; i < nWidth * nHeight; ++i)
    {
        const uint8_t pixel[] = {uint8_t(i % nWidth), uint8_t(i / nWidth), 7, 9};
        packed.insert(packed.end(), pixel, pixel + nDepth / 8);
    }
    ASSERT_TRUE(texture.CreateFromBuffer(packed.data(), nWidth, nHeight, nDepth));
}

// The info header of a block.
BmpInfoHeaderBytes Described(int nWidth, int nHeight, uint16_t nBits, uint32_t nBytes)
{
    return EncodeInfoHeader(BITMAPINFOHEADER{40, nWidth, nHeight, 1, nBits, 0, nBytes, 0, 0, 0, 0});
}

// The pixels ImageMagick reads from a file of `dir`, as it stores them in a classic 24-bit BMP:
// bottom row first, blue, green, red, rows padded to a multiple of 4 bytes.
Bytes ToolBlock(const CTempDir& dir, const std::string& name)
{
    Shell(dir, "convert " + name + " -type truecolor BMP3:tool.bmp");
    const Bytes file = CTempDir::ReadAll(dir / "tool.bmp");
    return Bytes(file.begin() + long(std::min<size_t>(54, file.size())), file.end());
}

using TextureTest = CImageTest;

TEST_F(TextureTest, BlockHasZeroedPaddedRowsAndAHeaderThatDescribesIt)
{
    CTexture texture;
    ASSERT_TRUE(texture.Alloc(5, 2, 24));
    EXPECT_EQ(BlockOf(texture), Bytes(32, 0));
    const Bytes packed = {255, 255, 255, 1, 1, 2, 9, 9, 9, 200, 100, 0, 0, 0, 0, 7, 8, 9};  // 3 × 2
    ASSERT_TRUE(texture.CreateFromBuffer(packed.data(), 3, 2, 24));
    EXPECT_EQ(BlockOf(texture),
              (Bytes{255, 255, 255, 1, 1, 2, 9, 9, 9, 0, 0, 0, 200, 100, 0, 0, 0, 0, 7, 8, 9, 0, 0, 0}));
    EXPECT_EQ(EncodeInfoHeader(texture.GetInfoHeader()), Described(3, 2, 24, 24));
    // Grey levels: the mean of the first three bytes (rounded down), -1 outside.
    EXPECT_EQ(std::pair(texture.GetGrey(1, 0), texture.GetGrey(0, 2)), std::pair(1, -1));
    // Refused: a depth, then blocks too big, too wide and too tall for the int sizes.
    EXPECT_FALSE(texture.Alloc(4, 4, 8) || texture.Alloc(1u << 20, 1u << 20, 24) ||
                 texture.Alloc(UINT32_MAX, 1, 24) || texture.Alloc(1, 0x80000000u, 32));
    EXPECT_EQ(m_capture.Boxes(), Strings(3, "CTexture::Alloc : Insufisant memory")) << "none for the depth";
    m_capture.Clear();
    EXPECT_FALSE(texture.IsValid() || texture.CreateFromBuffer(nullptr, 3, 2, 24));
    EXPECT_EQ(std::tuple(m_capture.TraceText(), texture.GetData(), texture.GetWidth() + texture.GetHeight()),
              std::tuple("\nInvalid texture\nWidth  : 0\nHeight : 0\nDepth  : 0\nData   : 0\n", nullptr, 0));
}

// Each operation on an image whose pixel (x, y) holds x, y, 7 (and 9 at 32 bits), and the block
// it leaves, worked out by hand: 24-bit rows of 6 bytes are padded to 8; crops count rows from the
// last row of the block and store them in reverse order; tiles put each row before its mirror image
// and, vertically, the rows again in reverse order above.
TEST_F(TextureTest, OperationsLeaveTheBlocksWorkedOutByHand)
{
    // name, width, height, depth, operation, block
    // clang-format off
    const std::tuple<const char*, int, int, int, bool (*)(CTexture&), Bytes> cases[] = {
        {"swap", 2, 2, 24, [](CTexture& t) { return t.SwapRedBlue(); },
         {7, 0, 0, 7, 0, 1, 0, 0, 7, 1, 0, 7, 1, 1, 0, 0}},
        {"swap", 2, 1, 32, [](CTexture& t) { return t.SwapRedBlue(); }, {7, 0, 0, 9, 7, 0, 1, 9}},
        {"alpha", 2, 2, 24, [](CTexture& t) { return t.AddAlphaLayer(128); },
         {0, 0, 7, 128, 1, 0, 7, 128, 0, 1, 7, 128, 1, 1, 7, 128}},
        {"alpha", 2, 1, 32, [](CTexture& t) { return t.AddAlphaLayer(5); }, {0, 0, 7, 5, 1, 0, 7, 5}},
        {"crop", 5, 4, 24, [](CTexture& t) { return t.Extract(1, 1, 3, 2); },
         {1, 2, 7, 2, 2, 7, 3, 2, 7, 0, 0, 0, 1, 1, 7, 2, 1, 7, 3, 1, 7, 0, 0, 0}},
        {"tile", 2, 2, 24, [](CTexture& t) { return t.DuplicateMirror(0, 0, -1, -1); },
         {0, 0, 7, 1, 0, 7, 1, 0, 7, 0, 0, 7, 0, 1, 7, 1, 1, 7, 1, 1, 7, 0, 1, 7,
          0, 1, 7, 1, 1, 7, 1, 1, 7, 0, 1, 7, 0, 0, 7, 1, 0, 7, 1, 0, 7, 0, 0, 7}},
        {"row tile", 2, 2, 24, [](CTexture& t) { return t.DuplicateMirrorHorizontal(0, 0, -1, -1); },
         {0, 0, 7, 1, 0, 7, 1, 0, 7, 0, 0, 7, 0, 1, 7, 1, 1, 7, 1, 1, 7, 0, 1, 7}}};
    // clang-format on
    CTexture texture, mask, empty;
    for (const auto& [pszName, nWidth, nHeight, nDepth, operation, block] : cases)
    {
        Coords(texture, nWidth, nHeight, nDepth);
        EXPECT_TRUE(operation(texture) && !operation(empty)) << pszName << ", and refused on an empty image";
        EXPECT_EQ(BlockOf(texture), block) << pszName;
    }
    // Alpha from the grey levels 3, 60, 254 and 0 of a mask of the same size, with rows padded at 24
    // bits, then the same mask at 32 bits.
    const Bytes masked = {0, 0, 7, 3, 1, 0, 7, 60, 0, 1, 7, 254, 1, 1, 7, 0},
                grey = {3, 3, 3, 30, 60, 91, 255, 255, 254, 0, 0, 2};
    Coords(texture, 2, 2);
    ASSERT_TRUE(mask.CreateFromBuffer(grey.data(), 2, 2, 24) && texture.AddAlphaFromMask(mask));
    EXPECT_EQ(BlockOf(texture), masked);
    Coords(texture, 2, 2);
    ASSERT_TRUE(mask.AddAlphaLayer(99) && texture.AddAlphaFromMask(mask));
    EXPECT_EQ(BlockOf(texture), masked);
    Coords(mask, 3, 2);
    EXPECT_FALSE(texture.AddAlphaFromMask(mask) || mask.SetAlpha(1) || mask.AddAlphaFromMask(CTexture()));
    EXPECT_EQ(BlockOf(texture), masked);
    // Each bound broken in turn: x1 ≥ x2, y1 ≥ y2, x1 < 0, y1 < 0, x2 past the end, y2 past it.
    const int rects[][4] = {{1, 0, 1, -1}, {0, 2, -1, 2}, {-1, 0, 2, 2},
                            {0, -2, 2, 2}, {0, 0, 10, 2}, {0, 0, 2, 3}};
    Coords(texture, 5, 3);
    const Bytes before = BlockOf(texture);
    for (const auto& [x1, y1, x2, y2] : rects)
        EXPECT_FALSE(texture.Extract(x1, y1, x2, y2) || texture.DuplicateMirror(x1, y1, x2, y2) ||
                     texture.DuplicateMirrorHorizontal(x1, y1, x2, y2))
            << x1 << "," << y1 << "," << x2 << "," << y2;
    EXPECT_EQ(BlockOf(texture), before);
}

// ImageMagick's classic format (40-byte info header), its default one (a longer info header) and
// netpbm's (biSizeImage 0); rows with and without fill bytes; the classic format with 16 bytes where
// a colour table goes between the headers and the pixels (bfOffBits 70). Our copy is the classic format.
TEST_F(TextureTest, ToolFilesHoldThePixelsTheToolReadsAndWeWriteThemBack)
{
    const std::string plasma = " -seed 5 plasma: -type truecolor ";
    // command, width, height, block bytes, known hash of the block
    const std::tuple<std::string, int, int, uint32_t, uint64_t> cases[] = {
        {"convert -size 5x3" + plasma + "BMP3:made.bmp", 5, 3, 48, 0},
        {"convert -size 1x3" + plasma + "BMP3:made.bmp", 1, 3, 12, 0},
        {"convert -size 4x2" + plasma + "made.bmp", 4, 2, 24, 0},
        {"ppmrainbow -width=3 -height=2 red lime blue > a.ppm && ppmmake rgb:10/20/30 3 1 > b.ppm && "
         "pnmcat -tb a.ppm b.ppm | pnmtile 13 7 | ppmtobmp -bpp=24 > made.bmp",
         13, 7, 280, 0xc0cb9e619a9fb7f6ull},
        // clang-format off
        {"convert -size 5x3" + plasma + "BMP3:a.bmp && (head -c 2 a.bmp; printf 'v\\0\\0\\0\\0\\0\\0\\0F"
         "\\0\\0\\0'; tail -c +15 a.bmp | head -c 40; printf %016d 0; tail -c +55 a.bmp) >made.bmp",
         5, 3, 48, 0}};
    // clang-format on
    for (const auto& [command, nWidth, nHeight, nBytes, nHash] : cases)
    {
        ASSERT_TRUE(Shell(m_dir, command));
        const Bytes expected = ToolBlock(m_dir, "made.bmp");
        CTexture texture;
        ASSERT_TRUE(texture.ReadFile(m_dir / "made.bmp", -1, -1, -1));
        EXPECT_EQ(std::pair(BlockOf(texture), EncodeInfoHeader(texture.GetInfoHeader())),
                  std::pair(expected, Described(nWidth, nHeight, 24, nBytes)))
            << command;
        EXPECT_EQ(nHash ? Fnv1a(expected) : 0, nHash) << "known hash";
        ASSERT_TRUE(texture.SaveFile((m_dir / "ours.bmp").c_str()));
        Bytes written = BmpHeader(nWidth, nHeight, 24, nBytes);
        written.insert(written.end(), expected.begin(), expected.end());
        EXPECT_EQ(CTempDir::ReadAll(m_dir / "ours.bmp"), written) << command;
    }
}

// A 5 × 3 file (rows of 16 bytes) patched: biSizeImage far off, bfOffBits past the pixels, biSize
// too long for a header or past the end of the file (pixels from 54 all the same), rows stored top
// row first (height -3), the file cut to half its rows (less is refused).
TEST_F(TextureTest, OddHeadersAndCutShortFilesLoadIntoABlockThatDescribesItself)
{
    ASSERT_TRUE(Shell(m_dir, "convert -size 5x3 -seed 5 plasma: -type truecolor BMP3:made.bmp"));
    const Bytes file = CTempDir::ReadAll(m_dir / "made.bmp");
    // header field, its value, pixel bytes kept, bytes appended
    // clang-format off
    const std::tuple<size_t, uint32_t, size_t, size_t> cases[] = {
        {34, 0xFFFFFF00u, 48, 0}, {10, 200, 48, 0}, {14, 1100, 48, 2000}, {14, 1000, 48, 0},
        {22, 3, 24, 0}, {22, uint32_t(-3), 48, 0}, {22, uint32_t(-3), 24, 0}};
    // clang-format on
    for (const auto& [nField, nValue, nKept, nAppended] : cases)
    {
        const bool bTopDown = nValue == uint32_t(-3);
        Bytes patched = file;
        Put(patched, nField, nValue, 4);
        if (bTopDown) std::swap_ranges(patched.begin() + 54, patched.begin() + 70, patched.begin() + 86);
        patched.resize(54 + nKept);
        // The rows stored, zeros after, bottom row first.
        Bytes expected(patched.begin() + 54, patched.end());
        expected.resize(48, 0);
        if (bTopDown) std::swap_ranges(expected.begin(), expected.begin() + 16, expected.begin() + 32);
        patched.resize(patched.size() + nAppended, 0xEE);
        CTexture texture;
        ASSERT_TRUE(texture.ReadFile(m_dir.Write("p.bmp", patched), -1, -1, -1));
        EXPECT_EQ(std::pair(BlockOf(texture), EncodeInfoHeader(texture.GetInfoHeader())),
                  std::pair(expected, Described(5, 3, 24, 48)))
            << nField << " " << nValue << " " << nKept;
    }
}

// Failing reads report in message boxes and, for a file error, in a dump line with its cause code
// (2: no such file, 6: read error); each leaves an empty image with the name it was given. A file
// holding less than half of its pixels is damaged.
TEST_F(TextureTest, FailedReadsReportAndLeaveAnEmptyImage)
{
    std::filesystem::create_directory(m_dir.Path() / "folder.bmp");
    const std::string raw = m_dir.Write("a.raw", Bytes(4, 1)), invalid = "Invalid BMP file";
    CTexture texture;
    ASSERT_TRUE(texture.Alloc(2, 2, 24));
    EXPECT_FALSE(texture.ReadFile("a.png", 0, 0, 0) || texture.ReadFile(m_dir / "NONE.BMP", 0, 0, 0) ||
                 texture.ReadFile(m_dir / "folder.bmp", 0, 0, 0) ||
                 texture.ReadFile(m_dir.Write("x.bmp", Bytes(80, 'x')), 0, 0, 0) ||
                 texture.ReadFile(m_dir.Write("8.bmp", BmpHeader(4, 4, 8)), 0, 0, 0) ||
                 texture.ReadFile(m_dir.Write("w0.bmp", BmpHeader(0, 4, 24)), 0, 0, 0) ||
                 texture.ReadFile(m_dir.Write("tall.bmp", BmpHeader(1, INT32_MIN, 24)), 0, 0, 0) ||
                 texture.ReadFile(m_dir.Write("cut.bmp", BmpHeader(5, 3, 24, 48)), 0, 0, 0) ||
                 texture.ReadFile(raw, -1, -1, -1) || texture.ReadFile(raw, 1 << 20, 1 << 20, 32));
    EXPECT_EQ(
        m_capture.Boxes(),
        (Strings{"CTexture::ReadFile : invalid file redirection : a.png\n", "Unable to open file for reading",
                 "Error during reading file header", invalid, "Texture file must have 24 bits depth", invalid,
                 "Insuffisant memory", "Damaged BMP file: it holds less than half of its pixels",
                 "CTexture::ReadFileRAW : invalid image", "CTexture::Alloc : Insufisant memory",
                 "Insuffisant memory"}));
    EXPECT_EQ(m_capture.DumpText(), "File could not be opened 2\nError during reading 6\n");
    EXPECT_EQ(std::tuple(texture.GetFileName(), texture.GetData(), texture.GetDepth()),
              std::tuple(raw, nullptr, 0u));
}

// Packed rows in block order, from blocks with and without fill bytes, each less than half the one
// before, so that each save must truncate the file; a file cut to half reads as 0 where it stops.
// Then the writes refused: a 32-bit BMP, an empty image, an unknown extension, a full device.
TEST_F(TextureTest, RawFilesHoldPackedRowsAndFailedWritesReport)
{
    const std::string path = m_dir / "picture.RAW";
    CTexture texture, back;
    for (const auto& [nWidth, nHeight, nDepth] :
         {std::tuple(5, 3, 32), std::tuple(4, 2, 24), std::tuple(1, 2, 24)})
    {
        Bytes packed(size_t(nWidth * nHeight * nDepth / 8));
        for (size_t i = 0; i < packed.size(); ++i)
            packed[i] = static_cast<unsigned char>(i * 13 + 7);
        ASSERT_TRUE(texture.CreateFromBuffer(packed.data(), nWidth, nHeight, nDepth) &&
                    texture.SaveFile(path.c_str()));
        EXPECT_EQ(CTempDir::ReadAll(path), packed);
        ASSERT_TRUE(back.ReadFile(path, nWidth, nHeight, nDepth));
        EXPECT_EQ(std::pair(BlockOf(back), back.GetFileName()), std::pair(BlockOf(texture), path));
        std::filesystem::resize_file(path, packed.size() / 2);
        std::fill(packed.begin() + long(packed.size() / 2), packed.end(), 0);
        ASSERT_TRUE(back.ReadFile(path, nWidth, nHeight, nDepth) &&
                    texture.CreateFromBuffer(packed.data(), nWidth, nHeight, nDepth));
        EXPECT_EQ(BlockOf(back), BlockOf(texture)) << nWidth << "x" << nHeight << "x" << nDepth;
    }
    ASSERT_TRUE(texture.AddAlphaLayer(1));
    std::filesystem::create_symlink("/dev/full", m_dir.Path() / "full.bmp");
    m_capture.Clear();
    EXPECT_FALSE(texture.SaveFile((m_dir / "a.bmp").c_str()) || CTexture().SaveFile(path.c_str()) ||
                 back.SaveFile("a.png") || back.SaveFile((m_dir / "full.bmp").c_str()));
    const Strings boxes = {"CTexture::SaveFileRAW : invalid image",
                           "CTexture::SaveFile : invalid file redirection : a.png\n",
                           "Error during writing file header"};
    EXPECT_EQ(std::tuple(m_capture.Boxes(), m_capture.DumpText(), std::filesystem::exists(m_dir / "a.bmp")),
              std::tuple(boxes, "Error during writing 9\n", false));
}

}  // namespace

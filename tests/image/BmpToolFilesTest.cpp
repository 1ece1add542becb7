// BmpToolFilesTest: CTexture against BMP files made by ImageMagick and netpbm at test time: it
// delivers the pixels the tools read, keeps odd and cut-short files inside the block, refuses
// other depths, and writes files the tools read back.
#include "image/Texture.h"

#include "TextureTestTools.h"  // fixture, tool-made files, block helpers

#include <algorithm>  // std::swap_ranges for rows stored top row first
#include <tuple>      // rows of the size table
#include <utility>    // std::pair rows of the depth table

namespace
{

using namespace cubatro::test;
using BmpToolTest = CTextureFixture;

// Widths that are a multiple of 4 bytes, that are not, and width 1; then files with the longer
// info header; then files with biSizeImage 0 whose decoded blocks have known FNV-1a hashes.
TEST_F(BmpToolTest, BlockHoldsThePixelsTheToolReadsAndToolsReadOurCopy)
{
    const std::tuple<EBmpTool, int, int, uint64_t> pictures[] = {
        {EBmpTool::Bmp3, 4, 5, 0},
        {EBmpTool::Bmp3, 5, 3, 0},
        {EBmpTool::Bmp3, 1, 3, 0},
        {EBmpTool::Default, 5, 3, 0},
        {EBmpTool::Default, 1, 3, 0},
        {EBmpTool::Netpbm, 5, 3, 0xa38c20acbeeca7e5ull},
        {EBmpTool::Netpbm, 13, 7, 0xc0cb9e619a9fb7f6ull},
        {EBmpTool::Netpbm, 64, 64, 0xc8f9376a9a612a63ull}};
    for (const auto& [tool, nWidth, nHeight, nHash] : pictures)
    {
        const std::string made = MakeBmp(tool, nWidth, nHeight), ours = m_dir / "ours.bmp",
                          size = std::to_string(nWidth) + " " + std::to_string(nHeight);
        SCOPED_TRACE(std::to_string(int(tool)) + ": " + size);
        const Bytes file = CTempDir::ReadAll(made), rgb = ToolRgb(made),
                    expected = BlockFromRgb(rgb, nWidth, nHeight);
        const unsigned nInfoSize = file.size() > 18 ? file[14] | file[15] << 8 : 0;
        EXPECT_TRUE(tool == EBmpTool::Default ? nInfoSize == 108 || nInfoSize == 124 : nInfoSize == 40)
            << nInfoSize;
        m_capture.Clear();
        CTexture texture;
        ASSERT_TRUE(texture.ReadFile(made, -1, -1, -1));
        EXPECT_EQ(std::tuple(texture.GetWidth(), texture.GetHeight(), texture.GetDepth(),
                             texture.GetInfoHeader().biSizeImage),
                  std::tuple(nWidth, nHeight, 24u, uint32_t(expected.size())));
        EXPECT_EQ(BlockOf(texture), expected);
        uint64_t nFnv1a = 0xcbf29ce484222325ull;
        for (unsigned char c : BlockOf(texture))
            nFnv1a = (nFnv1a ^ c) * 0x100000001b3ull;
        EXPECT_EQ(nHash ? nFnv1a : 0, nHash) << "known hash";
        EXPECT_EQ(m_capture.Boxes(), Strings{});

        ASSERT_TRUE(texture.SaveFile(ours.c_str()));
        std::string identified;
        EXPECT_EQ(RunCommand("identify -format '%m %w %h %z' " + ours, &identified), 0);
        EXPECT_EQ(identified, "BMP3 " + size + " 8");
        EXPECT_EQ(ToolRgb(ours), rgb);
        ASSERT_TRUE(Shell("bmptopnm " + ours + " > " + m_dir / "ours.ppm"));  // netpbm reads it too
        EXPECT_EQ(ToolRgb(m_dir / "ours.ppm"), rgb);
    }
}

TEST_F(BmpToolTest, OtherDepthsAreRefusedAndLeaveAnEmptyImage)
{
    const std::pair<std::string, uint16_t> cases[] = {
        {"convert -size 6x4 -seed 5 plasma: ppm:- | ppmtobmp -bpp=8 > x.bmp", 8},
        {"convert -size 5x3 plasma: -alpha set -channel A -evaluate set 50% -define bmp3:alpha=true "
         "BMP3:x.bmp",
         32}};
    for (const auto& [command, nBitCount] : cases)
    {
        ASSERT_TRUE(Shell("cd " + m_dir.Path().string() + " && " + command));
        CTexture texture;
        ASSERT_TRUE(texture.Alloc(2, 2, 24));
        m_capture.Clear();
        EXPECT_FALSE(texture.ReadFile(m_dir / "x.bmp", -1, -1, -1));
        EXPECT_EQ(m_capture.Boxes(), Strings{"Texture file must have 24 bits depth"});
        EXPECT_EQ(texture.GetInfoHeader().biBitCount, nBitCount) << "the header is the file's";
        EXPECT_EQ(texture.GetData(), nullptr);
    }
}

// A 5 × 3 file (rows of 16 bytes) as made, then patched: one header field set, rows stored top
// row first with a negative height, bytes appended, the file cut after some pixel bytes.
TEST_F(BmpToolTest, OddHeadersAndCutShortFilesLoadIntoABlockThatDescribesItself)
{
    const std::string made = MakeBmp(EBmpTool::Bmp3, 5, 3);
    const Bytes file = CTempDir::ReadAll(made), rgb = ToolRgb(made);
    ASSERT_EQ(file.size(), 54u + 48u);
    const auto turned = [](Bytes rows)
    {
        std::swap_ranges(rows.begin(), rows.begin() + 16, rows.begin() + 32);
        return rows;
    };
    // label, field offset (0: none), its value, top row first, bytes appended, pixel bytes kept
    const std::tuple<const char*, size_t, uint32_t, bool, size_t, size_t> cases[] = {
        {"SizeImageZero", 34, 0, false, 0, 48},
        {"SizeImageSmaller", 34, 1, false, 0, 48},
        {"SizeImageHuge", 34, 0xFFFFFF00u, false, 0, 48},
        {"OffBitsLarger", 10, 200, false, 0, 48},
        {"InfoSizeAbsurd", 14, 1100, false, 2000, 48},
        {"InfoSizePastTheEnd", 14, 1000, false, 0, 48},
        {"TopDown", 0, 0, true, 0, 48},
        {"CutInsideTheRows", 0, 0, false, 0, 20},
        {"CutBeforeThePixels", 0, 0, false, 0, 0},
        {"TopDownCut", 0, 0, true, 0, 20}};
    for (const auto& [pszLabel, nField, nValue, bTopDown, nAppended, nKept] : cases)
    {
        SCOPED_TRACE(pszLabel);
        Bytes patched = file;
        if (nField) Put32(patched, nField, nValue);
        if (bTopDown)
        {
            const Bytes rows = turned(Bytes(file.begin() + 54, file.end()));
            std::copy(rows.begin(), rows.end(), patched.begin() + 54);
            Put32(patched, 22, uint32_t(-3));
            ASSERT_EQ(ToolRgb(m_dir.Write("p.bmp", patched)), rgb) << "the same picture";
        }
        patched.resize(54 + nKept);
        patched.resize(patched.size() + nAppended, 0xEE);
        // Expected: the stored rows as far as the file holds them, zeros after, bottom row first.
        Bytes expected(patched.begin() + 54, patched.begin() + 54 + long(nKept));
        expected.resize(48, 0);
        expected = bTopDown ? turned(expected) : expected;
        m_capture.Clear();
        CTexture texture;
        ASSERT_TRUE(texture.ReadFile(m_dir.Write("p.bmp", patched), -1, -1, -1));
        EXPECT_EQ(BlockOf(texture), expected);
        EXPECT_EQ(nKept < 48 ? BlockFromRgb(rgb, 5, 3) : BlockOf(texture), BlockFromRgb(rgb, 5, 3))
            << "as the tool reads";
        EXPECT_EQ(EncodeInfoHeader(texture.GetInfoHeader()),
                  EncodeInfoHeader(BITMAPINFOHEADER{40, 5, 3, 1, 24, 0, 48, 0, 0, 0, 0}));
        const uint32_t nStored =
            patched[34] | patched[35] << 8 | patched[36] << 16 | uint32_t(patched[37]) << 24;
        EXPECT_NE(m_capture.TraceText().find("**** biSizeImage : " + std::to_string(int32_t(nStored)) + "\n"),
                  std::string::npos)
            << "the trace lists the header as stored";
        EXPECT_EQ(m_capture.Boxes(), Strings{});
    }
}

TEST_F(BmpToolTest, BadSizesAreRefusedBeforeAnyBlockIsMade)
{
    const Bytes file = CTempDir::ReadAll(MakeBmp(EBmpTool::Netpbm, 4, 4));
    const std::string invalid = "Invalid BMP file", noMemory = "Insuffisant memory";
    const std::tuple<int32_t, int32_t, std::string> cases[] = {
        {0, 4, invalid},          {-4, 4, invalid},         {4, 0, invalid},
        {INT32_MAX, 1, noMemory}, {1, INT32_MIN, noMemory}, {100000, 100000, noMemory}};
    for (const auto& [nWidth, nHeight, box] : cases)
    {
        Bytes patched = file;
        Put32(patched, 18, uint32_t(nWidth));
        Put32(patched, 22, uint32_t(nHeight));
        m_capture.Clear();
        CTexture texture;
        EXPECT_FALSE(texture.ReadFile(m_dir.Write("bad.bmp", patched), -1, -1, -1));
        EXPECT_EQ(m_capture.Boxes(), Strings{box}) << nWidth << "x" << nHeight;
        EXPECT_EQ(texture.GetData(), nullptr);
        EXPECT_EQ(texture.GetWidth() + texture.GetHeight(), 0);
    }
}

}  // namespace

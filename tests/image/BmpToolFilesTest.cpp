// BmpToolFilesTest: CTexture against BMP files made by ImageMagick and netpbm at test time: it
// delivers the pixels the tools read, keeps odd and cut-short files inside the block, refuses
// other depths, and writes files the tools read back.
#include "image/Texture.h"

#include "TextureTestTools.h"  // fixture, tool-made files, block helpers

#include <algorithm>  // std::copy of patched rows

namespace
{

using namespace cubatro::test;
using BmpToolTest = CTextureFixture;

struct ToolPicture
{
    bool bNetpbm;
    int nWidth, nHeight;
};

class BmpToolPixelsTest : public CTextureFixture, public ::testing::WithParamInterface<ToolPicture>
{
};

TEST_P(BmpToolPixelsTest, BlockHoldsThePixelsTheToolReads)
{
    const auto [bNetpbm, nWidth, nHeight] = GetParam();
    const std::string path = MakeBmp(m_dir, bNetpbm, nWidth, nHeight);
    const Bytes expected = BlockFromRgb(ToolRgb(m_dir, path), nWidth, nHeight);
    CTexture texture;
    ASSERT_TRUE(texture.ReadFile(path, -1, -1, -1));
    EXPECT_EQ(texture.GetWidth(), nWidth);
    EXPECT_EQ(texture.GetHeight(), nHeight);
    EXPECT_EQ(texture.GetDepth(), 24u);
    EXPECT_EQ(texture.GetInfoHeader().biSizeImage, expected.size());
    EXPECT_EQ(BlockOf(texture), expected);
    EXPECT_EQ(m_capture.Boxes(), Strings{});
}

INSTANTIATE_TEST_SUITE_P(Widths, BmpToolPixelsTest,
                         ::testing::ValuesIn(
                             []
                             {
                                 std::vector<ToolPicture> pictures;
                                 for (bool bNetpbm : {false, true})
                                     for (int nWidth : {1, 2, 3, 4, 5, 6, 7, 8, 13, 64})
                                         pictures.push_back({bNetpbm, nWidth, nWidth % 2 ? 3 : 5});
                                 return pictures;
                             }()),
                         [](const auto& p)
                         {
                             return std::string(p.param.bNetpbm ? "Netpbm" : "Convert") +
                                    std::to_string(p.param.nWidth) + "x" + std::to_string(p.param.nHeight);
                         });

TEST_F(BmpToolTest, ReadingTracesBothHeadersAsStored)
{
    const std::string path = MakeBmp(m_dir, true, 7, 3);
    CTexture texture;
    ASSERT_TRUE(texture.ReadFile(path, 0, 0, 0));
    EXPECT_EQ(m_capture.TraceText(),
              "CTexture::ReadFile : file : " + path +
                  "\nFileHeader.bfType : 19778\nFileHeader.bfSize : 126\nFileHeader.bfReserved1 : 0\n"
                  "FileHeader.bfReserved2 : 0\nFileHeader.bfOffBits : 54\n\n**** IMAGE HEADER :\n"
                  "**** biSize : 40\n**** biWidth : 7\n**** biHeight : 3\n**** biPlanes : 1\n"
                  "**** biBitCount : 24\n**** biCompression : 0\n**** biSizeImage : 0\n"
                  "**** biXPelsPerMeter : 0\n**** biYPelsPerMeter : 0\n**** biClrUsed : 0\n"
                  "**** biClrImportant : 0\n");
    EXPECT_EQ(texture.GetInfoHeader().biSizeImage, 72u) << "once read, the header describes the block";
}

TEST_F(BmpToolTest, OtherDepthsAreRefusedAndLeaveAnEmptyImage)
{
    const struct
    {
        std::string command;  // writes x.bmp
        uint16_t nBitCount;
    } cases[] = {
        {"convert -size 6x4 -seed 5 plasma: ppm:- | ppmtobmp -bpp=8 > x.bmp", 8},
        {"convert -size 6x4 -seed 5 plasma: -colors 9 ppm:- | ppmtobmp -bpp=4 > x.bmp", 4},
        {"ppmmake black 9 3 | ppmtobmp -bpp=1 > x.bmp", 1},
        {"convert -size 5x3 plasma: -alpha set -channel A -evaluate set 50% -define bmp3:alpha=true "
         "BMP3:x.bmp",
         32},
    };
    for (const auto& c : cases)
    {
        ASSERT_TRUE(Shell("cd " + m_dir.Path().string() + " && " + c.command));
        CTexture texture;
        ASSERT_TRUE(texture.Alloc(2, 2, 24));
        m_capture.Clear();
        EXPECT_FALSE(texture.ReadFile(m_dir / "x.bmp", -1, -1, -1));
        EXPECT_EQ(m_capture.Boxes(), Strings{"Texture file must have 24 bits depth"});
        EXPECT_EQ(texture.GetInfoHeader().biBitCount, c.nBitCount) << "the header is the file's";
        EXPECT_EQ(texture.GetData(), nullptr);
    }
}

// A 5 × 3 file (rows of 16 bytes) as made, then patched: one header field set, rows stored
// top row first with a negative height, bytes appended, the file cut after some bytes.
TEST_F(BmpToolTest, OddHeadersAndCutShortFilesLoadIntoABlockThatDescribesItself)
{
    const std::string made = MakeBmp(m_dir, false, 5, 3);
    const Bytes file = CTempDir::ReadAll(made), block = BlockFromRgb(ToolRgb(m_dir, made), 5, 3);
    ASSERT_EQ(file.size(), 54u + 48u);
    const auto reversed = [](Bytes rows)
    {
        for (size_t n = 0; n < 16; ++n)
            std::swap(rows[n], rows[32 + n]);
        return rows;
    };
    const struct
    {
        const char* pszLabel;
        size_t nField;     // 0: none
        uint32_t nValue;   // for the field
        bool bTopDown;     // rows stored top row first, negative height
        size_t nAppended;  // bytes appended
        size_t nKept;      // pixel bytes kept (48 for all)
    } cases[] = {
        {"AsMade", 0, 0, false, 0, 48},
        {"SizeImageZero", 34, 0, false, 0, 48},
        {"SizeImageSmaller", 34, 1, false, 0, 48},
        {"SizeImageHuge", 34, 0xFFFFFF00u, false, 0, 48},
        {"OffBitsLarger", 10, 200, false, 0, 48},
        {"TrailingBytes", 0, 0, false, 100, 48},
        {"TopDown", 0, 0, true, 0, 48},
        {"CutInsideTheRows", 0, 0, false, 0, 20},
        {"CutBeforeThePixels", 0, 0, false, 0, 0},
        {"TopDownCut", 0, 0, true, 0, 20},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszLabel);
        Bytes patched = file;
        if (c.nField) Put32(patched, c.nField, c.nValue);
        if (c.bTopDown)
        {
            const Bytes rows = reversed(Bytes(file.begin() + 54, file.end()));
            std::copy(rows.begin(), rows.end(), patched.begin() + 54);
            Put32(patched, 22, uint32_t(-3));
            ASSERT_EQ(ToolRgb(m_dir, m_dir.Write("p.bmp", patched)), ToolRgb(m_dir, made))
                << "the same picture";
        }
        patched.resize(54 + c.nKept);
        patched.resize(patched.size() + c.nAppended, 0xEE);
        // Expected: the stored rows as far as the file holds them, zeros after, then bottom row first.
        Bytes expected(patched.begin() + 54, patched.begin() + 54 + long(c.nKept));
        expected.resize(48, 0);
        expected = c.bTopDown ? reversed(expected) : expected;

        CTexture texture;
        ASSERT_TRUE(texture.ReadFile(m_dir.Write("p.bmp", patched), -1, -1, -1));
        EXPECT_EQ(BlockOf(texture), expected);
        EXPECT_EQ(texture.GetBlockSize(), 48u);
        EXPECT_EQ(EncodeInfoHeader(texture.GetInfoHeader()),
                  EncodeInfoHeader(BITMAPINFOHEADER{40, 5, 3, 1, 24, 0, 48, 0, 0, 0, 0}));
        EXPECT_EQ(m_capture.Boxes(), Strings{});
        if (c.nKept == 48)
        {
            EXPECT_EQ(BlockOf(texture), block) << "the pixels the tool reads";
        }
        // The operations may then use the block as it stands.
        EXPECT_TRUE(texture.SwapRedBlue() && texture.AddAlphaLayer(255) &&
                    texture.DuplicateMirror(0, 0, -1, -1));
    }
}

TEST_F(BmpToolTest, BadSizesAreRefusedBeforeAnyBlockIsMade)
{
    const Bytes file = CTempDir::ReadAll(MakeBmp(m_dir, true, 4, 4));
    const std::string invalid = "Invalid BMP file", noMemory = "Insuffisant memory";
    const struct
    {
        int32_t nWidth, nHeight;
        std::string box;
    } cases[] = {{0, 4, invalid},
                 {-4, 4, invalid},
                 {4, 0, invalid},
                 {INT32_MAX, 1, noMemory},
                 {1, INT32_MIN, noMemory},
                 {4, -INT32_MAX, noMemory},
                 {100000, 100000, noMemory},
                 {20000, -60000, noMemory}};
    for (const auto& c : cases)
    {
        Bytes patched = file;
        Put32(patched, 18, uint32_t(c.nWidth));
        Put32(patched, 22, uint32_t(c.nHeight));
        m_capture.Clear();
        CTexture texture;
        EXPECT_FALSE(texture.ReadFile(m_dir.Write("bad.bmp", patched), -1, -1, -1));
        EXPECT_EQ(m_capture.Boxes(), Strings{c.box}) << c.nWidth << "x" << c.nHeight;
        EXPECT_EQ(texture.GetData(), nullptr);
        EXPECT_EQ(texture.GetWidth() + texture.GetHeight(), 0);
    }
}

TEST_F(BmpToolTest, ToolsReadOurFilesAsTheSamePicture)
{
    for (int nWidth : {1, 2, 3, 5, 8, 13})
    {
        const std::string made = MakeBmp(m_dir, false, nWidth, 3), ours = m_dir / "ours.bmp";
        CTexture texture;
        ASSERT_TRUE(texture.ReadFile(made, -1, -1, -1));
        ASSERT_TRUE(texture.SaveFile(ours.c_str()));
        std::string identified;
        EXPECT_EQ(RunCommand("identify -format '%m %w %h %z' " + ours, &identified), 0);
        EXPECT_EQ(identified, "BMP3 " + std::to_string(nWidth) + " 3 8");
        EXPECT_EQ(ToolRgb(m_dir, ours), ToolRgb(m_dir, made)) << nWidth;
        ASSERT_TRUE(Shell("bmptopnm " + ours + " > " + m_dir / "ours.ppm"));  // netpbm reads it too
        EXPECT_EQ(ToolRgb(m_dir, m_dir / "ours.ppm"), ToolRgb(m_dir, made)) << nWidth;
    }
    // Built in memory, bottom row first, blue-green-red: red is at the top left for the tool.
    const Bytes packed = {0, 0, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 255, 0, 255, 255, 255};
    CTexture texture;
    ASSERT_TRUE(texture.CreateFromBuffer(packed.data(), 3, 2, 24));
    ASSERT_TRUE(texture.SaveFileBMP((m_dir / "built.bmp").c_str()));
    EXPECT_EQ(ToolRgb(m_dir, m_dir / "built.bmp"),
              (Bytes{255, 0, 0, 0, 255, 0, 255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 255}));
}

TEST_F(BmpToolTest, DecodedBlocksKeepTheirHashes)
{
    const struct
    {
        int nWidth, nHeight;
        uint64_t nHash;
    } goldens[] = {
        {5, 3, 0xa38c20acbeeca7e5ull}, {13, 7, 0xc0cb9e619a9fb7f6ull}, {64, 64, 0xc8f9376a9a612a63ull}};
    for (const auto& g : goldens)
    {
        CTexture texture;
        ASSERT_TRUE(texture.ReadFile(MakeBmp(m_dir, true, g.nWidth, g.nHeight), -1, -1, -1));
        EXPECT_EQ(Fnv1a(BlockOf(texture)), g.nHash) << g.nWidth << "x" << g.nHeight;
    }
}

}  // namespace

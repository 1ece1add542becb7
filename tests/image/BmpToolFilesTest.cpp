// BmpToolFilesTest: CTexture against BMP files made by ImageMagick and netpbm at test time: the
// pixels it delivers are the ones the tools read from the same files, odd headers and cut-short
// files stay inside the block, other depths are refused, and what SaveFileBMP writes opens in
// the tools.
#include "image/Texture.h"

#include "TextureTestTools.h"      // tool-made pictures, byte helpers, hashes
#include "platform/Diagnostics.h"  // plat::CDiagnosticsCapture for the exact texts

#include <gtest/gtest.h>

#include <algorithm>   // std::reverse of stored rows
#include <functional>  // std::function for the patches
#include <ostream>     // PrintTo
#include <string>
#include <vector>

namespace
{

using namespace cubatro::test;

enum class EMaker
{
    Convert,  // ImageMagick, version 3 header, plasma picture
    Netpbm,   // ppmrainbow + pnmcat + pnmtile, ppmtobmp (which leaves biSizeImage 0)
};

// Makes a 24-bit BMP of w × h pixels at `path` with the chosen tool set.
bool MakeBmp(const CTempDir& dir, EMaker maker, int nWidth, int nHeight, const std::string& path)
{
    const std::string size = std::to_string(nWidth) + " " + std::to_string(nHeight);
    if (maker == EMaker::Convert)
        return Shell("convert -size " + std::to_string(nWidth) + "x" + std::to_string(nHeight) +
                     " -seed 5 plasma: -type truecolor BMP3:'" + path + "'");
    const std::string a = dir / "rainbow.ppm", b = dir / "band.ppm";
    return Shell("ppmrainbow -width=3 -height=2 red lime blue > '" + a + "' && ppmmake rgb:10/20/30 3 1 > '" +
                 b + "' && pnmcat -tb '" + a + "' '" + b + "' | pnmtile " + size + " | ppmtobmp -bpp=24 > '" +
                 path + "'");
}

class BmpToolTest : public ::testing::Test
{
protected:
    CTempDir m_dir;
    plat::CDiagnosticsCapture m_capture;
};

// --- pixels of tool-made files ------------------------------------------------------------

struct ToolPicture
{
    EMaker maker;
    int nWidth, nHeight;
};

void PrintTo(const ToolPicture& c, std::ostream* pOut)
{
    *pOut << (c.maker == EMaker::Convert ? "convert " : "netpbm ") << c.nWidth << "x" << c.nHeight;
}

class BmpToolPixelsTest : public BmpToolTest, public ::testing::WithParamInterface<ToolPicture>
{
};

TEST_P(BmpToolPixelsTest, BlockHoldsThePixelsTheToolReads)
{
    const auto [maker, nWidth, nHeight] = GetParam();
    const std::string path = m_dir / "picture.bmp";
    ASSERT_TRUE(MakeBmp(m_dir, maker, nWidth, nHeight, path));
    const Bytes expected = BlockFromRgb(ToolRgb(m_dir, path), nWidth, nHeight);
    ASSERT_FALSE(expected.empty());

    CTexture texture;
    ASSERT_TRUE(texture.ReadFile(path, -1, -1, -1));
    EXPECT_EQ(texture.GetWidth(), nWidth);
    EXPECT_EQ(texture.GetHeight(), nHeight);
    EXPECT_EQ(texture.GetDepth(), 24u);
    EXPECT_EQ(texture.GetWidthByte32(), CTexture::ComputeWidthByte32(uint32_t(nWidth), 24));
    EXPECT_EQ(texture.GetInfoHeader().biSizeImage, expected.size());
    EXPECT_EQ(BlockOf(texture), expected);
    EXPECT_TRUE(m_capture.Boxes().empty());
    EXPECT_TRUE(m_capture.DumpText().empty());
}

std::vector<ToolPicture> ToolPictures()
{
    std::vector<ToolPicture> pictures;
    for (EMaker maker : {EMaker::Convert, EMaker::Netpbm})
        for (int nWidth : {1, 2, 3, 4, 5, 6, 7, 8, 13, 64})
            pictures.push_back({maker, nWidth, nWidth % 2 ? 3 : 5});
    return pictures;
}

INSTANTIATE_TEST_SUITE_P(Widths, BmpToolPixelsTest, ::testing::ValuesIn(ToolPictures()),
                         [](const ::testing::TestParamInfo<ToolPicture>& p)
                         {
                             return std::string(p.param.maker == EMaker::Convert ? "Convert" : "Netpbm") +
                                    std::to_string(p.param.nWidth) + "x" + std::to_string(p.param.nHeight);
                         });

TEST_F(BmpToolTest, ReadingTracesBothHeadersAsStored)
{
    const std::string path = m_dir / "netpbm.bmp";
    ASSERT_TRUE(MakeBmp(m_dir, EMaker::Netpbm, 7, 3, path));
    const Bytes file = CTempDir::ReadAll(path);
    ASSERT_GE(file.size(), 54u);
    const auto field = [&](size_t nAt) { return std::to_string(int32_t(Get32(file, nAt))); };
    CTexture texture;
    ASSERT_TRUE(texture.ReadFile(path, 0, 0, 0));
    EXPECT_EQ(m_capture.TraceText(), "CTexture::ReadFile : file : " + path +
                                         "\n"
                                         "FileHeader.bfType : 19778\n"
                                         "FileHeader.bfSize : 126\n"
                                         "FileHeader.bfReserved1 : 0\n"
                                         "FileHeader.bfReserved2 : 0\n"
                                         "FileHeader.bfOffBits : 54\n"
                                         "\n**** IMAGE HEADER :\n"
                                         "**** biSize : 40\n"
                                         "**** biWidth : 7\n"
                                         "**** biHeight : 3\n"
                                         "**** biPlanes : 1\n"
                                         "**** biBitCount : 24\n"
                                         "**** biCompression : 0\n"
                                         "**** biSizeImage : 0\n"
                                         "**** biXPelsPerMeter : " +
                                         field(38) + "\n**** biYPelsPerMeter : " + field(42) +
                                         "\n**** biClrUsed : " + field(46) +
                                         "\n**** biClrImportant : " + field(50) + "\n");
    EXPECT_EQ(texture.GetInfoHeader().biSizeImage, 72u) << "the header describes the block once read";
}

// --- depths other than 24 -----------------------------------------------------------------

struct Refusal
{
    const char* pszLabel;
    std::string command;  // "%p" stands for the path
    uint16_t nBitCount;
};

void PrintTo(const Refusal& c, std::ostream* pOut)
{
    *pOut << c.pszLabel;
}

class BmpRefusalTest : public BmpToolTest, public ::testing::WithParamInterface<Refusal>
{
};

TEST_P(BmpRefusalTest, OtherDepthsAreRefusedAndLeaveAnEmptyImage)
{
    const Refusal& c = GetParam();
    const std::string path = m_dir / "other.bmp";
    std::string command = c.command;
    command.replace(command.find("%p"), 2, "'" + path + "'");
    ASSERT_TRUE(Shell(command));
    const Bytes file = CTempDir::ReadAll(path);
    ASSERT_GE(file.size(), 54u);
    ASSERT_EQ(file[kOffBiBitCount], c.nBitCount) << "the tool made another depth than meant";

    CTexture texture;
    ASSERT_TRUE(texture.Alloc(2, 2, 24));
    EXPECT_FALSE(texture.ReadFile(path, -1, -1, -1));
    EXPECT_EQ(m_capture.Boxes(), std::vector<std::string>{"Texture file must have 24 bits depth"});
    EXPECT_EQ(texture.GetInfoHeader().biBitCount, c.nBitCount) << "the header is the file's";
    EXPECT_EQ(texture.GetData(), nullptr);
    m_capture.Clear();
    EXPECT_FALSE(texture.IsValid());
    EXPECT_EQ(m_capture.TraceText(), "\nInvalid texture\nWidth  : 0\nHeight : 0\nDepth  : 0\nData   : 0\n");
}

INSTANTIATE_TEST_SUITE_P(
    Depths, BmpRefusalTest,
    ::testing::Values(
        Refusal{"Palette8", "convert -size 6x4 -seed 5 plasma: ppm:- | ppmtobmp -bpp=8 > %p", 8},
        Refusal{"Palette4", "convert -size 6x4 -seed 5 plasma: -colors 9 ppm:- | ppmtobmp -bpp=4 > %p", 4},
        Refusal{"Bilevel", "ppmmake black 9 3 | ppmtobmp -bpp=1 > %p", 1},
        Refusal{"Alpha32",
                "convert -size 5x3 -seed 5 plasma: -alpha set -channel A -evaluate set 50% +channel "
                "-define bmp3:alpha=true BMP3:%p",
                32}),
    [](const ::testing::TestParamInfo<Refusal>& p) { return std::string(p.param.pszLabel); });

// --- odd headers and short files: everything stays inside the block -----------------------

constexpr int kPatchWidth = 5, kPatchHeight = 3;
constexpr size_t kPatchStride = 16, kPatchBlock = kPatchStride * kPatchHeight;

Bytes ReverseRows(const Bytes& rows)
{
    Bytes out;
    for (size_t n = rows.size(); n >= kPatchStride; n -= kPatchStride)
        out.insert(out.end(), rows.begin() + long(n - kPatchStride), rows.begin() + long(n));
    return out;
}

// Stores the rows of a bottom-up file top row first, with a negative height.
Bytes TopDown(Bytes file)
{
    const Bytes rows(file.begin() + kOffPixels, file.begin() + kOffPixels + kPatchBlock);
    const Bytes reversed = ReverseRows(rows);
    std::copy(reversed.begin(), reversed.end(), file.begin() + kOffPixels);
    Put32(file, kOffBiHeight, uint32_t(-kPatchHeight));
    return file;
}

struct OddFile
{
    const char* pszLabel;
    std::function<Bytes(Bytes)> patch;                       // file of the tool → file to read
    std::function<Bytes(const Bytes&, const Bytes&)> block;  // (tool block, patched file) → expected
    bool bToolReadsTheSamePicture;
};

void PrintTo(const OddFile& c, std::ostream* pOut)
{
    *pOut << c.pszLabel;
}

class BmpOddFileTest : public BmpToolTest, public ::testing::WithParamInterface<OddFile>
{
};

TEST_P(BmpOddFileTest, LoadsIntoABlockThatDescribesItself)
{
    const OddFile& c = GetParam();
    const std::string original = m_dir / "original.bmp";
    ASSERT_TRUE(MakeBmp(m_dir, EMaker::Convert, kPatchWidth, kPatchHeight, original));
    const Bytes toolBlock = BlockFromRgb(ToolRgb(m_dir, original), kPatchWidth, kPatchHeight);
    const Bytes file = CTempDir::ReadAll(original);
    ASSERT_EQ(file.size(), kOffPixels + kPatchBlock);
    ASSERT_EQ(Bytes(file.begin() + kOffPixels, file.end()), toolBlock);
    const Bytes patched = c.patch(file);
    const std::string path = m_dir.Write("patched.bmp", patched);
    if (c.bToolReadsTheSamePicture)
    {
        ASSERT_EQ(ToolRgb(m_dir, path), ToolRgb(m_dir, original)) << "the patch changed the picture";
    }

    CTexture texture;
    ASSERT_TRUE(texture.ReadFile(path, -1, -1, -1));
    EXPECT_EQ(texture.GetWidth(), kPatchWidth);
    EXPECT_EQ(texture.GetHeight(), kPatchHeight);
    EXPECT_EQ(texture.GetWidthByte32(), kPatchStride);
    EXPECT_EQ(texture.GetBlockSize(), kPatchBlock);
    EXPECT_EQ(texture.GetInfoHeader().biHeight, kPatchHeight);
    EXPECT_EQ(texture.GetInfoHeader().biSizeImage, kPatchBlock);
    EXPECT_EQ(texture.GetInfoHeader().biSize, 40u);
    EXPECT_EQ(BlockOf(texture), c.block(toolBlock, patched));
    EXPECT_TRUE(m_capture.Boxes().empty());

    // Every operation of the class may then use the block as it stands.
    EXPECT_TRUE(texture.SwapRedBlue());
    EXPECT_TRUE(texture.AddAlphaLayer(255));
    EXPECT_TRUE(texture.DuplicateMirror(0, 0, -1, -1));
}

const auto kSame = [](const Bytes& toolBlock, const Bytes&) { return toolBlock; };

// The first n bytes of the stored rows, zeros after them.
Bytes Cut(const Bytes& rows, size_t n)
{
    Bytes out(kPatchBlock, 0);
    std::copy(rows.begin(), rows.begin() + long(std::min(n, rows.size())), out.begin());
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Table, BmpOddFileTest,
    ::testing::Values(OddFile{"AsMade", [](Bytes f) { return f; }, kSame, true},
                      OddFile{"SizeImageZero",
                              [](Bytes f)
                              {
                                  Put32(f, kOffBiSizeImage, 0);
                                  return f;
                              },
                              kSame, true},
                      OddFile{"SizeImageSmaller",
                              [](Bytes f)
                              {
                                  Put32(f, kOffBiSizeImage, 1);
                                  return f;
                              },
                              kSame, false},
                      OddFile{"SizeImageHuge",
                              [](Bytes f)
                              {
                                  Put32(f, kOffBiSizeImage, 0xFFFFFF00u);
                                  return f;
                              },
                              kSame, false},
                      OddFile{"OffBitsLarger",
                              [](Bytes f)
                              {
                                  Put32(f, kOffBfOffBits, 200);
                                  return f;
                              },
                              kSame, false},
                      OddFile{"TrailingBytes",
                              [](Bytes f)
                              {
                                  f.insert(f.end(), 100, 0xEE);
                                  return f;
                              },
                              kSame, false},
                      OddFile{"TopDown", TopDown, kSame, true},
                      OddFile{"CutInsideTheRows",
                              [](Bytes f)
                              {
                                  f.resize(kOffPixels + 20);
                                  return f;
                              },
                              [](const Bytes& toolBlock, const Bytes&) { return Cut(toolBlock, 20); }, false},
                      OddFile{"CutBeforeThePixels",
                              [](Bytes f)
                              {
                                  f.resize(kOffPixels);
                                  return f;
                              },
                              [](const Bytes&, const Bytes&) { return Bytes(kPatchBlock, 0); }, false},
                      OddFile{"TopDownCut",
                              [](Bytes f)
                              {
                                  f = TopDown(f);
                                  f.resize(kOffPixels + 20);
                                  return f;
                              },
                              [](const Bytes&, const Bytes& patched) {
                                  return ReverseRows(
                                      Cut(Bytes(patched.begin() + kOffPixels, patched.end()), 20));
                              },
                              false}),
    [](const ::testing::TestParamInfo<OddFile>& p) { return std::string(p.param.pszLabel); });

struct BadHeader
{
    const char* pszLabel;
    int32_t nWidth, nHeight;
    uint16_t nPlanes;
    std::string box;
};

void PrintTo(const BadHeader& c, std::ostream* pOut)
{
    *pOut << c.pszLabel;
}

class BmpBadHeaderTest : public BmpToolTest, public ::testing::WithParamInterface<BadHeader>
{
};

TEST_P(BmpBadHeaderTest, IsRefusedBeforeAnyBlockIsMade)
{
    const BadHeader& c = GetParam();
    const std::string original = m_dir / "original.bmp";
    ASSERT_TRUE(MakeBmp(m_dir, EMaker::Netpbm, 4, 4, original));
    Bytes file = CTempDir::ReadAll(original);
    ASSERT_GE(file.size(), kOffPixels);
    Put32(file, kOffBiWidth, uint32_t(c.nWidth));
    Put32(file, kOffBiHeight, uint32_t(c.nHeight));
    file[26] = static_cast<unsigned char>(c.nPlanes);
    const std::string path = m_dir.Write("bad.bmp", file);

    CTexture texture;
    EXPECT_FALSE(texture.ReadFile(path, -1, -1, -1));
    EXPECT_EQ(m_capture.Boxes(), std::vector<std::string>{c.box});
    EXPECT_TRUE(m_capture.DumpText().empty());
    EXPECT_EQ(texture.GetData(), nullptr);
    EXPECT_EQ(texture.GetWidth() + texture.GetHeight(), 0);
}

const std::string kNoMemory = "Insuffisant memory";

INSTANTIATE_TEST_SUITE_P(Table, BmpBadHeaderTest,
                         ::testing::Values(BadHeader{"TwoPlanes", 4, 4, 2,
                                                     "Texture file must have 24 bits depth"},
                                           BadHeader{"ZeroWidth", 0, 4, 1, "Invalid BMP file"},
                                           BadHeader{"NegativeWidth", -4, 4, 1, "Invalid BMP file"},
                                           BadHeader{"ZeroHeight", 4, 0, 1, "Invalid BMP file"},
                                           BadHeader{"WidestInt", INT32_MAX, 1, 1, kNoMemory},
                                           BadHeader{"LowestHeight", 1, INT32_MIN, 1, kNoMemory},
                                           BadHeader{"TallestTopDown", 4, -INT32_MAX, 1, kNoMemory},
                                           BadHeader{"HundredThousandSquare", 100000, 100000, 1, kNoMemory},
                                           BadHeader{"OverTheBlockLimit", 20000, -60000, 1, kNoMemory}),
                         [](const ::testing::TestParamInfo<BadHeader>& p)
                         { return std::string(p.param.pszLabel); });

// --- what SaveFileBMP writes opens in the tools -------------------------------------------

class BmpWrittenTest : public BmpToolTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(BmpWrittenTest, ToolsReadOurFileAsTheSamePicture)
{
    const int nWidth = GetParam(), nHeight = 3;
    const std::string original = m_dir / "original.bmp";
    ASSERT_TRUE(MakeBmp(m_dir, EMaker::Convert, nWidth, nHeight, original));
    CTexture texture;
    ASSERT_TRUE(texture.ReadFile(original, -1, -1, -1));
    const std::string written = m_dir / "written.bmp";
    ASSERT_TRUE(texture.SaveFile(written.c_str()));

    std::string identified;
    ASSERT_EQ(RunCommand("identify -format '%m %w %h %z' '" + written + "'", &identified), 0) << identified;
    EXPECT_EQ(identified, "BMP3 " + std::to_string(nWidth) + " " + std::to_string(nHeight) + " 8");
    EXPECT_EQ(ToolRgb(m_dir, written), ToolRgb(m_dir, original));

    // netpbm reads it too, and finds the same pixels.
    const std::string ppm = m_dir / "written.ppm";
    ASSERT_TRUE(Shell("bmptopnm '" + written + "' > '" + ppm + "'"));
    EXPECT_EQ(ToolRgb(m_dir, ppm), ToolRgb(m_dir, original));
}

INSTANTIATE_TEST_SUITE_P(Widths, BmpWrittenTest, ::testing::Values(1, 2, 3, 4, 5, 8, 13));

TEST_F(BmpToolTest, ImageBuiltInMemoryOpensInTheToolWithItsPixels)
{
    // Block bottom row first, blue-green-red: the tool must see red at the top left and blue at
    // the bottom right of this 3 × 2 image.
    const Bytes packed = {0, 0, 0,   0, 0,   0, 255, 0,   0,     // bottom row: black, black, blue
                          0, 0, 255, 0, 255, 0, 255, 255, 255};  // top row: red, green, white
    CTexture texture;
    ASSERT_TRUE(texture.CreateFromBuffer(packed.data(), 3, 2, 24));
    const std::string path = m_dir / "built.bmp";
    ASSERT_TRUE(texture.SaveFileBMP(path.c_str()));
    EXPECT_EQ(ToolRgb(m_dir, path),
              (Bytes{255, 0, 0, 0, 255, 0, 255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 255}));
}

// --- golden hashes of decoded blocks ------------------------------------------------------

TEST_F(BmpToolTest, DecodedBlocksKeepTheirHashes)
{
    struct Golden
    {
        int nWidth, nHeight;
        uint64_t nHash;
    };
    const Golden goldens[] = {
        {5, 3, 0xa38c20acbeeca7e5ull},
        {13, 7, 0xc0cb9e619a9fb7f6ull},
        {64, 64, 0xc8f9376a9a612a63ull},
    };
    for (const Golden& g : goldens)
    {
        const std::string path = m_dir / "golden.bmp";
        ASSERT_TRUE(MakeBmp(m_dir, EMaker::Netpbm, g.nWidth, g.nHeight, path));
        CTexture texture;
        ASSERT_TRUE(texture.ReadFile(path, -1, -1, -1));
        EXPECT_EQ(Fnv1a(BlockOf(texture)), g.nHash)
            << g.nWidth << "x" << g.nHeight << ": 0x" << std::hex << Fnv1a(BlockOf(texture));
    }
}

}  // namespace

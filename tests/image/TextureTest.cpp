// TextureTest: the block of CTexture and its invariants, RAW files, and the failure table of the
// readers and writers (message boxes, dump lines, traces, and the state left behind).
#include "image/Texture.h"

#include "TextureTestTools.h"      // tool-made pictures, byte helpers, hashes
#include "platform/Diagnostics.h"  // plat::CDiagnosticsCapture for the exact texts

#include <gtest/gtest.h>

#include <sys/resource.h>  // setrlimit to make writes fail part-way

#include <csignal>     // SIGXFSZ ignored so that an oversized write fails instead of killing
#include <cstdio>      // std::fprintf of the child's findings
#include <filesystem>  // file sizes and directories
#include <functional>  // std::function for table set-ups
#include <string>
#include <vector>

namespace
{

using namespace cubatro::test;
namespace fs = std::filesystem;

// A packed block of w × h pixels of b bytes whose every byte differs from its neighbours.
Bytes Pattern(int nWidth, int nHeight, int nBytesPerPixel)
{
    Bytes bytes(size_t(nWidth) * size_t(nHeight) * size_t(nBytesPerPixel));
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + 1);
    return bytes;
}

// The text of the IsValid trace for an image of the given members and a null block.
std::string InvalidTrace(int nWidth, int nHeight, int nDepth)
{
    return "\nInvalid texture\nWidth  : " + std::to_string(nWidth) + "\nHeight : " + std::to_string(nHeight) +
           "\nDepth  : " + std::to_string(nDepth) + "\nData   : 0\n";
}

class TextureTest : public ::testing::Test
{
protected:
    CTempDir m_dir;
    plat::CDiagnosticsCapture m_capture;
};

// --- block layout -------------------------------------------------------------------------

TEST(TextureLayoutTest, RowsAreRoundedUpToFourBytes)
{
    struct Case
    {
        uint32_t nWidth, nDepth, nExpected;
    };
    const Case cases[] = {{5, 24, 16}, {64, 24, 192}, {1, 24, 4},  {2, 24, 8}, {3, 24, 12},
                          {4, 24, 12}, {7, 24, 24},   {5, 32, 20}, {0, 24, 0}, {1u << 28, 32, 1u << 30}};
    for (const Case& c : cases)
        EXPECT_EQ(CTexture::ComputeWidthByte32(c.nWidth, c.nDepth), c.nExpected)
            << c.nWidth << "x" << c.nDepth;
}

TEST_F(TextureTest, NewImageIsEmptyAndTracesWhyItIsInvalid)
{
    CTexture texture;
    EXPECT_EQ(texture.GetData(), nullptr);
    EXPECT_EQ(texture.GetWidth(), 0);
    EXPECT_EQ(texture.GetHeight(), 0);
    EXPECT_EQ(texture.GetDepth(), 0u);
    EXPECT_EQ(texture.GetWidthByte32(), 0u);
    EXPECT_EQ(texture.GetFileName(), "");
    EXPECT_FALSE(texture.HasAlpha());
    EXPECT_FALSE(texture.IsValid());
    EXPECT_EQ(m_capture.TraceText(), InvalidTrace(0, 0, 0));
}

TEST_F(TextureTest, AllocLaysOutAZeroedBlockAndItsHeader)
{
    CTexture texture;
    ASSERT_TRUE(texture.Alloc(5, 2, 24));
    EXPECT_EQ(texture.GetWidthByte32(), 16u);
    EXPECT_EQ(texture.GetBlockSize(), 32u);
    const BITMAPINFOHEADER& h = texture.GetInfoHeader();
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 5);
    EXPECT_EQ(h.biHeight, 2);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biCompression, 0u);
    EXPECT_EQ(h.biSizeImage, 32u);
    EXPECT_EQ(h.biXPelsPerMeter + h.biYPelsPerMeter, 0);
    EXPECT_EQ(h.biClrUsed + h.biClrImportant, 0u);
    EXPECT_EQ(BlockOf(texture), Bytes(32, 0));
    EXPECT_TRUE(texture.IsValid());
    EXPECT_TRUE(m_capture.TraceText().empty()) << "a valid image traces nothing";

    ASSERT_TRUE(texture.Alloc(3, 3, 32));
    EXPECT_TRUE(texture.HasAlpha());
    EXPECT_EQ(texture.GetWidthByte32(), 12u);
    EXPECT_EQ(texture.GetInfoHeader().biSizeImage, 36u);
}

TEST_F(TextureTest, AllocRefusesBadDepthsAndBlocksThatCannotBeHad)
{
    const std::string noMemoryTrace = "CTexture::Alloc : Insuffisant memory\n";
    const std::vector<std::string> noMemoryBox = {"CTexture::Alloc : Insufisant memory"};
    struct Case
    {
        uint32_t nWidth, nHeight, nDepth;
        std::string trace;
        std::vector<std::string> boxes;
    };
    const Case cases[] = {
        {4, 4, 8, "CTexture::Alloc : invalid depth 8\n", {}},
        {4, 4, 25, "CTexture::Alloc : invalid depth 25\n", {}},
        {4, 4, 0, "CTexture::Alloc : invalid depth 0\n", {}},
        {1u << 20, 1u << 20, 24, noMemoryTrace, noMemoryBox},  // 3 TiB
        {UINT32_MAX, 1, 24, noMemoryTrace, noMemoryBox},       // width beyond int
        {1, 0x80000000u, 32, noMemoryTrace, noMemoryBox},      // height beyond int
        {0x40000000u, 2, 32, noMemoryTrace, noMemoryBox},      // row alone is 4 GiB
    };
    for (const Case& c : cases)
    {
        m_capture.Clear();
        CTexture texture;
        ASSERT_TRUE(texture.Alloc(2, 2, 24));
        EXPECT_FALSE(texture.Alloc(c.nWidth, c.nHeight, c.nDepth));
        EXPECT_EQ(m_capture.TraceText(), c.trace);
        EXPECT_EQ(m_capture.Boxes(), c.boxes);
        EXPECT_EQ(texture.GetData(), nullptr) << "a failed Alloc leaves the image empty";
        EXPECT_EQ(texture.GetWidth() + texture.GetHeight() + int(texture.GetDepth()), 0);
    }
}

TEST_F(TextureTest, FreeEmptiesTheImageButKeepsRowLengthAndHeader)
{
    CTexture texture;
    ASSERT_TRUE(texture.Alloc(5, 2, 24));
    texture.Free();
    EXPECT_EQ(texture.GetData(), nullptr);
    EXPECT_EQ(texture.GetWidth(), 0);
    EXPECT_EQ(texture.GetHeight(), 0);
    EXPECT_EQ(texture.GetDepth(), 0u);
    EXPECT_EQ(texture.GetWidthByte32(), 16u);
    EXPECT_EQ(texture.GetInfoHeader().biSizeImage, 32u);
    EXPECT_FALSE(texture.IsValid());
}

TEST_F(TextureTest, CreateFromBufferSpreadsPackedRowsOverPaddedRows)
{
    const Bytes source = Pattern(5, 3, 3);
    CTexture texture;
    ASSERT_TRUE(texture.CreateFromBuffer(source.data(), 5, 3, 24));
    ASSERT_EQ(texture.GetWidthByte32(), 16u);
    const Bytes block = BlockOf(texture);
    for (int y = 0; y < 3; ++y)
    {
        EXPECT_TRUE(
            std::equal(source.begin() + y * 15, source.begin() + y * 15 + 15, block.begin() + y * 16));
        EXPECT_EQ(block[size_t(y) * 16 + 15], 0) << "fill byte of row " << y;
    }
    EXPECT_FALSE(texture.CreateFromBuffer(nullptr, 5, 3, 24));

    m_capture.Clear();
    EXPECT_FALSE(texture.CreateFromBuffer(source.data(), -1, 3, 24));
    EXPECT_EQ(m_capture.Boxes(), std::vector<std::string>{"CTexture::Alloc : Insufisant memory"});
}

TEST_F(TextureTest, GreyIsTheIntegerMeanOfTheFirstThreeBytes)
{
    // Pixels (0,0) = 255,255,255; (1,0) = 1,1,2; (0,1) = 200,100,0 with alpha 77; (1,1) = 0,0,0.
    const Bytes source = {255, 255, 255, 9, 1, 1, 2, 9, 200, 100, 0, 77, 0, 0, 0, 9};
    CTexture texture;
    ASSERT_TRUE(texture.CreateFromBuffer(source.data(), 2, 2, 32));
    EXPECT_EQ(texture.GetGrey(0, 0), 255);
    EXPECT_EQ(texture.GetGrey(1, 0), 1);
    EXPECT_EQ(texture.GetGrey(0, 1), 100);
    EXPECT_EQ(texture.GetGrey(1, 1), 0);
    EXPECT_EQ(texture.GetGrey(2, 0), -1) << "outside the image";
    EXPECT_EQ(texture.GetGrey(0, 2), -1) << "outside the image";
    texture.Free();
    EXPECT_EQ(texture.GetGrey(0, 0), -1) << "empty image";
}

// --- reading: the failure table -----------------------------------------------------------

struct ReadFailure
{
    const char* pszLabel;
    std::string name;                              // "%d/" stands for the scratch directory
    std::function<void(const CTempDir&)> prepare;  // makes the file the case needs
    int nRawWidth, nRawHeight, nRawDepth;          // RAW sizes handed to ReadFile
    std::vector<std::string> boxes;                // "%s" stands for the name
    std::string dump;
};

void PrintTo(const ReadFailure& c, std::ostream* pOut)
{
    *pOut << c.pszLabel;
}

class ReadFailureTest : public TextureTest, public ::testing::WithParamInterface<ReadFailure>
{
};

std::string Expand(std::string text, const std::string& from, const std::string& to)
{
    for (size_t n = text.find(from); n != std::string::npos; n = text.find(from, n + to.size()))
        text.replace(n, from.size(), to);
    return text;
}

TEST_P(ReadFailureTest, ReportsAndLeavesAnEmptyImageWithTheAttemptedName)
{
    const ReadFailure& c = GetParam();
    if (c.prepare) c.prepare(m_dir);
    const std::string name = Expand(c.name, "%d/", m_dir.Path().string() + "/");

    CTexture texture;
    ASSERT_TRUE(texture.Alloc(4, 4, 24));
    m_capture.Clear();
    EXPECT_FALSE(texture.ReadFile(name, c.nRawWidth, c.nRawHeight, c.nRawDepth));

    std::vector<std::string> boxes;
    for (const std::string& box : c.boxes)
        boxes.push_back(Expand(box, "%s", name));
    EXPECT_EQ(m_capture.Boxes(), boxes);
    EXPECT_EQ(m_capture.DumpText(), c.dump);
    EXPECT_EQ(m_capture.TraceText().rfind("CTexture::ReadFile : file : " + name + "\n", 0), 0u)
        << m_capture.TraceText();
    EXPECT_EQ(texture.GetFileName(), name);
    EXPECT_EQ(texture.GetData(), nullptr);
    m_capture.Clear();
    EXPECT_FALSE(texture.IsValid());
    EXPECT_EQ(m_capture.TraceText(), InvalidTrace(0, 0, 0));
}

const std::string kRedirection = "CTexture::ReadFile : invalid file redirection : %s\n";
const std::string kRawSizes = "CTexture::ReadFileRAW : invalid image";
const std::string kUnableToOpen = "Unable to open file for reading";

void Text(const CTempDir& dir, const char* pszName, const std::string& text)
{
    dir.Write(pszName, text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadFailureTest,
    ::testing::Values(
        ReadFailure{"OtherExtension", "%d/picture.png", nullptr, 0, 0, 0, {kRedirection}, ""},
        ReadFailure{"ShortName", "bmp", nullptr, 0, 0, 0, {kRedirection}, ""},
        ReadFailure{"BlankAfterExtension", "%d/picture.bmp ", nullptr, 0, 0, 0, {kRedirection}, ""},
        ReadFailure{"MissingBmp",
                    "%d/missing.bmp",
                    nullptr,
                    0,
                    0,
                    0,
                    {kUnableToOpen},
                    "File could not be opened 2\n"},
        ReadFailure{"MissingBmpInCapitals",
                    "%d/MISSING.BMP",
                    nullptr,
                    0,
                    0,
                    0,
                    {kUnableToOpen},
                    "File could not be opened 2\n"},
        ReadFailure{"DirectoryNamedBmp",
                    "%d/folder.bmp",
                    [](const CTempDir& dir) { fs::create_directory(dir.Path() / "folder.bmp"); },
                    0,
                    0,
                    0,
                    {"Error during reading file header"},
                    "Error during reading 6\n"},
        ReadFailure{"NotBM",
                    "%d/text.bmp",
                    [](const CTempDir& dir) { Text(dir, "text.bmp", std::string(80, 'x')); },
                    0,
                    0,
                    0,
                    {"Invalid BMP file"},
                    ""},
        ReadFailure{"EmptyFile",
                    "%d/empty.bmp",
                    [](const CTempDir& dir) { Text(dir, "empty.bmp", ""); },
                    0,
                    0,
                    0,
                    {"Invalid BMP file"},
                    ""},
        ReadFailure{"HeadersOnlyPartly",
                    "%d/short.bmp",
                    [](const CTempDir& dir) { Text(dir, "short.bmp", "BM" + std::string(20, '\0')); },
                    0,
                    0,
                    0,
                    {"Texture file must have 24 bits depth"},
                    ""},
        ReadFailure{"RawWithBankSizes",
                    "%d/bank.raw",
                    [](const CTempDir& dir) { Text(dir, "bank.raw", "abc"); },
                    -1,
                    -1,
                    -1,
                    {kRawSizes},
                    ""},
        ReadFailure{"RawZeroWidth",
                    "%d/bank.raw",
                    [](const CTempDir& dir) { Text(dir, "bank.raw", "abc"); },
                    0,
                    1,
                    24,
                    {kRawSizes},
                    ""},
        ReadFailure{"RawDepth8",
                    "%d/grey.raw",
                    [](const CTempDir& dir) { Text(dir, "grey.raw", "abcd"); },
                    2,
                    2,
                    8,
                    {kRawSizes},
                    ""},
        ReadFailure{"RawDepth25",
                    "%d/odd.raw",
                    [](const CTempDir& dir) { Text(dir, "odd.raw", "abcd"); },
                    2,
                    2,
                    25,
                    {kRawSizes},
                    ""},
        ReadFailure{"RawAbsurdSize",
                    "%d/huge.raw",
                    [](const CTempDir& dir) { Text(dir, "huge.raw", "abcd"); },
                    1 << 20,
                    1 << 20,
                    32,
                    {"CTexture::Alloc : Insufisant memory", "Insuffisant memory"},
                    ""},
        ReadFailure{"MissingRaw",
                    "%d/MISSING.RAW",
                    nullptr,
                    2,
                    2,
                    24,
                    {kUnableToOpen},
                    "File could not be opened 2\n"}),
    [](const ::testing::TestParamInfo<ReadFailure>& p) { return std::string(p.param.pszLabel); });

// --- RAW files ----------------------------------------------------------------------------

struct RawSize
{
    int nWidth, nHeight, nDepth;
};

class RawRoundTripTest : public TextureTest, public ::testing::WithParamInterface<RawSize>
{
};

TEST_P(RawRoundTripTest, FileHoldsThePackedRowsAndReadsBack)
{
    const auto [nWidth, nHeight, nDepth] = GetParam();
    const Bytes source = Pattern(nWidth, nHeight, nDepth / 8);
    CTexture texture;
    ASSERT_TRUE(texture.CreateFromBuffer(source.data(), nWidth, nHeight, nDepth));
    const std::string path = m_dir / "picture.RAW";
    ASSERT_TRUE(texture.SaveFile(path.c_str()));
    EXPECT_EQ(CTempDir::ReadAll(path), source) << "no header, no fill bytes, rows in block order";

    CTexture back;
    ASSERT_TRUE(back.ReadFile(path, nWidth, nHeight, nDepth));
    EXPECT_EQ(BlockOf(back), BlockOf(texture));
    EXPECT_EQ(back.GetFileName(), path);
    EXPECT_EQ(back.GetInfoHeader().biBitCount, nDepth);
    EXPECT_TRUE(m_capture.Boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(Sizes, RawRoundTripTest,
                         ::testing::Values(RawSize{4, 3, 24}, RawSize{5, 3, 24}, RawSize{1, 2, 24},
                                           RawSize{7, 5, 24}, RawSize{5, 3, 32}, RawSize{64, 64, 24}),
                         [](const ::testing::TestParamInfo<RawSize>& p)
                         {
                             return std::to_string(p.param.nWidth) + "x" + std::to_string(p.param.nHeight) +
                                    "x" + std::to_string(p.param.nDepth);
                         });

TEST_F(TextureTest, RawFileMadeByAToolReadsAsItsRows)
{
    // ImageMagick's rgb: format is exactly a RAW file: packed rows, top row first, red first.
    const std::string path = m_dir / "tool.raw";
    ASSERT_TRUE(Shell("convert -size 7x5 -seed 11 plasma: -depth 8 rgb:'" + path + "'"));
    const Bytes rgb = CTempDir::ReadAll(path);
    ASSERT_EQ(rgb.size(), 7u * 5u * 3u);
    CTexture texture;
    ASSERT_TRUE(texture.ReadFile(path, 7, 5, 24));
    ASSERT_EQ(texture.GetWidthByte32(), 24u);
    const Bytes block = BlockOf(texture);
    for (int y = 0; y < 5; ++y)
    {
        EXPECT_TRUE(std::equal(rgb.begin() + y * 21, rgb.begin() + y * 21 + 21, block.begin() + y * 24));
        EXPECT_EQ(Bytes(block.begin() + y * 24 + 21, block.begin() + y * 24 + 24), Bytes(3, 0));
    }
}

TEST_F(TextureTest, RawFileShorterThanAskedLoadsWithZeros)
{
    struct Case
    {
        int nWidth, nHeight, nDepth;
        size_t nFileBytes;
    };
    for (const Case& c : {Case{4, 4, 24, 10}, Case{5, 3, 24, 20}, Case{3, 3, 32, 0}})
    {
        const Bytes file = Pattern(int(c.nFileBytes), 1, 1);
        const std::string path = m_dir.Write("short.raw", file);
        CTexture texture;
        ASSERT_TRUE(texture.ReadFileRAW(path, c.nWidth, c.nHeight, c.nDepth));
        // Expected: the file's bytes laid over packed rows, everything else 0.
        Bytes packed(size_t(c.nWidth) * size_t(c.nHeight) * size_t(c.nDepth / 8), 0);
        std::copy(file.begin(), file.end(), packed.begin());
        CTexture expected;
        ASSERT_TRUE(expected.CreateFromBuffer(packed.data(), c.nWidth, c.nHeight, c.nDepth));
        EXPECT_EQ(BlockOf(texture), BlockOf(expected))
            << c.nWidth << "x" << c.nHeight << " from " << c.nFileBytes;
    }
    EXPECT_TRUE(m_capture.Boxes().empty());
}

TEST_F(TextureTest, SaveFileRawCreatesAMissingFileAndTruncatesALongerOne)
{
    const Bytes source = Pattern(5, 2, 3);
    CTexture texture;
    ASSERT_TRUE(texture.CreateFromBuffer(source.data(), 5, 2, 24));

    const std::string fresh = m_dir / "fresh.raw";
    ASSERT_TRUE(texture.SaveFileRAW(fresh.c_str()));
    EXPECT_EQ(CTempDir::ReadAll(fresh), source);

    const std::string longer = m_dir.Write("longer.raw", Bytes(1000, 0xEE));
    ASSERT_TRUE(texture.SaveFileRAW(longer.c_str()));
    EXPECT_EQ(CTempDir::ReadAll(longer), source) << "no stale bytes after the image";
    EXPECT_TRUE(m_capture.Boxes().empty());
}

// --- writing: the failure table -----------------------------------------------------------

enum class EImage
{
    Empty,
    Rgb,
    Rgba
};

struct WriteFailure
{
    const char* pszLabel;
    EImage image;
    std::string name;  // "%d/" stands for the scratch directory
    std::function<void(const CTempDir&)> prepare;
    bool bBmpDirect;  // call SaveFileBMP instead of SaveFile
    std::vector<std::string> boxes;
    std::string dump;
    std::string trace;  // the whole trace; "%s" stands for the name
};

void PrintTo(const WriteFailure& c, std::ostream* pOut)
{
    *pOut << c.pszLabel;
}

class WriteFailureTest : public TextureTest, public ::testing::WithParamInterface<WriteFailure>
{
};

TEST_P(WriteFailureTest, ReportsAndLeavesTheImageUnchanged)
{
    const WriteFailure& c = GetParam();
    if (c.prepare) c.prepare(m_dir);
    const std::string name = Expand(c.name, "%d/", m_dir.Path().string() + "/");
    CTexture texture;
    if (c.image != EImage::Empty)
    {
        const int nDepth = c.image == EImage::Rgb ? 24 : 32;
        const Bytes source = Pattern(3, 2, nDepth / 8);
        ASSERT_TRUE(texture.CreateFromBuffer(source.data(), 3, 2, nDepth));
    }
    const Bytes before = BlockOf(texture);
    m_capture.Clear();

    EXPECT_FALSE(c.bBmpDirect ? texture.SaveFileBMP(name.c_str()) : texture.SaveFile(name.c_str()));
    std::vector<std::string> boxes;
    for (const std::string& box : c.boxes)
        boxes.push_back(Expand(box, "%s", name));
    EXPECT_EQ(m_capture.Boxes(), boxes);
    EXPECT_EQ(m_capture.DumpText(), c.dump);
    EXPECT_EQ(m_capture.TraceText(), Expand(c.trace, "%s", name));
    EXPECT_EQ(BlockOf(texture), before);
}

const std::string kSaveTrace = "CTexture::SaveFile : file : %s\n";
const std::string kBmpFileHeaderTrace = "\nSave BMP File...\n"
                                        "FileHeader.bfType : 19778\nFileHeader.bfSize : 78\n"
                                        "FileHeader.bfReserved1 : 0\nFileHeader.bfReserved2 : 0\n"
                                        "FileHeader.bfOffBits : 54\n";
const std::string kSaveBmpTrace = kSaveTrace + kBmpFileHeaderTrace;

INSTANTIATE_TEST_SUITE_P(
    Table, WriteFailureTest,
    ::testing::Values(
        WriteFailure{"OtherExtension",
                     EImage::Rgb,
                     "%d/out.png",
                     nullptr,
                     false,
                     {"CTexture::SaveFile : invalid file redirection : %s\n"},
                     "",
                     kSaveTrace},
        WriteFailure{"RawOfEmptyImage",
                     EImage::Empty,
                     "%d/out.raw",
                     nullptr,
                     false,
                     {"CTexture::SaveFileRAW : invalid image"},
                     "",
                     kSaveTrace},
        WriteFailure{"BmpOfEmptyImage",
                     EImage::Empty,
                     "%d/out.bmp",
                     nullptr,
                     false,
                     {},
                     "",
                     kSaveTrace + InvalidTrace(0, 0, 0)},
        WriteFailure{"BmpOf32BitImage", EImage::Rgba, "%d/out.bmp", nullptr, false, {}, "", kSaveTrace},
        WriteFailure{"MissingDirectoryBmp",
                     EImage::Rgb,
                     "%d/nodir/out.bmp",
                     nullptr,
                     false,
                     {"Unable to open file for writing"},
                     "File could not be opened 2\n",
                     kSaveTrace},
        WriteFailure{"DirectoryNamedRaw",
                     EImage::Rgb,
                     "%d/folder.raw",
                     [](const CTempDir& dir) { fs::create_directory(dir.Path() / "folder.raw"); },
                     false,
                     {"Unable to open file for writing"},
                     "File could not be opened 6\n",
                     kSaveTrace},
        WriteFailure{"FullDeviceRaw",
                     EImage::Rgb,
                     "%d/full.raw",
                     [](const CTempDir& dir) { fs::create_symlink("/dev/full", dir.Path() / "full.raw"); },
                     false,
                     {"Error during writing image"},
                     "Error during writing 9\n",
                     kSaveTrace},
        WriteFailure{"FullDeviceBmp",
                     EImage::Rgb,
                     "%d/full.bmp",
                     [](const CTempDir& dir) { fs::create_symlink("/dev/full", dir.Path() / "full.bmp"); },
                     false,
                     {"Error during writing file header"},
                     "Error during writing 9\n",
                     kSaveBmpTrace},
        WriteFailure{"FullDeviceBmpDirect",
                     EImage::Rgb,
                     "/dev/full",
                     nullptr,
                     true,
                     {"Error during writing file header"},
                     "Error during writing 9\n",
                     kBmpFileHeaderTrace}),
    [](const ::testing::TestParamInfo<WriteFailure>& p) { return std::string(p.param.pszLabel); });

TEST_F(TextureTest, BmpOfA32BitImageWritesNothing)
{
    const Bytes source = Pattern(2, 2, 4);
    CTexture texture;
    ASSERT_TRUE(texture.CreateFromBuffer(source.data(), 2, 2, 32));
    const std::string path = m_dir / "alpha.bmp";
    EXPECT_FALSE(texture.SaveFileBMP(path.c_str()));
    EXPECT_FALSE(fs::exists(path));
}

// Writes that fail after the first `nLimit` bytes of the file: the file size limit of a child
// process makes the write that crosses it fail with "file too large".
void SaveUnderSizeLimit(const std::string& path, rlim_t nLimit)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlim_t nSoft = limit.rlim_cur;
    limit.rlim_cur = nLimit;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    plat::CDiagnosticsCapture capture;
    const Bytes source = Pattern(3, 2, 3);
    CTexture texture;
    texture.CreateFromBuffer(source.data(), 3, 2, 24);
    const bool bSaved = texture.SaveFileBMP(path.c_str());
    limit.rlim_cur = nSoft;  // standard error goes to a file too
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::string dump = capture.DumpText();
    for (char& c : dump)
        c = c == '\n' ? '/' : c;
    std::fprintf(stderr, "saved=%d boxes=%zu box=[%s] dump=[%s] size=%ju\n", int(bSaved),
                 capture.Boxes().size(), capture.Boxes().empty() ? "" : capture.Boxes()[0].c_str(),
                 dump.c_str(), uintmax_t(fs::file_size(path)));
    std::exit(0);
}

using TextureDeathTest = TextureTest;

TEST_F(TextureDeathTest, WriteErrorsAfterTheFileHeaderNameTheirStep)
{
    const std::string path = m_dir / "limited.bmp";
    EXPECT_EXIT(SaveUnderSizeLimit(path, 14), ::testing::ExitedWithCode(0),
                "saved=0 boxes=1 box=\\[Error during writing image header\\] "
                "dump=\\[Error during writing 9/\\] size=14");
    EXPECT_EXIT(SaveUnderSizeLimit(path, 60), ::testing::ExitedWithCode(0),
                "saved=0 boxes=1 box=\\[Error during writing image\\] "
                "dump=\\[Error during writing 9/\\] size=60");
    EXPECT_EXIT(SaveUnderSizeLimit(path, 1000), ::testing::ExitedWithCode(0),
                "saved=1 boxes=0 box=\\[\\] dump=\\[\\] size=78");
}

// --- writing and reading back -------------------------------------------------------------

TEST_F(TextureTest, BmpWrittenFromAllocReadsBackWithTheSameHeaderAndBlock)
{
    CTexture texture;
    ASSERT_TRUE(texture.Alloc(5, 2, 24));
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t i = 0; i < 15; ++i)
            texture.GetData()[y * 16 + i] = static_cast<unsigned char>(y * 40 + i * 3 + 5);
    const std::string path = m_dir / "written.bmp";
    m_capture.Clear();
    ASSERT_TRUE(texture.SaveFileBMP(path.c_str()));
    EXPECT_EQ(m_capture.TraceText(), "\nSave BMP File...\n"
                                     "FileHeader.bfType : 19778\n"
                                     "FileHeader.bfSize : 86\n"
                                     "FileHeader.bfReserved1 : 0\n"
                                     "FileHeader.bfReserved2 : 0\n"
                                     "FileHeader.bfOffBits : 54\n"
                                     "\n**** IMAGE HEADER :\n"
                                     "**** biSize : 40\n"
                                     "**** biWidth : 5\n"
                                     "**** biHeight : 2\n"
                                     "**** biPlanes : 1\n"
                                     "**** biBitCount : 24\n"
                                     "**** biCompression : 0\n"
                                     "**** biSizeImage : 32\n"
                                     "**** biXPelsPerMeter : 0\n"
                                     "**** biYPelsPerMeter : 0\n"
                                     "**** biClrUsed : 0\n"
                                     "**** biClrImportant : 0\n");
    EXPECT_EQ(fs::file_size(path), 86u);

    CTexture back;
    ASSERT_TRUE(back.ReadFile(path, -1, -1, -1));
    EXPECT_EQ(BlockOf(back), BlockOf(texture));
    EXPECT_EQ(EncodeInfoHeader(back.GetInfoHeader()), EncodeInfoHeader(texture.GetInfoHeader()));
    EXPECT_EQ(back.GetWidthByte32(), 16u);
    EXPECT_EQ(back.GetFileName(), path);
    EXPECT_TRUE(m_capture.Boxes().empty());
}

}  // namespace

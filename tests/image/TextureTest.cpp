// TextureTest: the block of CTexture, RAW files, and the failure table of the readers and
// writers: message boxes, dump lines, traces, and the state each failure leaves.
#include "image/Texture.h"

#include "TextureTestTools.h"  // fixture, block helpers

#include <sys/resource.h>  // setrlimit: a file size limit makes writes fail part-way

#include <csignal>     // SIGXFSZ ignored, so that a write past the limit fails instead
#include <filesystem>  // directories, symlinks and sizes
#include <tuple>       // rows of the tables

namespace
{

using namespace cubatro::test;
namespace fs = std::filesystem;
using TextureTest = CTextureFixture;

// The trace of writing or reading the 5 × 2 BMP of 86 bytes: the file header, then the info header.
const std::string kFileHeaderTrace =
    "FileHeader.bfType : 19778\nFileHeader.bfSize : 86\nFileHeader.bfReserved1 : 0\n"
    "FileHeader.bfReserved2 : 0\nFileHeader.bfOffBits : 54\n";
const std::string kHeadersTrace =
    kFileHeaderTrace +
    "\n**** IMAGE HEADER :\n**** biSize : 40\n**** biWidth : 5\n**** biHeight : 2\n"
    "**** biPlanes : 1\n**** biBitCount : 24\n**** biCompression : 0\n**** biSizeImage : 32\n"
    "**** biXPelsPerMeter : 0\n**** biYPelsPerMeter : 0\n**** biClrUsed : 0\n**** biClrImportant : 0\n";

TEST_F(TextureTest, BlockHasZeroedPaddedRowsAndAHeaderThatDescribesIt)
{
    CTexture texture;
    ASSERT_TRUE(texture.Alloc(5, 2, 24));
    EXPECT_EQ(BlockOf(texture), Bytes(32, 0));
    const Bytes packed = {255, 255, 255, 1, 1, 2, 9, 9, 9, 200, 100, 0, 0, 0, 0, 7, 8, 9};  // 3 × 2
    ASSERT_TRUE(texture.CreateFromBuffer(packed.data(), 3, 2, 24));
    EXPECT_EQ(BlockOf(texture),
              (Bytes{255, 255, 255, 1, 1, 2, 9, 9, 9, 0, 0, 0, 200, 100, 0, 0, 0, 0, 7, 8, 9, 0, 0, 0}));
    EXPECT_EQ(EncodeInfoHeader(texture.GetInfoHeader()),
              EncodeInfoHeader(BITMAPINFOHEADER{40, 3, 2, 1, 24, 0, 24, 0, 0, 0, 0}));
    EXPECT_EQ((std::vector<int>{texture.GetGrey(0, 0), texture.GetGrey(1, 0), texture.GetGrey(0, 1),
                                texture.GetGrey(3, 0), texture.GetGrey(0, 2)}),
              (std::vector<int>{255, 1, 100, -1, -1}))
        << "the mean of the first three bytes, -1 outside";
    EXPECT_EQ(m_capture.TraceText(), "") << "a valid image traces nothing";
    texture.Free();
    EXPECT_EQ(std::tuple(texture.GetData(), texture.GetWidth() + texture.GetHeight(), texture.GetDepth()),
              std::tuple(nullptr, 0, 0u));
    EXPECT_FALSE(texture.IsValid());
    EXPECT_EQ(m_capture.TraceText(), kEmptyTrace);
    EXPECT_FALSE(texture.CreateFromBuffer(nullptr, 3, 2, 24) ||
                 texture.CreateFromBuffer(packed.data(), -1, 2, 24));
}

TEST_F(TextureTest, AllocRefusesBadDepthsAndBlocksThatCannotBeHad)
{
    const std::string noMemory = "CTexture::Alloc : Insuffisant memory\n";
    const std::tuple<uint32_t, uint32_t, uint32_t, std::string> cases[] = {
        {4, 4, 8, "CTexture::Alloc : invalid depth 8\n"},
        {1u << 20, 1u << 20, 24, noMemory},  // 3 TiB
        {UINT32_MAX, 1, 24, noMemory},       // wider than an int
        {1, 0x80000000u, 32, noMemory}};     // taller than an int
    for (const auto& [nWidth, nHeight, nDepth, trace] : cases)
    {
        m_capture.Clear();
        CTexture texture;
        ASSERT_TRUE(texture.Alloc(2, 2, 24));
        EXPECT_FALSE(texture.Alloc(nWidth, nHeight, nDepth));
        EXPECT_EQ(m_capture.TraceText(), trace);
        EXPECT_EQ(m_capture.Boxes(),
                  trace == noMemory ? Strings{"CTexture::Alloc : Insufisant memory"} : Strings{});
        EXPECT_EQ(texture.GetData(), nullptr);
    }
}

TEST_F(TextureTest, FailedReadsReportAndLeaveAnEmptyImageWithTheAttemptedName)
{
    fs::create_directory(m_dir.Path() / "folder.bmp");
    m_dir.Write("text.bmp", std::string(80, 'x'));
    m_dir.Write("short.bmp", "BM" + std::string(20, '\0'));
    m_dir.Write("bank.raw", "abcd");
    const std::string rawSizes = "CTexture::ReadFileRAW : invalid image",
                      noFile = "Unable to open file for reading";
    const std::tuple<std::string, int, int, int, Strings, std::string> cases[] = {
        // name, RAW width, height and depth, boxes (none: the redirection text), dump
        {"picture.png", 0, 0, 0, {}, ""},
        {"MISSING.BMP", 0, 0, 0, {noFile}, "File could not be opened 2\n"},
        {"folder.bmp", 0, 0, 0, {"Error during reading file header"}, "Error during reading 6\n"},
        {"text.bmp", 0, 0, 0, {"Invalid BMP file"}, ""},
        {"short.bmp", 0, 0, 0, {"Texture file must have 24 bits depth"}, ""},
        {"bank.raw", -1, -1, -1, {rawSizes}, ""},
        {"bank.raw", 2, 2, 8, {rawSizes}, ""},
        {"bank.raw", 1 << 20, 1 << 20, 32, {"CTexture::Alloc : Insufisant memory", "Insuffisant memory"}, ""},
        {"missing.RAW", 2, 2, 24, {noFile}, "File could not be opened 2\n"}};
    for (const auto& [file, nWidth, nHeight, nDepth, boxes, dump] : cases)
    {
        const std::string name = m_dir / file;
        SCOPED_TRACE(name);
        CTexture texture;
        ASSERT_TRUE(texture.Alloc(2, 2, 24));
        m_capture.Clear();
        EXPECT_FALSE(texture.ReadFile(name, nWidth, nHeight, nDepth));
        EXPECT_EQ(m_capture.Boxes(),
                  boxes.empty() ? Strings{"CTexture::ReadFile : invalid file redirection : " + name + "\n"}
                                : boxes);
        EXPECT_EQ(m_capture.DumpText(), dump);
        EXPECT_EQ(m_capture.TraceText().rfind("CTexture::ReadFile : file : " + name + "\n", 0), 0u);
        EXPECT_EQ(texture.GetFileName(), name);
        EXPECT_EQ(texture.GetData(), nullptr);
    }
    CTexture texture;
    EXPECT_FALSE(texture.ReadFile("bmp", 0, 0, 0)) << "a name shorter than an extension";
    EXPECT_EQ(m_capture.Boxes().back(), "CTexture::ReadFile : invalid file redirection : bmp\n");
}

TEST_F(TextureTest, RawFilesHoldPackedRowsInBlockOrderAndAreCreatedOrTruncated)
{
    const std::string path = m_dir / "picture.RAW";  // the first save creates it, shorter ones cut it
    const int sizes[][3] = {{5, 3, 32}, {4, 3, 24}, {5, 3, 24}, {1, 2, 24}};
    for (const auto& [nWidth, nHeight, nDepth] : sizes)
    {
        const Bytes packed = Pattern(size_t(nWidth * nHeight * nDepth / 8));
        CTexture texture, back;
        ASSERT_TRUE(texture.CreateFromBuffer(packed.data(), nWidth, nHeight, nDepth));
        ASSERT_TRUE(texture.SaveFile(path.c_str()));
        EXPECT_EQ(CTempDir::ReadAll(path), packed) << nWidth << "x" << nHeight << "x" << nDepth;
        ASSERT_TRUE(back.ReadFile(path, nWidth, nHeight, nDepth));
        EXPECT_EQ(BlockOf(back), BlockOf(texture));
        EXPECT_EQ(back.GetFileName(), path);
    }
    // ImageMagick's rgb format is a RAW file (packed rows, red first); cut short, what it lacks reads as 0.
    ASSERT_TRUE(Shell("convert -size 7x5 -seed 11 plasma: -depth 8 rgb:" + path));
    const Bytes rgb = CTempDir::ReadAll(path);
    for (size_t nCut : {rgb.size(), size_t(0), size_t(20), size_t(104)})
    {
        Bytes packed(rgb.begin(), rgb.begin() + long(nCut));
        CTexture texture, expected;
        ASSERT_TRUE(texture.ReadFile(m_dir.Write("cut.raw", packed), 7, 5, 24));
        packed.resize(rgb.size(), 0);
        ASSERT_TRUE(expected.CreateFromBuffer(packed.data(), 7, 5, 24));
        EXPECT_EQ(BlockOf(texture), BlockOf(expected)) << nCut;
    }
    EXPECT_TRUE(m_capture.Boxes().empty());
}

TEST_F(TextureTest, FailedWritesReportAndLeaveTheImageUnchanged)
{
    fs::create_symlink("/dev/full", m_dir.Path() / "full.raw");
    fs::create_symlink("/dev/full", m_dir.Path() / "full.bmp");
    std::signal(SIGXFSZ, SIG_IGN);  // a write past the file size limit fails instead
    const std::string save = "\nSave BMP File...\n", full = "Error during writing 9\n";
    const std::tuple<std::string, int, rlim_t, Strings, std::string, std::string> cases[] = {
        // name, depth (0: empty image), file size limit, boxes ({""}: the redirection text),
        // dump, trace after "CTexture::SaveFile : file : <name>\n"
        {"out.png", 24, 0, {""}, "", ""},
        {"out.raw", 0, 0, {"CTexture::SaveFileRAW : invalid image"}, "", ""},
        {"out.bmp", 0, 0, {}, "", kEmptyTrace},
        {"out.bmp", 32, 0, {}, "", ""},
        {"nodir/out.bmp", 24, 0, {"Unable to open file for writing"}, "File could not be opened 2\n", ""},
        {"full.raw", 24, 0, {"Error during writing image"}, full, ""},
        {"full.bmp", 24, 0, {"Error during writing file header"}, full, save + kFileHeaderTrace},
        {"limit14.bmp", 24, 14, {"Error during writing image header"}, full, save + kFileHeaderTrace},
        {"limit60.bmp", 24, 60, {"Error during writing image"}, full, save + kHeadersTrace}};
    for (const auto& [file, nDepth, nLimit, boxes, dump, trace] : cases)
    {
        const std::string name = m_dir / file;
        SCOPED_TRACE(name + " " + std::to_string(nDepth));
        CTexture texture;
        ASSERT_TRUE(nDepth == 0 ||
                    texture.CreateFromBuffer(Pattern(size_t(10 * nDepth / 8)).data(), 5, 2, nDepth));
        const Bytes before = BlockOf(texture);
        m_capture.Clear();
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit saved = limit;
        limit.rlim_cur = nLimit ? nLimit : limit.rlim_cur;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool bSaved = texture.SaveFile(name.c_str());
        ::setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_FALSE(bSaved);
        const Strings redirection = {"CTexture::SaveFile : invalid file redirection : " + name + "\n"};
        EXPECT_EQ(m_capture.Boxes(), boxes == Strings{""} ? redirection : boxes);
        EXPECT_EQ(m_capture.DumpText(), dump);
        EXPECT_EQ(m_capture.TraceText(), "CTexture::SaveFile : file : " + name + "\n" + trace);
        EXPECT_EQ(BlockOf(texture), before);
        EXPECT_EQ(nLimit ? fs::file_size(name) : 0, nLimit) << "written up to the limit";
    }
    EXPECT_FALSE(fs::exists(m_dir / "out.bmp")) << "nothing is written for a 32-bit image";
}

TEST_F(TextureTest, BmpWrittenTracesItsHeadersAndReadsBackTheSame)
{
    CTexture texture, back;
    ASSERT_TRUE(texture.CreateFromBuffer(Pattern(30).data(), 5, 2, 24));
    const std::string path = m_dir / "written.bmp";
    ASSERT_TRUE(texture.SaveFileBMP(path.c_str()));
    EXPECT_EQ(m_capture.TraceText(), "\nSave BMP File...\n" + kHeadersTrace);
    EXPECT_EQ(fs::file_size(path), 86u);
    m_capture.Clear();
    ASSERT_TRUE(back.ReadFile(path, -1, -1, -1));
    EXPECT_EQ(m_capture.TraceText(), "CTexture::ReadFile : file : " + path + "\n" + kHeadersTrace);
    EXPECT_EQ(BlockOf(back), BlockOf(texture));
    EXPECT_EQ(EncodeInfoHeader(back.GetInfoHeader()), EncodeInfoHeader(texture.GetInfoHeader()));
    EXPECT_EQ(back.GetFileName(), path);
    EXPECT_TRUE(m_capture.Boxes().empty());
}

}  // namespace

// TextureTest: the block of CTexture, RAW files, and the failure table of the readers and
// writers: message boxes, dump lines, traces, and the state each failure leaves.
#include "image/Texture.h"

#include "TextureTestTools.h"  // fixture, tool-made files, block helpers

#include <sys/resource.h>  // setrlimit: a file size limit makes writes fail part-way

#include <csignal>     // SIGXFSZ ignored, so that a write past the limit fails instead
#include <cstdio>      // std::fprintf of what the child process saw
#include <filesystem>  // directories, symlinks and sizes

namespace
{

using namespace cubatro::test;
namespace fs = std::filesystem;
using TextureTest = CTextureFixture;

TEST_F(TextureTest, AllocLaysOutZeroedPaddedRowsAndTheirHeader)
{
    const struct
    {
        uint32_t nWidth, nDepth, nRow;
    } rows[] = {{5, 24, 16}, {64, 24, 192}, {1, 24, 4}, {4, 24, 12}, {7, 24, 24}, {5, 32, 20}, {0, 24, 0}};
    for (const auto& r : rows)
        EXPECT_EQ(CTexture::ComputeWidthByte32(r.nWidth, r.nDepth), r.nRow) << r.nWidth << "x" << r.nDepth;

    CTexture texture;
    ASSERT_TRUE(texture.Alloc(5, 2, 24));
    EXPECT_EQ(texture.GetWidthByte32(), 16u);
    EXPECT_EQ(EncodeInfoHeader(texture.GetInfoHeader()),
              EncodeInfoHeader(BITMAPINFOHEADER{40, 5, 2, 1, 24, 0, 32, 0, 0, 0, 0}));
    EXPECT_EQ(BlockOf(texture), Bytes(32, 0));
    EXPECT_TRUE(texture.IsValid());
    EXPECT_EQ(m_capture.TraceText(), "") << "a valid image traces nothing";

    texture.Free();  // empties the image, keeps the row length and the header
    EXPECT_EQ(texture.GetData(), nullptr);
    EXPECT_EQ(texture.GetWidth() + texture.GetHeight() + int(texture.GetDepth()), 0);
    EXPECT_EQ(texture.GetWidthByte32(), 16u);
    EXPECT_EQ(texture.GetInfoHeader().biSizeImage, 32u);
    EXPECT_FALSE(texture.IsValid());
    EXPECT_EQ(m_capture.TraceText(), kEmptyTrace);
}

TEST_F(TextureTest, AllocRefusesBadDepthsAndBlocksThatCannotBeHad)
{
    const std::string noMemory = "CTexture::Alloc : Insuffisant memory\n";
    const struct
    {
        uint32_t nWidth, nHeight, nDepth;
        std::string trace;
    } cases[] = {{4, 4, 8, "CTexture::Alloc : invalid depth 8\n"},
                 {4, 4, 25, "CTexture::Alloc : invalid depth 25\n"},
                 {1u << 20, 1u << 20, 24, noMemory},  // 3 TiB
                 {UINT32_MAX, 1, 24, noMemory},       // wider than an int
                 {1, 0x80000000u, 32, noMemory}};     // taller than an int
    for (const auto& c : cases)
    {
        m_capture.Clear();
        CTexture texture;
        ASSERT_TRUE(texture.Alloc(2, 2, 24));
        EXPECT_FALSE(texture.Alloc(c.nWidth, c.nHeight, c.nDepth));
        EXPECT_EQ(m_capture.TraceText(), c.trace);
        EXPECT_EQ(m_capture.Boxes(),
                  c.trace == noMemory ? Strings{"CTexture::Alloc : Insufisant memory"} : Strings{});
        EXPECT_EQ(texture.GetData(), nullptr);
    }
}

TEST_F(TextureTest, CreateFromBufferFillsPaddedRowsAndGreyIsTheirMean)
{
    const Bytes packed = {255, 255, 255, 1, 1, 2, 9, 9, 9, 200, 100, 0, 0, 0, 0, 7, 8, 9};  // 3 × 2
    CTexture texture;
    ASSERT_TRUE(texture.CreateFromBuffer(packed.data(), 3, 2, 24));
    Bytes expected = packed;
    expected.insert(expected.begin() + 9, 3, 0);
    expected.insert(expected.end(), 3, 0);
    EXPECT_EQ(BlockOf(texture), expected);
    EXPECT_EQ(texture.GetGrey(0, 0), 255);
    EXPECT_EQ(texture.GetGrey(1, 0), 1);
    EXPECT_EQ(texture.GetGrey(0, 1), 100);
    EXPECT_EQ(texture.GetGrey(3, 0), -1) << "outside";
    EXPECT_EQ(texture.GetGrey(0, 2), -1) << "outside";
    EXPECT_FALSE(texture.CreateFromBuffer(nullptr, 3, 2, 24));
    EXPECT_FALSE(texture.CreateFromBuffer(packed.data(), -1, 2, 24));
    EXPECT_EQ(texture.GetGrey(0, 0), -1) << "empty";
}

TEST_F(TextureTest, FailedReadsReportAndLeaveAnEmptyImageWithTheAttemptedName)
{
    fs::create_directory(m_dir.Path() / "folder.bmp");
    m_dir.Write("text.bmp", std::string(80, 'x'));
    m_dir.Write("empty.bmp", "");
    m_dir.Write("short.bmp", "BM" + std::string(20, '\0'));
    m_dir.Write("bank.raw", "abcd");
    const std::string redirection = "CTexture::ReadFile : invalid file redirection : ";
    const std::string rawSizes = "CTexture::ReadFileRAW : invalid image",
                      noFile = "Unable to open file for reading";
    const struct
    {
        std::string name;
        int nRawWidth, nRawHeight, nRawDepth;
        Strings boxes;  // "" stands for the redirection text with the name
        std::string dump;
    } cases[] = {
        {"picture.png", 0, 0, 0, {""}, ""},
        {"picture.bmp ", 0, 0, 0, {""}, ""},
        {"MISSING.BMP", 0, 0, 0, {noFile}, "File could not be opened 2\n"},
        {"folder.bmp", 0, 0, 0, {"Error during reading file header"}, "Error during reading 6\n"},
        {"text.bmp", 0, 0, 0, {"Invalid BMP file"}, ""},
        {"empty.bmp", 0, 0, 0, {"Invalid BMP file"}, ""},
        {"short.bmp", 0, 0, 0, {"Texture file must have 24 bits depth"}, ""},
        {"bank.raw", -1, -1, -1, {rawSizes}, ""},
        {"bank.raw", 2, 2, 8, {rawSizes}, ""},
        {"bank.raw", 2, 0, 24, {rawSizes}, ""},
        {"bank.raw", 1 << 20, 1 << 20, 32, {"CTexture::Alloc : Insufisant memory", "Insuffisant memory"}, ""},
        {"missing.RAW", 2, 2, 24, {noFile}, "File could not be opened 2\n"},
    };
    for (const auto& c : cases)
    {
        const std::string name = m_dir / c.name;
        SCOPED_TRACE(name);
        CTexture texture;
        ASSERT_TRUE(texture.Alloc(2, 2, 24));
        m_capture.Clear();
        EXPECT_FALSE(texture.ReadFile(name, c.nRawWidth, c.nRawHeight, c.nRawDepth));
        EXPECT_EQ(m_capture.Boxes(), c.boxes[0].empty() ? Strings{redirection + name + "\n"} : c.boxes);
        EXPECT_EQ(m_capture.DumpText(), c.dump);
        EXPECT_EQ(m_capture.TraceText().rfind("CTexture::ReadFile : file : " + name + "\n", 0), 0u);
        EXPECT_EQ(texture.GetFileName(), name);
        EXPECT_EQ(texture.GetData(), nullptr);
    }
    CTexture texture;
    EXPECT_FALSE(texture.ReadFile("bmp", 0, 0, 0)) << "a name shorter than an extension";
    EXPECT_EQ(m_capture.Boxes().back(), redirection + "bmp\n");
}

TEST_F(TextureTest, RawFilesHoldPackedRowsInBlockOrder)
{
    const struct
    {
        int nWidth, nHeight, nDepth;
    } sizes[] = {{4, 3, 24}, {5, 3, 24}, {1, 2, 24}, {7, 5, 24}, {5, 3, 32}};
    for (const auto& s : sizes)
    {
        const Bytes packed = Pattern(size_t(s.nWidth * s.nHeight * s.nDepth / 8));
        CTexture texture, back;
        ASSERT_TRUE(texture.CreateFromBuffer(packed.data(), s.nWidth, s.nHeight, s.nDepth));
        const std::string path = m_dir.Write("picture.RAW", Bytes(1000, 0xEE));  // longer: truncated
        ASSERT_TRUE(texture.SaveFile(path.c_str()));
        EXPECT_EQ(CTempDir::ReadAll(path), packed) << s.nWidth << "x" << s.nHeight << "x" << s.nDepth;
        ASSERT_TRUE(back.ReadFile(path, s.nWidth, s.nHeight, s.nDepth));
        EXPECT_EQ(BlockOf(back), BlockOf(texture));
        EXPECT_EQ(back.GetFileName(), path);
    }
    const std::string fresh = m_dir / "fresh.raw";  // a missing file is created
    CTexture texture;
    ASSERT_TRUE(texture.Alloc(3, 1, 24));
    ASSERT_TRUE(texture.SaveFileRAW(fresh.c_str()));
    EXPECT_EQ(CTempDir::ReadAll(fresh), Bytes(9, 0));
    EXPECT_TRUE(m_capture.Boxes().empty());
}

TEST_F(TextureTest, RawFileMadeByAToolOrCutShortReadsIntoTheRows)
{
    // ImageMagick's rgb format is a RAW file: packed rows, top row first, red first.
    const std::string path = m_dir / "tool.raw";
    ASSERT_TRUE(Shell("convert -size 7x5 -seed 11 plasma: -depth 8 rgb:" + path));
    const Bytes rgb = CTempDir::ReadAll(path);
    CTexture texture, expected;
    ASSERT_TRUE(expected.CreateFromBuffer(rgb.data(), 7, 5, 24));
    ASSERT_TRUE(texture.ReadFile(path, 7, 5, 24));
    EXPECT_EQ(BlockOf(texture), BlockOf(expected));

    for (size_t nCut : {0, 20, 104})  // bytes the file lacks read as 0
    {
        Bytes packed(rgb.begin(), rgb.begin() + long(nCut));
        ASSERT_TRUE(texture.ReadFileRAW(m_dir.Write("cut.raw", packed), 7, 5, 24));
        packed.resize(rgb.size(), 0);
        ASSERT_TRUE(expected.CreateFromBuffer(packed.data(), 7, 5, 24));
        EXPECT_EQ(BlockOf(texture), BlockOf(expected)) << nCut;
    }
}

TEST_F(TextureTest, FailedWritesReportAndLeaveTheImageUnchanged)
{
    fs::create_directory(m_dir.Path() / "folder.raw");
    fs::create_symlink("/dev/full", m_dir.Path() / "full.raw");
    fs::create_symlink("/dev/full", m_dir.Path() / "full.bmp");
    const std::string bmpTrace =
        "\nSave BMP File...\nFileHeader.bfType : 19778\nFileHeader.bfSize : 78\n"
        "FileHeader.bfReserved1 : 0\nFileHeader.bfReserved2 : 0\nFileHeader.bfOffBits : 54\n";
    const struct
    {
        std::string name;
        int nDepth;        // 0: an empty image
        Strings boxes;     // "" stands for the redirection text with the name
        std::string dump;  // the trace after "CTexture::SaveFile : file : <name>\n" follows
        std::string trace;
    } cases[] = {
        {"out.png", 24, {""}, "", ""},
        {"out.raw", 0, {"CTexture::SaveFileRAW : invalid image"}, "", ""},
        {"out.bmp", 0, {}, "", kEmptyTrace},
        {"out.bmp", 32, {}, "", ""},
        {"nodir/out.bmp", 24, {"Unable to open file for writing"}, "File could not be opened 2\n", ""},
        {"folder.raw", 24, {"Unable to open file for writing"}, "File could not be opened 6\n", ""},
        {"full.raw", 24, {"Error during writing image"}, "Error during writing 9\n", ""},
        {"full.bmp", 24, {"Error during writing file header"}, "Error during writing 9\n", bmpTrace},
    };
    for (const auto& c : cases)
    {
        const std::string name = m_dir / c.name;
        SCOPED_TRACE(name + " " + std::to_string(c.nDepth));
        CTexture texture;
        const Bytes packed = Pattern(size_t(3 * 2 * c.nDepth / 8));
        ASSERT_TRUE(c.nDepth == 0 || texture.CreateFromBuffer(packed.data(), 3, 2, c.nDepth));
        const Bytes before = BlockOf(texture);
        m_capture.Clear();
        EXPECT_FALSE(texture.SaveFile(name.c_str()));
        const Strings boxes = {"CTexture::SaveFile : invalid file redirection : " + name + "\n"};
        EXPECT_EQ(m_capture.Boxes(), !c.boxes.empty() && c.boxes[0].empty() ? boxes : c.boxes);
        EXPECT_EQ(m_capture.DumpText(), c.dump);
        EXPECT_EQ(m_capture.TraceText(), "CTexture::SaveFile : file : " + name + "\n" + c.trace);
        EXPECT_EQ(BlockOf(texture), before);
    }
    EXPECT_FALSE(fs::exists(m_dir / "out.bmp")) << "nothing is written for a 32-bit image";
}

// Saves a 3 × 2 image under a file size limit and reports what it saw on standard error.
void SaveUnderSizeLimit(const std::string& path, rlim_t nLimit)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlim_t nSoft = limit.rlim_cur;
    limit.rlim_cur = nLimit;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    plat::CDiagnosticsCapture capture;
    CTexture texture;
    texture.Alloc(3, 2, 24);
    const bool bSaved = texture.SaveFileBMP(path.c_str());
    limit.rlim_cur = nSoft;  // standard error is a file too
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::fprintf(
        stderr, "saved=%d boxes=[%s] dump=[%s] size=%ju\n", int(bSaved),
        capture.Boxes().empty() ? "" : capture.Boxes().back().c_str(),
        capture.DumpText().substr(0, capture.DumpText().size() - !capture.DumpText().empty()).c_str(),
        uintmax_t(fs::file_size(path)));
    std::exit(0);
}

using TextureDeathTest = TextureTest;

TEST_F(TextureDeathTest, WriteErrorsAfterTheFileHeaderNameTheirStep)
{
    const std::string path = m_dir / "limited.bmp";
    EXPECT_EXIT(
        SaveUnderSizeLimit(path, 14), ::testing::ExitedWithCode(0),
        "saved=0 boxes=\\[Error during writing image header\\] dump=\\[Error during writing 9\\] size=14");
    EXPECT_EXIT(SaveUnderSizeLimit(path, 60), ::testing::ExitedWithCode(0),
                "saved=0 boxes=\\[Error during writing image\\] dump=\\[Error during writing 9\\] size=60");
    EXPECT_EXIT(SaveUnderSizeLimit(path, 1000), ::testing::ExitedWithCode(0),
                "saved=1 boxes=\\[\\] dump=\\[\\] size=78");
}

TEST_F(TextureTest, BmpWrittenFromAllocTracesItsHeadersAndReadsBackTheSame)
{
    CTexture texture, back;
    ASSERT_TRUE(texture.CreateFromBuffer(Pattern(30).data(), 5, 2, 24));
    const std::string path = m_dir / "written.bmp";
    ASSERT_TRUE(texture.SaveFileBMP(path.c_str()));
    EXPECT_EQ(
        m_capture.TraceText(),
        "\nSave BMP File...\nFileHeader.bfType : 19778\nFileHeader.bfSize : 86\nFileHeader.bfReserved1 : 0\n"
        "FileHeader.bfReserved2 : 0\nFileHeader.bfOffBits : 54\n\n**** IMAGE HEADER :\n**** biSize : 40\n"
        "**** biWidth : 5\n**** biHeight : 2\n**** biPlanes : 1\n**** biBitCount : 24\n"
        "**** biCompression : 0\n**** biSizeImage : 32\n**** biXPelsPerMeter : 0\n"
        "**** biYPelsPerMeter : 0\n**** biClrUsed : 0\n**** biClrImportant : 0\n");
    EXPECT_EQ(fs::file_size(path), 86u);
    ASSERT_TRUE(back.ReadFile(path, -1, -1, -1));
    EXPECT_EQ(BlockOf(back), BlockOf(texture));
    EXPECT_EQ(EncodeInfoHeader(back.GetInfoHeader()), EncodeInfoHeader(texture.GetInfoHeader()));
    EXPECT_EQ(back.GetFileName(), path);
    EXPECT_TRUE(m_capture.Boxes().empty());
}

}  // namespace

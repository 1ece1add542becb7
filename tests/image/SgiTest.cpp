// SgiTest: the SGI reader against files made by ImageMagick and by hand, its refusals, and the
// files the fuzz targets once found faults with (tests/image/data/fuzz), read again.
#include "image/Sgi.h"

#include "ImageTestTools.h"  // fixture, shell, byte helpers

#include <cstdlib>     // std::getenv for the data directory
#include <filesystem>  // the folder of the Windows-style name

namespace
{

using namespace cubatro::test;
using SgiTest = CImageTest;

// What SgiReadLuminance makes of a file: pixels (none: empty), standard error, width, height and
// channels (-7: not set).
std::tuple<Bytes, std::string, int, int, int> Read(const std::string& path)
{
    int nWidth = -7, nHeight = -7, nChannels = -7;
    ::testing::internal::CaptureStderr();
    const SgiPixels pPixels(SgiReadLuminance(path, nWidth, nHeight, nChannels));
    const std::string error = ::testing::internal::GetCapturedStderr();
    const size_t nSize = pPixels ? size_t(nWidth) * size_t(nHeight) : 0;
    return {Bytes(pPixels.get(), pPixels.get() + nSize), error, nWidth, nHeight, nChannels};
}

// Row y of channel z asked for over bytes 0xAA: whether it was delivered, the row, standard error.
std::tuple<bool, Bytes, std::string> Row(SgiImage& image, int y, int z)
{
    Bytes row(image.xsize + 1u, 0xAA);
    ::testing::internal::CaptureStderr();
    const bool bDelivered = SgiGetRow(&image, row.data(), y, z);
    EXPECT_EQ(row.back(), 0xAA) << "written past xsize";
    row.pop_back();
    return {bDelivered, row, ::testing::internal::GetCapturedStderr()};
}

// Files made by ImageMagick, found by a Windows-style name: every row of every channel is the one the
// tool reads (bottom row first, as stored) and rows outside are refused; grey files read whole give
// the same pixels, and the tool's fixed checkerboard tile decodes to a known hash.
TEST_F(SgiTest, RowsAreTheOnesTheToolSaysTheFileHolds)
{
    const std::string grey = " -colorspace Gray -type Grayscale -compress ";
    // picture, width, height, channels, known hash
    // clang-format off
    const std::tuple<std::string, int, int, int, uint64_t> cases[] = {
        {"7x5 -seed 7 plasma:" + grey + "None", 7, 5, 1, 0},
        {"300x3 gradient:black-white" + grey + "RLE", 300, 3, 1, 0},
        {"40x24 pattern:checkerboard" + grey + "RLE", 40, 24, 1, 17465170237322476833ull},
        {"3x2 -seed 7 plasma: -type TrueColor -compress None", 3, 2, 3, 0},
        {"3x2 -seed 7 plasma: -type TrueColor -compress RLE", 3, 2, 3, 0}};
    // clang-format on
    std::filesystem::create_directory(m_dir.Path() / "gfx");
    for (const auto& [picture, nWidth, nHeight, nChannels, nHash] : cases)
    {
        ASSERT_TRUE(Shell(m_dir, "convert -size " + picture +
                                     " -depth 8 sgi:gfx/TOOL.BW && "
                                     "convert sgi:gfx/TOOL.BW -flip -separate -depth 8 gray:planes"));
        // One plane per channel, row after row; a grey picture gives three planes alike.
        Bytes expected = CTempDir::ReadAll(m_dir / "planes");
        expected.resize(size_t(nWidth * nHeight * nChannels));
        const std::string path = m_dir.Path().string() + "\\Gfx\\Tool.bw";
        SgiImagePtr pImage(SgiOpen(path));
        for (int i = 0; i < nHeight * nChannels; ++i)
            EXPECT_EQ(Row(*pImage, i % nHeight, i / nHeight),
                      std::tuple(true,
                                 Bytes(expected.begin() + i * nWidth, expected.begin() + (i + 1) * nWidth),
                                 ""))
                << picture << ", row " << i;
        EXPECT_FALSE(std::get<0>(Row(*pImage, -1, 0)) || std::get<0>(Row(*pImage, nHeight, 0)) ||
                     std::get<0>(Row(*pImage, 0, -1)) || std::get<0>(Row(*pImage, 0, nChannels)));
        EXPECT_EQ(Read(path), nChannels == 1 ? std::tuple(expected, "", nWidth, nHeight, 1)
                                             : std::tuple(Bytes{}, "", -7, -7, -7));  // silently: not grey
        EXPECT_EQ(nHash ? Fnv1a(expected) : 0, nHash) << "known hash";
    }
}

// Hand-made files: a stored row shorter than the one before and without its closing 0 reads as 0
// where it stops; then one file for each refusal, with the line that gives the reason; and the
// records of the fuzz finds, which refuse row 0.
TEST_F(SgiTest, FilesCutShortReadAsZeroAndMalformedFilesAreRefused)
{
    EXPECT_EQ(Read(m_dir.Write("r.bw", SgiFile(0x0101, 4, 2, 1, {{0x81, 1, 0x02, 2, 0}, {0x02, 3}}))),
              std::tuple(Bytes{1, 2, 2, 0, 3, 3, 0, 0}, "", 4, 2, 1));
    Bytes past = SgiFile(0x0101, 4, 1, 1, {Bytes(10, 0x81)});  // a stored row that the file cuts short
    past.resize(525);
    const std::string row0 = "row 0 of channel 0: ";
    const std::pair<Bytes, std::string> cases[] = {
        {SgiFile(0x0101, 1, 1, 1, {Bytes(257, 0)}),
         row0 + "stored length 257 exceeds the row buffer of 256 bytes"},
        {past, row0 + "bytes 520 to 530 lie outside the file (525 bytes)"},
        {SgiFile(0x0101, 2, 1, 1, {{0x83, 1, 2, 3, 0}}), row0 + "packets write past the row's 2 samples"},
        {SgiFile(0x0101, 4, 1, 1, {{0x84, 1, 2}}), row0 + "a copy packet runs past the stored row"},
        {SgiFile(0x0101, 4, 1, 1, {{0x81, 7, 0x02}}), row0 + "a run packet runs past the stored row"},
        {SgiFile(0x0101, 8, 65535, 1), "row tables of 524280 bytes run past the end of the file (512 bytes)"},
        {SgiFile(0x0002, 2, 2, 1), "samples of 2 bytes are not supported"},
        {SgiFile(1, 4, 2, 1, {Bytes(7, 1)}), "the file holds 7 of its 8 bytes of pixels"},
        {SgiFile(0x0101, 300, 1, 1, {{0x7F, 5, 0x7F, 5, 0}}), row0 + "5 bytes cannot encode 300 samples"},
        {SgiFile(1, 0, 3, 1), "the image has no pixels (0 x 3)"}};
    for (const auto& [file, why] : cases)
        EXPECT_EQ(Read(m_dir.Write("bad.bw", file)),
                  std::tuple(Bytes{}, m_dir / "bad.bw" + ": " + why + "\n", -7, -7, -7));
    const char* pszData = std::getenv("CUBATRO_TEST_DATA");
    const std::string fuzz = std::string(pszData ? pszData : "data") + "/fuzz/";
    const std::pair<std::string, std::string> finds[] = {
        // file, why its row 0 is refused
        {"sgi-rle-without-rows.sgi", "row 0 of channel 0 is outside the image (ysize 0, zsize 0)"}};
    for (const auto& [file, why] : finds)
    {
        SgiImagePtr pSgi(SgiOpen(fuzz + file));
        EXPECT_EQ(Row(*pSgi, 0, 0),
                  std::tuple(false, Bytes(pSgi->xsize, 0), fuzz + file + ": " + why + "\n"));
    }
}

}  // namespace

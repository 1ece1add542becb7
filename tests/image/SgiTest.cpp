// SgiTest: the SGI reader against files made by ImageMagick and by hand, and its refusals.
#include "image/Sgi.h"

#include "TempDir.h"  // scratch directories and the ImageMagick command line

#include <gtest/gtest.h>

#include <bit>         // std::endian for the byte-order check
#include <filesystem>  // the folder of the Windows-style name
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace
{

using cubatro::test::CTempDir;
using Bytes = std::vector<unsigned char>;

void PutBig(Bytes& bytes, size_t nAt, uint32_t nValue, size_t nSize)  // big-endian field
{
    for (size_t i = 0; i < nSize; ++i)
        bytes[nAt + i] = static_cast<unsigned char>(nValue >> (8 * (nSize - 1 - i)));
}

// A file of x × y × z samples stored as `type`: the 512-byte header, then `data` as it stands
// (verbatim) or, for a run-length type, two tables for the stored rows `data` (index y + z × ysize).
Bytes SgiFile(unsigned type, unsigned x, unsigned y, unsigned z, const std::vector<Bytes>& data = {})
{
    Bytes bytes(512, 0);
    const unsigned fields[] = {474, type, z == 1 ? 2u : 3u, x, y, z};
    for (size_t i = 0; i < 6; ++i)
        PutBig(bytes, 2 * i, fields[i], 2);
    const size_t nTables = type >> 8 ? data.size() * 4 : 0;
    bytes.resize(512 + 2 * nTables);
    for (size_t i = 0; i < data.size(); ++i)
    {
        if (nTables) PutBig(bytes, 512 + 4 * i, uint32_t(bytes.size()), 4);
        if (nTables) PutBig(bytes, 512 + nTables + 4 * i, uint32_t(data[i].size()), 4);
        bytes.insert(bytes.end(), data[i].begin(), data[i].end());
    }
    return bytes;
}

// A run-length file of one row whose table entry is set by hand.
Bytes OneRowAt(unsigned x, uint32_t nStart, uint32_t nSize, size_t nFileSize)
{
    Bytes bytes = SgiFile(0x0101, x, 1, 1, {{}});
    bytes.resize(nFileSize, 0);
    PutBig(bytes, 512, nStart, 4);
    PutBig(bytes, 516, nSize, 4);
    return bytes;
}

class SgiTest : public ::testing::Test
{
protected:
    struct SRead  // what SgiReadLuminance made of a file
    {
        Bytes pixels;                                   // empty: none delivered
        int nWidth = -7, nHeight = -7, nChannels = -7;  // -7: not set
        std::string strError;                           // standard error while reading
    };
    static SRead Read(const std::string& path)
    {
        SRead read;
        ::testing::internal::CaptureStderr();
        SgiPixels pPixels(SgiReadLuminance(path, read.nWidth, read.nHeight, read.nChannels));
        read.strError = ::testing::internal::GetCapturedStderr();
        if (pPixels)
            read.pixels.assign(pPixels.get(), pPixels.get() + size_t(read.nWidth) * size_t(read.nHeight));
        return read;
    }
    // Row y of channel z, filled from bytes 0xAA; upon exit *pError holds what went to standard error.
    static Bytes Row(SgiImage& image, int y, int z, bool bDelivered, std::string* pError)
    {
        Bytes row(image.xsize, 0xAA);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(SgiGetRow(&image, row.data(), y, z), bDelivered) << "row " << y << " channel " << z;
        *pError = ::testing::internal::GetCapturedStderr();
        return row;
    }
    std::string Convert(const std::string& args, const std::string& name)  // runs ImageMagick into a file
    {
        std::string output;
        EXPECT_EQ(cubatro::test::RunCommand("convert " + args + m_dir / name, &output), 0) << args << "\n"
                                                                                           << output;
        return m_dir / name;
    }

    CTempDir m_dir;
};

TEST_F(SgiTest, PacketsCopyAndRepeatThroughTablesReadInHostOrder)
{
    EXPECT_EQ(SgiHostIsLittleEndian(), std::endian::native == std::endian::little);
    const SRead read =
        Read(m_dir.Write("h.bw", SgiFile(0x0101, 5, 2, 1, {{0x83, 'a', 'b', 'c', 0x02, 'd', 0}, {5, 9, 0}})));
    EXPECT_EQ(read.pixels, (Bytes{'a', 'b', 'c', 'd', 'd', 9, 9, 9, 9, 9}));
    EXPECT_EQ(std::tie(read.nWidth, read.nHeight, read.nChannels, read.strError), std::tuple(5, 2, 1, ""));
}

// Verbatim and run-length files of the same samples: every row of every channel; rows outside
// the image refused; samples the file lacks (a short file, rows that end early) read as 0.
TEST_F(SgiTest, GetRowDeliversEachRowOfEachChannelInsideTheImage)
{
    std::vector<Bytes> rows, packets;  // 2 × 2 × 3 samples
    for (unsigned char i = 0; i < 6; ++i)
    {
        rows.push_back({uint8_t(10 * i + 1), uint8_t(10 * i + 2)});
        packets.push_back({0x82, rows.back()[0], rows.back()[1], 0});
    }
    const std::pair<int, int> outside[] = {{-1, 0}, {2, 0}, {0, 3}, {0, -1}};  // row, channel
    for (const bool bRunLength : {false, true})
    {
        const std::string path =
            m_dir.Write("rgb.sgi", SgiFile(bRunLength ? 0x0101 : 1, 2, 2, 3, bRunLength ? packets : rows));
        SgiImagePtr pImage(SgiOpen(path));
        std::string error;
        for (int i = 0; i < 6; ++i)
        {
            EXPECT_EQ(Row(*pImage, i % 2, i / 2, true, &error), rows[size_t(i)]);
            EXPECT_EQ(error, "");
        }
        for (const auto& [y, z] : outside)
        {
            EXPECT_EQ(Row(*pImage, y, z, false, &error), Bytes(2, 0));
            EXPECT_EQ(error, path + ": row " + std::to_string(y) + " of channel " + std::to_string(z) +
                                 " is outside the image (ysize 2, zsize 3)\n");
        }
        pImage.reset(SgiOpen(
            m_dir.Write("s.bw", bRunLength ? SgiFile(0x0101, 4, 2, 1, {{0x81, 1, 0x02, 2, 0}, {0x02, 3}})
                                           : SgiFile(1, 4, 2, 1, {{1, 2, 2, 0, 3}}))));
        EXPECT_EQ(Row(*pImage, 0, 0, true, &error), (Bytes{1, 2, 2, 0})) << bRunLength;
        EXPECT_EQ(Row(*pImage, 1, 0, true, &error), (Bytes{3, uint8_t(bRunLength ? 3 : 0), 0, 0}))
            << bRunLength;
    }
}

TEST_F(SgiTest, MalformedFilesAreRefusedWithTheReason)
{
    const std::string row0 = "row 0 of channel 0: ", past = "packets write past the row's 2 samples";
    const std::pair<Bytes, std::string> cases[] = {
        {OneRowAt(1, 520, 257, 1000), row0 + "stored length 257 exceeds the row buffer of 256 bytes"},
        {OneRowAt(4, 520, 10, 525), row0 + "bytes 520 to 530 lie outside the file (525 bytes)"},
        {OneRowAt(4, 0xFFFFFFF0u, 4, 600),
         row0 + "bytes 4294967280 to 4294967284 lie outside the file (600 bytes)"},
        {SgiFile(0x0101, 2, 1, 1, {{0x83, 1, 2, 3, 0}}), row0 + past},
        {SgiFile(0x0101, 4, 1, 1, {{0x84, 1, 2}}), row0 + "a copy packet runs past the stored row"},
        {SgiFile(0x0101, 4, 1, 1, {{0x81, 7, 0x02}}), row0 + "a run packet runs past the stored row"},
        {SgiFile(0x0101, 2, 2, 1, {{0x02, 1, 0}, {0x7F, 1, 0}}), "row 1 of channel 0: " + past},
        {SgiFile(0x0101, 8, 65535, 1), "row tables of 524280 bytes run past the end of the file (512 bytes)"},
        {SgiFile(0x0002, 2, 2, 1), "samples of 2 bytes are not supported"},
        {SgiFile(1, 0, 3, 1), "the image has no pixels (0 x 3)"},
        {SgiFile(1, 3, 0, 1), "the image has no pixels (3 x 0)"}};
    for (const auto& [file, why] : cases)
    {
        const std::string path = m_dir.Write("bad.bw", file);
        const SRead read = Read(path);
        EXPECT_TRUE(read.pixels.empty()) << why;
        EXPECT_EQ(std::tie(read.strError, read.nWidth, read.nHeight, read.nChannels),
                  std::tuple(path + ": " + why + "\n", -7, -7, -7));
    }
    // Tables past the end refuse every row; the second size does not fit in 32 bits.
    const std::tuple<unsigned, unsigned, std::string> tables[] = {{100, 1, "800"},
                                                                  {65535, 65535, "34358689800"}};
    for (const auto& [nRows, nChannels, strBytes] : tables)
    {
        const std::string path = m_dir.Write("t.bw", SgiFile(0x0101, 3, nRows, nChannels));
        SgiImagePtr pImage(SgiOpen(path));
        EXPECT_TRUE(pImage->rowStart.empty() && pImage->rowSize.empty());
        std::string error;
        EXPECT_EQ(Row(*pImage, 0, 0, false, &error), Bytes(3, 0));
        EXPECT_EQ(error,
                  path + ": row tables of " + strBytes + " bytes run past the end of the file (512 bytes)\n");
    }
    // More than one channel (or none) is refused silently.
    for (const std::string compress : {"None", "RLE"})
    {
        const SRead read =
            Read(Convert("-size 9x4 gradient:red-blue -depth 8 -compress " + compress + " sgi:", "rgb.sgi"));
        EXPECT_EQ(std::tie(read.pixels, read.nWidth, read.nHeight, read.nChannels, read.strError),
                  std::tuple(Bytes{}, -7, -7, -7, ""));
    }
    EXPECT_TRUE(Read(m_dir.Write("none.bw", SgiFile(1, 2, 2, 0))).pixels.empty());
}

using SgiDeathTest = SgiTest;

TEST_F(SgiDeathTest, MissingFileEndsTheProcessAfterThePerrorLine)
{
    const std::string name = m_dir / "Gfx\\Shine7.bw";
    int nWidth = 0, nHeight = 0, nChannels = 0;
    EXPECT_EXIT(SgiReadLuminance(name, nWidth, nHeight, nChannels), ::testing::ExitedWithCode(1),
                ::testing::Matcher<const std::string&>(name + ": No such file or directory\n"));
}

// Grey files made by ImageMagick (and found by a Windows-style name): the pixels the tool reads
// back, whose first row is the top one while the file stores the bottom row first; and the
// tool's fixed checkerboard tile, whose decoding has a known hash.
TEST_F(SgiTest, PixelsAreTheOnesTheToolSaysTheFileHolds)
{
    const std::tuple<const char*, int, int, const char*, uint64_t> cases[] = {
        {"-seed 7 plasma:", 7, 5, "None", 0},
        {"-seed 7 plasma:", 7, 5, "RLE", 0},
        {"gradient:black-white", 300, 3, "RLE", 0},
        {"xc: -fx '(i*37+j*101)%256/255'", 129, 64, "RLE", 0},
        {"pattern:checkerboard", 40, 24, "None", 17465170237322476833ull},
        {"pattern:checkerboard", 40, 24, "RLE", 17465170237322476833ull}};
    std::filesystem::create_directory(m_dir.Path() / "gfx");
    for (const auto& [pszPicture, nWidth, nHeight, pszCompress, nHash] : cases)
    {
        SCOPED_TRACE(std::string(pszPicture) + " " + pszCompress);
        const std::string sgi =
            Convert("-size " + std::to_string(nWidth) + "x" + std::to_string(nHeight) + " " + pszPicture +
                        " -colorspace Gray -type Grayscale -depth 8 -compress " + pszCompress + " sgi:",
                    "gfx/TOOL.BW");
        const Bytes topFirst = CTempDir::ReadAll(Convert("sgi:" + sgi + " -depth 8 gray:", "x.gray"));
        Bytes expected;
        for (int y = nHeight - 1; y >= 0 && topFirst.size() == size_t(nWidth * nHeight); --y)
            expected.insert(expected.end(), topFirst.begin() + y * nWidth,
                            topFirst.begin() + (y + 1) * nWidth);
        const SRead read = Read(m_dir.Path().string() + "\\Gfx\\Tool.bw");
        EXPECT_EQ(std::tie(read.nWidth, read.nHeight, read.nChannels, read.strError),
                  std::tuple(nWidth, nHeight, 1, ""));
        EXPECT_EQ(read.pixels, expected);
        uint64_t nFnv1a = 14695981039346656037ull;
        for (unsigned char c : read.pixels)
            nFnv1a = (nFnv1a ^ c) * 1099511628211ull;
        EXPECT_EQ(nHash ? nFnv1a : 0, nHash) << "known hash";
    }
}

}  // namespace

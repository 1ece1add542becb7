// SgiTest: the SGI reader against files made by ImageMagick and by hand, and its refusals.
#include "image/Sgi.h"

#include "TempDir.h"  // scratch directories and the ImageMagick command line

#include <gtest/gtest.h>

#include <bit>      // std::endian for the byte-order check
#include <cctype>   // std::isalnum for test names
#include <cstring>  // std::memcpy to lay out swap inputs
#include <string>
#include <tuple>
#include <vector>

namespace
{

using cubatro::test::CTempDir;
using cubatro::test::RunCommand;
using Bytes = std::vector<unsigned char>;

// --- making SGI files by hand -------------------------------------------------------------

void PutShort(Bytes& bytes, size_t nAt, unsigned nValue)
{
    bytes[nAt] = static_cast<unsigned char>(nValue >> 8);
    bytes[nAt + 1] = static_cast<unsigned char>(nValue);
}

void PutLong(Bytes& bytes, size_t nAt, uint32_t nValue)
{
    for (int i = 0; i < 4; ++i)
        bytes[nAt + i] = static_cast<unsigned char>(nValue >> (24 - 8 * i));
}

// The 512-byte header of an image of x × y × z samples stored as `type`.
Bytes Header(unsigned type, unsigned x, unsigned y, unsigned z)
{
    Bytes bytes(512, 0);
    PutShort(bytes, 0, 474);
    PutShort(bytes, 2, type);
    PutShort(bytes, 4, z == 1 ? 2 : 3);
    PutShort(bytes, 6, x);
    PutShort(bytes, 8, y);
    PutShort(bytes, 10, z);
    return bytes;
}

Bytes Verbatim(unsigned x, unsigned y, unsigned z, const Bytes& samples)
{
    Bytes bytes = Header(0x0001, x, y, z);
    bytes.insert(bytes.end(), samples.begin(), samples.end());
    return bytes;
}

// A run-length file whose stored rows (index y + z × ysize) follow the two tables in order.
Bytes RunLength(unsigned x, unsigned y, unsigned z, const std::vector<Bytes>& rows)
{
    Bytes bytes = Header(0x0101, x, y, z);
    const size_t nTables = rows.size() * 4;
    bytes.resize(512 + 2 * nTables);
    uint32_t nOffset = static_cast<uint32_t>(bytes.size());
    for (size_t i = 0; i < rows.size(); ++i)
    {
        PutLong(bytes, 512 + 4 * i, nOffset);
        PutLong(bytes, 512 + nTables + 4 * i, static_cast<uint32_t>(rows[i].size()));
        nOffset += static_cast<uint32_t>(rows[i].size());
    }
    for (const Bytes& row : rows)
        bytes.insert(bytes.end(), row.begin(), row.end());
    return bytes;
}

// Packets for one row: runs of three or more equal samples, copies for the rest, then the end.
Bytes Encode(const Bytes& row)
{
    Bytes packets;
    size_t i = 0;
    while (i < row.size())
    {
        size_t nRun = 1;
        while (i + nRun < row.size() && row[i + nRun] == row[i] && nRun < 127)
            ++nRun;
        if (nRun >= 3)
        {
            packets.push_back(static_cast<unsigned char>(nRun));
            packets.push_back(row[i]);
            i += nRun;
            continue;
        }
        size_t nCopy = 0;
        while (i + nCopy < row.size() && nCopy < 127 &&
               !(i + nCopy + 2 < row.size() && row[i + nCopy] == row[i + nCopy + 1] &&
                 row[i + nCopy] == row[i + nCopy + 2]))
            ++nCopy;
        packets.push_back(static_cast<unsigned char>(0x80 | nCopy));
        packets.insert(packets.end(), row.begin() + static_cast<long>(i),
                       row.begin() + static_cast<long>(i + nCopy));
        i += nCopy;
    }
    packets.push_back(0);
    return packets;
}

// A deterministic picture with long runs and noisy stretches.
Bytes Pattern(unsigned x, unsigned y)
{
    Bytes samples(size_t{x} * y);
    uint32_t nSeed = 12345;
    for (unsigned r = 0; r < y; ++r)
        for (unsigned c = 0; c < x; ++c)
        {
            nSeed = nSeed * 1103515245u + 12345u;
            samples[size_t{r} * x + c] =
                (c / 16 + r / 8) % 2 ? static_cast<unsigned char>(r * 4) : (nSeed >> 16) & 0xFF;
        }
    return samples;
}

uint64_t Fnv1a(const unsigned char* p, size_t nCount)
{
    uint64_t nHash = 14695981039346656037ull;
    for (size_t i = 0; i < nCount; ++i)
        nHash = (nHash ^ p[i]) * 1099511628211ull;
    return nHash;
}

// --- the fixture ----------------------------------------------------------------------------

// What SgiReadLuminance made of a file.
struct SRead
{
    bool bNull = true;
    Bytes pixels;
    int nWidth = -7, nHeight = -7, nChannels = -7;  // -7: not set
    std::string strError;                           // standard error while reading
};

class SgiTest : public ::testing::Test
{
protected:
    SRead Read(const std::string& path)
    {
        SRead read;
        ::testing::internal::CaptureStderr();
        SgiPixels pPixels(SgiReadLuminance(path, read.nWidth, read.nHeight, read.nChannels));
        read.strError = ::testing::internal::GetCapturedStderr();
        read.bNull = !pPixels;
        if (pPixels)
            read.pixels.assign(pPixels.get(), pPixels.get() + size_t(read.nWidth) * size_t(read.nHeight));
        return read;
    }

    // Runs ImageMagick; fails the test when it does not succeed.
    void Convert(const std::string& args)
    {
        std::string output;
        ASSERT_EQ(RunCommand("convert " + args, &output), 0) << args << "\n" << output;
    }

    CTempDir m_dir;
};

// --- hand-made files ------------------------------------------------------------------------

TEST_F(SgiTest, VerbatimSamplesComeInFileOrder)
{
    const SRead read = Read(m_dir.Write("v.bw", Verbatim(4, 2, 1, {1, 2, 3, 4, 5, 6, 7, 8})));
    ASSERT_FALSE(read.bNull) << read.strError;
    EXPECT_EQ(read.nWidth, 4);
    EXPECT_EQ(read.nHeight, 2);
    EXPECT_EQ(read.nChannels, 1);
    EXPECT_EQ(read.pixels, (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(read.strError, "");
}

TEST_F(SgiTest, PacketsCopyAndRepeat)
{
    const SRead read =
        Read(m_dir.Write("p.bw", RunLength(5, 1, 1, {{0x83, 'a', 'b', 'c', 0x02, 'd', 0x00}})));
    ASSERT_FALSE(read.bNull) << read.strError;
    EXPECT_EQ(read.pixels, (Bytes{'a', 'b', 'c', 'd', 'd'}));
}

TEST_F(SgiTest, HeaderAndTablesAreInHostOrder)
{
    const std::string path = m_dir.Write("h.bw", RunLength(3, 2, 1, {{0x83, 1, 2, 3, 0}, {0x03, 9, 0}}));
    SgiImagePtr pImage(SgiOpen(path));
    EXPECT_EQ(pImage->magic, 474);
    EXPECT_EQ(pImage->type, 0x0101);
    EXPECT_EQ(pImage->dimension, 2);
    EXPECT_EQ(pImage->xsize, 3);
    EXPECT_EQ(pImage->ysize, 2);
    EXPECT_EQ(pImage->zsize, 1);
    EXPECT_EQ(pImage->rleEnd, 512u + 2 * 8);
    EXPECT_EQ(pImage->rowStart, (std::vector<uint32_t>{528, 533}));
    EXPECT_EQ(pImage->rowSize, (std::vector<uint32_t>{5, 3}));
    EXPECT_EQ(pImage->rowBuffer.size(), 3u * 256);
    EXPECT_EQ(pImage->fault, "");
}

TEST(SgiByteOrder, RunTimeTestAgreesWithTheCompiler)
{
    EXPECT_EQ(SgiHostIsLittleEndian(), std::endian::native == std::endian::little);
}

TEST(SgiByteOrder, SwapsReadBigEndianBytes)
{
    const unsigned char shorts[] = {0x12, 0x34, 0xAB, 0xCD};
    uint16_t s[2];
    std::memcpy(s, shorts, sizeof s);
    SgiSwapShorts(s, 2);
    EXPECT_EQ(s[0], 0x1234);
    EXPECT_EQ(s[1], 0xABCD);

    const unsigned char longs[] = {0x01, 0x02, 0x03, 0x04, 0xF0, 0x00, 0x00, 0x0F};
    uint32_t l[2];
    std::memcpy(l, longs, sizeof l);
    SgiSwapLongs(l, 2);
    EXPECT_EQ(l[0], 0x01020304u);
    EXPECT_EQ(l[1], 0xF000000Fu);
}

// Every row of every channel, from a verbatim and from a run-length file of the same samples.
class SgiRowTest : public SgiTest, public ::testing::WithParamInterface<bool>
{
};

TEST_P(SgiRowTest, GetRowDeliversEachRowOfEachChannel)
{
    const unsigned x = 6, y = 3, z = 3;
    const Bytes samples = Pattern(x, y * z);
    std::vector<Bytes> rows;
    for (unsigned i = 0; i < y * z; ++i)
        rows.push_back(Encode(Bytes(samples.begin() + i * x, samples.begin() + (i + 1) * x)));
    const bool bRunLength = GetParam();
    SgiImagePtr pImage(
        SgiOpen(m_dir.Write("rgb.sgi", bRunLength ? RunLength(x, y, z, rows) : Verbatim(x, y, z, samples))));
    for (unsigned nz = 0; nz < z; ++nz)
        for (unsigned ny = 0; ny < y; ++ny)
        {
            Bytes row(x, 0xAA);
            ASSERT_TRUE(SgiGetRow(pImage.get(), row.data(), static_cast<int>(ny), static_cast<int>(nz)));
            const size_t nAt = (size_t{nz} * y + ny) * x;
            EXPECT_EQ(row, Bytes(samples.begin() + nAt, samples.begin() + nAt + x))
                << "row " << ny << " channel " << nz;
        }
}

TEST_P(SgiRowTest, RowsOutsideTheImageAreRefused)
{
    const bool bRunLength = GetParam();
    const std::string path = m_dir.Write("o.bw", bRunLength ? RunLength(2, 2, 1, {{0x02, 5, 0}, {0x02, 6, 0}})
                                                            : Verbatim(2, 2, 1, {5, 5, 6, 6}));
    SgiImagePtr pImage(SgiOpen(path));
    for (const auto& [y, z] : std::vector<std::pair<int, int>>{{-1, 0}, {2, 0}, {0, 1}, {0, -1}, {70000, 0}})
    {
        Bytes row(2, 0xAA);
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(SgiGetRow(pImage.get(), row.data(), y, z));
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), path + ": row " + std::to_string(y) +
                                                                " of channel " + std::to_string(z) +
                                                                " is outside the image (ysize 2, zsize 1)\n");
        EXPECT_EQ(row, Bytes(2, 0));
    }
}

TEST_P(SgiRowTest, SamplesTheFileLacksReadAsZero)
{
    // Verbatim: the file stops after five samples. Run-length: the rows end early, one without
    // its end packet.
    const bool bRunLength = GetParam();
    SgiImagePtr pImage(
        SgiOpen(m_dir.Write("s.bw", bRunLength ? RunLength(4, 2, 1, {{0x81, 1, 0x02, 2, 0x00}, {0x02, 3}})
                                               : Verbatim(4, 2, 1, {1, 2, 2, 0, 3}))));
    Bytes rows(8, 0xAA);
    ASSERT_TRUE(SgiGetRow(pImage.get(), rows.data(), 0, 0));
    ASSERT_TRUE(SgiGetRow(pImage.get(), rows.data() + 4, 1, 0));
    const unsigned char nSecond = bRunLength ? 3 : 0;
    EXPECT_EQ(rows, (Bytes{1, 2, 2, 0, 3, nSecond, 0, 0}));
}

INSTANTIATE_TEST_SUITE_P(Storage, SgiRowTest, ::testing::Values(false, true),
                         [](const auto& testInfo) { return testInfo.param ? "RunLength" : "Verbatim"; });

// --- refusals -------------------------------------------------------------------------------

struct SRefusal
{
    const char* pszName;  // test name
    Bytes file;           // the file's bytes
    std::string strWhy;   // what follows "<path>: " on standard error
};

// A run-length file of one row whose table entry is set by hand.
Bytes OneRowAt(unsigned x, uint32_t nStart, uint32_t nSize, size_t nFileSize)
{
    Bytes bytes = Header(0x0101, x, 1, 1);
    bytes.resize(nFileSize, 0);
    PutLong(bytes, 512, nStart);
    PutLong(bytes, 516, nSize);
    return bytes;
}

const SRefusal s_refusals[] = {
    {"RowLongerThanTheRowBuffer", OneRowAt(1, 520, 257, 1000),
     "row 0 of channel 0: stored length 257 exceeds the row buffer of 256 bytes"},
    {"RowPastTheEndOfTheFile", OneRowAt(4, 520, 10, 525),
     "row 0 of channel 0: bytes 520 to 530 lie outside the file (525 bytes)"},
    {"RowOffsetPastTheEndOfTheFile", OneRowAt(4, 0xFFFFFFF0u, 4, 600),
     "row 0 of channel 0: bytes 4294967280 to 4294967284 lie outside the file (600 bytes)"},
    {"CopyPastTheRow", RunLength(2, 1, 1, {{0x83, 1, 2, 3, 0}}),
     "row 0 of channel 0: packets write past the row's 2 samples"},
    {"RunPastTheRow", RunLength(2, 1, 1, {{0x81, 1, 0x02, 9, 0}}),
     "row 0 of channel 0: packets write past the row's 2 samples"},
    {"CopyCutShort", RunLength(4, 1, 1, {{0x84, 1, 2}}),
     "row 0 of channel 0: a copy packet runs past the stored row"},
    {"RunCutShort", RunLength(4, 1, 1, {{0x81, 7, 0x02}}),
     "row 0 of channel 0: a run packet runs past the stored row"},
    {"LaterRowBad", RunLength(2, 2, 1, {{0x02, 1, 0}, {0x7F, 1, 0}}),
     "row 1 of channel 0: packets write past the row's 2 samples"},
    {"TablesPastTheEndOfTheFile", Header(0x0101, 8, 65535, 1),
     "row tables of 524280 bytes run past the end of the file (512 bytes)"},
    {"TwoByteSamples", Header(0x0002, 2, 2, 1), "samples of 2 bytes are not supported"},
    {"NoColumns", Verbatim(0, 3, 1, {}), "the image has no pixels (0 x 3)"},
    {"NoRows", Verbatim(3, 0, 1, {}), "the image has no pixels (3 x 0)"},
};

void PrintTo(const SRefusal& refusal, std::ostream* pStream)
{
    *pStream << refusal.pszName;
}

class SgiRefusalTest : public SgiTest, public ::testing::WithParamInterface<SRefusal>
{
};

TEST_P(SgiRefusalTest, ReadLuminanceReturnsNullAndSaysWhy)
{
    const std::string path = m_dir.Write("bad.bw", GetParam().file);
    const SRead read = Read(path);
    EXPECT_TRUE(read.bNull);
    EXPECT_EQ(read.strError, path + ": " + GetParam().strWhy + "\n");
    EXPECT_EQ(read.nWidth, -7);
    EXPECT_EQ(read.nHeight, -7);
    EXPECT_EQ(read.nChannels, -7);
}

INSTANTIATE_TEST_SUITE_P(Malformed, SgiRefusalTest, ::testing::ValuesIn(s_refusals),
                         [](const auto& testInfo) { return std::string(testInfo.param.pszName); });

TEST_F(SgiTest, TablesPastTheEndOfTheFileRefuseEveryRow)
{
    // The second size does not fit in 32 bits: 65535 × 65535 entries of 4 bytes, twice.
    for (const auto& [nRows, nChannels, strBytes] : std::vector<std::tuple<unsigned, unsigned, std::string>>{
             {100, 1, "800"}, {65535, 65535, "34358689800"}})
    {
        const std::string path = m_dir.Write("t.bw", Header(0x0101, 3, nRows, nChannels));
        SgiImagePtr pImage(SgiOpen(path));
        EXPECT_TRUE(pImage->rowStart.empty());
        EXPECT_TRUE(pImage->rowSize.empty());
        Bytes row(3, 0xAA);
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(SgiGetRow(pImage.get(), row.data(), 0, 0));
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  path + ": row tables of " + strBytes + " bytes run past the end of the file (512 bytes)\n");
        EXPECT_EQ(row, Bytes(3, 0));
    }
}

TEST_F(SgiTest, MoreThanOneChannelIsRefusedSilently)
{
    for (const char* pszCompress : {"None", "RLE"})
    {
        const std::string path = m_dir / (std::string("rgb-") + pszCompress + ".sgi");
        Convert("-size 9x4 gradient:red-blue -depth 8 -compress " + std::string(pszCompress) +
                " sgi:" + path);
        const SRead read = Read(path);
        EXPECT_TRUE(read.bNull) << pszCompress;
        EXPECT_EQ(read.strError, "");
        EXPECT_EQ(read.nWidth, -7);
        EXPECT_EQ(read.nHeight, -7);
        EXPECT_EQ(read.nChannels, -7);
    }
    EXPECT_TRUE(Read(m_dir.Write("none.bw", Verbatim(2, 2, 0, {}))).bNull);
}

// --- files that cannot be opened ------------------------------------------------------------

std::string EscapeRegex(const std::string& text)
{
    std::string escaped;
    for (char c : text)
    {
        if (std::string_view("\\.^$|()[]{}*+?").find(c) != std::string_view::npos) escaped += '\\';
        escaped += c;
    }
    return escaped;
}

using SgiDeathTest = SgiTest;

TEST_F(SgiDeathTest, MissingFileEndsTheProcessAfterThePerrorLine)
{
    const std::string name = m_dir / "Gfx\\Shine7.bw";
    int nWidth = 0, nHeight = 0, nChannels = 0;
    EXPECT_EXIT(SgiReadLuminance(name, nWidth, nHeight, nChannels), ::testing::ExitedWithCode(1),
                "^" + EscapeRegex(name) + ": No such file or directory\n$");
}

TEST_F(SgiTest, WindowsStyleNamesFindTheFile)
{
    m_dir.Write("gfx/SHINE0.BW", Verbatim(2, 1, 1, {40, 41}));
    const SRead read = Read(m_dir.Path().string() + "\\Gfx\\Shine0.bw");
    ASSERT_FALSE(read.bNull);
    EXPECT_EQ(read.pixels, (Bytes{40, 41}));
}

// --- files made by ImageMagick --------------------------------------------------------------

using SMagickCase = std::tuple<const char*, const char*, const char*>;  // picture, size, compression

class SgiMagickTest : public SgiTest, public ::testing::WithParamInterface<SMagickCase>
{
};

TEST_P(SgiMagickTest, PixelsAreTheOnesTheToolSaysTheFileHolds)
{
    const auto& [pszPicture, pszSize, pszCompress] = GetParam();
    const std::string sgi = m_dir / "x.bw", gray = m_dir / "x.gray";
    Convert(std::string("-size ") + pszSize + " " + pszPicture +
            " -colorspace Gray -type Grayscale -depth 8 -compress " + pszCompress + " sgi:" + sgi);
    Convert(sgi + " -depth 8 gray:" + gray);

    const Bytes expected = CTempDir::ReadAll(gray);  // top row first
    const SRead read = Read(sgi);
    ASSERT_FALSE(read.bNull) << read.strError;
    EXPECT_EQ(read.nChannels, 1);
    EXPECT_EQ(std::to_string(read.nWidth) + "x" + std::to_string(read.nHeight), pszSize);
    ASSERT_EQ(read.pixels.size(), expected.size());
    const size_t nRow = static_cast<size_t>(read.nWidth);
    for (int y = 0; y < read.nHeight; ++y)  // the file stores the bottom row first
    {
        const size_t nFlipped = static_cast<size_t>(read.nHeight - 1 - y) * nRow;
        ASSERT_EQ(Bytes(read.pixels.begin() + static_cast<long>(y * nRow),
                        read.pixels.begin() + static_cast<long>((y + 1) * nRow)),
                  Bytes(expected.begin() + static_cast<long>(nFlipped),
                        expected.begin() + static_cast<long>(nFlipped + nRow)))
            << "row " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, SgiMagickTest,
    ::testing::Combine(::testing::Values("gradient:black-white", "-seed 7 plasma:", "pattern:checkerboard",
                                         "xc: -fx '(i*37+j*101)%256/255'"),
                       ::testing::Values("7x5", "300x3", "129x64"), ::testing::Values("None", "RLE")),
    [](const auto& testInfo)
    {
        std::string name = std::string(std::get<0>(testInfo.param)).substr(0, 5) + "_" +
                           std::get<1>(testInfo.param) + "_" + std::get<2>(testInfo.param);
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

// --- golden decodings -----------------------------------------------------------------------

struct SGolden
{
    const char* pszName;
    Bytes file;
    uint64_t nHash;  // FNV-1a of the decoded buffer
};

std::vector<Bytes> EncodedRows(unsigned x, unsigned y)
{
    const Bytes samples = Pattern(x, y);
    std::vector<Bytes> rows;
    for (unsigned r = 0; r < y; ++r)
        rows.push_back(Encode(Bytes(samples.begin() + r * x, samples.begin() + (r + 1) * x)));
    return rows;
}

const SGolden s_golden[] = {
    {"Verbatim64x48", Verbatim(64, 48, 1, Pattern(64, 48)), 3146224664767113886ull},
    {"RunLength64x48", RunLength(64, 48, 1, EncodedRows(64, 48)), 3146224664767113886ull},
    {"RunLength300x7", RunLength(300, 7, 1, EncodedRows(300, 7)), 11847967952626486846ull},
};

void PrintTo(const SGolden& golden, std::ostream* pStream)
{
    *pStream << golden.pszName;
}

class SgiGoldenTest : public SgiTest, public ::testing::WithParamInterface<SGolden>
{
};

TEST_P(SgiGoldenTest, DecodedImageHasItsKnownHash)
{
    const SRead read = Read(m_dir.Write("g.bw", GetParam().file));
    ASSERT_FALSE(read.bNull) << read.strError;
    EXPECT_EQ(Fnv1a(read.pixels.data(), read.pixels.size()), GetParam().nHash);
}

// ImageMagick's built-in checkerboard tile is a fixed picture, so its decoding is known too.
TEST_F(SgiTest, ToolMadeCheckerboardHasItsKnownHash)
{
    for (const char* pszCompress : {"None", "RLE"})
    {
        const std::string path = m_dir / (std::string("check-") + pszCompress + ".bw");
        Convert("-size 40x24 pattern:checkerboard -colorspace Gray -type Grayscale -depth 8 -compress " +
                std::string(pszCompress) + " sgi:" + path);
        const SRead read = Read(path);
        ASSERT_FALSE(read.bNull) << read.strError;
        EXPECT_EQ(Fnv1a(read.pixels.data(), read.pixels.size()), 17465170237322476833ull) << pszCompress;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, SgiGoldenTest, ::testing::ValuesIn(s_golden),
                         [](const auto& testInfo) { return std::string(testInfo.param.pszName); });

}  // namespace

// TextureOpsTest: the pixel operations of CTexture: red/blue swap, alpha layers, crops, mirrored
// tiles, powers of two, and the blit to a device context.
#include "image/Texture.h"

#include "TextureTestTools.h"     // fixture and block helpers
#include "image/DeviceContext.h"  // CDeviceContext, recorded by the Draw test

#include <functional>  // std::function for the table of operations

namespace
{

using namespace cubatro::test;

class TextureOpsTest : public CTextureFixture
{
protected:
    // A w × h image whose bytes all differ from their neighbours; fill bytes 0.
    static CTexture& Make(CTexture& texture, int nWidth, int nHeight, int nDepth)
    {
        EXPECT_TRUE(texture.CreateFromBuffer(Pattern(size_t(nWidth * nHeight * nDepth / 8)).data(), nWidth,
                                             nHeight, nDepth));
        return texture;
    }
    // The bytes of pixel (x, y).
    static Bytes Pixel(const CTexture& texture, int x, int y)
    {
        const size_t b = texture.GetDepth() / 8;
        const unsigned char* p =
            texture.GetData() + size_t(texture.GetWidthByte32()) * size_t(y) + size_t(x) * b;
        return Bytes(p, p + b);
    }
    // Upon exit the row length and the header describe a w × h block of the given depth.
    static void ExpectLayout(const CTexture& texture, int nWidth, int nHeight, uint32_t nDepth)
    {
        const uint32_t nRow = CTexture::ComputeWidthByte32(uint32_t(nWidth), nDepth);
        EXPECT_EQ(texture.GetWidthByte32(), nRow);
        EXPECT_EQ(EncodeInfoHeader(texture.GetInfoHeader()),
                  EncodeInfoHeader(BITMAPINFOHEADER{40, nWidth, nHeight, 1, uint16_t(nDepth), 0,
                                                    nRow * uint32_t(nHeight), 0, 0, 0, 0}));
    }
};

struct CRecordingDc : CDeviceContext
{
    int SetDIBitsToDevice(int xDest, int yDest, unsigned nWidth, unsigned nHeight, int xSrc, int ySrc,
                          unsigned nStartScan, unsigned nScanLines, const void* pBits,
                          const BITMAPINFOHEADER& info) override
    {
        m_vCalls.push_back(
            {xDest, yDest, int(nWidth), int(nHeight), xSrc, ySrc, int(nStartScan), int(nScanLines)});
        m_vBits.push_back(pBits);
        m_vInfo.push_back(info);
        return m_nAnswer;
    }
    int m_nAnswer = 0;                       // what each blit returns
    std::vector<std::vector<int>> m_vCalls;  // the numbers of each blit
    std::vector<const void*> m_vBits;        // the bits of each blit
    std::vector<BITMAPINFOHEADER> m_vInfo;   // the header of each blit
};

TEST_F(TextureOpsTest, EveryOperationRefusesAnInvalidImage)
{
    CRecordingDc dc;
    CTexture mask;
    Make(mask, 2, 2, 24);
    const std::function<bool(CTexture&)> operations[] = {
        [](CTexture& t) { return t.SwapRedBlue(); },
        [](CTexture& t) { return t.SetAlpha(9); },
        [](CTexture& t) { return t.AddAlphaLayer(9); },
        [&](CTexture& t) { return t.AddAlphaFromMask(mask); },
        [](CTexture& t) { return t.Extract(0, 0, -1, -1); },
        [](CTexture& t) { return t.DuplicateMirror(0, 0, -1, -1); },
        [](CTexture& t) { return t.DuplicateMirrorHorizontal(0, 0, -1, -1); },
        [&](CTexture& t) { return t.Draw(dc, 0, 0) != 0; },
    };
    for (size_t i = 0; i < std::size(operations); ++i)
    {
        m_capture.Clear();
        CTexture empty;
        EXPECT_FALSE(operations[i](empty)) << i;
        EXPECT_EQ(m_capture.TraceText(), kEmptyTrace) << i;
        EXPECT_EQ(m_capture.Boxes(), Strings{}) << i;
    }
    EXPECT_TRUE(dc.m_vCalls.empty());
}

TEST_F(TextureOpsTest, SwapRedBlueExchangesBytesZeroAndTwoAndTwiceGivesTheBlockBack)
{
    for (int nDepth : {24, 32})
    {
        CTexture texture, original;
        Make(texture, 5, 3, nDepth);
        Make(original, 5, 3, nDepth);
        ASSERT_TRUE(texture.SwapRedBlue());
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
            {
                Bytes expected = Pixel(original, x, y);
                std::swap(expected[0], expected[2]);
                EXPECT_EQ(Pixel(texture, x, y), expected) << nDepth << " bits, " << x << "," << y;
            }
        ASSERT_TRUE(texture.SwapRedBlue());
        EXPECT_EQ(BlockOf(texture), BlockOf(original)) << "fill bytes untouched";
    }
}

TEST_F(TextureOpsTest, AlphaLayerKeepsThePixelsOfEveryWidthAndSetAlphaNeeds32Bits)
{
    for (int nWidth : {1, 2, 3, 4, 5, 6, 7, 64})
    {
        CTexture texture, original;
        Make(texture, nWidth, nWidth == 64 ? 64 : 3, 24);
        Make(original, nWidth, texture.GetHeight(), 24);
        EXPECT_FALSE(texture.SetAlpha(5));
        ASSERT_TRUE(texture.AddAlphaLayer(128));
        ExpectLayout(texture, nWidth, original.GetHeight(), 32);
        for (int y = 0; y < original.GetHeight(); ++y)
            for (int x = 0; x < nWidth; ++x)
            {
                Bytes expected = Pixel(original, x, y);
                expected.push_back(128);
                ASSERT_EQ(Pixel(texture, x, y), expected) << "width " << nWidth << ", " << x << "," << y;
            }
        Bytes expected = BlockOf(texture);  // on a 32-bit image only the alpha bytes change
        for (size_t i = 3; i < expected.size(); i += 4)
            expected[i] = 7;
        ASSERT_TRUE(texture.AddAlphaLayer(7));
        EXPECT_EQ(BlockOf(texture), expected);
    }
}

TEST_F(TextureOpsTest, AlphaFromMaskIsTheGreyOfTheMaskPixelAtTheSamePlace)
{
    const struct
    {
        int nWidth, nMaskDepth;
        Bytes maskPixel;  // for every pixel of the mask; empty: the pattern
        int nAlpha;       // expected for every pixel, -1: the mask's grey there
    } cases[] = {{4, 24, {255, 255, 255}, 255},
                 {4, 24, {200, 200, 200}, 200},
                 {3, 24, {255, 255, 254}, 254},
                 {2, 24, {10, 20, 40}, 23},
                 {5, 24, {}, -1},
                 {7, 32, {}, -1}};
    for (const auto& c : cases)
    {
        CTexture texture, original, mask;
        Make(texture, c.nWidth, 3, 24);
        Make(original, c.nWidth, 3, 24);
        Make(mask, c.nWidth, 3, c.nMaskDepth);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < c.nWidth && !c.maskPixel.empty(); ++x)
                std::copy(c.maskPixel.begin(), c.maskPixel.end(),
                          mask.GetData() + mask.GetWidthByte32() * uint32_t(y) + uint32_t(x * 3));
        ASSERT_TRUE(texture.AddAlphaFromMask(mask));
        ExpectLayout(texture, c.nWidth, 3, 32);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < c.nWidth; ++x)
            {
                Bytes expected = Pixel(original, x, y);
                expected.push_back(
                    uint8_t(c.nAlpha >= 0 ? c.nAlpha : mask.GetGrey(uint32_t(x), uint32_t(y))));
                EXPECT_EQ(Pixel(texture, x, y), expected) << c.nWidth << ": " << x << "," << y;
            }
    }
    CTexture texture, wider, empty;
    Make(texture, 4, 4, 24);
    Make(wider, 5, 4, 24);
    const Bytes before = BlockOf(texture);
    EXPECT_FALSE(texture.AddAlphaFromMask(wider));
    EXPECT_FALSE(texture.AddAlphaFromMask(empty));
    EXPECT_EQ(BlockOf(texture), before);
}

TEST_F(TextureOpsTest, ExtractCutsRowsCountedFromTheLastAndReversesThem)
{
    CTexture texture, original;
    Make(original, 5, 4, 24);
    Make(texture, 5, 4, 24);
    m_capture.Clear();
    ASSERT_TRUE(texture.Extract(1, 1, 3, 2));
    EXPECT_EQ(m_capture.TraceText(), "Start extracting...\nNew width : 3\nNew height : 2\n");
    ExpectLayout(texture, 3, 2, 24);
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(Pixel(texture, i, j), Pixel(original, 1 + i, 2 - j)) << i << "," << j;

    Make(texture, 5, 4, 32);
    Make(original, 5, 4, 32);
    ASSERT_TRUE(texture.Extract(0, 0, -1, -1));  // same size, rows reversed
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(Pixel(texture, x, y), Pixel(original, x, 3 - y));

    const int rects[][4] = {{1, 0, 1, -1}, {0, 2, -1, 2}, {3, 0, 2, 3},  {-1, 0, 2, 2}, {0, -2, 2, 2},
                            {0, 0, 5, 2},  {0, 0, 2, 4},  {4, 0, -1, 3}, {0, 3, 4, -1}};
    for (const auto& r : rects)
    {
        const Bytes before = BlockOf(texture);
        m_capture.Clear();
        EXPECT_FALSE(texture.Extract(r[0], r[1], r[2], r[3]))
            << r[0] << "," << r[1] << "," << r[2] << "," << r[3];
        EXPECT_FALSE(texture.DuplicateMirror(r[0], r[1], r[2], r[3]));
        EXPECT_FALSE(texture.DuplicateMirrorHorizontal(r[0], r[1], r[2], r[3]));
        EXPECT_EQ(BlockOf(texture), before);
        EXPECT_EQ(m_capture.TraceText() + m_capture.DumpText(), "");
    }
}

TEST_F(TextureOpsTest, MirroredTilesRepeatWithoutSeams)
{
    const struct
    {
        int nWidth, nHeight, nDepth;
        bool bVertical;
    } cases[] = {{8, 4, 24, true}, {5, 3, 24, true}, {5, 3, 32, false}, {3, 2, 24, false}};
    for (const auto& c : cases)
    {
        CTexture texture, original;
        Make(texture, c.nWidth, c.nHeight, c.nDepth);
        Make(original, c.nWidth, c.nHeight, c.nDepth);
        m_capture.Clear();
        ASSERT_TRUE(c.bVertical ? texture.DuplicateMirror(0, 0, -1, -1)
                                : texture.DuplicateMirrorHorizontal(0, 0, -1, -1));
        const int nHigh = c.bVertical ? 2 * c.nHeight : c.nHeight;
        const uint32_t nRow = CTexture::ComputeWidthByte32(uint32_t(2 * c.nWidth), uint32_t(c.nDepth));
        EXPECT_EQ(m_capture.TraceText(),
                  "Start extracting...\nNew width : " + std::to_string(c.nWidth) +
                      "\nNew height : " + std::to_string(c.nHeight) +
                      "\nStart duplicate mirror...\nNew width : " + std::to_string(2 * c.nWidth) +
                      "\nNew widthbyte32 : " + std::to_string(nRow) +
                      "\nNew height : " + std::to_string(nHigh) + "\n");
        ExpectLayout(texture, 2 * c.nWidth, nHigh, uint32_t(c.nDepth));
        // Rows 0 to h − 1: the rows in their stored order; above them the same reversed. Each
        // row is followed by its mirror image.
        for (int j = 0; j < nHigh; ++j)
            for (int i = 0; i < c.nWidth; ++i)
            {
                const Bytes expected = Pixel(original, i, j < c.nHeight ? j : nHigh - 1 - j);
                EXPECT_EQ(Pixel(texture, i, j), expected) << i << "," << j;
                EXPECT_EQ(Pixel(texture, 2 * c.nWidth - 1 - i, j), expected) << i << "," << j;
            }
    }
}

TEST(TexturePowersTest, NextAndPreviousPowersOfTwo)
{
    const int cases[][3] = {{1, 2, 1},
                            {2, 2, 1},
                            {3, 4, 2},
                            {4, 4, 2},
                            {5, 8, 4},
                            {64, 64, 32},
                            {65, 128, 64},
                            {0, 0, 0},
                            {-7, -7, -7},
                            {1 << 30, 1 << 30, 1 << 29},
                            {INT32_MAX, INT32_MAX, 1 << 30}};
    for (const auto& c : cases)
    {
        EXPECT_EQ(CTexture::NextPowerOfTwo(c[0]), c[1]) << c[0];
        EXPECT_EQ(CTexture::PrevPowerOfTwo(c[0]), c[2]) << c[0];
    }
}

TEST_F(TextureOpsTest, DrawBlitsTheWholeBlockWithItsHeader)
{
    CTexture texture;
    Make(texture, 5, 3, 24);
    CRecordingDc dc;
    dc.m_nAnswer = 3;
    EXPECT_EQ(texture.Draw(dc, 10, 20), 3);
    EXPECT_EQ(texture.Draw(dc, -4, 7, 2, 1), 3);
    dc.m_nAnswer = 0;
    EXPECT_EQ(texture.Draw(dc, 0, 0), 0) << "the device's answer is passed on";
    ASSERT_EQ(dc.m_vCalls.size(), 3u);
    EXPECT_EQ(dc.m_vCalls[0], (std::vector<int>{10, 20, 5, 3, 0, 0, 0, 3}));
    EXPECT_EQ(dc.m_vCalls[1], (std::vector<int>{-4, 7, 2, 1, 0, 0, 0, 3}));
    EXPECT_EQ(dc.m_vBits[0], texture.GetData());
    EXPECT_EQ(EncodeInfoHeader(dc.m_vInfo[0]), EncodeInfoHeader(texture.GetInfoHeader()));
}

}  // namespace

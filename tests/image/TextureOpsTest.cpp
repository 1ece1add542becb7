// TextureOpsTest: the pixel operations of CTexture: red/blue swap, alpha layers, crops, mirrored
// tiles, powers of two, and the blit to a device context.
#include "image/Texture.h"

#include "TextureTestTools.h"     // fixture and block helpers
#include "image/DeviceContext.h"  // CDeviceContext, recorded by the Draw test

#include <tuple>    // rows of the mirror table
#include <utility>  // std::pair rows of the tables

namespace
{

using namespace cubatro::test;
using TextureOpsTest = CTextureFixture;

// A w × h image whose bytes all differ from their neighbours; fill bytes 0.
void Make(CTexture& texture, int nWidth, int nHeight, int nDepth)
{
    const Bytes packed = Pattern(size_t(nWidth * nHeight * nDepth / 8));
    EXPECT_TRUE(texture.CreateFromBuffer(packed.data(), nWidth, nHeight, nDepth));
}

Bytes Pixel(const CTexture& texture, int x, int y)  // the bytes of pixel (x, y)
{
    const size_t b = texture.GetDepth() / 8;
    const unsigned char* p = texture.GetData() + size_t(texture.GetWidthByte32()) * size_t(y) + size_t(x) * b;
    return Bytes(p, p + b);
}

BmpInfoHeaderBytes Described(int nWidth, int nHeight, uint32_t nDepth)  // the header of such a block
{
    const uint32_t nBytes = CTexture::ComputeWidthByte32(uint32_t(nWidth), nDepth) * uint32_t(nHeight);
    return EncodeInfoHeader(
        BITMAPINFOHEADER{40, nWidth, nHeight, 1, uint16_t(nDepth), 0, nBytes, 0, 0, 0, 0});
}

struct CRecordingDc : CDeviceContext  // keeps the numbers, bits and header of the blits
{
    int SetDIBitsToDevice(int xDest, int yDest, unsigned nWidth, unsigned nHeight, int xSrc, int ySrc,
                          unsigned nStartScan, unsigned nScanLines, const void* pBits,
                          const BITMAPINFOHEADER& info) override
    {
        m_vCalls.push_back(
            {xDest, yDest, int(nWidth), int(nHeight), xSrc, ySrc, int(nStartScan), int(nScanLines)});
        m_blit = {pBits, EncodeInfoHeader(info)};
        return 10 * int(m_vCalls.size());  // the rows drawn, as far as the image knows
    }
    std::vector<std::vector<int>> m_vCalls;               // the numbers of each blit
    std::pair<const void*, BmpInfoHeaderBytes> m_blit{};  // the bits and header of the last blit
};

TEST_F(TextureOpsTest, EveryOperationRefusesAnInvalidImageAndDrawPassesTheBlock)
{
    CRecordingDc dc;
    CTexture texture, empty;
    Make(texture, 5, 3, 24);
    EXPECT_FALSE(empty.SwapRedBlue() || empty.SetAlpha(9) || empty.AddAlphaLayer(9) ||
                 empty.AddAlphaFromMask(texture) || empty.Extract(0, 0, -1, -1) ||
                 empty.DuplicateMirror(0, 0, -1, -1) || empty.DuplicateMirrorHorizontal(0, 0, -1, -1) ||
                 empty.Draw(dc, 0, 0) != 0 || texture.AddAlphaFromMask(empty));
    std::string traces;
    for (int i = 0; i < 9; ++i)
        traces += kEmptyTrace;
    EXPECT_EQ(m_capture.TraceText(), traces) << "each operation traces the empty image once";
    EXPECT_EQ(m_capture.Boxes(), Strings{});

    EXPECT_EQ(texture.Draw(dc, 10, 20), 10) << "the device's answer";
    EXPECT_EQ(texture.Draw(dc, -4, 7, 2, 1), 20);
    EXPECT_EQ(dc.m_vCalls,
              (std::vector<std::vector<int>>{{10, 20, 5, 3, 0, 0, 0, 3}, {-4, 7, 2, 1, 0, 0, 0, 3}}));
    EXPECT_EQ(dc.m_blit, std::pair(static_cast<const void*>(texture.GetData()), Described(5, 3, 24)));
}

TEST_F(TextureOpsTest, SwapRedBlueExchangesBytesZeroAndTwoOfEveryPixel)
{
    const Bytes rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    CTexture texture;
    ASSERT_TRUE(texture.CreateFromBuffer(rgb.data(), 2, 2, 24) && texture.SwapRedBlue());
    EXPECT_EQ(BlockOf(texture), (Bytes{3, 2, 1, 6, 5, 4, 0, 0, 9, 8, 7, 12, 11, 10, 0, 0}))
        << "fill bytes untouched";
    ASSERT_TRUE(texture.CreateFromBuffer(rgb.data(), 3, 1, 32) && texture.SwapRedBlue());
    EXPECT_EQ(BlockOf(texture), (Bytes{3, 2, 1, 4, 7, 6, 5, 8, 11, 10, 9, 12}));
}

// Alpha from a value, or from the grey of a mask's pixel at the same place (24 or 32 bits), on
// rows that are a multiple of 4 bytes, rows that are not, and width 1.
TEST_F(TextureOpsTest, AlphaLayersKeepThePixelsOfPaddedRows)
{
    const std::pair<int, int> cases[] = {{4, 0},  {5, 0},  {1, 0},
                                         {4, 24}, {5, 24}, {3, 32}};  // width, mask depth
    for (const auto& [nWidth, nMaskDepth] : cases)
    {
        const Bytes packed = Pattern(size_t(nWidth) * 9);
        Bytes mask, withAlpha;  // mask pixel i is i, i + 1, i + 2 (then 99): its grey is i + 1
        for (size_t i = 0; i < size_t(nWidth) * 3; ++i)
        {
            mask.insert(mask.end(), {uint8_t(i), uint8_t(i + 1), uint8_t(i + 2), 99});
            mask.resize(mask.size() - (nMaskDepth == 32 ? 0 : 1));
            withAlpha.insert(withAlpha.end(), {packed[3 * i], packed[3 * i + 1], packed[3 * i + 2],
                                               uint8_t(nMaskDepth ? i + 1 : 128)});
        }
        CTexture texture, maskImage, expected;
        ASSERT_TRUE(texture.CreateFromBuffer(packed.data(), nWidth, 3, 24));
        EXPECT_FALSE(texture.SetAlpha(5)) << "needs 32 bits";
        ASSERT_TRUE(nMaskDepth ? maskImage.CreateFromBuffer(mask.data(), nWidth, 3, nMaskDepth) &&
                                     texture.AddAlphaFromMask(maskImage)
                               : texture.AddAlphaLayer(128));
        ASSERT_TRUE(expected.CreateFromBuffer(withAlpha.data(), nWidth, 3, 32));
        EXPECT_EQ(BlockOf(texture), BlockOf(expected)) << nWidth << " " << nMaskDepth;
        EXPECT_EQ(EncodeInfoHeader(texture.GetInfoHeader()), Described(nWidth, 3, 32));
        for (size_t i = 3; i < withAlpha.size(); i += 4)  // on 32 bits only the alpha bytes change
            withAlpha[i] = 7;
        Make(maskImage, nWidth + 1, 3, 24);  // of another size: refused
        ASSERT_TRUE(texture.AddAlphaLayer(7) && !texture.AddAlphaFromMask(maskImage) &&
                    expected.CreateFromBuffer(withAlpha.data(), nWidth, 3, 32));
        EXPECT_EQ(BlockOf(texture), BlockOf(expected));
    }
}

// Extract(1, 1, 3, 2) of a 5 × 4 image, then mirrored tiles of whole images: each row followed
// by its mirror image, rows 0 to h − 1 in their stored order and above them the same reversed.
TEST_F(TextureOpsTest, CropsAndMirroredTilesTakeRowsCountedFromTheLast)
{
    CTexture texture, original;
    Make(original, 5, 4, 24);
    Make(texture, 5, 4, 24);
    m_capture.Clear();
    ASSERT_TRUE(texture.Extract(1, 1, 3, 2));
    EXPECT_EQ(m_capture.TraceText(), "Start extracting...\nNew width : 3\nNew height : 2\n");
    EXPECT_EQ(EncodeInfoHeader(texture.GetInfoHeader()), Described(3, 2, 24));
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(Pixel(texture, i, j), Pixel(original, 1 + i, 2 - j)) << i << "," << j;

    const std::tuple<int, int, int, bool> cases[] = {{5, 3, 24, true}, {3, 2, 24, false}, {5, 3, 32, false}};
    for (const auto& [w, h, nDepth, bVertical] : cases)
    {
        Make(texture, w, h, nDepth);
        Make(original, w, h, nDepth);
        m_capture.Clear();
        ASSERT_TRUE(bVertical ? texture.DuplicateMirror(0, 0, -1, -1)
                              : texture.DuplicateMirrorHorizontal(0, 0, -1, -1));
        const int nHigh = bVertical ? 2 * h : h;
        const auto text = [](auto n) { return std::to_string(n); };
        EXPECT_EQ(m_capture.TraceText(),
                  "Start extracting...\nNew width : " + text(w) + "\nNew height : " + text(h) +
                      "\nStart duplicate mirror...\nNew width : " + text(2 * w) + "\nNew widthbyte32 : " +
                      text(CTexture::ComputeWidthByte32(uint32_t(2 * w), uint32_t(nDepth))) +
                      "\nNew height : " + text(nHigh) + "\n");
        EXPECT_EQ(EncodeInfoHeader(texture.GetInfoHeader()), Described(2 * w, nHigh, uint32_t(nDepth)));
        for (int j = 0; j < nHigh; ++j)
            for (int i = 0; i < w; ++i)
            {
                const Bytes expected = Pixel(original, i, j < h ? j : nHigh - 1 - j);
                EXPECT_EQ(std::pair(Pixel(texture, i, j), Pixel(texture, 2 * w - 1 - i, j)),
                          std::pair(expected, expected))
                    << i << "," << j;
            }
    }
    // Each bound broken in turn: x1 ≥ x2, y1 ≥ y2, x1 < 0, y1 < 0, x2 past the end, y2 past it.
    const int rects[][4] = {{1, 0, 1, -1}, {0, 2, -1, 2}, {-1, 0, 2, 2},
                            {0, -2, 2, 2}, {0, 0, 10, 2}, {0, 0, 2, 3}};
    const Bytes before = BlockOf(texture);
    m_capture.Clear();
    for (const auto& [x1, y1, x2, y2] : rects)
        EXPECT_FALSE(texture.Extract(x1, y1, x2, y2) || texture.DuplicateMirror(x1, y1, x2, y2) ||
                     texture.DuplicateMirrorHorizontal(x1, y1, x2, y2))
            << x1 << "," << y1 << "," << x2 << "," << y2;
    EXPECT_EQ(BlockOf(texture), before);
    EXPECT_EQ(m_capture.TraceText() + m_capture.DumpText(), "");
}

TEST(TexturePowersTest, NextAndPreviousPowersOfTwo)
{
    const int cases[][3] = {{1, 2, 1},
                            {3, 4, 2},
                            {4, 4, 2},
                            {5, 8, 4},
                            {0, 0, 0},
                            {-7, -7, -7},
                            {1 << 30, 1 << 30, 1 << 29},
                            {INT32_MAX, INT32_MAX, 1 << 30}};
    for (const auto& [n, nNext, nPrev] : cases)
        EXPECT_EQ(std::pair(CTexture::NextPowerOfTwo(n), CTexture::PrevPowerOfTwo(n)),
                  std::pair(nNext, nPrev))
            << n;
}

}  // namespace

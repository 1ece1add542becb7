// TextureOpsTest: the pixel operations of CTexture: red/blue swap, alpha layers, crops, mirrored
// tiles, powers of two, and the blit to a device context.
#include "image/Texture.h"

#include "TextureTestTools.h"      // block helpers
#include "image/DeviceContext.h"   // CDeviceContext, recorded by the Draw tests
#include "platform/Diagnostics.h"  // plat::CDiagnosticsCapture for the exact texts

#include <gtest/gtest.h>

#include <functional>  // std::function for the table of operations
#include <string>
#include <vector>

namespace
{

using namespace cubatro::test;

class TextureOpsTest : public ::testing::Test
{
protected:
    // An image of w × h pixels whose bytes all differ from their neighbours; fill bytes 0.
    static void Make(CTexture& texture, int nWidth, int nHeight, int nDepth)
    {
        Bytes packed(size_t(nWidth) * size_t(nHeight) * size_t(nDepth / 8));
        for (size_t i = 0; i < packed.size(); ++i)
            packed[i] = static_cast<unsigned char>(i * 13 + 7);
        ASSERT_TRUE(texture.CreateFromBuffer(packed.data(), nWidth, nHeight, nDepth));
    }
    // The bytes of pixel (x, y).
    static Bytes Pixel(const CTexture& texture, int x, int y)
    {
        const size_t b = texture.GetDepth() / 8;
        const unsigned char* p =
            texture.GetData() + size_t(texture.GetWidthByte32()) * size_t(y) + size_t(x) * b;
        return Bytes(p, p + b);
    }
    // Upon exit the image's header and row length describe a w × h block of the given depth.
    static void ExpectLayout(const CTexture& texture, int nWidth, int nHeight, uint32_t nDepth)
    {
        EXPECT_EQ(texture.GetWidth(), nWidth);
        EXPECT_EQ(texture.GetHeight(), nHeight);
        EXPECT_EQ(texture.GetDepth(), nDepth);
        EXPECT_EQ(texture.GetWidthByte32(), CTexture::ComputeWidthByte32(uint32_t(nWidth), nDepth));
        EXPECT_EQ(texture.GetInfoHeader().biWidth, nWidth);
        EXPECT_EQ(texture.GetInfoHeader().biHeight, nHeight);
        EXPECT_EQ(texture.GetInfoHeader().biBitCount, nDepth);
        EXPECT_EQ(texture.GetInfoHeader().biSizeImage, texture.GetBlockSize());
    }

    plat::CDiagnosticsCapture m_capture;
};

// --- refusals of an image that is not valid ------------------------------------------------

TEST_F(TextureOpsTest, EveryOperationRefusesAnInvalidImage)
{
    struct CRecordingNothing : CDeviceContext
    {
        int SetDIBitsToDevice(int, int, unsigned, unsigned, int, int, unsigned, unsigned, const void*,
                              const BITMAPINFOHEADER&) override
        {
            ADD_FAILURE() << "an invalid image reached the device";
            return 1;
        }
    } dc;
    CTexture mask;
    Make(mask, 2, 2, 24);
    const std::pair<const char*, std::function<bool(CTexture&)>> operations[] = {
        {"SwapRedBlue", [](CTexture& t) { return t.SwapRedBlue(); }},
        {"SetAlpha", [](CTexture& t) { return t.SetAlpha(9); }},
        {"AddAlphaLayer", [](CTexture& t) { return t.AddAlphaLayer(9); }},
        {"AddAlphaFromMask", [&](CTexture& t) { return t.AddAlphaFromMask(mask); }},
        {"Extract", [](CTexture& t) { return t.Extract(0, 0, -1, -1); }},
        {"DuplicateMirror", [](CTexture& t) { return t.DuplicateMirror(0, 0, -1, -1); }},
        {"DuplicateMirrorHorizontal", [](CTexture& t) { return t.DuplicateMirrorHorizontal(0, 0, -1, -1); }},
        {"Draw", [&](CTexture& t) { return t.Draw(dc, 0, 0) != 0; }},
    };
    for (const auto& [pszName, operation] : operations)
    {
        m_capture.Clear();
        CTexture empty;
        EXPECT_FALSE(operation(empty)) << pszName;
        EXPECT_EQ(m_capture.TraceText(),
                  "\nInvalid texture\nWidth  : 0\nHeight : 0\nDepth  : 0\nData   : 0\n")
            << pszName;
        EXPECT_TRUE(m_capture.Boxes().empty()) << pszName;
        EXPECT_EQ(empty.GetData(), nullptr) << pszName;
    }
}

// --- red and blue -------------------------------------------------------------------------

TEST_F(TextureOpsTest, SwapRedBlueExchangesBytesZeroAndTwoOnly)
{
    for (int nDepth : {24, 32})
    {
        CTexture texture;
        Make(texture, 5, 3, nDepth);
        if (nDepth == 24)
            for (int y = 0; y < 3; ++y)
                texture.GetData()[y * 16 + 15] = 0xAB;  // fill bytes must stay as they are
        const Bytes before = BlockOf(texture);
        ASSERT_TRUE(texture.SwapRedBlue());
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
            {
                Bytes expected = Pixel(texture, x, y);
                std::swap(expected[0], expected[2]);
                const size_t p =
                    size_t(texture.GetWidthByte32()) * size_t(y) + size_t(x) * size_t(nDepth / 8);
                EXPECT_EQ(Bytes(before.begin() + long(p), before.begin() + long(p) + nDepth / 8), expected)
                    << nDepth << " bits, pixel " << x << "," << y;
            }
        for (int y = 0; nDepth == 24 && y < 3; ++y)
        {
            EXPECT_EQ(texture.GetData()[y * 16 + 15], 0xAB);
        }
        ASSERT_TRUE(texture.SwapRedBlue());
        EXPECT_EQ(BlockOf(texture), before) << "twice gives back the block";
    }
}

// --- alpha --------------------------------------------------------------------------------

TEST_F(TextureOpsTest, SetAlphaRewritesByteThreeOfA32BitImageOnly)
{
    CTexture rgb;
    Make(rgb, 3, 2, 24);
    const Bytes rgbBefore = BlockOf(rgb);
    EXPECT_FALSE(rgb.SetAlpha(5));
    EXPECT_EQ(BlockOf(rgb), rgbBefore);

    CTexture rgba;
    Make(rgba, 3, 2, 32);
    Bytes expected = BlockOf(rgba);
    for (size_t i = 3; i < expected.size(); i += 4)
        expected[i] = 5;
    EXPECT_TRUE(rgba.SetAlpha(5));
    EXPECT_EQ(BlockOf(rgba), expected);
}

TEST_F(TextureOpsTest, AddAlphaLayerOnA64By64Image)
{
    CTexture texture;
    Make(texture, 64, 64, 24);
    const Bytes before = BlockOf(texture);
    ASSERT_TRUE(texture.AddAlphaLayer(128));
    ExpectLayout(texture, 64, 64, 32);
    EXPECT_EQ(texture.GetWidthByte32(), 256u);
    EXPECT_EQ(texture.GetInfoHeader().biSizeImage, 16384u);
    EXPECT_TRUE(texture.HasAlpha());
    const Bytes after = BlockOf(texture);
    for (size_t i = 0; i < 64u * 64u; ++i)
    {
        ASSERT_EQ(after[i * 4 + 3], 128) << i;
        ASSERT_EQ(Bytes(after.begin() + long(i * 4), after.begin() + long(i * 4 + 3)),
                  Bytes(before.begin() + long(i * 3), before.begin() + long(i * 3 + 3)))
            << i;
    }

    // On a 32-bit image only the alpha bytes change.
    Bytes expected = after;
    for (size_t i = 3; i < expected.size(); i += 4)
        expected[i] = 7;
    ASSERT_TRUE(texture.AddAlphaLayer(7));
    EXPECT_EQ(BlockOf(texture), expected);
}

TEST_F(TextureOpsTest, AddAlphaLayerKeepsThePixelsOfEveryWidth)
{
    for (int nWidth = 1; nWidth <= 9; ++nWidth)
    {
        CTexture texture;
        Make(texture, nWidth, 3, 24);
        std::vector<Bytes> before;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < nWidth; ++x)
                before.push_back(Pixel(texture, x, y));
        ASSERT_TRUE(texture.AddAlphaLayer(200));
        ExpectLayout(texture, nWidth, 3, 32);
        size_t i = 0;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < nWidth; ++x, ++i)
            {
                Bytes expected = before[i];
                expected.push_back(200);
                EXPECT_EQ(Pixel(texture, x, y), expected)
                    << "width " << nWidth << ", pixel " << x << "," << y;
            }
    }
}

struct MaskCase
{
    const char* pszLabel;
    int nWidth, nHeight, nMaskDepth;
    std::vector<unsigned char> maskPixel;  // one pixel for the whole mask; empty: a pattern
};

void PrintTo(const MaskCase& c, std::ostream* pOut)
{
    *pOut << c.pszLabel;
}

class AlphaFromMaskTest : public TextureOpsTest, public ::testing::WithParamInterface<MaskCase>
{
};

TEST_P(AlphaFromMaskTest, AlphaIsTheGreyOfTheMaskPixelAtTheSamePlace)
{
    const MaskCase& c = GetParam();
    CTexture texture, mask;
    Make(texture, c.nWidth, c.nHeight, 24);
    Make(mask, c.nWidth, c.nHeight, c.nMaskDepth);
    if (!c.maskPixel.empty())
        for (int y = 0; y < c.nHeight; ++y)
            for (int x = 0; x < c.nWidth; ++x)
                std::copy(c.maskPixel.begin(), c.maskPixel.end(),
                          mask.GetData() + size_t(mask.GetWidthByte32()) * size_t(y) +
                              size_t(x) * c.maskPixel.size());
    std::vector<Bytes> colours;
    for (int y = 0; y < c.nHeight; ++y)
        for (int x = 0; x < c.nWidth; ++x)
            colours.push_back(Pixel(texture, x, y));

    ASSERT_TRUE(texture.AddAlphaFromMask(mask));
    ExpectLayout(texture, c.nWidth, c.nHeight, 32);
    size_t i = 0;
    for (int y = 0; y < c.nHeight; ++y)
        for (int x = 0; x < c.nWidth; ++x, ++i)
        {
            const Bytes pixel = Pixel(texture, x, y);
            EXPECT_EQ(Bytes(pixel.begin(), pixel.begin() + 3), colours[i]) << x << "," << y;
            EXPECT_EQ(int(pixel[3]), mask.GetGrey(uint32_t(x), uint32_t(y))) << x << "," << y;
            if (!c.maskPixel.empty())
            {
                EXPECT_EQ(int(pixel[3]), (c.maskPixel[0] + c.maskPixel[1] + c.maskPixel[2]) / 3);
            }
        }
}

INSTANTIATE_TEST_SUITE_P(
    Masks, AlphaFromMaskTest,
    ::testing::Values(MaskCase{"White", 4, 4, 24, {255, 255, 255}},
                      MaskCase{"Grey200", 4, 2, 24, {200, 200, 200}},
                      MaskCase{"FullSumNotWrapped", 3, 2, 24, {255, 255, 254}},
                      MaskCase{"Coloured", 2, 2, 24, {10, 20, 40}}, MaskCase{"PatternWidth5", 5, 3, 24, {}},
                      MaskCase{"PatternWidth7", 7, 2, 24, {}}, MaskCase{"Pattern32BitMask", 5, 3, 32, {}}),
    [](const ::testing::TestParamInfo<MaskCase>& p) { return std::string(p.param.pszLabel); });

TEST_F(TextureOpsTest, AddAlphaFromMaskRefusesAMaskOfAnotherSizeOrAnInvalidOne)
{
    CTexture texture, wider, empty;
    Make(texture, 4, 4, 24);
    Make(wider, 5, 4, 24);
    const Bytes before = BlockOf(texture);
    EXPECT_FALSE(texture.AddAlphaFromMask(wider));
    EXPECT_FALSE(texture.AddAlphaFromMask(empty));
    EXPECT_EQ(BlockOf(texture), before);
    EXPECT_EQ(texture.GetDepth(), 24u);
}

// --- crops --------------------------------------------------------------------------------

TEST_F(TextureOpsTest, ExtractCutsTheRectangleCountedFromTheLastRowAndReversesItsRows)
{
    CTexture texture, original;
    Make(texture, 5, 4, 24);
    Make(original, 5, 4, 24);
    m_capture.Clear();
    ASSERT_TRUE(texture.Extract(1, 1, 3, 2));
    EXPECT_EQ(m_capture.TraceText(), "Start extracting...\nNew width : 3\nNew height : 2\n");
    ExpectLayout(texture, 3, 2, 24);
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(Pixel(texture, i, j), Pixel(original, 1 + i, 4 - 1 - (1 + j))) << i << "," << j;
    EXPECT_EQ(texture.GetData()[9], 0) << "fill byte";

    // The whole image: same size, rows in reverse order.
    CTexture whole;
    Make(whole, 5, 4, 32);
    ASSERT_TRUE(whole.Extract(0, 0, -1, -1));
    ExpectLayout(whole, 5, 4, 32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
        {
            CTexture reference;
            Make(reference, 5, 4, 32);
            EXPECT_EQ(Pixel(whole, x, y), Pixel(reference, x, 3 - y));
        }
}

TEST_F(TextureOpsTest, ExtractRefusesRectanglesThatAreTooSmallOrOutside)
{
    struct Rect
    {
        int x1, y1, x2, y2;
    };
    const Rect rects[] = {{1, 0, 1, -1}, {0, 2, -1, 2}, {3, 0, 2, 3}, {0, 3, 4, 1},  {-1, 0, 2, 2},
                          {0, -2, 2, 2}, {0, 0, 5, 2},  {0, 0, 2, 4}, {4, 0, -1, 3}, {0, 3, 4, -1}};
    for (const Rect& r : rects)
    {
        CTexture texture;
        Make(texture, 5, 4, 24);
        const Bytes before = BlockOf(texture);
        m_capture.Clear();
        EXPECT_FALSE(texture.Extract(r.x1, r.y1, r.x2, r.y2))
            << r.x1 << "," << r.y1 << "," << r.x2 << "," << r.y2;
        EXPECT_FALSE(texture.DuplicateMirror(r.x1, r.y1, r.x2, r.y2));
        EXPECT_FALSE(texture.DuplicateMirrorHorizontal(r.x1, r.y1, r.x2, r.y2));
        EXPECT_EQ(BlockOf(texture), before);
        EXPECT_TRUE(m_capture.TraceText().empty());
        EXPECT_TRUE(m_capture.Boxes().empty());
    }
}

// --- mirrored tiles -----------------------------------------------------------------------

TEST_F(TextureOpsTest, DuplicateMirrorMakesATileThatMirrorsBothWays)
{
    for (const auto& [nWidth, nHeight] : {std::pair{8, 4}, std::pair{5, 3}})
    {
        CTexture texture, original;
        Make(texture, nWidth, nHeight, 24);
        Make(original, nWidth, nHeight, 24);
        m_capture.Clear();
        ASSERT_TRUE(texture.DuplicateMirror(0, 0, -1, -1));
        const uint32_t s = CTexture::ComputeWidthByte32(uint32_t(2 * nWidth), 24);
        EXPECT_EQ(m_capture.TraceText(),
                  "Start extracting...\nNew width : " + std::to_string(nWidth) +
                      "\nNew height : " + std::to_string(nHeight) +
                      "\nStart duplicate mirror...\nNew width : " + std::to_string(2 * nWidth) +
                      "\nNew widthbyte32 : " + std::to_string(s) +
                      "\nNew height : " + std::to_string(2 * nHeight) + "\n");
        ExpectLayout(texture, 2 * nWidth, 2 * nHeight, 24);
        // Lower half: the rows in their stored order; upper half: reversed; each row followed
        // by its mirror image.
        for (int j = 0; j < 2 * nHeight; ++j)
        {
            const int r = j < nHeight ? j : 2 * nHeight - 1 - j;
            for (int i = 0; i < nWidth; ++i)
            {
                EXPECT_EQ(Pixel(texture, i, j), Pixel(original, i, r)) << i << "," << j;
                EXPECT_EQ(Pixel(texture, 2 * nWidth - 1 - i, j), Pixel(original, i, r)) << i << "," << j;
            }
        }
    }
}

TEST_F(TextureOpsTest, DuplicateMirrorHorizontalMirrorsLeftAndRightOnly)
{
    CTexture texture, original;
    Make(texture, 5, 3, 32);
    Make(original, 5, 3, 32);
    m_capture.Clear();
    ASSERT_TRUE(texture.DuplicateMirrorHorizontal(1, 0, -1, -1));  // columns 1 to 4
    EXPECT_EQ(m_capture.TraceText(), "Start extracting...\nNew width : 4\nNew height : 3\n"
                                     "Start duplicate mirror...\nNew width : 8\nNew widthbyte32 : 32\n"
                                     "New height : 3\n");
    ExpectLayout(texture, 8, 3, 32);
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 4; ++i)
        {
            EXPECT_EQ(Pixel(texture, i, j), Pixel(original, 1 + i, j)) << i << "," << j;
            EXPECT_EQ(Pixel(texture, 7 - i, j), Pixel(original, 1 + i, j)) << i << "," << j;
        }
}

// --- powers of two ------------------------------------------------------------------------

TEST(TexturePowersTest, NextAndPreviousPowersOfTwo)
{
    struct Case
    {
        int n, nNext, nPrev;
    };
    const Case cases[] = {{1, 2, 1},
                          {2, 2, 1},
                          {3, 4, 2},
                          {4, 4, 2},
                          {5, 8, 4},
                          {64, 64, 32},
                          {65, 128, 64},
                          {0, 0, 0},
                          {-7, -7, -7},
                          {1 << 30, 1 << 30, 1 << 29},
                          {(1 << 30) + 1, (1 << 30) + 1, 1 << 30},
                          {INT32_MAX, INT32_MAX, 1 << 30}};
    for (const Case& c : cases)
    {
        EXPECT_EQ(CTexture::NextPowerOfTwo(c.n), c.nNext) << c.n;
        EXPECT_EQ(CTexture::PrevPowerOfTwo(c.n), c.nPrev) << c.n;
    }
}

// --- display ------------------------------------------------------------------------------

// Records each blit and answers with a given row count.
class CRecordingDc : public CDeviceContext
{
public:
    struct Call
    {
        int xDest, yDest;
        unsigned nWidth, nHeight;
        int xSrc, ySrc;
        unsigned nStartScan, nScanLines;
        const void* pBits;
        BITMAPINFOHEADER info;
    };
    explicit CRecordingDc(int nAnswer) : m_nAnswer(nAnswer) {}
    int SetDIBitsToDevice(int xDest, int yDest, unsigned nWidth, unsigned nHeight, int xSrc, int ySrc,
                          unsigned nStartScan, unsigned nScanLines, const void* pBits,
                          const BITMAPINFOHEADER& info) override
    {
        m_vCalls.push_back({xDest, yDest, nWidth, nHeight, xSrc, ySrc, nStartScan, nScanLines, pBits, info});
        return m_nAnswer;
    }
    std::vector<Call> m_vCalls;  // every blit, in order

private:
    int m_nAnswer;  // what each blit returns
};

TEST_F(TextureOpsTest, DrawBlitsTheWholeBlockWithItsHeader)
{
    CTexture texture;
    Make(texture, 5, 3, 24);
    CRecordingDc dc(3);
    EXPECT_EQ(texture.Draw(dc, 10, 20), 3);
    EXPECT_EQ(texture.Draw(dc, -4, 7, 2, 1), 3);
    CRecordingDc failing(0);
    EXPECT_EQ(texture.Draw(failing, 0, 0), 0) << "the device's answer is passed on";

    ASSERT_EQ(dc.m_vCalls.size(), 2u);
    const auto& whole = dc.m_vCalls[0];
    EXPECT_EQ(whole.xDest, 10);
    EXPECT_EQ(whole.yDest, 20);
    EXPECT_EQ(whole.nWidth, 5u);
    EXPECT_EQ(whole.nHeight, 3u);
    EXPECT_EQ(whole.xSrc, 0);
    EXPECT_EQ(whole.ySrc, 0);
    EXPECT_EQ(whole.nStartScan, 0u);
    EXPECT_EQ(whole.nScanLines, 3u);
    EXPECT_EQ(whole.pBits, texture.GetData());
    EXPECT_EQ(EncodeInfoHeader(whole.info), EncodeInfoHeader(texture.GetInfoHeader()));
    const auto& part = dc.m_vCalls[1];
    EXPECT_EQ(part.xDest, -4);
    EXPECT_EQ(part.yDest, 7);
    EXPECT_EQ(part.nWidth, 2u);
    EXPECT_EQ(part.nHeight, 1u);
    EXPECT_EQ(part.nScanLines, 3u) << "the rows handed over are always the whole block";
}

}  // namespace

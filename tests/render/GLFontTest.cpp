// GLFontTest: glyph lists of a real face, what printing draws and what it leaves as it was.
#include "render/GLFont.h"  // the class under test

#include "HeadlessGl.h"  // real OpenGL context, feedback capture, read-back

#include <EGL/egl.h>  // releasing the context to see a font that got no lists
#include <GL/gl.h>    // lists, raster position, feedback tokens

#include <algorithm>  // std::min, std::max for the lit box
#include <array>      // std::array for raster positions
#include <memory>     // std::unique_ptr for the font
#include <string>     // std::string for texts
#include <vector>     // std::vector for bitmap positions

namespace
{

using cubatro::test::CGlTest;
using cubatro::test::SFeedbackPrimitive;

// One unit of the window per unit of the scene, origin at the bottom left.
void PixelProjection(int nSize)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, nSize, 0.0, nSize, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

std::array<float, 4> RasterPosition()
{
    std::array<float, 4> v{};
    glGetFloatv(GL_CURRENT_RASTER_POSITION, v.data());
    return v;
}

class GLFontTest : public CGlTest
{
protected:
    void SetUp() override
    {
        CGlTest::SetUp();
        PixelProjection(s_nSize);
        m_pFont = std::make_unique<CGLFont>("arial", 20, 10, false);
        ASSERT_NE(m_pFont->GetListBase(), 0u);
    }
    void TearDown() override
    {
        m_pFont.reset();
        CGlTest::TearDown();
    }

    // x of every bitmap that printing `text` at (x, y) sends, in order.
    std::vector<float> BitmapXs(const std::string& text, float fX = 2.0f, float fY = 20.0f)
    {
        const float fPos[3] = {fX, fY, 0.0f};
        std::vector<float> xs;
        for (const SFeedbackPrimitive& p : Feedback([&] { m_pFont->Print(text.c_str(), fPos); }))
        {
            EXPECT_EQ(p.type, static_cast<GLenum>(GL_BITMAP_TOKEN));
            if (p.type == GL_BITMAP_TOKEN) xs.push_back(p.vertices[0].pos[0]);
        }
        return xs;
    }

    // How far printing `text` moves the raster position.
    float Advance(const std::string& text)
    {
        const float fPos[3] = {2.0f, 20.0f, 0.0f};
        m_pFont->Print(text.c_str(), fPos);
        return RasterPosition()[0] - 2.0f;
    }

    std::unique_ptr<CGLFont> m_pFont;
};

TEST_F(GLFontTest, OwnsNinetySixListsUntilDestroyed)
{
    const GLuint nBase = m_pFont->GetListBase();
    for (GLuint i = 0; i < 96; ++i)
        EXPECT_TRUE(glIsList(nBase + i)) << "list " << i;
    m_pFont.reset();
    for (GLuint i = 0; i < 96; ++i)
        EXPECT_FALSE(glIsList(nBase + i)) << "list " << i;
}

// The face asked for as "arial" has the metrics of that family: advances in units of a 2048
// em, and a cell (ascent + descent) of 2288 units that the height of 20 pixels is given to;
// hinting moves an advance by up to a pixel from the exact scaled value.
struct SAdvanceCase
{
    char c;
    int nUnits;
};

class GLFontAdvanceTest : public GLFontTest, public ::testing::WithParamInterface<SAdvanceCase>
{
};

TEST_P(GLFontAdvanceTest, EachGlyphMovesTheRasterPositionByItsAdvance)
{
    const SAdvanceCase& c = GetParam();
    const float fExpected = static_cast<float>(c.nUnits) * 20.0f / 2288.0f;
    EXPECT_NEAR(Advance(std::string(1, c.c)), fExpected, 1.5f) << "'" << c.c << "'";
    EXPECT_FLOAT_EQ(RasterPosition()[1], 20.0f);  // along the line only
}

INSTANTIATE_TEST_SUITE_P(Glyphs, GLFontAdvanceTest,
                         ::testing::Values(SAdvanceCase{' ', 569}, SAdvanceCase{'a', 1139},
                                           SAdvanceCase{'i', 455}, SAdvanceCase{'M', 1706},
                                           SAdvanceCase{'W', 1933}, SAdvanceCase{'T', 1251},
                                           SAdvanceCase{'1', 1139}));

TEST_F(GLFontTest, ALineDrawsOneBitmapPerCharacterEachAfterTheLast)
{
    const float fW = Advance("W");
    const float fA = Advance("a");
    const float fI = Advance("i");
    const std::vector<float> xs = BitmapXs("Wai");
    ASSERT_EQ(xs.size(), 3u);
    EXPECT_FLOAT_EQ(xs[0], 2.0f);
    EXPECT_FLOAT_EQ(xs[1], 2.0f + fW);
    EXPECT_FLOAT_EQ(xs[2], 2.0f + fW + fA);
    EXPECT_FLOAT_EQ(Advance("Wai"), fW + fA + fI);
}

TEST_F(GLFontTest, AnEmptyStringSetsTheRasterPositionAndDrawsNothing)
{
    const float fPos[3] = {7.0f, 9.0f, 0.0f};
    EXPECT_TRUE(Feedback([&] { m_pFont->Print("", fPos); }).empty());
    m_pFont->Print("", fPos);
    const auto raster = RasterPosition();
    EXPECT_FLOAT_EQ(raster[0], 7.0f);
    EXPECT_FLOAT_EQ(raster[1], 9.0f);
}

TEST_F(GLFontTest, NullArgumentsDrawNothingAndLeaveTheRasterPosition)
{
    const float fPos[3] = {7.0f, 9.0f, 0.0f};
    glRasterPos2f(30.0f, 40.0f);
    EXPECT_TRUE(Feedback([&] { m_pFont->Print(nullptr, fPos); }).empty());
    EXPECT_TRUE(Feedback([&] { m_pFont->Print("a", nullptr); }).empty());
    glRasterPos2f(30.0f, 40.0f);
    m_pFont->Print(nullptr, fPos);
    m_pFont->Print("a", nullptr);
    EXPECT_FLOAT_EQ(RasterPosition()[0], 30.0f);
    EXPECT_FLOAT_EQ(RasterPosition()[1], 40.0f);
}

TEST_F(GLFontTest, TheListBaseIsRestored)
{
    glListBase(1234);
    const float fPos[3] = {2.0f, 20.0f, 0.0f};
    m_pFont->Print("abc", fPos);
    GLint nBase = 0;
    glGetIntegerv(GL_LIST_BASE, &nBase);
    EXPECT_EQ(nBase, 1234);
}

// Bytes below 32 or above 127 would select lists next to the font's own; here such lists
// exist on both sides and each would leave a pass-through token if it were called.
TEST_F(GLFontTest, BytesOutsideTheFontDrawNothing)
{
    m_pFont.reset();
    const GLuint nBefore = glGenLists(64);
    m_pFont = std::make_unique<CGLFont>("arial", 20, 10, false);
    const GLuint nAfter = glGenLists(256);
    ASSERT_EQ(m_pFont->GetListBase(), nBefore + 64) << "the neighbour lists are not adjacent";
    for (GLuint i = 0; i < 64; ++i)
    {
        glNewList(nBefore + i, GL_COMPILE);
        glPassThrough(static_cast<GLfloat>(i));
        glEndList();
    }
    for (GLuint i = 0; i < 256; ++i)
    {
        glNewList(nAfter + i, GL_COMPILE);
        glPassThrough(static_cast<GLfloat>(1000 + i));
        glEndList();
    }

    const std::vector<float> plain = BitmapXs("AB");
    const std::vector<float> mixed = BitmapXs("\x01"
                                              "A\x1f\x80"
                                              "B\xc8\xff");  // reports any pass-through
    EXPECT_EQ(mixed, plain);
    EXPECT_FLOAT_EQ(Advance("\x01"
                            "A\x1f\x80"
                            "B\xc8\xff"),
                    Advance("AB"));
    EXPECT_TRUE(BitmapXs("\x01\x02\xff").empty());

    glDeleteLists(nBefore, 64);
    glDeleteLists(nAfter, 256);
}

// Pixels of one glyph drawn in white at (10, 20): upright (the bar of a "T" at its top), on the
// baseline, and a descender below it.
TEST_F(GLFontTest, GlyphsAreDrawnUprightOnTheBaseline)
{
    struct SBox
    {
        int nMinY = 1000, nMaxY = -1, nTopCount = 0, nBottomCount = 0;
    };
    auto draw = [&](const char* pszText)
    {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1, 1, 1);
        const float fPos[3] = {10.0f, 20.0f, 0.0f};
        m_pFont->Print(pszText, fPos);
        const std::vector<uint8_t> pixels = ReadPixels();
        SBox box;
        std::vector<int> counts(s_nSize, 0);
        for (int y = 0; y < s_nSize; ++y)
            for (int x = 0; x < s_nSize; ++x)
                if (pixels[(static_cast<size_t>(y) * s_nSize + static_cast<size_t>(x)) * 4] == 255)
                {
                    ++counts[static_cast<size_t>(y)];
                    box.nMinY = std::min(box.nMinY, y);
                    box.nMaxY = std::max(box.nMaxY, y);
                }
        if (box.nMaxY >= 0)
        {
            box.nTopCount = counts[static_cast<size_t>(box.nMaxY)];
            box.nBottomCount = counts[static_cast<size_t>(box.nMinY)];
        }
        return box;
    };

    const SBox t = draw("T");
    ASSERT_GE(t.nMaxY, 0) << "nothing drawn";
    EXPECT_EQ(t.nMinY, 20);                      // stands on the baseline
    EXPECT_NEAR(t.nMaxY - t.nMinY + 1, 13, 1);   // cap height of 1409 units
    EXPECT_GT(t.nTopCount, 3 * t.nBottomCount);  // the bar is at the top

    const SBox g = draw("g");
    EXPECT_LT(g.nMinY, 20);  // the descender goes below the baseline

    EXPECT_EQ(draw("").nMaxY, -1);
    EXPECT_EQ(draw(" ").nMaxY, -1);
}

// Without a current context OpenGL gives no lists: the font stays empty and draws nothing.
TEST_F(GLFontTest, AFontWithoutListsDrawsNothing)
{
    EGLDisplay display = eglGetCurrentDisplay();
    ASSERT_TRUE(eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT));
    CGLFont empty("arial", 20, 10, false);
    m_pGl->MakeCurrent();
    EXPECT_EQ(empty.GetListBase(), 0u);

    const float fPos[3] = {7.0f, 9.0f, 0.0f};
    glRasterPos2f(30.0f, 40.0f);
    EXPECT_TRUE(Feedback([&] { empty.Print("abc", fPos); }).empty());
    empty.Print("abc", fPos);
    EXPECT_FLOAT_EQ(RasterPosition()[0], 30.0f);
}

}  // namespace

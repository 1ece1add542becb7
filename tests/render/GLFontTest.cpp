// GLFontTest: glyph lists of a real face, what printing draws and what it leaves as it was.
#include "render/GLFont.h"  // the class under test

#include "HeadlessGl.h"  // real OpenGL context, feedback capture, read-back

#include <algorithm>  // std::max for the bar's row
#include <memory>     // std::unique_ptr for the font

namespace
{

class GLFontTest : public cubatro::test::CGlTest
{
protected:
    void SetUp() override
    {
        CGlTest::SetUp();
        glMatrixMode(GL_PROJECTION);
        glOrtho(0, s_nSize, 0, s_nSize, -1, 1);  // one scene unit per pixel
        glMatrixMode(GL_MODELVIEW);
        m_pFont = std::make_unique<CGLFont>("arial", 20, 10, false);
        ASSERT_NE(m_pFont->GetListBase(), 0u);
    }
    static std::array<float, 4> Raster()
    {
        std::array<float, 4> v{};
        glGetFloatv(GL_CURRENT_RASTER_POSITION, v.data());
        return v;
    }
    std::vector<float> BitmapXs(const std::string& text)  // x of each bitmap printing at (2, 20) sends
    {
        std::vector<float> xs;
        for (const auto& p : Feedback([&] { m_pFont->Print(text.c_str(), m_fAt); }))
            if (p.type == GL_BITMAP_TOKEN)
                xs.push_back(p.vertices[0].pos[0]);
            else
                ADD_FAILURE() << "token " << p.type << " while printing";
        return xs;
    }
    float Advance(const std::string& text)  // how far printing `text` moves the raster position
    {
        m_pFont->Print(text.c_str(), m_fAt);
        return Raster()[0] - m_fAt[0];
    }
    const float m_fAt[3] = {2, 20, 0};
    std::unique_ptr<CGLFont> m_pFont;
};

TEST_F(GLFontTest, ListsAndWhatPrintLeaves)
{
    const GLuint nBase = m_pFont->GetListBase();
    for (GLuint i = 0; i < 96; ++i)
        EXPECT_TRUE(glIsList(nBase + i)) << "list " << i;
    glListBase(1234);
    m_pFont->Print("abc", m_fAt);
    GLint nListBase = 0;
    glGetIntegerv(GL_LIST_BASE, &nListBase);
    EXPECT_EQ(nListBase, 1234);

    const float fAt[3] = {7, 9, 0};
    EXPECT_TRUE(Feedback([&] { m_pFont->Print("", fAt); }).empty());  // an empty string draws nothing
    m_pFont->Print("", fAt);
    m_pFont->Print(nullptr, m_fAt);  // null arguments touch nothing
    m_pFont->Print("a", nullptr);
    EXPECT_EQ(Raster(), (std::array<float, 4>{7, 9, 0.5f, 1}));  // where the empty string placed it

    m_pFont.reset();
    for (GLuint i = 0; i < 96; ++i)
        EXPECT_FALSE(glIsList(nBase + i)) << "list " << i;
}

// "arial" has the metrics of that family: advances in units of a 2048 em, with the height of
// 20 pixels given to a cell of 2288 units; hinting moves an advance by up to a pixel.
TEST_F(GLFontTest, GlyphsAdvanceByTheirWidthsAlongTheLine)
{
    for (const auto& [c, nUnits] : {std::pair{' ', 569}, {'a', 1139}, {'i', 455}, {'W', 1933}, {'T', 1251}})
        EXPECT_NEAR(Advance(std::string(1, c)), nUnits * 20.0f / 2288.0f, 1.5f) << "'" << c << "'";
    const float fW = Advance("W"), fA = Advance("a"), fI = Advance("i");
    EXPECT_EQ(BitmapXs("Wai"), (std::vector<float>{2, 2 + fW, 2 + fW + fA}));
    EXPECT_FLOAT_EQ(Advance("Wai"), fW + fA + fI);
    EXPECT_EQ(Raster()[1], 20.0f);
}

// Bytes below 32 or above 127 would select lists beside the font's own: here those of two more
// fonts, made just before and just after it, whose glyphs would show up among the bitmaps.
TEST_F(GLFontTest, BytesOutsideTheFontDrawNothing)
{
    m_pFont.reset();
    const CGLFont before("arial", 20, 10, false);
    m_pFont = std::make_unique<CGLFont>("arial", 20, 10, false);
    const CGLFont after("arial", 20, 10, false);
    ASSERT_EQ(m_pFont->GetListBase(), before.GetListBase() + 96) << "the neighbour lists are not adjacent";
    ASSERT_EQ(after.GetListBase(), m_pFont->GetListBase() + 96) << "the neighbour lists are not adjacent";
    EXPECT_EQ(BitmapXs("\x01"
                       "A\x1f\x80"
                       "B\xc8\xff"),
              BitmapXs("AB"));
    EXPECT_TRUE(BitmapXs("\x01\xff").empty());
}

// Glyphs printed in white at (10, 20): a "T" stands on the baseline with its bar on top, 13 pixels
// high (cap height 1409 units); a "g" reaches below the baseline.
TEST_F(GLFontTest, GlyphsStandUprightOnTheBaseline)
{
    auto lit = [&](int y)  // lit pixels in row y
    {
        int n = 0;
        for (int x = 0; x < s_nSize; ++x)
            n += PixelAt(x, y)[0] == 255;
        return n;
    };
    const float fAt[3] = {10, 20, 0};
    m_pFont->Print("T", fAt);
    EXPECT_TRUE(lit(19) == 0 && lit(20) > 0 && lit(34) == 0);
    EXPECT_GT(std::max({lit(31), lit(32), lit(33)}), 3 * lit(20));
    glClear(GL_COLOR_BUFFER_BIT);
    m_pFont->Print("g", fAt);
    EXPECT_GT(lit(17), 0);
}

}  // namespace

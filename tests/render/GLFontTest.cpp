// GLFontTest: glyph lists of a real face, what printing draws and what it leaves as it was.
#include "render/GLFont.h"  // the class under test

#include "HeadlessGl.h"  // real OpenGL context, feedback capture, read-back

#include <algorithm>  // std::find_if for the lit rows
#include <memory>     // std::unique_ptr for the font
#include <numeric>    // std::accumulate for the rows below the baseline

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
    EXPECT_EQ(Raster()[0], 7.0f);  // the empty string placed the raster position
    EXPECT_EQ(Raster()[1], 9.0f);

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

// Bytes below 32 or above 127 would select lists beside the font's own; here such lists exist
// on both sides, and each would leave a pass-through token if it were called.
TEST_F(GLFontTest, BytesOutsideTheFontDrawNothing)
{
    m_pFont.reset();
    const GLuint nBefore = glGenLists(64);
    m_pFont = std::make_unique<CGLFont>("arial", 20, 10, false);
    const GLuint nAfter = glGenLists(256);
    ASSERT_EQ(m_pFont->GetListBase(), nBefore + 64) << "the neighbour lists are not adjacent";
    for (GLuint i = 0; i < 64 + 256; ++i)
    {
        glNewList(i < 64 ? nBefore + i : nAfter + i - 64, GL_COMPILE);
        glPassThrough(static_cast<GLfloat>(i));
        glEndList();
    }
    const std::string mixed = "\x01"
                              "A\x1f\x80"
                              "B\xc8\xff";
    EXPECT_EQ(BitmapXs(mixed), BitmapXs("AB"));
    EXPECT_EQ(Advance(mixed), Advance("AB"));
    EXPECT_TRUE(BitmapXs("\x01\xff").empty());
}

// Glyphs in white at (10, 20): a "T" stands on the baseline with its bar on top, 13 pixels high
// (cap height 1409 units); a "g" reaches below the baseline.
TEST_F(GLFontTest, GlyphsStandUprightOnTheBaseline)
{
    auto litRows = [&](const char* pszText)  // lit pixels in each row, bottom first
    {
        glClear(GL_COLOR_BUFFER_BIT);
        const float fAt[3] = {10, 20, 0};
        m_pFont->Print(pszText, fAt);
        const std::vector<uint8_t> pixels = ReadPixels();
        std::vector<int> rows(s_nSize, 0);
        for (size_t i = 0; i < pixels.size(); i += 4)
            rows[i / 4 / s_nSize] += pixels[i] == 255;
        return rows;
    };
    const std::vector<int> t = litRows("T");
    const auto nLow = std::find_if(t.begin(), t.end(), [](int n) { return n > 0; }) - t.begin();
    const auto nHigh = std::find_if(t.rbegin(), t.rend(), [](int n) { return n > 0; }).base() - t.begin() - 1;
    EXPECT_EQ(nLow, 20);
    EXPECT_NEAR(nHigh - nLow + 1, 13, 1);
    EXPECT_GT(t[static_cast<size_t>(nHigh)], 3 * t[static_cast<size_t>(nLow)]);
    const std::vector<int> g = litRows("g");
    EXPECT_GT(std::accumulate(g.begin(), g.begin() + 20, 0), 0);
}

}  // namespace

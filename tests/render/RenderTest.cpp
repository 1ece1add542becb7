// RenderTest: light units, the lens flare with its float-triple functions, and the bitmap font,
// against real OpenGL.
#include "render/Flare.h"   // the flare and the float triples
#include "render/GLFont.h"  // the font
#include "render/Light.h"   // light units

#include "HeadlessGl.h"            // OpenGL fixture, feedback, read-back
#include "RenderTestTools.h"       // sprite files, working directory
#include "platform/Diagnostics.h"  // capturing the trace

#include <EGL/egl.h>      // releasing the context, to make a light without one
#include <gmock/gmock.h>  // matchers

#include <algorithm>  // std::count of lit bytes
#include <memory>     // std::unique_ptr for lights and fonts

using namespace ::testing;
using Vec3 = std::array<float, 3>;
using Vec4 = std::array<float, 4>;

// One scene unit per pixel, seen along -z from z = 1; the flare's ten sprites, uniform grey, below
// the working directory.
class CRenderTest : public cubatro::test::CGlTest
{
protected:
    void SetUp() override
    {
        CGlTest::SetUp();
        glMatrixMode(GL_PROJECTION), glOrtho(0, s_nSize, 0, s_nSize, -1, 1), glMatrixMode(GL_MODELVIEW);
        ASSERT_EQ(MakeSprites(m_dir, "-size 8x4 xc:gray50 -duplicate 9"), 0);
    }
    cubatro::test::CTempDir m_dir;
    cubatro::test::CWorkingDir m_workingDir{m_dir.Path()};  // the sprites are found relative to it
};

// Units go lowest first, switch off and on while claimed, and come back when freed; the table
// lasts while a unit is held. Positions are stored under the modelview matrix current when
// given (a direction is not translated); SetPosition makes a light positional. A null colour
// or position changes nothing. Once every unit is taken a light holds none and touches none.
TEST_F(CRenderTest, LightUnitsColoursAndPositions)
{
    glTranslatef(10, 20, 30);
    const Vec4 colours[3] = {{0.1f, 0.2f, 0.3f, 0.4f}, {0.5f, 0.6f, 0.7f, 0.8f}, {0.9f, 1, 0.25f, 0.75f}};
    auto pFirst = std::make_unique<CLight>(Vec4{1, 2, 3, 1}.data());
    auto pSecond = std::make_unique<CLight>(Vec4{0, 0.5f, 1, 0}.data());
    std::array<Vec4, 6> got{};  // unit 0's position, unit 1's before and after SetPosition, its colours
    glGetLightfv(GL_LIGHT0, GL_POSITION, got[0].data()), glGetLightfv(GL_LIGHT1, GL_POSITION, got[1].data());
    pSecond->SetPosition(std::to_array<float>({4, 5, 6}).data());
    pSecond->SetPosition(nullptr);
    pSecond->SetColors(colours[0].data(), colours[1].data(), colours[2].data());
    pSecond->SetColors(colours[2].data(), nullptr, colours[0].data());
    const GLenum what[4] = {GL_POSITION, GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR};
    for (size_t i = 0; i < 4; ++i)
        glGetLightfv(GL_LIGHT1, what[i], got[i + 2].data());
    EXPECT_THAT(got, ElementsAre(Vec4{11, 22, 33, 1}, Vec4{0, 0.5f, 1, 0}, Vec4{14, 25, 36, 1}, colours[0],
                                 colours[1], colours[2]));
    pSecond->Enable(false);  // off, still claimed
    EXPECT_TRUE(!glIsEnabled(GL_LIGHT1) && CLight::IsUsed(1));
    pSecond->Enable(true);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0) && glIsEnabled(GL_LIGHT1) && !glIsEnabled(GL_LIGHT2));
    std::vector<std::unique_ptr<CLight>> more;  // the other units, then a light that holds none
    while (more.empty() || more.back()->IsValid())
        more.push_back(std::make_unique<CLight>(Vec4{}.data()));
    more.back()->Enable(true);
    EXPECT_TRUE(more.size() == CLight::MaxLights() - 1u && glGetError() == GL_NO_ERROR);
    more.clear();
    pSecond.reset();
    EXPECT_TRUE(!glIsEnabled(GL_LIGHT1) && CLight::HasTable() && CLight::IsUsed(0));
    EXPECT_EQ(CLight(Vec4{}.data()).GetSlot(), 1);  // the freed unit is taken again
    pFirst.reset();
    EXPECT_FALSE(CLight::HasTable());
    // Without a current context OpenGL counts no units: that light holds none and leaves no
    // table, so the next light, with the context, counts again and gets unit 0.
    ASSERT_TRUE(eglMakeCurrent(eglGetCurrentDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT));
    CLight orphan(Vec4{}.data());
    m_pGl->MakeCurrent();
    EXPECT_TRUE(!orphan.IsValid() && !CLight::HasTable() && CLight(Vec4{}.data()).GetSlot() == 0);
}

// On vectors whose components all differ; the float after each result must stay untouched.
TEST(VectorTest, TriplesAddSubtractScaleCrossDotMeasureAndNormalise)
{
    const float a[4] = {2, 3, 6, -100}, b[4] = {-4, 6, 0.5f, 100};
    std::array<Vec4, 5> out;
    out.fill({2, 3, 6, 99});
    VectorAdd(out[0].data(), a, b), VectorSub(out[1].data(), a, b), VectorScale(out[2].data(), a, -0.5f);
    VectorCross(out[3].data(), out[3].data(), b), VectorNormalize(out[4].data());  // out may be an operand
    EXPECT_THAT(out, ElementsAre(Vec4{-2, 9, 6.5f, 99}, Vec4{6, -3, 5.5f, 99}, Vec4{-1, -1.5f, -3, 99},
                                 Vec4{-34.5f, -25, 24, 99}, Vec4{2 / 7.0f, 3 / 7.0f, 6 / 7.0f, 99}));
    EXPECT_TRUE(VectorDot(a, b) == 13.0f && VectorLength(a) == 7.0f);
}

// The three squares of a frame are blue, green and red, 0.3 on a side around the flare and facing
// the eye with a level lower edge: corners from the lower left, counter-clockwise seen from the
// eye, the texture following; the sprite turn moves on by three. With the eye straight above the
// flare or on it no facing exists: the frame draws nothing and keeps the turn.
TEST_F(CRenderTest, FlareSquaresFaceTheEye)
{
    const float h = 0.15f;  // corners around the flare, at (32, 32, 0), for each eye
    // clang-format off
    const std::pair<Vec3, std::vector<Vec3>> cases[] = {
        {{32, 32, 3}, {{-h, -h, 0}, {h, -h, 0}, {h, h, 0}, {-h, h, 0}}},
        {{35, 32, 0}, {{0, -h, h}, {0, -h, -h}, {0, h, -h}, {0, h, h}}}, {{32, 34, 0}, {}}, {{32, 32, 0}, {}}};
    // clang-format on
    CFlare flare(Vec3{32, 32, 0}.data(), 0.3f, 0.7f, 0.7f);
    for (const auto& [eye, corners] : cases)
    {
        const int nSprite = flare.GetCurrentSprite();
        const auto prims = Feedback([&] { flare.Draw(eye.data()); });
        ASSERT_EQ(prims.size(), corners.size() * 6 / 4);
        EXPECT_EQ(flare.GetCurrentSprite(), (nSprite + prims.size() / 2) % 10);
        for (size_t n = 0; n < prims.size() * 2; ++n)  // squares (a, b, c, d) come as (a, b, d), (b, c, d)
        {
            const size_t i = n / 4, k = n % 4;
            const auto& v = prims[2 * i + (k == 2)].vertices[(k + 1) / 2];
            EXPECT_THAT((Vec3{v.pos[0] - 32, v.pos[1] - 32, 1 - 2 * v.pos[2]}),
                        Pointwise(FloatNear(1e-4f), corners[k]));
            EXPECT_THAT(v.color, ElementsAre(i == 2, i == 1, i == 0, 1)) << i << k;
            EXPECT_THAT(v.tex, ElementsAre(k == 1 || k == 2, k > 1, 0, 1)) << i << k;
        }
    }
}

// Every sprite gets a texture of its own. A sprite file holding three channels leaves its sprite
// empty (and says so); a missing sprite file ends the process.
TEST_F(CRenderTest, FlareSpriteNotSingleChannelStaysEmptyAndAMissingOneEndsTheProcess)
{
    const std::string strBad = m_dir / "Gfx/Shine3.bw";
    ASSERT_EQ(cubatro::test::RunCommand("convert -size 8x4 xc:red -type TrueColor sgi:" + strBad), 0);
    plat::CDiagnosticsCapture capture;
    CFlare flare(Vec3{}.data(), 0.3f, 0.7f, 0.7f);
    EXPECT_THAT(capture.TraceText(), HasSubstr("Gfx\\Shine3.bw is not a single-channel image"));
    for (int i = 0; i < CFlare::s_nSprites; ++i)
        EXPECT_TRUE(glIsTexture(flare.GetSpriteTexture(i)) &&
                    flare.GetSpriteTexture(i) != flare.GetSpriteTexture((i + 1) % 10));
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::filesystem::remove(m_dir / "Gfx/Shine5.bw");
    EXPECT_EXIT(CFlare(Vec3{}.data(), 0.3f, 0.7f, 0.7f), ExitedWithCode(1), "Shine5\\.bw: No such file");
}

// Each glyph, the space too, is a bitmap at the raster position, which moves on by the glyph's
// advance: "arial" has the metrics of that family (W 1933, space 569, a 1139 and i 455 units of a
// 2048 em, the 20-pixel cell being 2288 units; hinting moves an advance by up to a pixel). Bytes
// outside 32 to 127, which would select the lists of the fonts made just before and after, draw
// nothing. The list base is left as it was; the font's lists go with it, and only those.
TEST_F(CRenderTest, FontGlyphsAdvanceByTheirWidthsAndBytesOutsideTheFontDrawNothing)
{
    const CGLFont before("arial", 20, 10, false);
    auto pFont = std::make_unique<CGLFont>("arial", 20, 10, false);
    const CGLFont after("arial", 20, 10, false);
    ASSERT_EQ(after.GetListBase(), before.GetListBase() + 192) << "the lists of the fonts are not adjacent";
    glListBase(1234);
    std::vector<float> xs;  // where the bitmaps were drawn, then where the raster position ends
    for (const auto& p : Feedback([&] { pFont->Print("\x01W\x1f \x80\x61i\xff", Vec3{2, 20, 0}.data()); }))
        xs.push_back(p.type == GL_BITMAP_TOKEN ? p.vertices[0].pos[0] : -1);
    GLfloat fAt[4] = {};
    glGetFloatv(GL_CURRENT_RASTER_POSITION, fAt);
    ASSERT_EQ(xs.size(), 4u);
    EXPECT_THAT(
        (std::array{xs[0], xs[1] - xs[0], xs[2] - xs[1], xs[3] - xs[2], fAt[0] - xs[3], fAt[1]}),
        Pointwise(FloatNear(1.5f), {2.0f, 1933 / 114.4f, 569 / 114.4f, 1139 / 114.4f, 455 / 114.4f, 20.0f}));
    GLint nListBase = 0;
    glGetIntegerv(GL_LIST_BASE, &nListBase);
    const GLuint nBase = pFont->GetListBase();
    pFont.reset();
    EXPECT_TRUE(nListBase == 1234 && !glIsList(nBase) && !glIsList(nBase + 95) && glIsList(nBase + 96));
}

// Printed in white at (10, 20), a "T" stands on the baseline (row 20) with its bar on top, 13
// pixels high (cap height 1409 units).
TEST_F(CRenderTest, FontGlyphStandsUprightOnTheBaseline)
{
    CGLFont("arial", 20, 10, false).Print("T", Vec3{10, 20, 0}.data());
    const std::vector<uint8_t> rgba = ReadPixels();
    auto lit = [&](long y) { return std::count(rgba.begin() + 256 * y, rgba.begin() + 256 * y + 256, 255); };
    EXPECT_TRUE(lit(19) + lit(34) == 0 && lit(20) > 0 && std::max({lit(31), lit(32), lit(33)}) > 3 * lit(20));
}

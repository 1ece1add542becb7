// FlareTest: the flare's vector functions, sprites, light and squares, against real OpenGL.
#include "render/Flare.h"  // the class under test

#include "FeedbackQuads.h"  // quads out of a feedback capture
#include "HeadlessGl.h"     // real OpenGL context, feedback capture, read-back
#include "SpriteFiles.h"    // sprite files and the working directory
#include "TempDir.h"        // scratch directory, ImageMagick through RunCommand

#include "platform/Diagnostics.h"  // capturing the trace

#include <GL/gl.h>   // state queries
#include <GL/glu.h>  // gluPerspective, gluLookAt for the pixel tests

#include <array>   // std::array for vectors
#include <cmath>   // std::isfinite, std::sqrt, std::lround
#include <memory>  // std::unique_ptr for the flare
#include <string>  // std::string for names
#include <vector>  // std::vector for captured primitives

namespace
{

using cubatro::test::CGlTest;
using cubatro::test::CTempDir;
using cubatro::test::CWorkingDir;
using cubatro::test::QuadsOf;
using cubatro::test::SceneOf;
using cubatro::test::SceneProjection;
using cubatro::test::SFeedbackQuad;
using cubatro::test::SgiVerbatim;
using cubatro::test::SpriteName;
using Vec3 = std::array<float, 3>;

// --- vector functions ---------------------------------------------------------------------

TEST(FlareVectorTest, ComponentwiseOperations)
{
    const float a[3] = {1.0f, -2.0f, 3.0f};
    const float b[3] = {0.5f, 4.0f, -1.0f};
    float out[3];
    VectorCopy(out, a);
    EXPECT_EQ(std::to_array(out), std::to_array(a));
    VectorAdd(out, a, b);
    EXPECT_EQ(std::to_array(out), (Vec3{1.5f, 2.0f, 2.0f}));
    VectorSub(out, a, b);
    EXPECT_EQ(std::to_array(out), (Vec3{0.5f, -6.0f, 4.0f}));
    VectorScale(out, a, -0.5f);
    EXPECT_EQ(std::to_array(out), (Vec3{-0.5f, 1.0f, -1.5f}));
    EXPECT_FLOAT_EQ(VectorDot(a, b), 0.5f - 8.0f - 3.0f);
    EXPECT_FLOAT_EQ(VectorLength(a), std::sqrt(14.0f));
}

TEST(FlareVectorTest, CrossProductMayWriteOverEitherOperand)
{
    const Vec3 expected{-10.0f, 2.5f, 5.0f};  // (1, -2, 3) × (0.5, 4, -1)
    float a[3] = {1.0f, -2.0f, 3.0f};
    float b[3] = {0.5f, 4.0f, -1.0f};
    float out[3];
    VectorCross(out, a, b);
    EXPECT_EQ(std::to_array(out), expected);
    VectorCross(a, a, b);
    EXPECT_EQ(std::to_array(a), expected);
    float c[3] = {1.0f, -2.0f, 3.0f};
    VectorCross(b, c, b);
    EXPECT_EQ(std::to_array(b), expected);
}

TEST(FlareVectorTest, NormalizeMakesUnitLength)
{
    float v[3] = {3.0f, 0.0f, -4.0f};
    VectorNormalize(v);
    EXPECT_EQ(std::to_array(v), (Vec3{0.6f, 0.0f, -0.8f}));
}

// --- the flare in a scratch directory of sprites ------------------------------------------

// Sprite i is a uniform 8 × 4 image of luminance 40 + 20 i, so that a pixel where the blue,
// green and red squares overlap tells which sprite each of them showed.
unsigned char SpriteLevel(int i)
{
    return static_cast<unsigned char>(40 + 20 * i);
}

class FlareTest : public CGlTest
{
protected:
    void SetUp() override
    {
        CGlTest::SetUp();
        for (int i = 0; i < CFlare::s_nSprites; ++i)
            WriteSprite(i, SgiVerbatim(8, 4, 1, [i](int, int, int) { return SpriteLevel(i); }));
        m_pWorkingDir = std::make_unique<CWorkingDir>(m_dir.Path());
    }
    void TearDown() override
    {
        m_pFlare.reset();
        m_pWorkingDir.reset();
        CGlTest::TearDown();
    }

    void WriteSprite(int i, const std::vector<unsigned char>& bytes) { m_dir.Write(SpriteName(i), bytes); }

    void MakeFlare(Vec3 position = {1.0f, 0.5f, -1.0f})
    {
        m_pFlare = std::make_unique<CFlare>(position.data(), 0.3f, 0.7f, 0.7f);
    }

    // What one Draw sends, with the eye at `eye`.
    std::vector<SFeedbackQuad> Capture(const Vec3& eye)
    {
        return QuadsOf(Feedback([&] { m_pFlare->Draw(eye.data()); }));
    }

    // The colour of the middle pixel after one frame seen head on: the eye at the origin looks
    // down -z through a narrow window at the flare on (0, 0, -1).
    std::array<uint8_t, 4> DrawHeadOn()
    {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-0.2, 0.2, -0.2, 0.2, -10.0, 10.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        const Vec3 eye{0.0f, 0.0f, 0.0f};
        m_pFlare->Draw(eye.data());
        return PixelAt(s_nSize / 2, s_nSize / 2);
    }

    // Which sprite a colour channel shows; -1 for none.
    static int SpriteOf(uint8_t level)
    {
        for (int i = 0; i < CFlare::s_nSprites; ++i)
            if (std::abs(static_cast<int>(level) - SpriteLevel(i)) <= 2) return i;
        return -1;
    }

    CTempDir m_dir;
    std::unique_ptr<CWorkingDir> m_pWorkingDir;
    std::unique_ptr<CFlare> m_pFlare;
};

TEST_F(FlareTest, SpritesAreLuminanceTexturesWithAlignmentOneLeftInForce)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    MakeFlare();
    GLint nAlignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &nAlignment);
    EXPECT_EQ(nAlignment, 1);
    for (int i = 0; i < CFlare::s_nSprites; ++i)
    {
        const GLuint nTexture = m_pFlare->GetSpriteTexture(i);
        ASSERT_TRUE(glIsTexture(nTexture)) << "sprite " << i;
        for (int k = 0; k < i; ++k)
            EXPECT_NE(nTexture, m_pFlare->GetSpriteTexture(k));
        glBindTexture(GL_TEXTURE_2D, nTexture);
        GLint nWidth = 0, nHeight = 0, nLuminance = 0, nRed = 0, nLevels = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &nWidth);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &nHeight);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_LUMINANCE_SIZE, &nLuminance);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_RED_SIZE, &nRed);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &nLevels);
        EXPECT_EQ(nWidth, 8);
        EXPECT_EQ(nHeight, 4);
        EXPECT_EQ(nLuminance, 8);
        EXPECT_EQ(nRed, 0);
        EXPECT_EQ(nLevels, 1) << "mipmaps down to 1 × 1";
        GLint nMin = 0, nMag = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &nMin);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &nMag);
        EXPECT_EQ(nMin, GL_LINEAR_MIPMAP_LINEAR);
        EXPECT_EQ(nMag, GL_LINEAR);
    }
}

// --- the flare's light ----------------------------------------------------------------------

class FlareLightTest : public FlareTest
{
protected:
    static std::array<float, 4> LightVector(int nSlot, GLenum what)
    {
        std::array<float, 4> v{};
        glGetLightfv(static_cast<GLenum>(GL_LIGHT0 + nSlot), what, v.data());
        return v;
    }
};

TEST_F(FlareLightTest, TakesTheNextUnitWithItsColoursAndAttenuation)
{
    const float fMain[4] = {3.0f, 3.0f, -3.0f, 1.0f};
    auto pMain = std::make_unique<CLight>(fMain);
    MakeFlare();
    ASSERT_NE(m_pFlare->GetLight(), nullptr);
    const int nSlot = m_pFlare->GetLight()->GetSlot();
    EXPECT_EQ(nSlot, 1);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    EXPECT_EQ(LightVector(nSlot, GL_AMBIENT), (std::array<float, 4>{0.7f, 0.7f, 0.7f, 1.0f}));
    EXPECT_EQ(LightVector(nSlot, GL_DIFFUSE), (std::array<float, 4>{0.7f, 0.7f, 0.7f, 1.0f}));
    EXPECT_EQ(LightVector(nSlot, GL_SPECULAR), (std::array<float, 4>{0.0f, 0.0f, 0.0f, 1.0f}));
    EXPECT_EQ(LightVector(nSlot, GL_POSITION), (std::array<float, 4>{1.0f, 0.5f, -1.0f, 0.0f}));
    GLfloat fAttenuation = 0.0f;
    glGetLightfv(GL_LIGHT1, GL_QUADRATIC_ATTENUATION, &fAttenuation);
    EXPECT_FLOAT_EQ(fAttenuation, 0.7f);

    m_pFlare.reset();
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
    EXPECT_FALSE(CLight::IsUsed(1));
    EXPECT_TRUE(CLight::IsUsed(0));
}

TEST_F(FlareLightTest, SetPositionMakesTheLightPositionalUnderTheModelview)
{
    MakeFlare();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -5.0f);
    const Vec3 to{2.0f, 1.0f, -3.0f};
    m_pFlare->SetPosition(to.data());
    EXPECT_EQ(LightVector(0, GL_POSITION), (std::array<float, 4>{2.0f, 1.0f, -8.0f, 1.0f}));
    EXPECT_EQ((Vec3{m_pFlare->GetPosition()[0], m_pFlare->GetPosition()[1], m_pFlare->GetPosition()[2]}), to);
}

TEST_F(FlareLightTest, WithoutAFreeUnitTheFlareStillWorks)
{
    GLint nMax = 0;
    glGetIntegerv(GL_MAX_LIGHTS, &nMax);
    std::vector<std::unique_ptr<CLight>> lights;
    const float fOrigin[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    for (GLint i = 0; i < nMax; ++i)
        lights.push_back(std::make_unique<CLight>(fOrigin));
    while (glGetError() != GL_NO_ERROR)
    {
    }
    MakeFlare();
    EXPECT_FALSE(m_pFlare->GetLight()->IsValid());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const Vec3 to{2.0f, 1.0f, -3.0f};
    m_pFlare->SetPosition(to.data());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    m_pFlare.reset();
    lights.clear();
}

// --- the squares ----------------------------------------------------------------------------

TEST_F(FlareTest, HeadOnTheSquaresAreBlueGreenRedAndCentredOnTheFlare)
{
    MakeFlare();
    SceneProjection();
    const std::vector<SFeedbackQuad> squares = Capture({1.0f, 0.5f, 2.0f});
    ASSERT_EQ(squares.size(), 3u);
    const std::array<float, 4> colours[3] = {{0, 0, 1, 1}, {0, 1, 0, 1}, {1, 0, 0, 1}};
    const Vec3 corners[4] = {
        {0.85f, 0.35f, -1.0f}, {1.15f, 0.35f, -1.0f}, {1.15f, 0.65f, -1.0f}, {0.85f, 0.65f, -1.0f}};
    const std::array<float, 2> texCoords[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (size_t i = 0; i < 3; ++i)
    {
        for (size_t k = 0; k < 4; ++k)
        {
            const auto& v = squares[i][k];
            const Vec3 p = SceneOf(v);
            for (size_t a = 0; a < 3; ++a)
                EXPECT_NEAR(p[a], corners[k][a], 1e-4f) << "square " << i << " corner " << k << " axis " << a;
            EXPECT_EQ(v.color, colours[i]) << "square " << i;
            EXPECT_FLOAT_EQ(v.tex[0], texCoords[k][0]);
            EXPECT_FLOAT_EQ(v.tex[1], texCoords[k][1]);
        }
    }
}

struct SEyeCase
{
    const char* pszName;
    Vec3 eye;
};

class FlareFacingTest : public FlareTest, public ::testing::WithParamInterface<SEyeCase>
{
};

// Wherever the eye is, each square is 0.3 on a side, centred on the flare, turned to the eye
// (counter-clockwise seen from it) and has a level lower edge.
TEST_P(FlareFacingTest, SquaresFaceTheEyeAndKeepTheirSize)
{
    const Vec3 flare{0.0f, 0.0f, 0.0f};
    MakeFlare(flare);
    SceneProjection();
    const Vec3& eye = GetParam().eye;
    const std::vector<SFeedbackQuad> squares = Capture(eye);
    ASSERT_EQ(squares.size(), 3u);
    for (const SFeedbackQuad& square : squares)
    {
        Vec3 c[4];
        Vec3 centre{};
        for (size_t k = 0; k < 4; ++k)
        {
            c[k] = SceneOf(square[k]);
            for (size_t a = 0; a < 3; ++a)
                centre[a] += c[k][a] / 4.0f;
        }
        for (size_t a = 0; a < 3; ++a)
            EXPECT_NEAR(centre[a], flare[a], 1e-4f);
        float across[3], up[3], normal[3], toEye[3];
        VectorSub(across, c[1].data(), c[0].data());
        VectorSub(up, c[2].data(), c[1].data());
        VectorSub(toEye, eye.data(), flare.data());
        VectorCross(normal, across, up);
        EXPECT_NEAR(VectorLength(across), 0.3f, 1e-4f);
        EXPECT_NEAR(VectorLength(up), 0.3f, 1e-4f);
        EXPECT_NEAR(VectorDot(across, up), 0.0f, 1e-4f);
        EXPECT_NEAR(VectorDot(across, toEye), 0.0f, 1e-4f);
        EXPECT_NEAR(VectorDot(up, toEye), 0.0f, 1e-4f);
        EXPECT_NEAR(across[1], 0.0f, 1e-4f);
        EXPECT_GT(VectorDot(normal, toEye), 0.0f);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Eyes, FlareFacingTest,
    ::testing::Values(SEyeCase{"Front", {0.0f, 0.0f, 3.0f}}, SEyeCase{"Behind", {0.0f, 0.0f, -3.0f}},
                      SEyeCase{"Right", {3.0f, 0.0f, 0.0f}}, SEyeCase{"Oblique", {2.0f, 2.0f, 1.0f}},
                      SEyeCase{"LowLeftBehind", {-1.0f, -1.5f, -2.0f}},
                      SEyeCase{"NearlyOverhead", {0.001f, 3.0f, 0.0f}}),
    [](const ::testing::TestParamInfo<SEyeCase>& param) { return std::string(param.param.pszName); });

// With the eye on the flare, or straight above or below it, no facing is defined: nothing is
// drawn, the sprite turn stays and no state changes.
class FlareNoFacingTest : public FlareTest, public ::testing::WithParamInterface<SEyeCase>
{
};

TEST_P(FlareNoFacingTest, DrawsNothing)
{
    const Vec3 flare{1.0f, 0.5f, -1.0f};
    MakeFlare(flare);
    SceneProjection();
    Vec3 eye;
    VectorAdd(eye.data(), flare.data(), GetParam().eye.data());
    glEnable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    EXPECT_TRUE(Capture(eye).empty());
    EXPECT_EQ(m_pFlare->GetCurrentSprite(), 0);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    GLint nDepthFunc = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &nDepthFunc);
    EXPECT_EQ(nDepthFunc, GL_LESS);

    // The next frame with a proper eye draws the first sprites.
    const Vec3 front{1.0f, 0.5f, 2.0f};
    EXPECT_EQ(Capture(front).size(), 3u);
    EXPECT_EQ(m_pFlare->GetCurrentSprite(), 3);
}

INSTANTIATE_TEST_SUITE_P(Eyes, FlareNoFacingTest,
                         ::testing::Values(SEyeCase{"Above", {0.0f, 2.0f, 0.0f}},
                                           SEyeCase{"Below", {0.0f, -0.25f, 0.0f}},
                                           SEyeCase{"OnIt", {0.0f, 0.0f, 0.0f}}),
                         [](const ::testing::TestParamInfo<SEyeCase>& param)
                         { return std::string(param.param.pszName); });

TEST_F(FlareTest, DrawLeavesBlendingOffLightingOnTexturingOnAndDepthLessOrEqual)
{
    MakeFlare();
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    const Vec3 eye{1.0f, 0.5f, 2.0f};
    m_pFlare->Draw(eye.data());
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLint nDepthFunc = 0, nSrc = 0, nDst = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &nDepthFunc);
    glGetIntegerv(GL_BLEND_SRC, &nSrc);
    glGetIntegerv(GL_BLEND_DST, &nDst);
    EXPECT_EQ(nDepthFunc, GL_LEQUAL);
    EXPECT_EQ(nSrc, GL_ONE);
    EXPECT_EQ(nDst, GL_ONE);
}

// Frame k shows sprites 3k, 3k + 1 and 3k + 2 (mod 10) in its blue, green and red squares; the
// squares add up, so the middle pixel holds the three sprite levels.
TEST_F(FlareTest, EachFrameMovesEverySquareThreeSpritesOn)
{
    MakeFlare({0.0f, 0.0f, -1.0f});
    for (int nFrame = 0; nFrame < 11; ++nFrame)
    {
        const std::array<uint8_t, 4> pixel = DrawHeadOn();
        const int nFirst = (3 * nFrame) % 10;
        EXPECT_EQ(SpriteOf(pixel[2]), nFirst) << "frame " << nFrame << " blue";
        EXPECT_EQ(SpriteOf(pixel[1]), (nFirst + 1) % 10) << "frame " << nFrame << " green";
        EXPECT_EQ(SpriteOf(pixel[0]), (nFirst + 2) % 10) << "frame " << nFrame << " red";
        EXPECT_EQ(m_pFlare->GetCurrentSprite(), (nFirst + 3) % 10);
    }
}

// --- sprites that are not single-channel images ----------------------------------------------

TEST_F(FlareTest, ASpriteThatIsNotASingleChannelImageStaysEmpty)
{
    ASSERT_EQ(cubatro::test::RunCommand("convert -size 8x4 xc:'rgb(200,100,50)' -type TrueColor sgi:" +
                                        (m_dir / SpriteName(3))),
              0);
    WriteSprite(7, SgiVerbatim(0, 4, 1, [](int, int, int) { return 0; }));  // no pixels
    plat::CDiagnosticsCapture capture;
    MakeFlare({0.0f, 0.0f, -1.0f});
    EXPECT_EQ(capture.TraceText(),
              "CFlare: Gfx\\Shine3.bw is not a single-channel image, its sprite stays empty\n"
              "CFlare: Gfx\\Shine7.bw is not a single-channel image, its sprite stays empty\n");
    for (int i : {3, 7})
    {
        glBindTexture(GL_TEXTURE_2D, m_pFlare->GetSpriteTexture(i));
        GLint nWidth = -1, nHeight = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &nWidth);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &nHeight);
        EXPECT_EQ(nWidth, 1) << "sprite " << i;
        EXPECT_EQ(nHeight, 1) << "sprite " << i;
    }

    // An empty sprite adds nothing; the others show as before.
    DrawHeadOn();                                 // sprites 0, 1, 2
    std::array<uint8_t, 4> pixel = DrawHeadOn();  // sprites 3, 4, 5
    EXPECT_EQ(pixel[2], 0);
    EXPECT_EQ(SpriteOf(pixel[1]), 4);
    EXPECT_EQ(SpriteOf(pixel[0]), 5);
    pixel = DrawHeadOn();  // sprites 6, 7, 8
    EXPECT_EQ(SpriteOf(pixel[2]), 6);
    EXPECT_EQ(pixel[1], 0);
    EXPECT_EQ(SpriteOf(pixel[0]), 8);
}

TEST_F(FlareTest, AMissingSpriteEndsTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::filesystem::remove(m_dir / SpriteName(5));
    EXPECT_EXIT(MakeFlare(), ::testing::ExitedWithCode(1), "Shine5\\.bw: No such file or directory");
}

}  // namespace

// FlareTest: the flare's vector functions, sprites, light and squares, against real OpenGL.
#include "render/Flare.h"  // the class under test

#include "HeadlessGl.h"            // real OpenGL context, feedback capture, read-back
#include "RenderTestTools.h"       // sprite files, working directory, feedback quads
#include "TempDir.h"               // scratch directory, ImageMagick through RunCommand
#include "platform/Diagnostics.h"  // capturing the trace

#include <GL/gl.h>  // state queries

#include <array>   // std::array for vectors
#include <cmath>   // std::sqrt, std::abs
#include <memory>  // std::unique_ptr for the flare and lights
#include <string>  // std::string for case names
#include <vector>  // std::vector for quads and lights

namespace
{

using namespace cubatro::test;
using Vec3 = std::array<float, 3>;
using Vec4 = std::array<float, 4>;

TEST(FlareVectorTest, TripleFunctions)
{
    float a[3] = {1, -2, 3}, b[3] = {0.5f, 4, -1}, out[3];
    VectorAdd(out, a, b);
    EXPECT_EQ(std::to_array(out), (Vec3{1.5f, 2, 2}));
    VectorSub(out, a, b);
    EXPECT_EQ(std::to_array(out), (Vec3{0.5f, -6, 4}));
    VectorScale(out, a, -0.5f);
    EXPECT_EQ(std::to_array(out), (Vec3{-0.5f, 1, -1.5f}));
    EXPECT_FLOAT_EQ(VectorDot(a, b), -10.5f);
    EXPECT_FLOAT_EQ(VectorLength(a), std::sqrt(14.0f));
    VectorCross(a, a, b);  // into an operand
    EXPECT_EQ(std::to_array(a), (Vec3{-10, 2.5f, 5}));
    VectorCopy(out, a);
    EXPECT_EQ(std::to_array(out), (Vec3{-10, 2.5f, 5}));
    float v[3] = {3, 0, -4};
    VectorNormalize(v);
    EXPECT_EQ(std::to_array(v), (Vec3{0.6f, 0, -0.8f}));
}

// Sprite i is a uniform 8 × 4 image of level 40 + 20 i, so that the middle pixel, where the
// blue, green and red squares add up, tells which sprite each of them showed.
class FlareTest : public CGlTest
{
protected:
    void SetUp() override
    {
        CGlTest::SetUp();
        for (int i = 0; i < CFlare::s_nSprites; ++i)
            m_dir.Write(
                SpriteName(i),
                SgiLuminance(8, 4, [i](int, int) { return static_cast<unsigned char>(40 + 20 * i); }));
        m_pWorkingDir = std::make_unique<CWorkingDir>(m_dir.Path());
        SceneProjection();
    }
    void TearDown() override
    {
        m_pFlare.reset();
        m_pWorkingDir.reset();
        CGlTest::TearDown();
    }
    void MakeFlare(Vec3 at = {1, 0.5f, -1})
    {
        m_pFlare = std::make_unique<CFlare>(at.data(), 0.3f, 0.7f, 0.7f);
    }
    std::vector<SFeedbackQuad> Capture(const Vec3& eye)
    {
        return QuadsOf(Feedback([&] { m_pFlare->Draw(eye.data()); }));
    }
    // One frame with the flare at (0, 0, -1) head on; the sprites of its blue, green, red squares.
    std::array<int, 3> SpritesOfFrame()
    {
        glClear(GL_COLOR_BUFFER_BIT);
        const Vec3 eye{0, 0, 3};
        m_pFlare->Draw(eye.data());
        const auto pixel = PixelAt(s_nSize / 2, s_nSize / 2);
        auto sprite = [](int nLevel) { return nLevel == 0 ? -1 : (nLevel - 40 + 10) / 20; };
        return {sprite(pixel[2]), sprite(pixel[1]), sprite(pixel[0])};
    }
    static Vec4 Light(GLenum what)
    {
        Vec4 v{};
        glGetLightfv(GL_LIGHT1, what, v.data());
        return v;
    }

    CTempDir m_dir;
    std::unique_ptr<CWorkingDir> m_pWorkingDir;
    std::unique_ptr<CFlare> m_pFlare;
};

TEST_F(FlareTest, SpritesAndLight)
{
    const Vec4 mainAt{3, 3, -3, 1};
    auto pMain = std::make_unique<CLight>(mainAt.data());
    MakeFlare();
    GLint nAlignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &nAlignment);
    EXPECT_EQ(nAlignment, 1);
    for (int i = 0; i < CFlare::s_nSprites; ++i)
    {
        ASSERT_TRUE(glIsTexture(m_pFlare->GetSpriteTexture(i)));
        glBindTexture(GL_TEXTURE_2D, m_pFlare->GetSpriteTexture(i));
        GLint nWidth = 0, nHeight = 0, nLuminance = 0, nSmallest = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &nWidth);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &nHeight);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_LUMINANCE_SIZE, &nLuminance);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &nSmallest);
        EXPECT_EQ(std::to_array({nWidth, nHeight, nLuminance, nSmallest}), std::to_array({8, 4, 8, 1})) << i;
    }

    // The next unit, grey light, no specular, positional from the first SetPosition on.
    ASSERT_EQ(m_pFlare->GetLight()->GetSlot(), 1);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    EXPECT_EQ(Light(GL_AMBIENT), (Vec4{0.7f, 0.7f, 0.7f, 1}));
    EXPECT_EQ(Light(GL_DIFFUSE), (Vec4{0.7f, 0.7f, 0.7f, 1}));
    EXPECT_EQ(Light(GL_SPECULAR), (Vec4{0, 0, 0, 1}));
    EXPECT_EQ(Light(GL_POSITION), (Vec4{1, 0.5f, -1, 0}));
    EXPECT_EQ(Light(GL_QUADRATIC_ATTENUATION)[0], 0.7f);
    glTranslatef(0, 0, -5);
    const Vec3 to{2, 1, -3};
    m_pFlare->SetPosition(to.data());
    EXPECT_EQ(Light(GL_POSITION), (Vec4{2, 1, -8, 1}));
    m_pFlare.reset();
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1) || CLight::IsUsed(1));
}

TEST_F(FlareTest, WithoutAFreeLightUnitNothingGoesWrong)
{
    GLint nMax = 0;
    glGetIntegerv(GL_MAX_LIGHTS, &nMax);
    std::vector<std::unique_ptr<CLight>> lights;
    for (GLint i = 0; i < nMax; ++i)
        lights.push_back(std::make_unique<CLight>(Vec4{0, 0, 0, 1}.data()));
    MakeFlare();
    const Vec3 to{2, 1, -3};
    m_pFlare->SetPosition(to.data());
    EXPECT_FALSE(m_pFlare->GetLight()->IsValid());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    m_pFlare.reset();
}

// Eye (1, 0.5, 2), flare (1, 0.5, -1): three squares in the x-y plane, 0.3 on a side around the
// flare, blue, green and red, corners from the lower left counter-clockwise.
TEST_F(FlareTest, HeadOnSquares)
{
    MakeFlare();
    const std::vector<SFeedbackQuad> squares = Capture({1, 0.5f, 2});
    ASSERT_EQ(squares.size(), 3u);
    const Vec4 colours[3] = {{0, 0, 1, 1}, {0, 1, 0, 1}, {1, 0, 0, 1}};
    const Vec3 corners[4] = {{0.85f, 0.35f, -1}, {1.15f, 0.35f, -1}, {1.15f, 0.65f, -1}, {0.85f, 0.65f, -1}};
    const Vec4 tex[4] = {{0, 0, 0, 1}, {1, 0, 0, 1}, {1, 1, 0, 1}, {0, 1, 0, 1}};
    for (size_t i = 0; i < 3; ++i)
        for (size_t k = 0; k < 4; ++k)
        {
            const Vec3 p = SceneOf(squares[i][k]);
            for (size_t a = 0; a < 3; ++a)
                EXPECT_NEAR(p[a], corners[k][a], 1e-4f) << "square " << i << " corner " << k;
            EXPECT_EQ(squares[i][k].color, colours[i]);
            EXPECT_EQ(squares[i][k].tex, tex[k]);
        }
}

// Wherever the eye is, each square is 0.3 on a side around the flare, with a level lower edge,
// counter-clockwise seen from the eye; straight above, below or on the flare no facing exists
// and the frame draws nothing, keeps the sprite turn and changes no state.
struct SEyeCase
{
    const char* pszName;
    Vec3 eye;  // relative to the flare
    bool bDraws;
};

class FlareEyeTest : public FlareTest, public ::testing::WithParamInterface<SEyeCase>
{
};

TEST_P(FlareEyeTest, SquaresFaceTheEye)
{
    MakeFlare({0, 0, 0});
    glEnable(GL_LIGHTING);
    const std::vector<SFeedbackQuad> squares = Capture(GetParam().eye);
    EXPECT_EQ(squares.size(), GetParam().bDraws ? 3u : 0u);
    EXPECT_EQ(m_pFlare->GetCurrentSprite(), GetParam().bDraws ? 3 : 0);
    EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), GetParam().bDraws);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && !glIsEnabled(GL_BLEND));
    GLint nDepthFunc = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &nDepthFunc);
    EXPECT_EQ(nDepthFunc, GetParam().bDraws ? GL_LEQUAL : GL_LESS);
    for (const SFeedbackQuad& square : squares)
    {
        Vec3 c[4], across, up, normal;
        for (size_t k = 0; k < 4; ++k)
            c[k] = SceneOf(square[k]);
        VectorSub(across.data(), c[1].data(), c[0].data());
        VectorSub(up.data(), c[2].data(), c[1].data());
        VectorCross(normal.data(), across.data(), up.data());
        const Vec3& eye = GetParam().eye;
        for (size_t a = 0; a < 3; ++a)
            EXPECT_NEAR(c[0][a] + c[2][a], 0.0f, 1e-4f);  // centred on the flare
        EXPECT_NEAR(VectorLength(across.data()), 0.3f, 1e-4f);
        EXPECT_NEAR(VectorLength(up.data()), 0.3f, 1e-4f);
        EXPECT_NEAR(VectorDot(across.data(), eye.data()), 0.0f, 1e-4f);
        EXPECT_NEAR(VectorDot(up.data(), eye.data()), 0.0f, 1e-4f);
        EXPECT_NEAR(across[1], 0.0f, 1e-4f);
        EXPECT_GT(VectorDot(normal.data(), eye.data()), 0.0f);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Eyes, FlareEyeTest,
    ::testing::Values(SEyeCase{"Front", {0, 0, 3}, true}, SEyeCase{"Behind", {0, 0, -3}, true},
                      SEyeCase{"Right", {3, 0, 0}, true}, SEyeCase{"Oblique", {2, 2, 1}, true},
                      SEyeCase{"LowLeftBehind", {-1, -1.5f, -2}, true},
                      SEyeCase{"NearlyOverhead", {0.001f, 3, 0}, true}, SEyeCase{"Above", {0, 2, 0}, false},
                      SEyeCase{"Below", {0, -0.25f, 0}, false}, SEyeCase{"OnIt", {0, 0, 0}, false}),
    [](const ::testing::TestParamInfo<SEyeCase>& param) { return std::string(param.param.pszName); });

TEST_F(FlareTest, EachFrameMovesEverySquareThreeSpritesOn)
{
    MakeFlare({0, 0, -1});
    for (int nFrame = 0; nFrame < 11; ++nFrame)  // 0, 1, 2 / 3, 4, 5 / ... / 9, 0, 1 / ...
    {
        const int n = 3 * nFrame;
        EXPECT_EQ(SpritesOfFrame(), (std::array<int, 3>{n % 10, (n + 1) % 10, (n + 2) % 10}))
            << "frame " << nFrame;
    }
}

TEST_F(FlareTest, ASpriteThatIsNotASingleChannelImageStaysEmpty)
{
    ASSERT_EQ(
        RunCommand("convert -size 8x4 xc:'rgb(200,100,50)' -type TrueColor sgi:" + (m_dir / SpriteName(3))),
        0);
    m_dir.Write(SpriteName(7), SgiLuminance(0, 4, [](int, int) { return 0; }));  // no pixels
    plat::CDiagnosticsCapture capture;
    MakeFlare({0, 0, -1});
    EXPECT_EQ(capture.TraceText(),
              "CFlare: Gfx\\Shine3.bw is not a single-channel image, its sprite stays empty\n"
              "CFlare: Gfx\\Shine7.bw is not a single-channel image, its sprite stays empty\n");
    SpritesOfFrame();
    EXPECT_EQ(SpritesOfFrame(), (std::array<int, 3>{-1, 4, 5}));  // an empty sprite adds nothing
    EXPECT_EQ(SpritesOfFrame(), (std::array<int, 3>{6, -1, 8}));
}

TEST_F(FlareTest, AMissingSpriteEndsTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::filesystem::remove(m_dir / SpriteName(5));
    EXPECT_EXIT(MakeFlare(), ::testing::ExitedWithCode(1), "Shine5\\.bw: No such file or directory");
}

}  // namespace

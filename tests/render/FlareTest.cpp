// FlareTest: the flare's vector functions, sprites, light and squares, against real OpenGL.
#include "render/Flare.h"  // the class under test

#include "RenderTestTools.h"       // OpenGL fixture, sprite files, working directory, feedback quads
#include "platform/Diagnostics.h"  // capturing the trace

#include <cmath>  // std::sqrt

namespace
{

using namespace cubatro::test;
using Vec3 = std::array<float, 3>;
using Vec4 = std::array<float, 4>;

TEST(FlareVectorTest, TripleFunctions)
{
    float a[3] = {1, -2, 3}, b[3] = {0.5f, 4, -1}, sum[3], difference[3], scaled[3], v[3] = {3, 0, -4};
    VectorAdd(sum, a, b);
    VectorSub(difference, a, b);
    VectorScale(scaled, a, -0.5f);
    VectorNormalize(v);
    EXPECT_EQ(std::to_array(
                  {std::to_array(sum), std::to_array(difference), std::to_array(scaled), std::to_array(v)}),
              (std::array<Vec3, 4>{{{1.5f, 2, 2}, {0.5f, -6, 4}, {-0.5f, 1, -1.5f}, {0.6f, 0, -0.8f}}}));
    EXPECT_FLOAT_EQ(VectorDot(a, b), -10.5f);
    EXPECT_FLOAT_EQ(VectorLength(a), std::sqrt(14.0f));
    VectorCross(a, a, b);  // into an operand
    VectorCopy(b, a);
    EXPECT_EQ(std::to_array(b), (Vec3{-10, 2.5f, 5}));
}

// Sprite i is a uniform 8 × 4 image of level 40 + 20 i, so that the middle pixel, where the
// blue, green and red squares add up, tells which sprite each of them showed.
class FlareTest : public CGlTest
{
protected:
    void SetUp() override
    {
        CGlTest::SetUp();
        std::string levels = "-size 8x4";
        for (int i = 0; i < CFlare::s_nSprites; ++i)
            levels += " xc:'gray(" + std::to_string(40 + 20 * i) + ")'";
        ASSERT_EQ(MakeSprites(m_dir, levels), 0);
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
    std::array<int, 3> SpritesOfFrame()  // one frame head on, flare at (0, 0, -1): blue, green, red sprites
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
    CLight main(mainAt.data());
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
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &nSmallest);  // mipmaps down to 1 × 1
        EXPECT_EQ(std::to_array({nWidth, nHeight, nLuminance, nSmallest}), std::to_array({8, 4, 8, 1})) << i;
    }

    // The next unit, grey light, no specular, positional from the first SetPosition on.
    ASSERT_EQ(m_pFlare->GetLight()->GetSlot(), 1);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    EXPECT_EQ(std::to_array({Light(GL_AMBIENT), Light(GL_DIFFUSE), Light(GL_SPECULAR), Light(GL_POSITION)}),
              (std::array<Vec4, 4>{
                  {{0.7f, 0.7f, 0.7f, 1}, {0.7f, 0.7f, 0.7f, 1}, {0, 0, 0, 1}, {1, 0.5f, -1, 0}}}));
    EXPECT_EQ(Light(GL_QUADRATIC_ATTENUATION)[0], 0.7f);
    glTranslatef(0, 0, -5);
    const Vec3 to{2, 1, -3};
    m_pFlare->SetPosition(to.data());
    m_pFlare->SetPosition(nullptr);  // changes nothing
    EXPECT_EQ(Light(GL_POSITION), (Vec4{2, 1, -8, 1}));
    m_pFlare.reset();
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1) || CLight::IsUsed(1));
}

TEST_F(FlareTest, WithoutAFreeLightUnitNothingGoesWrong)
{
    std::vector<std::unique_ptr<CLight>> lights;
    do
        lights.push_back(std::make_unique<CLight>(Vec4{0, 0, 0, 1}.data()));
    while (lights.back()->IsValid());
    MakeFlare();
    m_pFlare->SetPosition(Vec3{2, 1, -3}.data());
    EXPECT_FALSE(m_pFlare->GetLight()->IsValid());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Wherever the eye is, the squares are blue, green and red, 0.3 on a side around the flare, with
// a level lower edge, counter-clockwise seen from the eye from the lower left corner, texture
// coordinates following. Straight above, below or on the flare no facing exists: the frame draws
// nothing, keeps the sprite turn and changes no state.
TEST_F(FlareTest, SquaresFaceTheEye)
{
    const struct
    {
        Vec3 eye;  // relative to the flare
        bool bDraws;
    } cases[] = {{{0, 0, 3}, true},  {{2, 2, 1}, true},       {{-1, -1.5f, -2}, true}, {{0.001f, 3, 0}, true},
                 {{0, 2, 0}, false}, {{0, -0.25f, 0}, false}, {{0, 0, 0}, false}};
    const Vec4 colours[3] = {{0, 0, 1, 1}, {0, 1, 0, 1}, {1, 0, 0, 1}};
    const Vec4 tex[4] = {{0, 0, 0, 1}, {1, 0, 0, 1}, {1, 1, 0, 1}, {0, 1, 0, 1}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << "eye " << c.eye[0] << ", " << c.eye[1] << ", " << c.eye[2]);
        MakeFlare({0, 0, 0});
        glDisable(GL_TEXTURE_2D);
        glEnable(GL_LIGHTING);
        glDepthFunc(GL_LESS);
        const std::vector<SFeedbackQuad> squares = QuadsOf(Feedback([&] { m_pFlare->Draw(c.eye.data()); }));
        ASSERT_EQ(squares.size(), c.bDraws ? 3u : 0u);
        EXPECT_EQ(m_pFlare->GetCurrentSprite(), c.bDraws ? 3 : 0);
        EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), c.bDraws);
        EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && !glIsEnabled(GL_BLEND));
        GLint nDepthFunc = 0;
        glGetIntegerv(GL_DEPTH_FUNC, &nDepthFunc);
        EXPECT_EQ(nDepthFunc, c.bDraws ? GL_LEQUAL : GL_LESS);
        for (size_t i = 0; i < squares.size(); ++i)
        {
            Vec3 p[4], across, up, normal;
            for (size_t k = 0; k < 4; ++k)
            {
                p[k] = SceneOf(squares[i][k]);
                EXPECT_EQ(squares[i][k].color, colours[i]);
                EXPECT_EQ(squares[i][k].tex, tex[k]);
            }
            VectorSub(across.data(), p[1].data(), p[0].data());
            VectorSub(up.data(), p[2].data(), p[1].data());
            VectorCross(normal.data(), across.data(), up.data());
            for (size_t a = 0; a < 3; ++a)
                EXPECT_NEAR(p[0][a] + p[2][a], 0.0f, 1e-4f);  // centred on the flare
            EXPECT_NEAR(VectorLength(across.data()), 0.3f, 1e-4f);
            EXPECT_NEAR(VectorLength(up.data()), 0.3f, 1e-4f);
            EXPECT_NEAR(VectorDot(across.data(), c.eye.data()), 0.0f, 1e-4f);
            EXPECT_NEAR(VectorDot(up.data(), c.eye.data()), 0.0f, 1e-4f);
            EXPECT_NEAR(across[1], 0.0f, 1e-4f);
            EXPECT_GT(up[1], 0.0f);
            EXPECT_GT(VectorDot(normal.data(), c.eye.data()), 0.0f);
        }
    }
}

TEST_F(FlareTest, EachFrameMovesEverySquareThreeSpritesOn)
{
    MakeFlare({0, 0, -1});
    for (int n = 0; n < 33; n += 3)  // 0, 1, 2 / 3, 4, 5 / ... / 9, 0, 1 / ...
        EXPECT_EQ(SpritesOfFrame(), (std::array<int, 3>{n % 10, (n + 1) % 10, (n + 2) % 10}))
            << "frame " << n / 3;
}

// A sprite file holding three channels or 16-bit samples gives an empty sprite, which adds nothing.
TEST_F(FlareTest, ASpriteThatIsNotASingleChannelImageStaysEmpty)
{
    ASSERT_EQ(
        RunCommand("convert -size 8x4 xc:'rgb(200,100,50)' -type TrueColor sgi:" + (m_dir / "Gfx/Shine3.bw")),
        0);
    ASSERT_EQ(
        RunCommand("convert -size 8x4 xc:gray50 -depth 16 -type Grayscale sgi:" + (m_dir / "Gfx/Shine7.bw")),
        0);
    plat::CDiagnosticsCapture capture;
    MakeFlare({0, 0, -1});
    EXPECT_EQ(capture.TraceText(),
              "CFlare: Gfx\\Shine3.bw is not a single-channel image, its sprite stays empty\n"
              "CFlare: Gfx\\Shine7.bw is not a single-channel image, its sprite stays empty\n");
    SpritesOfFrame();
    EXPECT_EQ(SpritesOfFrame(), (std::array<int, 3>{-1, 4, 5}));
    EXPECT_EQ(SpritesOfFrame(), (std::array<int, 3>{6, -1, 8}));
}

TEST_F(FlareTest, AMissingSpriteEndsTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::filesystem::remove(m_dir / "Gfx/Shine5.bw");
    EXPECT_EXIT(MakeFlare(), ::testing::ExitedWithCode(1), "Shine5\\.bw: No such file or directory");
}

}  // namespace

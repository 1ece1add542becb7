// FlareTest: the flare's sprites, light and squares, against real OpenGL.
#include "render/Flare.h"  // the class under test

#include "RenderTestTools.h"       // OpenGL fixture, sprite files, working directory, feedback quads
#include "platform/Diagnostics.h"  // capturing the trace

namespace
{

using namespace cubatro::test;
using Vec3 = std::array<float, 3>;
using Vec4 = std::array<float, 4>;

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
        SceneProjection();
    }
    static std::unique_ptr<CFlare> Make(Vec3 at = {0, 0, -1})
    {
        return std::make_unique<CFlare>(at.data(), 0.3f, 0.7f, 0.7f);
    }
    std::array<int, 3>
    SpritesOfFrame(CFlare& flare)  // one frame head on: sprites of the blue, green, red squares
    {
        glClear(GL_COLOR_BUFFER_BIT);
        flare.Draw(Vec3{0, 0, 3}.data());
        const auto pixel = PixelAt(s_nSize / 2, s_nSize / 2);
        auto sprite = [](int nLevel) { return nLevel == 0 ? -1 : (nLevel - 30) / 20; };
        return {sprite(pixel[2]), sprite(pixel[1]), sprite(pixel[0])};
    }

    CTempDir m_dir;
    CWorkingDir m_workingDir{m_dir.Path()};  // the sprites are found relative to it
};

// The flare takes the next light unit: grey, no specular, a direction until the first SetPosition.
TEST_F(FlareTest, SpritesTakeTurnsAndTheLightFollows)
{
    CLight main(Vec4{3, 3, -3, 1}.data());
    auto pFlare = Make();
    GLint nAlignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &nAlignment);
    EXPECT_EQ(nAlignment, 1);
    for (int i = 0; i < CFlare::s_nSprites; ++i)
        EXPECT_TRUE(glIsTexture(pFlare->GetSpriteTexture(i))) << i;
    for (int n = 0; n < 33; n += 3)  // 0, 1, 2 / 3, 4, 5 / ... / 9, 0, 1 / ...
        EXPECT_EQ(SpritesOfFrame(*pFlare), (std::array<int, 3>{n % 10, (n + 1) % 10, (n + 2) % 10})) << n / 3;

    ASSERT_EQ(pFlare->GetLight()->GetSlot(), 1);
    std::array<Vec4, 5> light{};
    const GLenum parameters[5] = {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_POSITION, GL_QUADRATIC_ATTENUATION};
    for (size_t i = 0; i < 5; ++i)
        glGetLightfv(GL_LIGHT1, parameters[i], light[i].data());
    EXPECT_EQ(
        light,
        (std::array<Vec4, 5>{
            {{0.7f, 0.7f, 0.7f, 1}, {0.7f, 0.7f, 0.7f, 1}, {0, 0, 0, 1}, {0, 0, -1, 0}, {0.7f, 0, 0, 0}}}));
    glTranslatef(0, 0, -5);
    pFlare->SetPosition(Vec3{2, 1, -3}.data());
    pFlare->SetPosition(nullptr);  // changes nothing
    glGetLightfv(GL_LIGHT1, GL_POSITION, light[0].data());
    EXPECT_EQ(light[0], (Vec4{2, 1, -8, 1}));
}

TEST_F(FlareTest, WithoutAFreeLightUnitNothingGoesWrong)
{
    std::vector<std::unique_ptr<CLight>> lights;
    do
        lights.push_back(std::make_unique<CLight>(Vec4{0, 0, 0, 1}.data()));
    while (lights.back()->IsValid());
    auto pFlare = Make();
    pFlare->SetPosition(Vec3{2, 1, -3}.data());
    EXPECT_FALSE(pFlare->GetLight()->IsValid());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Wherever the eye is, the squares are blue, green and red, 0.3 on a side around the flare, with
// a level lower edge, counter-clockwise seen from the eye from the lower left corner, texture
// coordinates following. Straight above, below or on the flare no facing exists: the frame draws
// nothing, keeps the sprite turn and changes no state.
TEST_F(FlareTest, SquaresFaceTheEye)
{
    const Vec3 eyes[] = {{0, 0, 3}, {2, 2, 1},      {-1, -1.5f, -2}, {0.001f, 3, 0},
                         {0, 2, 0}, {0, -0.25f, 0}, {0, 0, 0}};
    const Vec4 colours[3] = {{0, 0, 1, 1}, {0, 1, 0, 1}, {1, 0, 0, 1}};
    const Vec4 tex[4] = {{0, 0, 0, 1}, {1, 0, 0, 1}, {1, 1, 0, 1}, {0, 1, 0, 1}};
    for (const Vec3& eye : eyes)
    {
        SCOPED_TRACE(::testing::Message() << "eye " << eye[0] << ", " << eye[1] << ", " << eye[2]);
        const bool bDraws = eye[0] != 0 || eye[2] != 0;
        auto pFlare = Make({0, 0, 0});
        glDisable(GL_TEXTURE_2D);
        glDepthFunc(GL_LESS);
        const std::vector<SFeedbackQuad> squares = QuadsOf(Feedback([&] { pFlare->Draw(eye.data()); }));
        ASSERT_EQ(squares.size(), bDraws ? 3u : 0u);
        GLint nDepthFunc = 0;
        glGetIntegerv(GL_DEPTH_FUNC, &nDepthFunc);
        EXPECT_TRUE(pFlare->GetCurrentSprite() == (bDraws ? 3 : 0) && glIsEnabled(GL_TEXTURE_2D) == bDraws &&
                    nDepthFunc == (bDraws ? GL_LEQUAL : GL_LESS));
        for (size_t i = 0; i < squares.size(); ++i)
        {
            Vec3 p[4], across, up, normal;
            for (size_t k = 0; k < 4; ++k)
            {
                p[k] = SceneOf(squares[i][k]);
                EXPECT_TRUE(squares[i][k].color == colours[i] && squares[i][k].tex == tex[k]) << i << k;
            }
            VectorSub(across.data(), p[1].data(), p[0].data());
            VectorSub(up.data(), p[2].data(), p[1].data());
            VectorCross(normal.data(), across.data(), up.data());
            for (size_t a = 0; a < 3; ++a)
                EXPECT_NEAR(p[0][a] + p[2][a], 0.0f, 1e-4f);  // centred on the flare
            EXPECT_NEAR(VectorLength(across.data()), 0.3f, 1e-4f);
            EXPECT_NEAR(VectorLength(up.data()), 0.3f, 1e-4f);
            EXPECT_NEAR(VectorDot(across.data(), eye.data()), 0.0f, 1e-4f);
            EXPECT_NEAR(VectorDot(up.data(), eye.data()), 0.0f, 1e-4f);
            EXPECT_NEAR(across[1], 0.0f, 1e-4f);
            EXPECT_TRUE(up[1] > 0 && VectorDot(normal.data(), eye.data()) > 0);
        }
    }
}

// A sprite file holding three channels or 16-bit samples gives an empty sprite, which adds nothing.
TEST_F(FlareTest, ASpriteThatIsNotASingleChannelImageStaysEmpty)
{
    const std::string convert = "convert -size 8x4 ";
    ASSERT_EQ(RunCommand(convert + "xc:'rgb(200,100,50)' -type TrueColor sgi:" + (m_dir / "Gfx/Shine3.bw")),
              0);
    ASSERT_EQ(RunCommand(convert + "xc:gray50 -depth 16 -type Grayscale sgi:" + (m_dir / "Gfx/Shine7.bw")),
              0);
    plat::CDiagnosticsCapture capture;
    auto pFlare = Make();
    EXPECT_EQ(capture.TraceText(),
              "CFlare: Gfx\\Shine3.bw is not a single-channel image, its sprite stays empty\n"
              "CFlare: Gfx\\Shine7.bw is not a single-channel image, its sprite stays empty\n");
    SpritesOfFrame(*pFlare);
    EXPECT_EQ(SpritesOfFrame(*pFlare), (std::array<int, 3>{-1, 4, 5}));
    EXPECT_EQ(SpritesOfFrame(*pFlare), (std::array<int, 3>{6, -1, 8}));
}

TEST_F(FlareTest, AMissingSpriteEndsTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::filesystem::remove(m_dir / "Gfx/Shine5.bw");
    EXPECT_EXIT(Make(), ::testing::ExitedWithCode(1), "Shine5\\.bw: No such file or directory");
}

}  // namespace

// RollingCubeTest: the block's movement and row drops, hits and fading, what its Draw sends to
// OpenGL, and long steps.
#include "WorldTestSupport.h"  // CWorldTest with the floor and block

#include <climits>  // INT_MAX for the longest steps
#include <cmath>    // cos, sin and NAN
#include <numbers>  // pi for the roll angle

namespace cubatro::test
{
namespace
{

class CRollingCubeTest : public CWorldTest
{
protected:
    void SetUp() override
    {
        CWorldTest::SetUp();
        MakeScene(false);
    }
    int CountNotIntact() const
    {
        int n = 0;
        for (int c = 0; c < 5; ++c)
            for (int r = 0; r < 7; ++r)
                n += m_pCubes->GetValue(c, r) != CRollingCube::s_nIntact;
        return n;
    }
};

struct SPlaceCase
{
    int nMs;     // time of the block
    float x, z;  // the point asked about
    bool bCube;  // IsCubeAt's answer
};

class CBlockPlaceTest : public CRollingCubeTest, public ::testing::WithParamInterface<SPlaceCase>
{
};

TEST_P(CBlockPlaceTest, IntactCubesRestOnWholeCellsBetweenSteps)
{
    const SPlaceCase& c = GetParam();
    m_pCubes->Update(c.nMs, m_pSol.get());
    EXPECT_EQ(m_pCubes->GetSteps(), c.nMs / s_nStepMs);
    EXPECT_EQ(m_pCubes->IsCubeAt(c.x, c.z), c.bCube);
}

INSTANTIATE_TEST_SUITE_P(
    Points, CBlockPlaceTest,
    ::testing::Values(SPlaceCase{0, 0.5f, -25.5f, true}, SPlaceCase{0, 0.5f, -24.5f, false},
                      SPlaceCase{0, 4.99f, -31.99f, true}, SPlaceCase{0, 5.0f, -25.5f, false},
                      SPlaceCase{0, -0.01f, -25.5f, false}, SPlaceCase{0, 0.5f, -32.01f, false},
                      SPlaceCase{6749, 0.5f, -24.5f, false}, SPlaceCase{6749, 0.5f, -25.5f, true},
                      SPlaceCase{6750, 0.5f, -24.5f, true}, SPlaceCase{6750, 0.5f, -31.5f, false},
                      SPlaceCase{67500, 2.5f, -15.5f, true}, SPlaceCase{67500, 2.5f, -14.5f, false},
                      SPlaceCase{0, NAN, -25.5f, false}, SPlaceCase{0, 0.5f, NAN, false},
                      SPlaceCase{0, 1e30f, -1e30f, false}));

TEST_F(CRollingCubeTest, HitCubesFadeToGoneAndStopBlocking)
{
    EXPECT_TRUE(m_pCubes->Hit(0, 0));
    EXPECT_EQ(m_pCubes->GetValue(0, 0), 0xFFFFE);
    EXPECT_FALSE(m_pCubes->IsCubeAt(0.5f, -25.5f));
    EXPECT_TRUE(m_pCubes->Hit(0, 0));  // already fading: true, nothing changes
    EXPECT_EQ(m_pCubes->GetValue(0, 0), 0xFFFFE);
    for (const auto& cell : {std::pair{5, 0}, std::pair{0, -1}, std::pair{0, 7}, std::pair{-1, 3}})
        EXPECT_FALSE(m_pCubes->Hit(cell.first, cell.second)) << cell.first << ", " << cell.second;
    EXPECT_EQ(CountNotIntact(), 1);

    m_pCubes->Update(500, m_pSol.get());
    EXPECT_EQ(m_pCubes->GetValue(0, 0), 548574);
    SetOrtho(-1, 6, -2, 3, -1, 40);
    const size_t nAll = Polygons(Feedback([&] { m_pCubes->Draw(); }));
    m_pCubes->Update(600, m_pSol.get());
    EXPECT_EQ(m_pCubes->GetValue(0, 0), 0);
    EXPECT_TRUE(m_pCubes->Hit(0, 0));  // gone: still inside the block
    EXPECT_EQ(m_pCubes->GetValue(0, 0), 0);
    EXPECT_EQ(Polygons(Feedback([&] { m_pCubes->Draw(); })) * 35, nAll * 34);
}

TEST_F(CRollingCubeTest, DestroyAtHitsTheCubeRestingOnTheCellOfThePoint)
{
    EXPECT_FALSE(m_pCubes->DestroyAt(2.0f, -20.0f));  // the block is still beyond the floor
    EXPECT_FALSE(m_pCubes->DestroyAt(1e30f, -25.5f));
    EXPECT_FALSE(m_pCubes->DestroyAt(2.0f, NAN));
    EXPECT_EQ(CountNotIntact(), 0);
    m_pCubes->Update(3 * s_nStepMs, m_pSol.get());   // front row on floor row 22
    EXPECT_TRUE(m_pCubes->DestroyAt(2.0f, -22.0f));  // the corner of tile (2, 22)
    EXPECT_TRUE(m_pCubes->DestroyAt(4.0f, -28.0f));  // six rows further back
    EXPECT_EQ(m_pCubes->GetValue(2, 0), 0xFFFFE);
    EXPECT_EQ(m_pCubes->GetValue(4, 6), 0xFFFFE);
    EXPECT_EQ(CountNotIntact(), 2);
}

struct SDropCase
{
    std::vector<int> vSteps;  // successive updates
    std::vector<int> vFirst;  // the floor's first standing row after each
};

class CRowDropTest : public CRollingCubeTest, public ::testing::WithParamInterface<SDropCase>
{
};

TEST_P(CRowDropTest, OneRowDropsPerUpdateOnceTheBlockHasPassed)
{
    const SDropCase& c = GetParam();
    for (size_t n = 0; n < c.vSteps.size(); ++n)
    {
        m_pCubes->Update(c.vSteps[n], m_pSol.get());
        EXPECT_EQ(m_pSol->GetFirstStandingRow(), c.vFirst[n])
            << "update " << n << ", k " << m_pCubes->GetSteps();
    }
}

INSTANTIATE_TEST_SUITE_P(Steps, CRowDropTest,
                         ::testing::Values(
                             // k reaches 24, 25 (nothing yet), 25 still, 26 (row 0), 27 (row 1).
                             SDropCase{{24 * 6750, 6750, 6749, 1, 6750}, {0, 0, 0, 1, 2}},
                             // One update from k = 25 to 27 drops one row; the next update catches up.
                             SDropCase{{25 * 6750, 2 * 6750, 1, 1}, {0, 1, 2, 2}},
                             // Far past the floor: one row per update, however long the steps.
                             SDropCase{{100 * 6750, 0, 0, 0}, {1, 2, 3, 4}}));

TEST_F(CRollingCubeTest, TippedJustShortOfAQuarterTurnThenUprightOneTileOn)
{
    m_pCubes = std::make_unique<CRollingCube>(1, 1, 1.0f, m_strTexture, 0.0f, 0.0f, 0.0f);
    SetOrtho(-2, 2, -2, 2, -4, 4);
    m_pCubes->Update(s_nStepMs - 1, nullptr);
    EXPECT_NEAR(m_pCubes->GetRollAngle(), 89.98667, 1e-4);
    const auto tipped = Feedback([&] { m_pCubes->Draw(); });
    // Turned about its front bottom edge: the top back edge (y 1, z -1) has come over to
    // (cos + sin, sin - cos), the back bottom edge to (sin, -cos).
    const float fCos = static_cast<float>(std::cos((s_nStepMs - 1) / 75.0 * std::numbers::pi / 180.0));
    const float fSin = static_cast<float>(std::sin((s_nStepMs - 1) / 75.0 * std::numbers::pi / 180.0));
    ExpectBox(BoxOf(tipped), {0, 1, 0, fCos + fSin, -fCos, fSin}, 2e-5f);
    EXPECT_GT(BoxOf(tipped).max[1], 1.0001f);

    m_pCubes->Update(1, nullptr);
    EXPECT_EQ(m_pCubes->GetSteps(), 1);
    const auto upright = Feedback([&] { m_pCubes->Draw(); });
    ExpectBox(BoxOf(upright), {0, 1, 0, 1, 0, 1}, 2e-5f);

    // The motion is continuous: the cube's own quarter turn keeps every face where the roll
    // left it, texture coordinates included.
    ASSERT_EQ(Polygons(tipped), Polygons(upright));
    auto same = [&](const SFeedbackPrimitive& p, const SFeedbackPrimitive& q)
    {
        bool b = p.vertices.size() == q.vertices.size();
        for (size_t v = 0; b && v < p.vertices.size(); ++v)
            for (int a = 0; a < 3; ++a)
                b = b && std::fabs(World(p.vertices[v])[a] - World(q.vertices[v])[a]) < 1e-3f &&
                    std::fabs(p.vertices[v].tex[a % 2] - q.vertices[v].tex[a % 2]) < 1e-4f;
        return b;
    };
    for (const auto& p : tipped)
        EXPECT_TRUE(std::any_of(upright.begin(), upright.end(), [&](const auto& q) { return same(p, q); }));
}

TEST_F(CRollingCubeTest, FadingCubeIsLitWithItsDarkenedDiffuseAndTheDefaultComesBack)
{
    m_pCubes = std::make_unique<CRollingCube>(2, 1, 1.0f, m_strTexture, 0.0f, 0.0f, 0.0f);
    // Only the diffuse term lights: one white light straight from above.
    const GLfloat black[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1}, up[4] = {0, 1, 0, 0};
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    glLightfv(GL_LIGHT0, GL_AMBIENT, black);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, black);
    glLightfv(GL_LIGHT0, GL_POSITION, up);
    glMaterialfv(GL_FRONT, GL_AMBIENT, black);
    SetOrtho(-1, 3, -1, 3, -4, 4);
    m_pCubes->Update(s_nStepMs - 500, nullptr);
    ASSERT_TRUE(m_pCubes->Hit(0, 0));
    m_pCubes->Update(500, nullptr);  // upright again, one tile on
    ASSERT_EQ(m_pCubes->GetRollAngle(), 0.0);

    int nTops = 0;
    for (const auto& p : Feedback([&] { m_pCubes->Draw(); }))
    {
        const SBox box = BoxOf({p});
        if (box.min[1] < 1.0f - 1e-3f) continue;  // not a top face
        ++nTops;
        const float v = box.max[0] < 1.0f + 1e-3f ? 548574.0f / 1048575.0f : 1.0f;  // cube (0, 0) fades
        for (const auto& vx : p.vertices)
            for (size_t n = 0; n < 4; ++n)
                EXPECT_NEAR(vx.color[n], n < 3 ? v : 1.0f, 2e-3f);
    }
    EXPECT_GE(nTops, 2);
    GLfloat diffuse[4] = {};
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    EXPECT_EQ(std::vector<GLfloat>(diffuse, diffuse + 4), (std::vector<GLfloat>{0.8f, 0.8f, 0.8f, 1.0f}));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(CRollingCubeTest, LongStepsAndLongGamesStayDefined)
{
    ASSERT_TRUE(m_pCubes->Hit(3, 4));
    m_pCubes->Update(-5000, m_pSol.get());  // a negative step counts as nothing
    EXPECT_EQ(m_pCubes->GetTime(), 0);
    EXPECT_EQ(m_pCubes->GetValue(3, 4), 0xFFFFE);
    m_pCubes->Update(4 * 3600 * 1000, m_pSol.get());  // four hours in one step
    EXPECT_EQ(m_pCubes->GetValue(3, 4), 0);
    for (int n = 0; n < 4; ++n)
        m_pCubes->Update(INT_MAX, m_pSol.get());  // about a hundred days
    const int64_t nTime = 4LL * 3600 * 1000 + 4LL * INT_MAX;
    EXPECT_EQ(m_pCubes->GetTime(), nTime);
    EXPECT_EQ(m_pCubes->GetSteps(), nTime / s_nStepMs);
    EXPECT_EQ(m_pCubes->GetFrontLine(), -25.0f + static_cast<float>(nTime / s_nStepMs));
    EXPECT_TRUE(m_pCubes->GetRollAngle() >= 0.0 && m_pCubes->GetRollAngle() < 90.0);
    EXPECT_EQ(m_pSol->GetFirstStandingRow(), 5);  // one row per update
    ASSERT_TRUE(m_pCubes->Hit(0, 0));
    m_pCubes->Update(INT_MAX, m_pSol.get());
    EXPECT_EQ(m_pCubes->GetValue(0, 0), 0);
    SetOrtho(-1, 6, -2, 3, -1, 40);
    EXPECT_EQ(Polygons(Feedback([&] { m_pCubes->Draw(); })), 0u);  // far beyond the view
}

}  // namespace
}  // namespace cubatro::test

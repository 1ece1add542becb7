// RollingCubeTest: the block's place and row drops, hits and fading, what its Draw sends to
// OpenGL, and long steps.
#include "WorldTestSupport.h"  // CWorldTest with the scene

using CWorldCubeTest = cubatro::test::CWorldTest;

TEST_F(CWorldCubeTest, IntactCubesRestOnWholeCellsBetweenSteps)
{
    // The block's time, a point and whether an intact cube rests there.
    const std::tuple<int, float, float, bool> cases[] = {
        {0, 4.99f, -31.99f, true},  {0, 5.0f, -25.5f, false},   {0, -0.01f, -25.5f, false},
        {0, NAN, -25.5f, false},    {0, 0.5f, NAN, false},      {6749, 0.5f, -24.5f, false},
        {6749, 0.5f, -25.5f, true}, {6750, 0.5f, -24.5f, true}, {6750, 0.5f, -31.5f, false}};
    for (const auto& [nMs, x, z, bCube] : cases)
    {
        m_pCubes->Update(nMs - static_cast<int>(m_pCubes->GetTime()), nullptr);
        EXPECT_EQ(m_pCubes->GetSteps(), nMs / s_nStepMs);
        EXPECT_EQ(m_pCubes->IsCubeAt(x, z), bCube) << nMs << " ms: " << x << ", " << z;
    }
}

TEST_F(CWorldCubeTest, HitCubesFadeToGoneWhateverTheStepAndTheBlockRollsOnForWeeks)
{
    EXPECT_FALSE(m_pCubes->DestroyAt(2.0f, -20.0f));  // the block is still beyond the floor
    EXPECT_FALSE(m_pCubes->DestroyAt(1e30f, NAN));
    EXPECT_TRUE(m_pCubes->DestroyAt(4.0f, -31.0f));  // the corner of the back row's cube (4, 6)
    EXPECT_TRUE(m_pCubes->Hit(0, 0));
    EXPECT_TRUE(m_pCubes->Hit(0, 0));  // already fading: true, nothing changes
    EXPECT_FALSE(m_pCubes->IsCubeAt(0.5f, -25.5f));
    for (const auto& [c, r] : {std::pair{5, 0}, std::pair{0, -1}, std::pair{0, 7}, std::pair{-1, 3}})
        EXPECT_FALSE(m_pCubes->Hit(c, r)) << c << ", " << r;
    EXPECT_EQ(CountIntact(), 33);
    m_pCubes->Update(-5000, m_pSol.get());  // a negative step counts as nothing
    EXPECT_EQ(m_pCubes->GetTime(), 0);
    EXPECT_EQ(std::pair(m_pCubes->GetValue(0, 0), m_pCubes->GetValue(4, 6)), std::pair(0xFFFFE, 0xFFFFE));
    m_pCubes->Update(500, m_pSol.get());
    EXPECT_EQ(m_pCubes->GetValue(0, 0), 548574);
    m_pCubes->Update(4 * 3600 * 1000, m_pSol.get());  // four hours in one step
    EXPECT_EQ(std::pair(m_pCubes->GetValue(0, 0), m_pCubes->GetValue(4, 6)), std::pair(0, 0));
    EXPECT_TRUE(m_pCubes->Hit(0, 0));  // gone: still inside the block
    for (int n = 0; n < 4; ++n)
        m_pCubes->Update(INT_MAX, m_pSol.get());  // about a hundred days
    EXPECT_EQ(m_pCubes->GetTime(), 14400500 + 4 * int64_t{INT_MAX});
    EXPECT_EQ(m_pCubes->GetSteps(), 1274716);
    EXPECT_EQ(m_pCubes->GetFrontLine(), 1274691.0f);
    EXPECT_NEAR(m_pCubes->GetRollAngle(), 27.8400, 1e-3);
}

TEST_F(CWorldCubeTest, OneRowDropsPerUpdateOnceTheBlockHasPassed)
{
    // Successive updates and the floor's first standing row after each.
    const std::pair<std::vector<int>, std::vector<int>> cases[] = {
        {{24 * 6750, 6750, 6749, 1, 6750}, {0, 0, 0, 1, 2}},  // k reaches 24, 25, 25, 26 (row 0), 27
        {{25 * 6750, 2 * 6750, 1, 1}, {0, 1, 2, 2}},          // from 25 to 27: one row, then the other
        {{100 * 6750, 0, 0, 0}, {1, 2, 3, 4}}};               // far past the floor: a row per update
    for (const auto& [vSteps, vFirst] : cases)
    {
        MakeScene();
        for (size_t n = 0; n < vSteps.size(); ++n)
        {
            m_pCubes->Update(vSteps[n], m_pSol.get());
            EXPECT_EQ(m_pSol->GetFirstStandingRow(), vFirst[n]) << "k " << m_pCubes->GetSteps();
        }
    }
}

TEST_F(CWorldCubeTest, TippedJustShortOfAQuarterTurnThenUprightOneTileOn)
{
    CRollingCube one(1, 1, 1.0f, m_strTexture, 0.0f, 0.0f, 0.0f);
    one.Update(s_nStepMs - 1, nullptr);
    EXPECT_NEAR(one.GetRollAngle(), 89.98667, 1e-4);
    const auto tipped = Feedback([&] { one.Draw(); });
    // Turned about its front bottom edge: the top back edge (y 1, z -1) has come over to
    // (cos + sin, sin - cos), the back bottom edge to (sin, -cos), cos = 0.000233.
    ExpectBox(BoxOf(tipped), {0, 1, 0, 1.000233f, -0.000233f, 1}, 2e-5f);
    one.Update(1, nullptr);
    EXPECT_EQ(one.GetSteps(), 1);
    const auto upright = Feedback([&] { one.Draw(); });
    ExpectBox(BoxOf(upright), {0, 1, 0, 1, 0, 1}, 2e-5f);
    // The cube's own quarter turn keeps every face where the roll left it.
    ASSERT_EQ(tipped.size(), upright.size());
    for (size_t n = 0; n < tipped.size(); ++n)
        ExpectBox(BoxOf({tipped[n]}), BoxOf({upright[n]}));
}

TEST_F(CWorldCubeTest, FadingCubeIsLitWithItsDarkenedDiffuseThenGoneAndTheDefaultComesBack)
{
    CRollingCube two(2, 1, 1.0f, m_strTexture, 0.0f, 0.0f, 0.0f);
    glEnable(GL_LIGHTING);  // light 0 as it starts: white, shining along -z onto the front faces
    glEnable(GL_LIGHT0);
    two.Update(s_nStepMs - 500, nullptr);
    ASSERT_TRUE(two.Hit(0, 0));
    two.Update(500, nullptr);  // upright again, one tile on: the front faces lie on z = 1
    const auto prims = Feedback([&] { two.Draw(); });
    int nFronts = 0;  // bit 0: the fading cube's, bit 1: the intact cube's
    for (const auto& p : prims)
    {
        const auto box = BoxOf({p});
        if (box[4] < 0.999f) continue;  // not a front face
        nFronts |= box[1] < 1.001f ? 1 : 2;
        // The diffuse plus 0.2 x 0.2 of ambient; cube (0, 0) fades.
        const float v = box[1] < 1.001f ? 0.04f + 548574.0f / 1048575.0f : 1.0f;
        for (size_t n = 0; n < 4 * p.vertices.size(); ++n)
            EXPECT_NEAR(p.vertices[n / 4].color[n % 4], n % 4 < 3 ? v : 1.0f, 2e-3f);
    }
    EXPECT_EQ(nFronts, 3);
    GLfloat diffuse[4] = {};
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    EXPECT_EQ(std::vector<GLfloat>(diffuse, diffuse + 4), (std::vector<GLfloat>{0.8f, 0.8f, 0.8f, 1.0f}));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    two.Update(600, nullptr);  // the hit cube is gone and no longer drawn
    EXPECT_EQ(Feedback([&] { two.Draw(); }).size() * 2, prims.size());
}

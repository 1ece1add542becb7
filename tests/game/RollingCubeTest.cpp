// RollingCubeTest: the block's place and row drops, hits and fading, its drawing, and long steps.
// A quarter turn, one tile, takes 6750 ms.
#include "WorldTestSupport.h"  // CWorldTest with the scene

using CWorldCubeTest = CWorldTest;

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
        EXPECT_EQ(m_pCubes->IsCubeAt(x, z), bCube) << nMs << " ms: " << x << ", " << z;
    }
}

// Hit cubes darken and are gone a second later, whatever the step; the block rolls on for weeks.
// Lit by light 0 as it starts (along -z onto the front faces at z = -25, here tipped by 500 / 75
// degrees), a cube shows 0.2 x 0.2 of ambient plus its diffuse times cos 6.67: a fading one
// 0.04 + 0.5232 x 0.9932 = 0.5596, an intact one all it can.
TEST_F(CWorldCubeTest, HitCubesFadeToGoneWhateverTheStepAndTheBlockRollsOnForWeeks)
{
    // Nothing beyond the floor or far away; the corner of the back row's cube (4, 6); cube (0, 0)
    // twice, the second time already fading, which changes nothing.
    EXPECT_FALSE(m_pCubes->DestroyAt(2.0f, -20.0f) || m_pCubes->DestroyAt(1e30f, NAN));
    EXPECT_TRUE(m_pCubes->DestroyAt(4.0f, -31.0f) && m_pCubes->Hit(0, 0) && m_pCubes->Hit(0, 0));
    EXPECT_FALSE(m_pCubes->IsCubeAt(0.5f, -25.5f) || m_pCubes->Hit(5, 0) || m_pCubes->Hit(0, -1));
    EXPECT_FALSE(m_pCubes->Hit(0, 7) || m_pCubes->Hit(-1, 3));
    m_pCubes->Update(-5000, m_pSol.get());  // a negative step counts as nothing
    EXPECT_EQ(std::pair(m_pCubes->GetValue(0, 0), m_pCubes->GetValue(4, 6)), std::pair(0xFFFFE, 0xFFFFE));
    m_pCubes->Update(500, m_pSol.get());
    std::vector<float> fronts;  // front faces of cubes (0, 0) and (1, 0)
    for (const auto& p : Feedback([&] { glEnable(GL_LIGHTING), glEnable(GL_LIGHT0), m_pCubes->Draw(); }))
        if (BoxOf({p})[4] > -25.001f && BoxOf({p})[1] < 2.001f) fronts.push_back(p.vertices[0].color[1]);
    EXPECT_THAT(fronts, Pointwise(FloatNear(2e-3f), {0.5596f, 0.5596f, 1.0f, 1.0f}));
    m_pCubes->Update(4 * 3600 * 1000, m_pSol.get());  // four hours in one step; gone, a cube is in the block
    EXPECT_TRUE(m_pCubes->GetValue(0, 0) == 0 && m_pCubes->GetValue(4, 6) == 0 && m_pCubes->Hit(0, 0));
    m_pCubes->Update(INT_MAX, m_pSol.get());         // 2161884147 ms in all, more than an int holds,
    EXPECT_EQ(m_pCubes->GetFrontLine(), 320254.0f);  // make 320279 quarter turns
}

// Updates and the floor's first standing row after each: k reaches 24, 25, 25, 26 (row 0), then
// 28 in one update, which drops one row, and the next update the other; far past the floor, a
// row per update.
TEST_F(CWorldCubeTest, OneRowDropsPerUpdateOnceTheBlockHasPassed)
{
    const std::pair<int, int> updates[] = {{24 * 6750, 0}, {6750, 0}, {6749, 0},       {1, 1}, {2 * 6750, 2},
                                           {0, 3},         {0, 3},    {100 * 6750, 4}, {0, 5}};
    for (const auto& [nMs, nFirst] : updates)
    {
        m_pCubes->Update(nMs, m_pSol.get());
        EXPECT_EQ(m_pSol->GetFirstStandingRow(), nFirst) << "k " << m_pCubes->GetSteps();
    }
}

// Just short of a quarter turn the cube lies tipped over its front bottom edge: the top back
// edge (y 1, z -1) has come over to (cos + sin, sin - cos), cos = 0.000233. A step on it stands
// upright one tile on, every face where the roll left it. Hit, it is drawn no more once gone.
TEST_F(CWorldCubeTest, TippedJustShortOfAQuarterTurnThenUprightOneTileOn)
{
    CRollingCube one(1, 1, 1.0f, m_strTexture, 0.0f, 0.0f, 0.0f);
    one.Update(6749, nullptr);
    const auto tipped = Feedback([&] { one.Draw(); });
    EXPECT_THAT(BoxOf(tipped), Near({0, 1, 0, 1.000233f, -0.000233f, 1}, 2e-5f));
    one.Update(1, nullptr);
    const auto upright = Feedback([&] { one.Draw(); });
    EXPECT_THAT(BoxOf(upright), Near({0, 1, 0, 1, 0, 1}, 2e-5f));
    ASSERT_EQ(tipped.size(), upright.size());
    for (size_t n = 0; n < tipped.size(); ++n)
        EXPECT_THAT(BoxOf({upright[n]}), Near(BoxOf({tipped[n]})));
    one.Hit(0, 0);
    one.Update(1049, nullptr);
    EXPECT_TRUE(Feedback([&] { one.Draw(); }).empty());
}

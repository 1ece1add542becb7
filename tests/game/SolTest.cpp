// SolTest: the floor's tiles from standing to gone, its marks, their pulse and their drawing.
#include "WorldTestSupport.h"  // CWorldTest with the scene

using CWorldSolTest = CWorldTest;

// Rows drop nearest first and fall a unit a second; a tile five units down is gone at the next
// update and no longer drawn; a step of weeks saturates the fall instead of overflowing.
TEST_F(CWorldSolTest, TilesStandThenFallRowByRowThenVanish)
{
    const auto tiles = Feedback([&] { m_pSol->Draw(); });
    EXPECT_EQ(tiles.size(), 125 * 12u);  // six quads a tile, as two triangles each
    EXPECT_THAT(BoxOf(tiles), Near({0, 5, -1, 0, -25, 0}));
    m_pSol->DropRow();
    EXPECT_FALSE(m_pSol->SetMark(0.5f, -0.5f, CSol::s_dwMarkGreen));  // a dropped row takes no mark
    m_pSol->Update(1000);
    EXPECT_EQ(m_pSol->GetTile(3, 0).nValue, -1001);
    const auto fallen = Feedback([&] { m_pSol->Draw(); });
    EXPECT_THAT(BoxOf({fallen.begin(), fallen.begin() + 12}), Near({0, 1, -2.001f, -1.001f, -1, 0}, 1e-4f));
    m_pSol->DropRow();
    m_pSol->Update(3999);  // row 0 five units down, row 1 four
    m_pSol->Update(INT_MAX);
    EXPECT_TRUE(m_pSol->GetTile(4, 0).nState == TILE_GONE && m_pSol->GetTile(4, 1).nState == TILE_FALLING);
    EXPECT_EQ(m_pSol->GetTile(4, 1).nValue, INT_MIN);
    m_pSol->Update(1);
    EXPECT_EQ(Feedback([&] { m_pSol->Draw(); }).size(), 115 * 12u);
    for (int n = 0; n < 30; ++n)
        m_pSol->DropRow();
    EXPECT_EQ(m_pSol->GetFirstStandingRow(), 25);
}

// A mark goes on the standing tile under the point, replacing the one there; firing clears them
// all. Marks pulse with the game time and are drawn after the tiles as a quad of their bytes
// red, green, blue, alpha on the tile's top.
TEST_F(CWorldSolTest, MarksGoUnderThePointPulseWithTheGameTimeAndAreDrawnOverTheirTile)
{
    // A point and the tile it marks (i = -1: refused).
    const std::tuple<float, float, int, int> points[] = {{2.5f, -3.5f, 2, 3},     {-0.5f, 0.5f, 0, 0},
                                                         {4.99f, -24.99f, 4, 24}, {5.0f, -1.0f, -1, 0},
                                                         {1.0f, -25.0f, -1, 0},   {NAN, -1e30f, -1, 0}};
    for (const auto& [x, z, i, j] : points)
    {
        ASSERT_TRUE(m_pSol->SetMark(x, z, 0xFF) || i < 0);
        EXPECT_EQ(m_pSol->SetMark(x, z, CSol::s_dwMarkGreen), i >= 0) << x << ", " << z;
        EXPECT_EQ(i < 0 ? 0xFF00 : m_pSol->GetTile(i, j).nValue, 0xFF00) << x << ", " << z;
        EXPECT_EQ(CountMarks(), i >= 0) << x << ", " << z;
        m_pSol->TriggerMarks(nullptr);
        EXPECT_EQ(CountMarks(), 0);
    }

    ASSERT_TRUE(m_pSol->SetMark(0.5f, -0.5f, 0x00123456));
    ASSERT_TRUE(m_pSol->SetMark(4.5f, -20.5f, CSol::s_dwMarkGreen));
    // A step and the marks' alpha after it.
    for (const auto& [nMs, nAlpha] : {std::pair{785, 191u}, {215, 186u}, {-5000, 186u}, {1356, 64u}})
    {
        m_pSol->Update(nMs);
        EXPECT_EQ(static_cast<uint32_t>(m_pSol->GetTile(0, 0).nValue), 0x123456u | nAlpha << 24);
        EXPECT_EQ(static_cast<uint32_t>(m_pSol->GetTile(4, 20).nValue), 0xFF00u | nAlpha << 24);
        EXPECT_EQ(CountMarks(), 2);
    }
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);  // seen from above: World gives (x, -z, y)
    const auto prims = Feedback([&] { m_pSol->Draw(); });
    ASSERT_EQ(prims.size(), 125 * 12 + 2 * 2u);
    EXPECT_THAT(prims[1500].vertices[0].color,
                Pointwise(FloatNear(1e-3f), {0x56 / 255.0f, 0x34 / 255.0f, 0x12 / 255.0f, 64 / 255.0f}));
    EXPECT_THAT(BoxOf({prims[1502], prims[1503]}), Near({4, 5, 20, 21, 0, 0}));
}

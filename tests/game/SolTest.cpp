// SolTest: the floor's marks and bounds, dropped rows, falling and gone tiles, firing, what its
// Draw sends to OpenGL, and long steps.
#include "WorldTestSupport.h"  // CWorldTest with the floor and block

#include <climits>  // INT_MAX for the longest steps
#include <cmath>    // NAN for points that are not numbers

namespace cubatro::test
{
namespace
{

class CSolTest : public CWorldTest
{
protected:
    void SetUp() override
    {
        CWorldTest::SetUp();
        MakeScene(false);
    }
    static bool IsGreen(const SFeedbackPrimitive& p)
    {
        return p.vertices[0].color[1] > 0.9f && p.vertices[0].color[0] < 0.1f;
    }
    int CountMarks() const
    {
        int n = 0;
        for (int i = 0; i < 5; ++i)
            for (int j = 0; j < 25; ++j)
                n += m_pSol->GetTile(i, j).nState == TILE_STANDING && m_pSol->GetTile(i, j).nValue != 0;
        return n;
    }
    // Polygons one tile sends, measured on a floor of one tile, in a view of the whole floor.
    size_t PolygonsPerTile()
    {
        CSol one(1, 1, 1, 1.0f, m_strTexture, 0.0f, 0.0f, 0.0f);
        SetOrtho(-1, 6, -7, 2, -2, 30);
        return Polygons(Feedback([&] { one.Draw(); }));
    }
};

TEST_F(CSolTest, NewFloorStandsWholeAndDrawsOneMeshPerTile)
{
    const size_t nPerTile = PolygonsPerTile();
    ASSERT_GE(nPerTile, 6u);
    EXPECT_EQ(m_pSol->GetFirstStandingRow(), 0);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 25; ++j)
            EXPECT_TRUE(m_pSol->GetTile(i, j).nState == TILE_STANDING && m_pSol->GetTile(i, j).nValue == 0);
    const auto prims = Feedback([&] { m_pSol->Draw(); });
    EXPECT_EQ(Polygons(prims), 125 * nPerTile);
    EXPECT_EQ(std::count_if(prims.begin(), prims.end(), IsGreen), 0);
    ExpectBox(BoxOf(prims), {0, 5, -1, 0, -25, 0});
}

struct SMarkCase
{
    float x, z;  // the point
    int i, j;    // the tile marked, or -1 when refused
};

class CSetMarkTest : public CSolTest, public ::testing::WithParamInterface<SMarkCase>
{
};

TEST_P(CSetMarkTest, MarksTheTileUnderThePointOrRefuses)
{
    const SMarkCase& c = GetParam();
    ASSERT_TRUE(m_pSol->SetMark(0.5f, -24.5f, 0x0000FF));  // replaced when the point is on that tile
    EXPECT_EQ(m_pSol->SetMark(c.x, c.z, CSol::s_dwMarkGreen), c.i >= 0);
    if (c.i >= 0)
    {
        EXPECT_EQ(m_pSol->GetTile(c.i, c.j).nValue, 0xFF00);
    }
    EXPECT_EQ(CountMarks(), c.i < 0 || (c.i == 0 && c.j == 24) ? 1 : 2);
}

INSTANTIATE_TEST_SUITE_P(Points, CSetMarkTest,
                         ::testing::Values(SMarkCase{2.5f, -3.5f, 2, 3}, SMarkCase{5.0f, -1.0f, -1, -1},
                                           SMarkCase{1.0f, -25.0f, -1, -1}, SMarkCase{-0.5f, -0.5f, 0, 0},
                                           SMarkCase{0.5f, 0.5f, 0, 0}, SMarkCase{4.99f, -24.99f, 4, 24},
                                           SMarkCase{0.2f, -24.2f, 0, 24}, SMarkCase{-1.0f, -0.5f, -1, -1},
                                           SMarkCase{0.5f, 1.0f, -1, -1}, SMarkCase{1e30f, -3.0f, -1, -1},
                                           SMarkCase{-1e30f, 1e30f, -1, -1}, SMarkCase{NAN, -3.0f, -1, -1},
                                           SMarkCase{2.0f, NAN, -1, -1}));

TEST_F(CSolTest, RowsDropOnceNearestFirstAndLoseTheirMarks)
{
    ASSERT_TRUE(m_pSol->SetMark(3.5f, -0.5f, CSol::s_dwMarkGreen));
    for (int n = 1; n <= 26; ++n)
    {
        m_pSol->DropRow();
        const int nDropped = std::min(n, 25);
        ASSERT_EQ(m_pSol->GetFirstStandingRow(), nDropped);
        for (int j = 0; j < 25; ++j)
            EXPECT_EQ(m_pSol->GetTile(4, j).nState, j < nDropped ? TILE_FALLING : TILE_STANDING)
                << "row " << j;
        EXPECT_EQ(m_pSol->GetTile(0, nDropped - 1).nValue, n <= 25 ? -1 : -2);
        EXPECT_EQ(CountMarks(), 0);
        EXPECT_FALSE(m_pSol->SetMark(0.5f, 0.5f - static_cast<float>(nDropped), CSol::s_dwMarkGreen));
        if (n < 25)
        {
            EXPECT_TRUE(m_pSol->SetMark(0.5f, -0.5f - static_cast<float>(nDropped), 0x1));
        }
        m_pSol->Update(1);
    }
}

TEST_F(CSolTest, FallingTilesSinkOneUnitPerSecondThenVanish)
{
    const size_t nPerTile = PolygonsPerTile();
    m_pSol->DropRow();
    m_pSol->Update(1000);
    EXPECT_EQ(m_pSol->GetTile(0, 0).nValue, -1001);
    auto prims = Feedback([&] { m_pSol->Draw(); });
    EXPECT_EQ(Polygons(prims), 125 * nPerTile);
    // Row 0 (z 0 to -1) is drawn 1.001 units down.
    ExpectBox(BoxOf(prims, [&](const SFeedbackPrimitive& p) { return World(p.vertices[0])[2] > -0.999f; }),
              {0, 5, -2.001f, -1.001f, -1, 0}, 1e-4f);

    m_pSol->Update(3999);  // down to -5000: still falling
    EXPECT_EQ(m_pSol->GetTile(4, 0).nValue, -5000);
    EXPECT_EQ(m_pSol->GetTile(4, 0).nState, TILE_FALLING);
    m_pSol->Update(20);  // gone, and moved no further
    EXPECT_EQ(m_pSol->GetTile(4, 0).nState, TILE_GONE);
    EXPECT_EQ(m_pSol->GetTile(4, 0).nValue, -5000);
    EXPECT_EQ(Polygons(Feedback([&] { m_pSol->Draw(); })), 120 * nPerTile);
}

struct SPulseCase
{
    int nFirstMs, nSecondMs;  // two updates bringing the time to their sum
    int nAlpha;               // the marks' alpha then
};

class CMarkPulseTest : public CSolTest, public ::testing::WithParamInterface<SPulseCase>
{
};

TEST_P(CMarkPulseTest, AlphaFollowsTheAccumulatedTimeInOnePhase)
{
    const SPulseCase& c = GetParam();
    ASSERT_TRUE(m_pSol->SetMark(0.5f, -0.5f, 0x00123456));
    ASSERT_TRUE(m_pSol->SetMark(4.5f, -20.5f, CSol::s_dwMarkGreen));
    m_pSol->Update(c.nFirstMs);
    m_pSol->Update(c.nSecondMs);
    EXPECT_EQ(static_cast<uint32_t>(m_pSol->GetTile(0, 0).nValue), 0x123456u | static_cast<uint32_t>(c.nAlpha)
                                                                                   << 24);
    EXPECT_EQ(static_cast<uint32_t>(m_pSol->GetTile(4, 20).nValue), 0xFF00u | static_cast<uint32_t>(c.nAlpha)
                                                                                  << 24);
}

INSTANTIATE_TEST_SUITE_P(Times, CMarkPulseTest,
                         ::testing::Values(SPulseCase{0, 0, 128}, SPulseCase{500, 285, 191},
                                           SPulseCase{999, 1, 186}, SPulseCase{2000, 356, 64},
                                           SPulseCase{1000, -5000, 186}));

TEST_F(CSolTest, FiringDestroysTheCubeOnEachMarkedTileOnly)
{
    CRollingCube cubes(5, 7, 1.0f, m_strTexture, 0.0f, 0.0f, -3.0f);  // front row on floor row 3
    m_pSol->TriggerMarks(&cubes);                                     // no marks: nothing
    ASSERT_TRUE(m_pSol->SetMark(2.5f, -3.5f, CSol::s_dwMarkGreen));   // under cube (2, 0)
    ASSERT_TRUE(m_pSol->SetMark(4.5f, -1.5f, CSol::s_dwMarkGreen));   // in front of the block
    ASSERT_TRUE(m_pSol->SetMark(1.5f, -0.5f, CSol::s_dwMarkGreen));   // on a row about to drop
    m_pSol->DropRow();
    m_pSol->Update(100);
    m_pSol->TriggerMarks(&cubes);
    EXPECT_EQ(CountMarks(), 0);
    EXPECT_EQ(m_pSol->GetTile(1, 0).nValue, -101);  // the falling tile is left alone
    for (int c = 0; c < 5; ++c)
        for (int r = 0; r < 7; ++r)
            EXPECT_EQ(cubes.GetValue(c, r),
                      c == 2 && r == 0 ? CRollingCube::s_nIntact - 1 : CRollingCube::s_nIntact)
                << "cube " << c << ", " << r;
}

TEST_F(CSolTest, MarkIsDrawnAsABlendedQuadPulledOverItsTile)
{
    ASSERT_TRUE(m_pSol->SetMark(2.5f, -3.5f, CSol::s_dwMarkGreen));
    m_pSol->Update(1000);
    SetTopView(-1, 6, -26, 1, -3, 1);
    const auto prims = Feedback([&] { m_pSol->Draw(); });
    std::vector<SFeedbackPrimitive> marks;
    std::copy_if(prims.begin(), prims.end(), std::back_inserter(marks), IsGreen);
    ASSERT_FALSE(marks.empty());
    for (const auto& p : marks)
        for (const auto& v : p.vertices)
            for (int n = 0; n < 4; ++n)
                EXPECT_NEAR(v.color[static_cast<size_t>(n)], (std::array<float, 4>{0, 1, 0, 186 / 255.0f})[n],
                            1e-3f);
    ExpectBox(BoxOf(marks), {2, 3, 0, 0, -4, -3});

    // The state the frame goes on with.
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_POLYGON_OFFSET_FILL));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    GLint src = 0, dst = 0, nDepth = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &nDepth);
    EXPECT_EQ(src, GL_SRC_ALPHA);
    EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_EQ(nDepth, 1);
    GLfloat fFactor = 0, fUnits = 0;
    glGetFloatv(GL_POLYGON_OFFSET_FACTOR, &fFactor);
    glGetFloatv(GL_POLYGON_OFFSET_UNITS, &fUnits);
    EXPECT_EQ(fFactor, -2.0f);
    EXPECT_EQ(fUnits, -1.0f);
}

TEST_F(CSolTest, LongStepsAndLongGamesStayDefined)
{
    ASSERT_TRUE(m_pSol->SetMark(2.5f, -3.5f, CSol::s_dwMarkGreen));
    m_pSol->DropRow();
    m_pSol->Update(1000);
    m_pSol->Update(INT_MAX);  // weeks in one step: the fall saturates instead of overflowing
    EXPECT_EQ(m_pSol->GetTile(0, 0).nState, TILE_FALLING);
    EXPECT_LE(m_pSol->GetTile(0, 0).nValue, CSol::s_nGoneDepth);
    m_pSol->Update(INT_MAX);
    m_pSol->Update(INT_MAX);
    EXPECT_EQ(m_pSol->GetTile(0, 0).nState, TILE_GONE);
    m_pSol->Update(-1000);  // a negative step counts as nothing
    const int64_t nWeeks = 1000 + 3 * static_cast<int64_t>(INT_MAX);
    EXPECT_EQ(m_pSol->GetTime(), nWeeks);
    const int nAlpha = CSol::MarkAlpha(nWeeks);
    EXPECT_TRUE(nAlpha >= 64 && nAlpha <= 192);
    EXPECT_EQ(static_cast<uint32_t>(m_pSol->GetTile(2, 3).nValue), 0xFF00u | static_cast<uint32_t>(nAlpha)
                                                                                 << 24);
}

}  // namespace
}  // namespace cubatro::test

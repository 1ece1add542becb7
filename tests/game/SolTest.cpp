// SolTest: the floor's marks and bounds, dropped rows, falling and gone tiles, firing, and what
// its Draw sends to OpenGL.
#include "WorldTestSupport.h"  // CWorldTest, feedback in world coordinates

#include "game/RollingCube.h"  // the block that fired marks destroy
#include "game/Sol.h"          // CSol under test

#include <climits>  // INT_MAX for the longest steps
#include <cmath>    // NAN for points that are not numbers

namespace cubatro::test
{
namespace
{

class CSolTest : public CWorldTest
{
protected:
    std::unique_ptr<CSol> MakeFloor(int nWidth, int nLength)
    {
        return std::make_unique<CSol>(nWidth, 1, nLength, 1.0f, m_strTexture, 0.0f, 0.0f, 0.0f);
    }
    // A view that holds a whole 5 x 25 floor, falling rows included.
    void FloorView() { SetOrtho(-1, 6, -7, 2, -2, 30); }
    static bool IsGreen(const SFeedbackPrimitive& p)
    {
        return p.vertices[0].color[1] > 0.9f && p.vertices[0].color[0] < 0.1f;
    }
    static int CountMarks(const CSol& sol)
    {
        int n = 0;
        for (int i = 0; i < sol.GetWidth(); ++i)
            for (int j = 0; j < sol.GetLength(); ++j)
                n += sol.GetTile(i, j).nState == TILE_STANDING && sol.GetTile(i, j).nValue != 0;
        return n;
    }
    // Polygons one tile sends, measured on a floor of one tile.
    size_t PolygonsPerTile()
    {
        auto pOne = MakeFloor(1, 1);
        FloorView();
        return Polygons(Feedback([&] { pOne->Draw(); }));
    }
};

TEST_F(CSolTest, NewFloorStandsWholeAndDrawsOneMeshPerTile)
{
    const size_t nPerTile = PolygonsPerTile();
    ASSERT_GE(nPerTile, 6u);  // six faces at least

    auto pSol = MakeFloor(5, 25);
    EXPECT_EQ(pSol->GetWidth(), 5);
    EXPECT_EQ(pSol->GetLength(), 25);
    EXPECT_EQ(pSol->GetFirstStandingRow(), 0);
    EXPECT_FLOAT_EQ(pSol->GetTileSize(), 1.0f);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 25; ++j)
        {
            EXPECT_EQ(pSol->GetTile(i, j).nState, TILE_STANDING);
            EXPECT_EQ(pSol->GetTile(i, j).nValue, 0);
        }

    FloorView();
    const auto prims = Feedback([&] { pSol->Draw(); });
    EXPECT_EQ(Polygons(prims), 125 * nPerTile);
    EXPECT_EQ(std::count_if(prims.begin(), prims.end(), IsGreen), 0);
    // The tiles fill x 0..5, y -1..0 and z 0..-25.
    const SBox box = BoxOf(prims, [](const auto&) { return true; });
    EXPECT_NEAR(box.min[0], 0.0f, 1e-3f);
    EXPECT_NEAR(box.max[0], 5.0f, 1e-3f);
    EXPECT_NEAR(box.min[1], -1.0f, 1e-3f);
    EXPECT_NEAR(box.max[1], 0.0f, 1e-3f);
    EXPECT_NEAR(box.min[2], -25.0f, 1e-3f);
    EXPECT_NEAR(box.max[2], 0.0f, 1e-3f);
}

struct SMarkCase
{
    float x, z;      // the point
    bool bAccepted;  // SetMark's answer
    int i, j;        // the tile marked when accepted
};

class CSetMarkTest : public CSolTest, public ::testing::WithParamInterface<SMarkCase>
{
};

TEST_P(CSetMarkTest, MarksTheTileUnderThePointOrRefuses)
{
    const SMarkCase& c = GetParam();
    auto pSol = MakeFloor(5, 25);
    EXPECT_EQ(pSol->SetMark(c.x, c.z, CSol::s_dwMarkGreen), c.bAccepted);
    EXPECT_EQ(CountMarks(*pSol), c.bAccepted ? 1 : 0);
    if (c.bAccepted)
    {
        EXPECT_EQ(pSol->GetTile(c.i, c.j).nValue, 0xFF00);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Points, CSetMarkTest,
    ::testing::Values(SMarkCase{2.5f, -3.5f, true, 2, 3}, SMarkCase{5.0f, -1.0f, false, 0, 0},
                      SMarkCase{1.0f, -25.0f, false, 0, 0}, SMarkCase{-0.5f, -0.5f, true, 0, 0},
                      SMarkCase{0.5f, 0.5f, true, 0, 0}, SMarkCase{4.99f, -24.99f, true, 4, 24},
                      SMarkCase{-1.0f, -0.5f, false, 0, 0}, SMarkCase{0.5f, 1.0f, false, 0, 0},
                      SMarkCase{1e30f, -3.0f, false, 0, 0}, SMarkCase{2.0f, -1e30f, false, 0, 0},
                      SMarkCase{-1e30f, 1e30f, false, 0, 0}, SMarkCase{NAN, -3.0f, false, 0, 0},
                      SMarkCase{2.0f, NAN, false, 0, 0}));

TEST_F(CSolTest, ANewMarkReplacesTheOldOneOnTheSameTile)
{
    auto pSol = MakeFloor(5, 25);
    ASSERT_TRUE(pSol->SetMark(1.2f, -2.2f, 0x0000FF));
    ASSERT_TRUE(pSol->SetMark(1.8f, -2.8f, CSol::s_dwMarkGreen));
    EXPECT_EQ(pSol->GetTile(1, 2).nValue, 0xFF00);
    EXPECT_EQ(CountMarks(*pSol), 1);
}

TEST_F(CSolTest, DroppedRowsRefuseMarksAndLoseThem)
{
    auto pSol = MakeFloor(5, 25);
    ASSERT_TRUE(pSol->SetMark(3.5f, -0.5f, CSol::s_dwMarkGreen));
    pSol->DropRow();
    EXPECT_EQ(pSol->GetFirstStandingRow(), 1);
    EXPECT_FALSE(pSol->SetMark(0.5f, -0.5f, CSol::s_dwMarkGreen));
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_EQ(pSol->GetTile(i, 0).nState, TILE_FALLING);
        EXPECT_EQ(pSol->GetTile(i, 0).nValue, -1);
        EXPECT_EQ(pSol->GetTile(i, 1).nState, TILE_STANDING);
    }
    EXPECT_EQ(CountMarks(*pSol), 0);
    EXPECT_TRUE(pSol->SetMark(0.5f, -1.5f, CSol::s_dwMarkGreen));
}

TEST_F(CSolTest, DropRowDropsEachRowOnceNearestFirst)
{
    auto pSol = MakeFloor(5, 25);
    for (int n = 1; n <= 26; ++n)
    {
        pSol->DropRow();
        const int nDropped = std::min(n, 25);
        EXPECT_EQ(pSol->GetFirstStandingRow(), nDropped);
        for (int j = 0; j < 25; ++j)
            EXPECT_EQ(pSol->GetTile(2, j).nState, j < nDropped ? TILE_FALLING : TILE_STANDING) << "row " << j;
        pSol->Update(1);  // the row dropped earlier keeps sinking, the new one starts at -1
        EXPECT_EQ(pSol->GetTile(0, nDropped - 1).nValue, n <= 25 ? -2 : -3);
    }
    EXPECT_FALSE(pSol->SetMark(2.5f, -24.5f, CSol::s_dwMarkGreen));
}

TEST_F(CSolTest, FallingTilesSinkOneUnitPerSecondThenVanish)
{
    const size_t nPerTile = PolygonsPerTile();
    auto pSol = MakeFloor(5, 25);
    pSol->DropRow();
    pSol->Update(1000);
    EXPECT_EQ(pSol->GetTile(0, 0).nValue, -1001);
    EXPECT_EQ(pSol->GetTile(0, 1).nState, TILE_STANDING);

    FloorView();
    auto prims = Feedback([&] { pSol->Draw(); });
    EXPECT_EQ(Polygons(prims), 125 * nPerTile);
    // Row 0 (z 0..-1) is drawn 1.001 units down: its top face at y = -1.001.
    const SBox row0 =
        BoxOf(prims, [&](const SFeedbackPrimitive& p) { return World(p.vertices[0])[2] > -0.999f; });
    EXPECT_NEAR(row0.max[1], -1.001f, 1e-4f);
    EXPECT_NEAR(row0.min[1], -2.001f, 1e-4f);

    pSol->Update(3999);  // down to -5000: still falling, drawn
    EXPECT_EQ(pSol->GetTile(4, 0).nValue, -5000);
    EXPECT_EQ(pSol->GetTile(4, 0).nState, TILE_FALLING);
    pSol->Update(20);  // at or below -5000: gone, not moved any further
    EXPECT_EQ(pSol->GetTile(4, 0).nState, TILE_GONE);
    EXPECT_EQ(pSol->GetTile(4, 0).nValue, -5000);
    prims = Feedback([&] { pSol->Draw(); });
    EXPECT_EQ(Polygons(prims), 120 * nPerTile);
}

struct SPulseCase
{
    int nFirstMs, nSecondMs;  // two updates bringing the time to their sum
    int nAlpha;               // the mark's alpha then
};

class CMarkPulseTest : public CSolTest, public ::testing::WithParamInterface<SPulseCase>
{
};

TEST_P(CMarkPulseTest, AlphaFollowsTheAccumulatedTime)
{
    const SPulseCase& c = GetParam();
    auto pSol = MakeFloor(5, 25);
    ASSERT_TRUE(pSol->SetMark(0.5f, -0.5f, 0x00123456));
    ASSERT_TRUE(pSol->SetMark(4.5f, -20.5f, CSol::s_dwMarkGreen));
    pSol->Update(c.nFirstMs);
    pSol->Update(c.nSecondMs);
    const auto word = [&](int i, int j) { return static_cast<uint32_t>(pSol->GetTile(i, j).nValue); };
    EXPECT_EQ(word(0, 0) >> 24, static_cast<uint32_t>(c.nAlpha));
    EXPECT_EQ(word(0, 0) & 0xFFFFFF, 0x123456u);
    EXPECT_EQ(word(4, 20), 0xFF00u | static_cast<uint32_t>(c.nAlpha) << 24);  // every mark in the same phase
    EXPECT_EQ(CSol::MarkAlpha(pSol->GetTime()), c.nAlpha);
}

INSTANTIATE_TEST_SUITE_P(Times, CMarkPulseTest,
                         ::testing::Values(SPulseCase{0, 0, 128}, SPulseCase{500, 285, 191},
                                           SPulseCase{999, 1, 186}, SPulseCase{2000, 356, 64},
                                           SPulseCase{1000, -5000, 186}));

TEST_F(CSolTest, FiringDestroysTheCubeOnEachMarkedTileAndClearsTheMarks)
{
    auto pSol = MakeFloor(5, 25);
    // A block whose front row rests on floor row 3.
    CRollingCube cubes(5, 7, 1.0f, m_strTexture, 0.0f, 0.0f, -3.0f);
    ASSERT_TRUE(pSol->SetMark(2.5f, -3.5f, CSol::s_dwMarkGreen));  // under cube (2, 0)
    ASSERT_TRUE(pSol->SetMark(4.5f, -0.5f, CSol::s_dwMarkGreen));  // in front of the block
    pSol->TriggerMarks(&cubes);
    EXPECT_EQ(CountMarks(*pSol), 0);
    for (int c = 0; c < 5; ++c)
        for (int r = 0; r < 7; ++r)
            EXPECT_EQ(cubes.GetValue(c, r),
                      c == 2 && r == 0 ? CRollingCube::s_nIntact - 1 : CRollingCube::s_nIntact)
                << "cube " << c << ", " << r;
}

TEST_F(CSolTest, FiringWithoutMarksHitsNothingEvenWhileRowsFall)
{
    auto pSol = MakeFloor(5, 25);
    CRollingCube cubes(5, 7, 1.0f, m_strTexture, 0.0f, 0.0f, 0.0f);  // the block stands on row 0's place
    ASSERT_TRUE(pSol->SetMark(1.5f, -0.5f, CSol::s_dwMarkGreen));
    pSol->DropRow();  // the marked tile falls and loses its mark
    pSol->Update(100);
    pSol->TriggerMarks(&cubes);
    pSol->TriggerMarks(nullptr);
    for (int c = 0; c < 5; ++c)
        for (int r = 0; r < 7; ++r)
            EXPECT_EQ(cubes.GetValue(c, r), CRollingCube::s_nIntact);
    EXPECT_EQ(pSol->GetTile(1, 0).nValue, -101);
}

TEST_F(CSolTest, MarkIsDrawnAsABlendedQuadOverItsTile)
{
    auto pSol = MakeFloor(5, 25);
    ASSERT_TRUE(pSol->SetMark(2.5f, -3.5f, CSol::s_dwMarkGreen));
    pSol->Update(1000);

    SetTopView(-1, 6, -26, 1, -3, 1);
    const auto prims = Feedback([&] { pSol->Draw(); });
    std::vector<SFeedbackPrimitive> marks;
    std::copy_if(prims.begin(), prims.end(), std::back_inserter(marks), IsGreen);
    ASSERT_FALSE(marks.empty());
    for (const auto& p : marks)
        for (const auto& v : p.vertices)
        {
            EXPECT_NEAR(v.color[0], 0.0f, 1e-3f);
            EXPECT_NEAR(v.color[1], 1.0f, 1e-3f);
            EXPECT_NEAR(v.color[2], 0.0f, 1e-3f);
            EXPECT_NEAR(v.color[3], 186.0f / 255.0f, 1e-3f);
        }
    const SBox box = BoxOf(marks, [](const auto&) { return true; });
    EXPECT_NEAR(box.min[0], 2.0f, 1e-3f);
    EXPECT_NEAR(box.max[0], 3.0f, 1e-3f);
    EXPECT_NEAR(box.min[1], 0.0f, 1e-3f);
    EXPECT_NEAR(box.max[1], 0.0f, 1e-3f);
    EXPECT_NEAR(box.min[2], -4.0f, 1e-3f);
    EXPECT_NEAR(box.max[2], -3.0f, 1e-3f);

    // The state the frame goes on with.
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_POLYGON_OFFSET_FILL));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_SRC_ALPHA);
    EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
    GLfloat fFactor = 0, fUnits = 0;
    glGetFloatv(GL_POLYGON_OFFSET_FACTOR, &fFactor);
    glGetFloatv(GL_POLYGON_OFFSET_UNITS, &fUnits);
    EXPECT_FLOAT_EQ(fFactor, -2.0f);
    EXPECT_FLOAT_EQ(fUnits, -1.0f);
    GLint nDepth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &nDepth);
    EXPECT_EQ(nDepth, 1);
}

TEST_F(CSolTest, MarkWinsOverTheTileTopInTheFramebuffer)
{
    auto pSol = MakeFloor(5, 25);
    ASSERT_TRUE(pSol->SetMark(2.5f, -3.5f, CSol::s_dwMarkGreen));
    pSol->Update(785);  // alpha 191
    // Seen from above: x 2..3 and z -3..-4 fill the whole view.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(2.0, 3.0, 3.0, 4.0, -1.0, 3.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);  // looking down -y, -z up the screen
    glEnable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    pSol->Draw();
    const auto pixel = PixelAt(s_nSize / 2, s_nSize / 2);
    // Green blended at 191/255 over the white-lit marble tile: green stays strong, red drops.
    EXPECT_GT(pixel[1], 200);
    EXPECT_LT(pixel[0], pixel[1] - 100);
}

TEST_F(CSolTest, LongStepsAndLongGamesStayDefined)
{
    auto pSol = MakeFloor(5, 25);
    ASSERT_TRUE(pSol->SetMark(2.5f, -3.5f, CSol::s_dwMarkGreen));
    pSol->DropRow();
    pSol->Update(1000);
    pSol->Update(INT_MAX);  // a step of weeks: the fall saturates instead of overflowing
    EXPECT_EQ(pSol->GetTile(0, 0).nState, TILE_FALLING);
    EXPECT_LE(pSol->GetTile(0, 0).nValue, CSol::s_nGoneDepth);
    pSol->Update(INT_MAX);
    pSol->Update(INT_MAX);
    EXPECT_EQ(pSol->GetTile(0, 0).nState, TILE_GONE);
    pSol->Update(-1000);  // a negative step counts as nothing
    const int64_t nWeeks = 1000 + 3 * static_cast<int64_t>(INT_MAX);
    EXPECT_EQ(pSol->GetTime(), nWeeks);
    const int nAlpha = CSol::MarkAlpha(nWeeks);
    EXPECT_GE(nAlpha, 64);
    EXPECT_LE(nAlpha, 192);
    EXPECT_EQ(static_cast<uint32_t>(pSol->GetTile(2, 3).nValue), 0xFF00u | static_cast<uint32_t>(nAlpha)
                                                                               << 24);
}

}  // namespace
}  // namespace cubatro::test

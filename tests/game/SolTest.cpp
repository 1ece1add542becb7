// SolTest: the floor's tiles from standing to gone, marks, their pulse and their drawing.
#include "WorldTestSupport.h"  // CWorldTest with the scene

using CWorldSolTest = cubatro::test::CWorldTest;

TEST_F(CWorldSolTest, TilesStandThenFallRowByRowThenVanish)
{
    CSol one(1, 1, 1, 1.0f, m_strTexture, 0.0f, 0.0f, 0.0f);
    const size_t nPerTile = Feedback([&] { one.Draw(); }).size();
    ASSERT_GE(nPerTile, 6u);
    const auto prims = Feedback([&] { m_pSol->Draw(); });
    EXPECT_EQ(prims.size(), 125 * nPerTile);
    ExpectBox(BoxOf(prims), {0, 5, -1, 0, -25, 0});

    ASSERT_TRUE(m_pSol->SetMark(3.5f, -0.5f, CSol::s_dwMarkGreen));
    m_pSol->DropRow();
    EXPECT_FALSE(m_pSol->SetMark(0.5f, -0.5f, CSol::s_dwMarkGreen));  // a dropped row takes no mark
    m_pSol->Update(1000);
    m_pSol->TriggerMarks(m_pCubes.get());            // firing leaves falling tiles alone
    EXPECT_EQ(m_pSol->GetTile(3, 0).nValue, -1001);  // the mark went with the row, a unit down
    EXPECT_EQ(m_pSol->GetTile(3, 1).nState, TILE_STANDING);
    ExpectBox(BoxOf(Feedback([&] { m_pSol->Draw(); }),
                    [&](const auto& p) { return World(p.vertices[0])[2] > -0.999f; }),
              {0, 5, -2.001f, -1.001f, -1, 0}, 1e-4f);
    m_pSol->Update(INT_MAX);  // weeks in one step: the fall saturates instead of overflowing
    EXPECT_EQ(m_pSol->GetTile(4, 0).nState, TILE_FALLING);
    EXPECT_LE(m_pSol->GetTile(4, 0).nValue, CSol::s_nGoneDepth);
    m_pSol->Update(1);  // then the row is gone
    EXPECT_EQ(m_pSol->GetTile(4, 0).nState, TILE_GONE);
    EXPECT_EQ(Feedback([&] { m_pSol->Draw(); }).size(), 120 * nPerTile);
    for (int n = 0; n < 30; ++n)
        m_pSol->DropRow();
    EXPECT_EQ(m_pSol->GetFirstStandingRow(), 25);
}

TEST_F(CWorldSolTest, MarksGoUnderThePointPulseWithTheGameTimeAndAreDrawnAsBlendedQuads)
{
    // A point and the tile it marks (i = -1: refused), tile (4, 24) being marked red beforehand.
    const std::tuple<float, float, int, int> points[] = {{2.5f, -3.5f, 2, 3},     {-0.5f, 0.5f, 0, 0},
                                                         {4.99f, -24.99f, 4, 24}, {5.0f, -1.0f, -1, 0},
                                                         {1.0f, -25.0f, -1, 0},   {NAN, -1e30f, -1, 0}};
    for (const auto& [x, z, i, j] : points)
    {
        m_pSol->TriggerMarks(nullptr);
        ASSERT_TRUE(m_pSol->SetMark(4.5f, -24.5f, 0xFF));
        EXPECT_EQ(m_pSol->SetMark(x, z, CSol::s_dwMarkGreen), i >= 0) << x << ", " << z;
        EXPECT_EQ(i < 0 ? 0xFF00 : m_pSol->GetTile(i, j).nValue, 0xFF00);
        EXPECT_EQ(CountMarks(), i < 0 || j == 24 ? 1 : 2);
    }

    m_pSol->TriggerMarks(nullptr);
    ASSERT_TRUE(m_pSol->SetMark(0.5f, -0.5f, 0x00123456));
    ASSERT_TRUE(m_pSol->SetMark(4.5f, -20.5f, CSol::s_dwMarkGreen));
    // A step, the game time it brings and the marks' alpha then.
    const int64_t w = INT_MAX;
    const std::tuple<int, int64_t, uint32_t> steps[] = {
        {785, 785, 191},    {215, 1000, 186},       {-5000, 1000, 186},   {1356, 2356, 64},
        {w, 2356 + w, 138}, {w, 2356 + 2 * w, 188}, {w, 2356 + 3 * w, 98}};
    for (const auto& [nMs, nTime, nAlpha] : steps)
    {
        m_pSol->Update(nMs);
        EXPECT_EQ(m_pSol->GetTime(), nTime);
        EXPECT_EQ(static_cast<uint32_t>(m_pSol->GetTile(0, 0).nValue), 0x123456u | nAlpha << 24);
        EXPECT_EQ(static_cast<uint32_t>(m_pSol->GetTile(4, 20).nValue), 0xFF00u | nAlpha << 24);
    }

    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);  // seen from above: World gives (x, -z, y)
    auto marks = Feedback([&] { m_pSol->Draw(); });
    std::erase_if(marks, [](const auto& p) { return p.vertices[0].color[0] > 0.1f; });  // the green mark
    ASSERT_FALSE(marks.empty());
    for (const auto& p : marks)
        for (const auto& v : p.vertices)
            for (size_t n = 0; n < 4; ++n)
                EXPECT_NEAR(v.color[n], (std::array<float, 4>{0, 1, 0, 98 / 255.0f})[n], 1e-3f);
    ExpectBox(BoxOf(marks), {4, 5, 20, 21, 0, 0});
    for (GLenum cap : {GL_TEXTURE_2D, GL_BLEND, GL_POLYGON_OFFSET_FILL, GL_LIGHTING})
        EXPECT_EQ(glIsEnabled(cap), cap == GL_LIGHTING) << cap;  // the state the frame goes on with
    GLint n[3] = {};
    glGetIntegerv(GL_BLEND_SRC, &n[0]), glGetIntegerv(GL_BLEND_DST, &n[1]);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &n[2]);
    EXPECT_EQ(std::vector<GLint>(n, n + 3), (std::vector<GLint>{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, 1}));
    GLfloat f[2] = {};
    glGetFloatv(GL_POLYGON_OFFSET_FACTOR, &f[0]), glGetFloatv(GL_POLYGON_OFFSET_UNITS, &f[1]);
    EXPECT_EQ(std::vector<GLfloat>(f, f + 2), (std::vector<GLfloat>{-2.0f, -1.0f}));
}

// JoueurTest: the player's model, movement, edges, collisions, marks and firing.
#include "WorldTestSupport.h"  // CWorldTest with the scene and the key

using CWorldPlayerTest = CWorldTest;

// The key, fitted to 0.9, stands at the near left corner of the floor and is drawn at its place,
// turned by its heading. Without a model (none named, or a file without vertices) the player has
// no size and no list and draws nothing; without the floor or the block an update does nothing.
TEST_F(CWorldPlayerTest, KeyIsFittedPlacedDrawnAndTurnedAndNoModelMeansNoSize)
{
    CJoueur& j = *m_pJoueur;
    const float w = j.GetDimensions()[0], h = j.GetDimensions()[1], dp = j.GetDimensions()[2];
    EXPECT_TRUE(std::fabs(dp - 0.9f) < 1e-5f && h > 0 && h < w && w < dp) << w << " x " << h << " x " << dp;
    EXPECT_THAT((std::array{j.m_fX, j.m_fY, j.m_fZ}), ElementsAre(w / 2, h, -dp / 2));
    j.m_fX = 0.5f, j.m_fZ = -0.5f, j.m_fAngle = 90.0f;  // a quarter turn left: the key lies along x
    EXPECT_THAT(BoxOf(Feedback([&] { j.Draw(); })),
                Near({0.5f - dp / 2, 0.5f + dp / 2, h / 2, h * 1.5f, -0.5f - w / 2, -0.5f + w / 2}));

    const std::string strEmpty = m_dir.Write("empty.obj", "# nothing here\n");
    for (const char* pszFile : {static_cast<const char*>(nullptr), strEmpty.c_str()})
    {
        CJoueur p(pszFile);
        p.m_bForward = true;
        p.Update(100, nullptr, m_pCubes.get()), p.Update(100, m_pSol.get(), nullptr);
        const float* d = p.GetDimensions();
        EXPECT_THAT((std::array{d[0], d[1], d[2], p.m_fZ, float(p.GetList())}), ElementsAre(0, 0, 0, 0, -1));
        EXPECT_TRUE(Feedback([&] { p.Draw(); }).empty());
    }
    EXPECT_NE(m_capture.TraceText().find("\"" + strEmpty + "\" has no vertices"), std::string::npos);
}

TEST_F(CWorldPlayerTest, TurnsAndWalksEachAxisRefusedOnItsOwnAtEdgesAndIntactCubes)
{
    // Place, heading, keys and step; then the move (0: refused, the coordinate left exactly as it
    // was) and the heading. The player starts in the near left corner (x0, z0); xr is at the right
    // edge. Steps of weeks turn it many times over and push it hard into the far end, where cube
    // (3, 0) is being destroyed and blocks no more.
    const float x0 = m_pJoueur->m_fX, z0 = m_pJoueur->m_fZ, xr = 5 - x0 - 0.01f;
    ASSERT_TRUE(m_pCubes->Hit(3, 0));
    // clang-format off
    const std::tuple<float, float, float, unsigned, int, float, float, float> cases[] = {
        {2.5f, -10, 0, FORWARD, 100, 0, -0.5f, 0},        {2.5f, -10, 0, BACKWARD, 100, 0, 0.5f, 0},
        {2.5f, -10, 90, FORWARD, 100, -0.5f, 0, 90},      {2.5f, -10, 180, FORWARD | BACKWARD, 200, 0, 1, 180},
        {2.5f, -10, 0, LEFT | RIGHT, 1000, 0, 0, 100},    {2.5f, -10, 359, LEFT, 100, 0, 0, 9},
        {2.5f, -10, 5, RIGHT, 100, 0, 0, 355},            {2.5f, -10, 350, LEFT | FORWARD, 100, 0, -0.5f, 360},
        {2.5f, -10, 0, LEFT | FORWARD, -100, 0, 0, 0},    {2.5f, -10, 0, LEFT, INT_MAX, 0, 0, 80},
        {2.5f, -10, 0, RIGHT, INT_MAX, 0, 0, 280},        {2.3f, -24.3f, 45, FORWARD, INT_MAX, 0, 0, 45},
        {x0, z0, 0, BACKWARD, 100, 0, 0, 0},              {x0, z0, 0, BACKWARD | NO_F1, 100, 0, 0.5f, 0},
        {x0, z0, 45, FORWARD, 100, 0, -0.353553f, 45},    {xr, -24.5f, 225, BACKWARD, 100, -0.353553f, 0, 225},
        {xr, -24.5f, 315, FORWARD, 100, 0, 0, 315},       {2.5f, -24.9f, 0, FORWARD | NO_F1, 100, 0, 0, 0},
        {2.5f, -24.9f, 0, FORWARD | NO_F1 | NO_F2, 100, 0, -0.5f, 0},
        {3.5f, -24.9f, 0, FORWARD | NO_F1, 100, 0, -0.5f, 0}, {2.5f, -25.4f, 0, BACKWARD | NO_F1, 100, 0, 0.5f, 0}};
    // clang-format on
    for (const auto& [x, z, fAngle, nKeys, nMs, fDx, fDz, fAngleAfter] : cases)
    {
        m_pJoueur->m_fX = x, m_pJoueur->m_fZ = z, m_pJoueur->m_fAngle = fAngle;
        Press(nKeys);
        m_pJoueur->Update(nMs, m_pSol.get(), m_pCubes.get());
        const Vec3 moved = {m_pJoueur->m_fX - x, m_pJoueur->m_fZ - z, m_pJoueur->m_fAngle};
        const Vec3 want = {fDx, fDz, fAngleAfter};
        for (size_t a = 0; a < 3; ++a)
            EXPECT_NEAR(moved[a], want[a], want[a] == 0 ? 0 : 1e-3f) << x << ", " << z << ", " << fAngle;
    }
}

// Walking a frame at a time toward each edge of the floor in turn (left, right, near, far), the
// key stops with its whole footprint on the floor, less than a step from that edge. A dropped
// row still counts as floor.
TEST_F(CWorldPlayerTest, KeyStopsWithItsWholeFootprintOnTheFloorAtEachEdge)
{
    const float w = m_pJoueur->GetDimensions()[0], dp = m_pJoueur->GetDimensions()[2];
    m_pSol->DropRow();
    const std::pair<int, unsigned> walks[] = {{90, FORWARD}, {90, BACKWARD}, {0, BACKWARD}, {180, BACKWARD}};
    for (size_t n = 0; n < 4; ++n)
    {
        m_pJoueur->m_fX = 2.5f, m_pJoueur->m_fZ = -12.5f, m_pJoueur->m_fAngle = walks[n].first;
        Press(walks[n].second);
        for (int t = 0; t < 200; ++t)  // 0.1 units a frame, 20 units in all
            m_pJoueur->Update(20, m_pSol.get(), m_pCubes.get());
        const float x = m_pJoueur->m_fX, z = m_pJoueur->m_fZ;
        const float gaps[4] = {x - w / 2, 5 - x - w / 2, -z - dp / 2, 25 + z - dp / 2};  // to each edge
        for (size_t e = 0; e < 4; ++e)  // reported as walk and edge: gap
            EXPECT_TRUE(gaps[e] >= 0 && (e != n || gaps[e] < 0.1f)) << n << e << ": " << gaps[e];
    }
}

// One mark per firing, even when the floor refused it; firing destroys the cube resting on the
// marked tile.
TEST_F(CWorldPlayerTest, OneMarkPerFiringEvenWhenTheFloorRefusedItAndFiringHitsTheCubeOnTheMark)
{
    m_pSol->DropRow(), m_pSol->DropRow();
    m_pCubes->Update(16 * 6750, nullptr);  // the block's front row on floor row 9
    // Where the player stands and the keys it holds; then its marks and the tiles marked. Marking
    // comes before firing; the last mark lies under the block's front row, and is fired.
    const std::tuple<float, float, unsigned, int, int> steps[] = {
        {2.5f, -10.5f, MARK, 1, 1},       {3.5f, -11.5f, MARK, 1, 1},  // held: no second mark
        {3.5f, -11.5f, FIRE, 0, 0},       {3.5f, -11.5f, FIRE, 0, 0},  // firing with nothing marked
        {1.5f, -1.5f, MARK, 1, 0},        {1.5f, -2.5f, MARK, 1, 0},   // refused by a dropped row
        {1.5f, -2.5f, MARK | FIRE, 0, 0}, {3.5f, -9.5f, MARK, 1, 1},  {3.5f, -9.5f, FIRE, 0, 0}};
    for (const auto& [x, z, nKeys, nMarks, nMarked] : steps)
    {
        m_pJoueur->m_fX = x, m_pJoueur->m_fZ = z;
        Press(nKeys);
        m_pJoueur->Update(20, m_pSol.get(), m_pCubes.get());
        EXPECT_EQ(std::pair(m_pJoueur->GetMarks(), CountMarks()), std::pair(nMarks, nMarked)) << x << z;
    }
    const int nHit = CRollingCube::s_nIntact - 1;  // cubes (2, 1) and (3, 0) stood on the marks fired
    EXPECT_THAT((std::array{m_pCubes->GetValue(2, 1), m_pCubes->GetValue(3, 0), m_pCubes->GetValue(2, 0)}),
                ElementsAre(nHit, nHit, nHit + 1));
}

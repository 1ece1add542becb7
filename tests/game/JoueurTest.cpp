// JoueurTest: the player's model, movement, wrap, edges, collisions, marks and long steps.
#include "WorldTestSupport.h"  // CWorldTest with the scene and the key

using CWorldPlayerTest = cubatro::test::CWorldTest;

TEST_F(CWorldPlayerTest, KeyIsFittedPlacedDrawnTurnedAndFreedAndNoModelMeansNoSize)
{
    CJoueur& j = *m_pJoueur;
    const float w = j.GetDimensions()[0], h = j.GetDimensions()[1], dp = j.GetDimensions()[2];
    EXPECT_TRUE(std::fabs(dp - 0.9f) < 1e-5f && h > 0 && h < w && w < dp) << w << " x " << h << " x " << dp;
    EXPECT_EQ(std::vector<float>({j.m_fX, j.m_fY, j.m_fZ, j.m_fAngle}),
              std::vector<float>({w / 2, h, -dp / 2, 0}));
    EXPECT_FALSE(j.IsBlocked(m_pSol.get(), m_pCubes.get()));  // touching two edges is allowed
    j.m_fX = 0.5f, j.m_fZ = -0.5f;
    ExpectBox(BoxOf(Feedback([&] { j.Draw(); })),
              {0.5f - w / 2, 0.5f + w / 2, h / 2, h * 1.5f, -0.5f - dp / 2, -0.5f + dp / 2});
    j.m_fAngle = 90.0f;  // a quarter turn left: the key lies along x
    ExpectBox(BoxOf(Feedback([&] { j.Draw(); })),
              {0.5f - dp / 2, 0.5f + dp / 2, h / 2, h * 1.5f, -0.5f - w / 2, -0.5f + w / 2});
    const GLuint nList = static_cast<GLuint>(j.GetList()), nOther = glGenLists(1);
    glNewList(nOther, GL_COMPILE), glEndList();
    m_pJoueur.reset();  // deletes its own list only
    EXPECT_EQ(std::pair(glIsList(nList), glIsList(nOther)),
              (std::pair<GLboolean, GLboolean>(GL_FALSE, GL_TRUE)));

    // Without a model (none named, or a file without vertices) the player has no size and no
    // list, draws nothing and still walks and marks by the rules.
    const std::string strEmpty = m_dir.Write("empty.obj", "# nothing here\n");
    CJoueur none(nullptr), empty(strEmpty.c_str());
    EXPECT_NE(m_capture.TraceText().find("CJoueur: model \"" + strEmpty + "\" has no vertices\n"),
              std::string::npos);
    for (CJoueur* p : {&none, &empty})
    {
        const float* d = p->GetDimensions();
        EXPECT_EQ(std::vector<float>(
                      {d[0], d[1], d[2], p->m_fX, p->m_fY, p->m_fZ, static_cast<float>(p->GetList())}),
                  std::vector<float>({0, 0, 0, 0, 0, 0, -1}));
        EXPECT_TRUE(Feedback([&] { p->Draw(); }).empty());
    }
    none.m_bForward = none.m_bMark = true;
    none.m_fX = 2.5f;
    none.Update(100, nullptr, m_pCubes.get());  // without the floor (or the block) nothing happens
    none.Update(100, m_pSol.get(), nullptr);
    none.Update(100, m_pSol.get(), m_pCubes.get());
    EXPECT_NEAR(none.m_fZ, -0.5f, 1e-5f);
    EXPECT_EQ(m_pSol->GetTile(2, 0).nValue, 0xFF00);
}

TEST_F(CWorldPlayerTest, TurnsAndWalksEachAxisRefusedOnItsOwnAtEdgesAndIntactCubes)
{
    // Place, heading, keys and step; then the move (0: refused, the coordinate left exactly as it
    // was) and the heading. The player starts in the near left corner (x0, z0); xr is at the right
    // edge. Steps of weeks turn it many times over and push it hard into the far end.
    const float x0 = m_pJoueur->m_fX, z0 = m_pJoueur->m_fZ, xr = 5 - x0 - 0.01f;
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
        {2.5f, -25.4f, 0, BACKWARD | NO_F1, 100, 0, 0.5f, 0}};
    // clang-format on
    for (const auto& [x, z, fAngle, nKeys, nMs, fDx, fDz, fAngleAfter] : cases)
    {
        m_pJoueur->m_fX = x, m_pJoueur->m_fZ = z, m_pJoueur->m_fAngle = fAngle;
        Press(nKeys);
        m_pJoueur->Update(nMs, m_pSol.get(), m_pCubes.get());
        EXPECT_NEAR(m_pJoueur->m_fX - x, fDx, fDx == 0 ? 0 : 1e-4f) << x << ", " << z << ", " << fAngle;
        EXPECT_NEAR(m_pJoueur->m_fZ - z, fDz, fDz == 0 ? 0 : 1e-4f) << x << ", " << z << ", " << fAngle;
        EXPECT_NEAR(m_pJoueur->m_fAngle, fAngleAfter, 1e-3f) << x << ", " << z << ", " << fAngle;
    }
    ASSERT_TRUE(m_pCubes->Hit(2, 0));  // a cube being destroyed blocks no more
    m_pJoueur->m_fZ = -24.9f;
    Press(FORWARD | NO_F1);
    m_pJoueur->Update(100, m_pSol.get(), m_pCubes.get());
    EXPECT_NEAR(m_pJoueur->m_fZ, -25.4f, 1e-5f);
}

TEST_F(CWorldPlayerTest, OneMarkPerFiringEvenWhenTheFloorRefusedIt)
{
    m_pSol->DropRow();
    m_pSol->DropRow();
    // Where the player stands and the keys it holds; then its marks and the tiles marked.
    const std::tuple<float, float, unsigned, int, int> steps[] = {
        {2.5f, -10.5f, MARK, 1, 1},       {3.5f, -11.5f, MARK, 1, 1},  // held: no second mark
        {3.5f, -11.5f, FIRE, 0, 0},       {3.5f, -11.5f, FIRE, 0, 0},  // firing with nothing marked
        {1.5f, -1.5f, MARK, 1, 0},        {1.5f, -2.5f, MARK, 1, 0},   // refused by a dropped row
        {1.5f, -2.5f, MARK | FIRE, 0, 0}, {1.5f, -2.5f, MARK, 1, 1}};  // marking comes before firing
    for (const auto& [x, z, nKeys, nMarks, nMarked] : steps)
    {
        m_pJoueur->m_fX = x, m_pJoueur->m_fZ = z;
        Press(nKeys);
        m_pJoueur->Update(20, m_pSol.get(), m_pCubes.get());
        EXPECT_EQ(std::pair(m_pJoueur->GetMarks(), CountMarks()), std::pair(nMarks, nMarked))
            << x << ", " << z << ", keys " << nKeys;
    }
}

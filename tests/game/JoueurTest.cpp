// JoueurTest: the player's model, movement, wrap, collisions, mark allowance and long steps.
#include "WorldTestSupport.h"  // CWorldTest with the scene and the key model

#include <climits>  // INT_MAX for the longest steps
#include <cmath>    // std::isfinite, std::fmod, NAN

namespace cubatro::test
{
namespace
{

class CJoueurTest : public CWorldTest
{
protected:
    void SetUp() override
    {
        CWorldTest::SetUp();
        MakeScene();
    }
    void Step(int nMs) { m_pJoueur->Update(nMs, m_pSol.get(), m_pCubes.get()); }
    void Place(float x, float z, float fAngle)
    {
        m_pJoueur->m_fX = x;
        m_pJoueur->m_fZ = z;
        m_pJoueur->m_fAngle = fAngle;
    }
    void Hold(bool bLeft, bool bRight, bool bForward, bool bBackward)
    {
        m_pJoueur->m_bTurnLeft = bLeft;
        m_pJoueur->m_bTurnRight = bRight;
        m_pJoueur->m_bForward = bForward;
        m_pJoueur->m_bBackward = bBackward;
    }
    int CountMarks() const
    {
        int n = 0;
        for (int i = 0; i < 5; ++i)
            for (int j = m_pSol->GetFirstStandingRow(); j < 25; ++j)
                n += m_pSol->GetTile(i, j).nValue != 0;
        return n;
    }
};

TEST_F(CJoueurTest, KeyModelIsFittedStandsAtTheNearLeftCornerAndIsDrawnTurned)
{
    const CJoueur& j = *m_pJoueur;
    EXPECT_EQ(j.GetModel().numtriangles, static_cast<uint32_t>(s_nKeyBoxes * 12));
    const float w = j.GetDimensions()[0], h = j.GetDimensions()[1], dp = j.GetDimensions()[2];
    EXPECT_NEAR(w, 0.06f, 1e-4f);
    EXPECT_NEAR(h, 0.36f, 1e-4f);
    EXPECT_NEAR(dp, 0.9f, 1e-4f);
    EXPECT_EQ(std::vector<float>({j.m_fX, j.m_fY, j.m_fZ, j.m_fAngle}),
              std::vector<float>({w / 2, h, -dp / 2, 0}));
    EXPECT_TRUE(j.m_bFloorBounds && j.m_bCubeCollision && j.GetMarks() == 0 && j.GetMaxMarks() == 1);
    EXPECT_FALSE(j.IsBlocked(m_pSol.get(), m_pCubes.get()));  // touching two edges is allowed
    ASSERT_NE(j.GetList(), -1);
    EXPECT_TRUE(glIsList(static_cast<GLuint>(j.GetList())));

    SetOrtho(-1, 2, -1, 2, -2, 2);
    Place(0.5f, -0.5f, 0.0f);
    auto prims = Feedback([&] { m_pJoueur->Draw(); });
    EXPECT_EQ(Polygons(prims), static_cast<size_t>(s_nKeyBoxes * 12));
    ExpectBox(BoxOf(prims), {0.5f - w / 2, 0.5f + w / 2, h / 2, h * 1.5f, -0.5f - dp / 2, -0.5f + dp / 2});
    m_pJoueur->m_fAngle = 90.0f;  // a quarter turn left: the key lies along x
    ExpectBox(BoxOf(Feedback([&] { m_pJoueur->Draw(); })),
              {0.5f - dp / 2, 0.5f + dp / 2, h / 2, h * 1.5f, -0.5f - w / 2, -0.5f + w / 2});

    const GLuint nList = static_cast<GLuint>(j.GetList()), nOther = glGenLists(1);
    glNewList(nOther, GL_COMPILE);
    glEndList();
    m_pJoueur.reset();
    EXPECT_FALSE(glIsList(nList));
    EXPECT_TRUE(glIsList(nOther));  // only its own list is deleted
}

TEST_F(CJoueurTest, PlayerWithoutAModelHasNoSizeNoListAndDrawsNothing)
{
    CJoueur none(nullptr);
    const std::string strEmpty = m_dir.Write("empty.obj", "# nothing here\n");
    CJoueur empty(strEmpty.c_str());
    EXPECT_NE(m_pCapture->TraceText().find("CJoueur: model \"" + strEmpty + "\" has no vertices\n"),
              std::string::npos);
    SetOrtho(-10, 10, -10, 10, -10, 10);
    for (CJoueur* p : {&none, &empty})
    {
        const float* d = p->GetDimensions();
        EXPECT_EQ(std::vector<float>({d[0], d[1], d[2], p->m_fX, p->m_fY, p->m_fZ}),
                  std::vector<float>(6, 0.0f));
        EXPECT_EQ(p->GetList(), -1);
        EXPECT_TRUE(Feedback([&] { p->Draw(); }).empty());
    }
    none.m_bForward = none.m_bMark = true;  // a point-sized player still walks by the rules
    none.m_fX = 2.5f;
    none.Update(100, nullptr, m_pCubes.get());  // without the floor (or the block) nothing happens
    none.Update(100, m_pSol.get(), nullptr);
    EXPECT_EQ(none.m_fZ, 0.0f);
    EXPECT_EQ(none.GetMarks(), 0);
    none.Update(100, m_pSol.get(), m_pCubes.get());
    EXPECT_NEAR(none.m_fZ, -0.5f, 1e-5f);
    EXPECT_EQ(m_pSol->GetTile(2, 0).nValue, 0xFF00);
    EXPECT_EQ(CountMarks(), 1);
}

struct SMoveCase
{
    float fAngle;                             // heading before the update
    bool bLeft, bRight, bForward, bBackward;  // keys held
    int nMs;                                  // the step
    float fDx, fDz, fAngleAfter;              // the move and heading expected
};

class CPlayerMoveTest : public CJoueurTest, public ::testing::WithParamInterface<SMoveCase>
{
};

TEST_P(CPlayerMoveTest, TurnsWrapsAndWalksAlongTheHeading)
{
    const SMoveCase& c = GetParam();
    Place(2.5f, -10.0f, c.fAngle);
    Hold(c.bLeft, c.bRight, c.bForward, c.bBackward);
    Step(c.nMs);
    EXPECT_NEAR(m_pJoueur->m_fAngle, c.fAngleAfter, 1e-3f);
    EXPECT_NEAR(m_pJoueur->m_fX - 2.5f, c.fDx, 1e-4f);
    EXPECT_NEAR(m_pJoueur->m_fZ + 10.0f, c.fDz, 1e-4f);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, CPlayerMoveTest,
    ::testing::Values(SMoveCase{0, false, false, true, false, 100, 0, -0.5f, 0},
                      SMoveCase{0, false, false, false, true, 100, 0, 0.5f, 0},
                      SMoveCase{90, false, false, true, false, 100, -0.5f, 0, 90},
                      SMoveCase{270, false, false, true, false, 100, 0.5f, 0, 270},
                      SMoveCase{45, false, false, true, false, 100, -0.353553f, -0.353553f, 45},
                      SMoveCase{180, false, false, true, true, 200, 0, 1.0f, 180},  // forward wins
                      SMoveCase{0, true, true, false, false, 1000, 0, 0, 100},      // left wins
                      SMoveCase{359, true, false, false, false, 100, 0, 0, 9},
                      SMoveCase{5, false, true, false, false, 100, 0, 0, 355},
                      SMoveCase{350, true, false, true, false, 100, 0, -0.5f, 360}));

struct SEdgeCase
{
    float x, z, fAngle;     // where the player stands (not a number: its start) and faces
    bool bForward;          // forward or backward
    bool bFloorBounds;      // the F1 switch
    bool bMovesX, bMovesZ;  // which axes move
};

class CFloorEdgeTest : public CJoueurTest, public ::testing::WithParamInterface<SEdgeCase>
{
};

TEST_P(CFloorEdgeTest, EachAxisIsRefusedOnItsOwnAtTheFloorEdges)
{
    const SEdgeCase& c = GetParam();
    const float x = std::isnan(c.x) ? m_pJoueur->m_fX : c.x, z = std::isnan(c.z) ? m_pJoueur->m_fZ : c.z;
    Place(x, z, c.fAngle);
    m_pJoueur->m_bFloorBounds = c.bFloorBounds;
    Hold(false, false, c.bForward, !c.bForward);
    Step(100);
    EXPECT_EQ(m_pJoueur->m_fX == x, !c.bMovesX);
    EXPECT_EQ(m_pJoueur->m_fZ == z, !c.bMovesZ);
    EXPECT_EQ(std::fabs(m_pJoueur->m_fX - x) > 0.3f, c.bMovesX);
    EXPECT_EQ(std::fabs(m_pJoueur->m_fZ - z) > 0.3f, c.bMovesZ);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, CFloorEdgeTest,
    ::testing::Values(SEdgeCase{NAN, NAN, 0, false, true, false, false},       // off the near end
                      SEdgeCase{NAN, NAN, 0, false, false, false, true},       // F1 off: it leaves
                      SEdgeCase{NAN, NAN, 45, true, true, false, true},        // slides along the left edge
                      SEdgeCase{NAN, NAN, 135, true, true, false, false},      // into the corner
                      SEdgeCase{NAN, NAN, 315, true, true, true, true},        // away from both edges
                      SEdgeCase{4.9f, -24.5f, 315, true, true, false, false},  // far right corner
                      SEdgeCase{4.9f, -24.5f, 225, false, true, true, false},  // along the far end
                      SEdgeCase{4.9f, -24.5f, 315, true, false, true, true}));

struct SCollisionCase
{
    bool bCubeCollision;  // the F2 switch
    bool bHit;            // the cube ahead is being destroyed
    float fZ;             // where the player starts
    bool bForward;        // forward or backward
    bool bMoves;          // the step is taken
};

class CCubeCollisionTest : public CJoueurTest, public ::testing::WithParamInterface<SCollisionCase>
{
};

TEST_P(CCubeCollisionTest, OnlyIntactCubesBlockTheCentre)
{
    const SCollisionCase& c = GetParam();
    m_pCubes->Update(2 * s_nStepMs, m_pSol.get());  // the front row covers z -24 to -23
    if (c.bHit)
    {
        ASSERT_TRUE(m_pCubes->Hit(2, 0));
    }
    m_pJoueur->m_bCubeCollision = c.bCubeCollision;
    Place(2.5f, c.fZ, 0.0f);
    Hold(false, false, c.bForward, !c.bForward);
    Step(100);  // half a unit
    EXPECT_EQ(m_pJoueur->m_fZ != c.fZ, c.bMoves);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, CCubeCollisionTest,
    ::testing::Values(SCollisionCase{true, false, -22.9f, true, false},    // into a cube
                      SCollisionCase{true, true, -22.9f, true, true},      // into a fading one
                      SCollisionCase{false, false, -22.9f, true, true},    // F2 off
                      SCollisionCase{true, false, -23.6f, true, false},    // inside, staying in
                      SCollisionCase{true, false, -23.4f, false, true}));  // inside, getting out

TEST_F(CJoueurTest, OneMarkPerFiringEvenWhenTheFloorRefusedIt)
{
    Place(2.5f, -10.5f, 0.0f);
    m_pJoueur->m_bMark = true;
    Step(20);
    EXPECT_EQ(m_pSol->GetTile(2, 10).nValue, 0xFF00);
    Place(3.5f, -11.5f, 0.0f);
    Step(20);  // still held: no second mark
    EXPECT_EQ(CountMarks(), 1);
    EXPECT_EQ(m_pJoueur->GetMarks(), 1);
    m_pJoueur->m_bMark = false;
    m_pJoueur->m_bTrigger = true;
    for (int n = 0; n < 2; ++n)  // firing again with nothing marked changes nothing
    {
        Step(20);
        EXPECT_EQ(m_pJoueur->GetMarks(), 0);
        EXPECT_EQ(CountMarks(), 0);
    }

    // Over a dropped row the mark is refused but still counted until the next firing.
    m_pJoueur->m_bTrigger = false;
    m_pSol->DropRow();
    m_pSol->DropRow();
    Place(1.5f, -1.5f, 0.0f);
    m_pJoueur->m_bMark = true;
    Step(20);
    EXPECT_EQ(m_pJoueur->GetMarks(), 1);
    Place(1.5f, -2.5f, 0.0f);
    Step(20);
    EXPECT_EQ(CountMarks(), 0);
    m_pJoueur->m_bTrigger = true;  // marking comes before firing within one update
    Step(20);
    EXPECT_EQ(CountMarks(), 0);
    m_pJoueur->m_bTrigger = false;
    Step(20);
    EXPECT_EQ(m_pSol->GetTile(1, 2).nValue, 0xFF00);
}

TEST_F(CJoueurTest, LongStepsKeepThePlayerOnTheFloorAndTurning)
{
    // Hours of walking into an edge in one step: refused, and the refusal puts the player back
    // exactly where it was rather than where rounding would leave it.
    const float fStartX = m_pJoueur->m_fX, fStartZ = m_pJoueur->m_fZ;
    Hold(false, false, true, false);
    Place(2.5f, -24.0f, 0.0f);
    Step(INT_MAX);
    EXPECT_EQ(std::vector<float>({m_pJoueur->m_fX, m_pJoueur->m_fZ}), std::vector<float>({2.5f, -24.0f}));
    Place(fStartX, fStartZ, 180.0f);
    Step(INT_MAX);
    EXPECT_EQ(std::vector<float>({m_pJoueur->m_fX, m_pJoueur->m_fZ}), std::vector<float>({fStartX, fStartZ}));
    m_pJoueur->m_fAngle = 0.0f;
    Step(100);  // and it can still walk
    EXPECT_NEAR(m_pJoueur->m_fZ, fStartZ - 0.5f, 1e-5f);

    // Turning for weeks leaves a heading in range that still turns by small steps.
    Hold(true, false, false, false);
    Step(INT_MAX);
    const float fAngle = m_pJoueur->m_fAngle;
    EXPECT_TRUE(fAngle >= 0.0f && fAngle <= 360.0f) << fAngle;
    Step(100);
    EXPECT_NEAR(m_pJoueur->m_fAngle, std::fmod(fAngle + 10.0f, 360.0f), 1e-3f);
    Hold(false, true, false, false);
    Step(INT_MAX);
    EXPECT_TRUE(m_pJoueur->m_fAngle >= 0.0f && m_pJoueur->m_fAngle <= 360.0f) << m_pJoueur->m_fAngle;

    // Off the floor with both switches off: far away, still finite, marks refused; a negative
    // step does nothing.
    m_pJoueur->m_bFloorBounds = m_pJoueur->m_bCubeCollision = false;
    Hold(false, false, true, false);
    m_pJoueur->m_bMark = true;
    Place(2.5f, -10.0f, 0.0f);
    for (int n = 0; n < 4; ++n)
        Step(INT_MAX);
    EXPECT_TRUE(std::isfinite(m_pJoueur->m_fZ) && m_pJoueur->m_fZ < -4.0e7f) << m_pJoueur->m_fZ;
    EXPECT_EQ(CountMarks(), 0);
    const float fZ = m_pJoueur->m_fZ;
    Step(-100);
    EXPECT_EQ(m_pJoueur->m_fZ, fZ);
}

}  // namespace
}  // namespace cubatro::test

// JoueurTest: the player's model, movement, wrap, collisions, mark allowance and long steps.
#include "WorldTestSupport.h"  // CWorldTest and the key model

#include "game/Joueur.h"       // CJoueur under test
#include "game/RollingCube.h"  // the block that blocks the player
#include "game/Sol.h"          // the floor the player walks on

#include <climits>  // INT_MAX for the longest steps
#include <cmath>    // std::isfinite, std::fmod

namespace cubatro::test
{
namespace
{

constexpr float s_fKeyWidth = 0.06f, s_fKeyHeight = 0.36f, s_fKeyDepth = 0.9f;  // the key after fitting

class CJoueurTest : public CWorldTest
{
protected:
    void SetUp() override
    {
        CWorldTest::SetUp();
        m_pSol = std::make_unique<CSol>(5, 1, 25, 1.0f, m_strTexture, 0.0f, 0.0f, 0.0f);
        m_pCubes = std::make_unique<CRollingCube>(5, 7, 1.0f, m_strTexture, 0.0f, 0.0f, -25.0f);
        m_strKey = WriteKeyModel(m_dir);
        m_pJoueur = std::make_unique<CJoueur>(m_strKey.c_str());
    }
    void TearDown() override
    {
        m_pJoueur.reset();
        m_pCubes.reset();
        m_pSol.reset();
        CWorldTest::TearDown();
    }
    void Step(int nMs) { m_pJoueur->Update(nMs, m_pSol.get(), m_pCubes.get()); }
    void Place(float x, float z, float fAngle)
    {
        m_pJoueur->m_fX = x;
        m_pJoueur->m_fZ = z;
        m_pJoueur->m_fAngle = fAngle;
    }
    int CountMarks() const
    {
        int n = 0;
        for (int i = 0; i < m_pSol->GetWidth(); ++i)
            for (int j = m_pSol->GetFirstStandingRow(); j < m_pSol->GetLength(); ++j)
                n += m_pSol->GetTile(i, j).nValue != 0;
        return n;
    }

    std::string m_strKey;
    std::unique_ptr<CSol> m_pSol;
    std::unique_ptr<CRollingCube> m_pCubes;
    std::unique_ptr<CJoueur> m_pJoueur;
};

TEST_F(CJoueurTest, KeyModelIsFittedListedAndStandsAtTheNearLeftCorner)
{
    const CJoueur& j = *m_pJoueur;
    EXPECT_EQ(j.GetModel().numtriangles, static_cast<uint32_t>(s_nKeyBoxes * 12));
    EXPECT_NEAR(j.GetDimensions()[0], s_fKeyWidth, 1e-4f);
    EXPECT_NEAR(j.GetDimensions()[1], s_fKeyHeight, 1e-4f);
    EXPECT_NEAR(j.GetDimensions()[2], s_fKeyDepth, 1e-4f);
    EXPECT_FLOAT_EQ(j.m_fX, j.GetDimensions()[0] / 2);
    EXPECT_FLOAT_EQ(j.m_fY, j.GetDimensions()[1]);
    EXPECT_FLOAT_EQ(j.m_fZ, -j.GetDimensions()[2] / 2);
    EXPECT_EQ(j.m_fAngle, 0.0f);
    EXPECT_EQ(j.GetMarks(), 0);
    EXPECT_EQ(j.GetMaxMarks(), 1);
    EXPECT_TRUE(j.m_bFloorBounds);
    EXPECT_TRUE(j.m_bCubeCollision);
    ASSERT_NE(j.GetList(), -1);
    EXPECT_TRUE(glIsList(static_cast<GLuint>(j.GetList())));
    EXPECT_FALSE(j.IsBlocked(m_pSol.get(), m_pCubes.get()));  // touching two edges is allowed
}

TEST_F(CJoueurTest, DrawPlacesTheListAtThePositionTurnedByTheHeading)
{
    SetOrtho(-1, 2, -1, 2, -2, 2);
    Place(0.5f, -0.5f, 0.0f);
    auto prims = Feedback([&] { m_pJoueur->Draw(); });
    EXPECT_EQ(Polygons(prims), static_cast<size_t>(s_nKeyBoxes * 12));
    SBox box = BoxOf(prims, [](const auto&) { return true; });
    EXPECT_NEAR(box.min[0], 0.5f - s_fKeyWidth / 2, 1e-3f);
    EXPECT_NEAR(box.max[0], 0.5f + s_fKeyWidth / 2, 1e-3f);
    EXPECT_NEAR(box.min[1], s_fKeyHeight / 2, 1e-3f);
    EXPECT_NEAR(box.max[1], s_fKeyHeight * 1.5f, 1e-3f);
    EXPECT_NEAR(box.min[2], -0.5f - s_fKeyDepth / 2, 1e-3f);
    EXPECT_NEAR(box.max[2], -0.5f + s_fKeyDepth / 2, 1e-3f);

    m_pJoueur->m_fAngle = 90.0f;  // a quarter turn to the left: the key now lies along x
    prims = Feedback([&] { m_pJoueur->Draw(); });
    box = BoxOf(prims, [](const auto&) { return true; });
    EXPECT_NEAR(box.min[0], 0.5f - s_fKeyDepth / 2, 1e-3f);
    EXPECT_NEAR(box.max[0], 0.5f + s_fKeyDepth / 2, 1e-3f);
    EXPECT_NEAR(box.min[2], -0.5f - s_fKeyWidth / 2, 1e-3f);
    EXPECT_NEAR(box.max[2], -0.5f + s_fKeyWidth / 2, 1e-3f);
    GLint nDepth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &nDepth);
    EXPECT_EQ(nDepth, 1);
}

TEST_F(CJoueurTest, DestructionDeletesTheListOnly)
{
    const GLuint nList = static_cast<GLuint>(m_pJoueur->GetList());
    const GLuint nOther = glGenLists(1);
    glNewList(nOther, GL_COMPILE);
    glEndList();
    m_pJoueur.reset();
    EXPECT_FALSE(glIsList(nList));
    EXPECT_TRUE(glIsList(nOther));
    glDeleteLists(nOther, 1);
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
        for (int a = 0; a < 3; ++a)
            EXPECT_EQ(p->GetDimensions()[a], 0.0f);
        EXPECT_EQ(p->GetList(), -1);
        EXPECT_EQ(p->m_fX, 0.0f);
        EXPECT_EQ(p->m_fY, 0.0f);
        EXPECT_EQ(p->m_fZ, 0.0f);
        EXPECT_TRUE(Feedback([&] { p->Draw(); }).empty());
    }
    // A point-sized player still walks by the rules.
    none.m_bForward = true;
    none.m_fX = 2.5f;
    none.Update(100, m_pSol.get(), m_pCubes.get());
    EXPECT_NEAR(none.m_fZ, -0.5f, 1e-5f);
}

TEST_F(CJoueurTest, NothingHappensWithoutFloorOrBlock)
{
    Place(2.5f, -10.0f, 0.0f);
    m_pJoueur->m_bTurnLeft = m_pJoueur->m_bForward = m_pJoueur->m_bMark = true;
    m_pJoueur->Update(100, nullptr, m_pCubes.get());
    m_pJoueur->Update(100, m_pSol.get(), nullptr);
    EXPECT_EQ(m_pJoueur->m_fAngle, 0.0f);
    EXPECT_EQ(m_pJoueur->m_fZ, -10.0f);
    EXPECT_EQ(m_pJoueur->GetMarks(), 0);
    EXPECT_EQ(CountMarks(), 0);
}

struct SMoveCase
{
    float fAngle;                             // heading before the update
    bool bLeft, bRight, bForward, bBackward;  // keys held
    int nMs;                                  // the step
    float fDx, fDz;                           // the move expected
    float fAngleAfter;                        // the heading expected
};

class CPlayerMoveTest : public CJoueurTest, public ::testing::WithParamInterface<SMoveCase>
{
};

TEST_P(CPlayerMoveTest, TurnsWrapsAndWalksAlongTheHeading)
{
    const SMoveCase& c = GetParam();
    Place(2.5f, -10.0f, c.fAngle);
    m_pJoueur->m_bTurnLeft = c.bLeft;
    m_pJoueur->m_bTurnRight = c.bRight;
    m_pJoueur->m_bForward = c.bForward;
    m_pJoueur->m_bBackward = c.bBackward;
    Step(c.nMs);
    EXPECT_NEAR(m_pJoueur->m_fAngle, c.fAngleAfter, 1e-3f);
    EXPECT_NEAR(m_pJoueur->m_fX - 2.5f, c.fDx, 1e-4f);
    EXPECT_NEAR(m_pJoueur->m_fZ + 10.0f, c.fDz, 1e-4f);
    EXPECT_FLOAT_EQ(m_pJoueur->m_fY, s_fKeyHeight);
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
                      SMoveCase{360, true, false, false, false, 0, 0, 0, 360},  // exactly 360 stays
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
    const float x = std::isnan(c.x) ? m_pJoueur->m_fX : c.x;
    const float z = std::isnan(c.z) ? m_pJoueur->m_fZ : c.z;
    Place(x, z, c.fAngle);
    m_pJoueur->m_bFloorBounds = c.bFloorBounds;
    m_pJoueur->m_bForward = c.bForward;
    m_pJoueur->m_bBackward = !c.bForward;
    Step(100);
    EXPECT_EQ(std::fabs(m_pJoueur->m_fX - x) > 0.3f, c.bMovesX);
    EXPECT_EQ(m_pJoueur->m_fX == x, !c.bMovesX);
    EXPECT_EQ(std::fabs(m_pJoueur->m_fZ - z) > 0.3f, c.bMovesZ);
    EXPECT_EQ(m_pJoueur->m_fZ == z, !c.bMovesZ);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, CFloorEdgeTest,
    ::testing::Values(SEdgeCase{NAN, NAN, 0, false, true, false, false},       // backward off the near end
                      SEdgeCase{NAN, NAN, 0, false, false, false, true},       // F1 off: it leaves the floor
                      SEdgeCase{NAN, NAN, 45, true, true, false, true},        // slides along the left edge
                      SEdgeCase{NAN, NAN, 135, true, true, false, false},      // into the corner
                      SEdgeCase{NAN, NAN, 315, true, true, true, true},        // away from both edges
                      SEdgeCase{4.9f, -24.5f, 315, true, true, false, false},  // into the far right corner
                      SEdgeCase{4.9f, -24.5f, 225, false, true, true, false},  // backward along the far end
                      SEdgeCase{4.9f, -24.5f, 315, true, false, true, true}));

struct SCollisionCase
{
    bool bCubeCollision;  // the F2 switch
    bool bHit;            // the cube ahead is being destroyed
    bool bMoves;          // the step is taken
};

class CCubeCollisionTest : public CJoueurTest, public ::testing::WithParamInterface<SCollisionCase>
{
};

TEST_P(CCubeCollisionTest, OnlyIntactCubesBlockTheCentre)
{
    const SCollisionCase& c = GetParam();
    m_pCubes->Update(6750, m_pSol.get());  // the front row rests on floor row 24
    if (c.bHit)
    {
        ASSERT_TRUE(m_pCubes->Hit(2, 0));
    }
    m_pJoueur->m_bCubeCollision = c.bCubeCollision;
    Place(2.5f, -23.9f, 0.0f);
    m_pJoueur->m_bForward = true;
    Step(100);  // the centre would end at z = -24.4, inside cube (2, 0)
    EXPECT_EQ(m_pJoueur->m_fZ == -23.9f, !c.bMoves);
    EXPECT_EQ(m_pJoueur->IsBlocked(m_pSol.get(), m_pCubes.get()), false);
}

INSTANTIATE_TEST_SUITE_P(Switches, CCubeCollisionTest,
                         ::testing::Values(SCollisionCase{true, false, false},
                                           SCollisionCase{true, true, true},
                                           SCollisionCase{false, false, true}));

TEST_F(CJoueurTest, ACubeRollingOntoThePlayerHoldsItUntilItLeavesTheCube)
{
    Place(2.5f, -23.5f, 0.0f);
    m_pCubes->Update(2 * 6750, m_pSol.get());  // cube (2, 0) now covers the player's centre
    EXPECT_TRUE(m_pJoueur->IsBlocked(m_pSol.get(), m_pCubes.get()));
    m_pJoueur->m_bForward = true;
    Step(50);  // stays inside the cube: refused
    EXPECT_EQ(m_pJoueur->m_fZ, -23.5f);
    m_pJoueur->m_bForward = false;
    m_pJoueur->m_bBackward = true;
    Step(200);  // ends in front of the block: taken
    EXPECT_NEAR(m_pJoueur->m_fZ, -22.5f, 1e-5f);
}

TEST_F(CJoueurTest, OneMarkPerFiringEvenWhenTheFloorRefusedIt)
{
    Place(2.5f, -10.5f, 0.0f);
    m_pJoueur->m_bMark = true;
    Step(20);
    EXPECT_EQ(m_pSol->GetTile(2, 10).nValue & 0xFFFFFF, 0xFF00);
    Place(3.5f, -11.5f, 0.0f);
    Step(20);  // still held: no second mark
    EXPECT_EQ(CountMarks(), 1);
    EXPECT_EQ(m_pJoueur->GetMarks(), 1);

    m_pJoueur->m_bMark = false;
    m_pJoueur->m_bTrigger = true;
    Step(20);
    EXPECT_EQ(m_pJoueur->GetMarks(), 0);
    EXPECT_EQ(CountMarks(), 0);
    Step(20);  // firing again with nothing marked changes nothing
    EXPECT_EQ(m_pJoueur->GetMarks(), 0);
    EXPECT_EQ(CountMarks(), 0);

    // Over a dropped row the mark is refused but still counted.
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
    m_pJoueur->m_bTrigger = true;  // fire (nothing) and mark in one update: the mark waits for the next
    Step(20);
    EXPECT_EQ(CountMarks(), 0);
    m_pJoueur->m_bTrigger = false;
    Step(20);
    EXPECT_EQ(m_pSol->GetTile(1, 2).nValue & 0xFFFFFF, 0xFF00);
}

TEST_F(CJoueurTest, LongStepsKeepThePlayerOnTheFloorAndTurning)
{
    // Hours of walking into the far edge in one step: refused, and the refusal puts the player
    // back exactly where it was rather than where rounding would leave it.
    const float fStartX = m_pJoueur->m_fX, fStartZ = m_pJoueur->m_fZ;
    m_pJoueur->m_bForward = true;
    Place(2.5f, -24.0f, 0.0f);
    Step(INT_MAX);
    EXPECT_EQ(m_pJoueur->m_fZ, -24.0f);
    EXPECT_EQ(m_pJoueur->m_fX, 2.5f);
    Place(fStartX, fStartZ, 180.0f);
    Step(INT_MAX);
    EXPECT_EQ(m_pJoueur->m_fZ, fStartZ);
    EXPECT_EQ(m_pJoueur->m_fX, fStartX);
    EXPECT_FALSE(m_pJoueur->IsBlocked(m_pSol.get(), m_pCubes.get()));
    m_pJoueur->m_fAngle = 0.0f;
    Step(100);  // and it can still walk
    EXPECT_NEAR(m_pJoueur->m_fZ, fStartZ - 0.5f, 1e-5f);

    // Turning for weeks leaves a heading in range that still turns by small steps.
    m_pJoueur->m_bForward = false;
    m_pJoueur->m_bTurnLeft = true;
    Step(INT_MAX);
    const float fAngle = m_pJoueur->m_fAngle;
    EXPECT_GE(fAngle, 0.0f);
    EXPECT_LE(fAngle, 360.0f);
    Step(100);
    EXPECT_NEAR(m_pJoueur->m_fAngle, std::fmod(fAngle + 10.0f, 360.0f), 1e-3f);
    m_pJoueur->m_bTurnLeft = false;
    m_pJoueur->m_bTurnRight = true;
    Step(INT_MAX);
    EXPECT_GE(m_pJoueur->m_fAngle, 0.0f);
    EXPECT_LE(m_pJoueur->m_fAngle, 360.0f);

    // Off the floor with both switches off: far away, still finite, marks refused, a negative
    // step does nothing.
    m_pJoueur->m_bTurnRight = false;
    m_pJoueur->m_bFloorBounds = m_pJoueur->m_bCubeCollision = false;
    m_pJoueur->m_bForward = m_pJoueur->m_bMark = true;
    Place(2.5f, -10.0f, 0.0f);
    for (int n = 0; n < 4; ++n)
        Step(INT_MAX);
    EXPECT_TRUE(std::isfinite(m_pJoueur->m_fZ));
    EXPECT_LT(m_pJoueur->m_fZ, -4.0e7f);
    EXPECT_EQ(CountMarks(), 0);
    const float fZ = m_pJoueur->m_fZ;
    Step(-100);
    EXPECT_EQ(m_pJoueur->m_fZ, fZ);
}

}  // namespace
}  // namespace cubatro::test

// ScriptedGameTest: minutes of play through the real floor, block and player with a fixed
// sequence of frames and keys, and a rendered picture of the scene.
#include "WorldTestSupport.h"  // CWorldTest, the key model, the marble texture

#include "game/Joueur.h"       // the player
#include "game/RollingCube.h"  // the block
#include "game/Sol.h"          // the floor

#include <GL/glu.h>  // perspective, look-at and projection of world points, as the view does it

#include <algorithm>  // std::clamp for the rows the block has passed
#include <cstdio>     // FILE for the saved picture
#include <cstdlib>    // std::getenv for the picture directory
#include <set>        // the mark alphas seen while waiting

namespace cubatro::test
{
namespace
{

constexpr int s_nFrameMs = 20;   // every frame of the script
constexpr int s_nStepMs = 6750;  // one quarter turn of the block

// The view's scene, updated in the view's order.
class CGameTest : public CWorldTest
{
protected:
    void SetUp() override
    {
        CWorldTest::SetUp();
        MakeScene();
    }
    void MakeScene()
    {
        m_pSol = std::make_unique<CSol>(5, 1, 25, 1.0f, m_strTexture, 0.0f, 0.0f, 0.0f);
        m_pCubes = std::make_unique<CRollingCube>(5, 7, 1.0f, m_strTexture, 0.0f, 0.0f, -25.0f);
        m_pJoueur = std::make_unique<CJoueur>(WriteKeyModel(m_dir).c_str());
    }
    void TearDown() override
    {
        m_pJoueur.reset();
        m_pCubes.reset();
        m_pSol.reset();
        CWorldTest::TearDown();
    }
    void Frame(int nMs)
    {
        m_pSol->Update(nMs);
        m_pCubes->Update(nMs, m_pSol.get());
        m_pJoueur->Update(nMs, m_pSol.get(), m_pCubes.get());
    }
    void DrawScene()
    {
        m_pSol->Draw();
        m_pCubes->Draw();
        m_pJoueur->Draw();
    }
    // Keys held for a while, one frame at a time.
    enum EKey : unsigned
    {
        NONE = 0,
        LEFT = 1,
        RIGHT = 2,
        FORWARD = 4,
        BACKWARD = 8,
        MARK = 16,
        FIRE = 32
    };
    void Hold(unsigned nKeys, int nMs)
    {
        CJoueur& j = *m_pJoueur;
        j.m_bTurnLeft = nKeys & LEFT;
        j.m_bTurnRight = nKeys & RIGHT;
        j.m_bForward = nKeys & FORWARD;
        j.m_bBackward = nKeys & BACKWARD;
        j.m_bMark = nKeys & MARK;
        j.m_bTrigger = nKeys & FIRE;
        for (int t = 0; t < nMs; t += s_nFrameMs)
        {
            Frame(s_nFrameMs);
            CheckInvariants();
        }
    }
    // What holds after every frame: the player's footprint on the floor, one floor row dropped
    // per step once the block has passed, and every row before the block's reach standing.
    void CheckInvariants()
    {
        const CJoueur& j = *m_pJoueur;
        const float w = j.GetDimensions()[0], dp = j.GetDimensions()[2];
        ASSERT_GE(j.m_fX - w / 2, 0.0f);
        ASSERT_LE(j.m_fX + w / 2, 5.0f);
        ASSERT_LE(j.m_fZ + dp / 2, 0.0f);
        ASSERT_GE(j.m_fZ - dp / 2, -25.0f);
        ASSERT_FLOAT_EQ(j.m_fY, j.GetDimensions()[1]);
        const int64_t k = m_pCubes->GetSteps();
        ASSERT_EQ(m_pSol->GetFirstStandingRow(), std::clamp<int64_t>(k - 25, 0, 25)) << "at step " << k;
    }
    int CountIntact() const
    {
        int n = 0;
        for (int c = 0; c < 5; ++c)
            for (int r = 0; r < 7; ++r)
                n += m_pCubes->GetValue(c, r) == CRollingCube::s_nIntact;
        return n;
    }

    std::unique_ptr<CSol> m_pSol;
    std::unique_ptr<CRollingCube> m_pCubes;
    std::unique_ptr<CJoueur> m_pJoueur;
};

TEST_F(CGameTest, MarkAndFireDestroyTheCubeThenTheFloorCrumblesRowByRow)
{
    // Walk to tile (2, 9): a quarter turn right, 2.5 units along +x, back to heading 0 and
    // 9.5 units toward the far end.
    Hold(RIGHT, 900);
    EXPECT_NEAR(m_pJoueur->m_fAngle, 270.0f, 1e-3f);
    Hold(FORWARD, 500);
    Hold(LEFT, 900);
    Hold(FORWARD, 1900);
    EXPECT_NEAR(m_pJoueur->m_fX, 2.53f, 1e-3f);
    EXPECT_NEAR(m_pJoueur->m_fZ, -9.95f, 1e-3f);

    Hold(MARK, s_nFrameMs);
    EXPECT_EQ(m_pSol->GetTile(2, 9).nValue & 0xFFFFFF, 0xFF00);
    EXPECT_EQ(m_pJoueur->GetMarks(), 1);

    // Back off toward the near end and wait for the block's front row to rest on the mark.
    Hold(BACKWARD, 1500);
    EXPECT_NEAR(m_pJoueur->m_fZ, -2.45f, 1e-3f);
    std::set<int> alphas;
    while (m_pCubes->GetSteps() < 16)
    {
        Hold(NONE, s_nFrameMs);
        alphas.insert(static_cast<int>(static_cast<uint32_t>(m_pSol->GetTile(2, 9).nValue) >> 24));
    }
    EXPECT_EQ(CountIntact(), 35);
    EXPECT_EQ(*alphas.begin(), 64);  // the mark pulsed through its whole range while waiting
    EXPECT_EQ(*alphas.rbegin(), 191);
    EXPECT_FLOAT_EQ(m_pCubes->GetFrontLine(), -9.0f);

    Hold(FIRE, s_nFrameMs);
    EXPECT_EQ(m_pSol->GetTile(2, 9).nValue, 0);
    EXPECT_EQ(m_pJoueur->GetMarks(), 0);
    EXPECT_LT(m_pCubes->GetValue(2, 0), CRollingCube::s_nIntact);
    EXPECT_GT(m_pCubes->GetValue(2, 0), 0);
    EXPECT_EQ(CountIntact(), 34);

    // The hit cube darkens frame by frame and is gone about a second later.
    int nLast = m_pCubes->GetValue(2, 0);
    int nMs = 0;
    while (m_pCubes->GetValue(2, 0) > 0)
    {
        Hold(NONE, s_nFrameMs);
        nMs += s_nFrameMs;
        EXPECT_LT(m_pCubes->GetValue(2, 0), nLast);
        nLast = m_pCubes->GetValue(2, 0);
        ASSERT_LE(nMs, 1100);
    }
    EXPECT_GE(nMs, 1000);
    EXPECT_EQ(CountIntact(), 34);
    EXPECT_FALSE(m_pCubes->IsCubeAt(2.5f, -9.5f));
    EXPECT_TRUE(m_pCubes->IsCubeAt(1.5f, -9.5f));

    // The block rolls over the waiting player and off the near end; the floor crumbles behind it.
    const float fX = m_pJoueur->m_fX, fZ = m_pJoueur->m_fZ;
    while (m_pCubes->GetSteps() < 31)
        Hold(NONE, s_nFrameMs);
    EXPECT_EQ(m_pJoueur->m_fX, fX);
    EXPECT_EQ(m_pJoueur->m_fZ, fZ);
    EXPECT_EQ(m_pSol->GetFirstStandingRow(), 6);
    for (int j = 0; j < 25; ++j)
    {
        // Rows 0 to 4 dropped at least 6.75 s ago and have fallen out of sight; row 5 is falling.
        const int nState = j < 5 ? TILE_GONE : j == 5 ? TILE_FALLING : TILE_STANDING;
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(m_pSol->GetTile(i, j).nState, nState) << "tile " << i << ", " << j;
    }
    EXPECT_GT(m_pCubes->GetTime(), 3 * 60 * 1000);  // minutes of game time

    // With the block gone past, the player walks on over the rows that still stand.
    Hold(FORWARD, 2000);
    EXPECT_NEAR(m_pJoueur->m_fZ, fZ - 10.0f, 1e-3f);
}

// Projects a world point to window coordinates with the current matrices.
std::array<int, 2> Project(double x, double y, double z)
{
    GLdouble model[16], proj[16];
    GLint view[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    glGetIntegerv(GL_VIEWPORT, view);
    GLdouble wx = 0, wy = 0, wz = 0;
    gluProject(x, y, z, model, proj, view, &wx, &wy, &wz);
    return {static_cast<int>(wx), static_cast<int>(wy)};
}

TEST_F(CGameTest, RenderedSceneShowsFloorRollingBlockPulsingMarkAndKey)
{
    // A bigger picture than the fixture's: a fresh context and scene of 320 x 240.
    TearDown();
    m_pGl = std::make_unique<CHeadlessGl>(320, 240);
    m_pCapture = std::make_unique<plat::CDiagnosticsCapture>();
    MakeScene();
    const int nW = m_pGl->Width(), nH = m_pGl->Height();

    // The view's GL state.
    glViewport(0, 0, nW, nH);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(nW) / nH, 0.5, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glShadeModel(GL_SMOOTH);
    glEnable(GL_LIGHTING);
    const GLfloat ambient[4] = {0.8f, 0.8f, 0.8f, 1.0f}, diffuse[4] = {0.9f, 0.9f, 0.9f, 1.0f},
                  specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glEnable(GL_LIGHT0);
    const GLfloat matAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f}, matDiffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f},
                  matSpecular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glMaterialfv(GL_FRONT, GL_AMBIENT, matAmbient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, matDiffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, matSpecular);
    glMaterialf(GL_FRONT, GL_SHININESS, 10.0f);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);

    // The game: the block half-way through its 15th roll, a mark on tile (2, 8), the player
    // on tile (2, 5) facing the block.
    ASSERT_TRUE(m_pSol->SetMark(2.5f, -8.5f, CSol::s_dwMarkGreen));
    Frame(14 * s_nStepMs + s_nStepMs / 2 - 400);
    ASSERT_TRUE(m_pCubes->Hit(1, 0));
    Frame(400);  // the hit cube half-way dark
    ASSERT_NEAR(m_pCubes->GetRollAngle(), 45.0, 1e-9);
    CJoueur& j = *m_pJoueur;
    j.m_fX = 2.5f;
    j.m_fZ = -5.5f;

    // One frame as the view draws it, seen by an onlooker to the right of the floor so that the
    // key shows its profile.
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    gluLookAt(7.0, 2.8, -2.0, 2.5, 0.4, -8.5, 0, 1, 0);
    const GLfloat light[4] = {j.m_fX, j.m_fY + 0.5f, j.m_fZ, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    DrawScene();
    const auto mark = Project(2.5, 0.0, -8.5);
    const auto cube = Project(3.5, 0.7071, -11.0);  // centre of cube (3, 0), tipped by 45 degrees
    const auto key = Project(j.m_fX, j.m_fY, j.m_fZ);
    const auto sky = Project(-29.0, 2.8, -54.0);  // level with the eye, far beyond the far end
    glPopMatrix();
    glFinish();

    const std::vector<uint8_t> pixels = ReadPixels();
    auto at = [&](const std::array<int, 2>& p)
    {
        const size_t o =
            (static_cast<size_t>(p[1]) * static_cast<size_t>(nW) + static_cast<size_t>(p[0])) * 4;
        return std::array<int, 3>{pixels[o], pixels[o + 1], pixels[o + 2]};
    };
    for (const auto& p : {mark, cube, key, sky})
    {
        ASSERT_GE(p[0], 0);
        ASSERT_LT(p[0], nW);
        ASSERT_GE(p[1], 0);
        ASSERT_LT(p[1], nH);
    }
    const auto m = at(mark), c = at(cube), k = at(key), s = at(sky);
    EXPECT_GT(m[1], m[0] + 40) << "the mark is green";
    EXPECT_GT(m[1], m[2] + 40) << "the mark is green";
    EXPECT_GT(c[0], 40) << "the rolling cube is lit marble";
    EXPECT_LT(std::abs(c[0] - c[1]), 30) << "the rolling cube is grey";
    EXPECT_GT(k[0] + k[1] + k[2], 60) << "the key is drawn";
    EXPECT_EQ(s[0] + s[1] + s[2], 0) << "nothing beyond the far end";

    if (const char* pszDir = std::getenv("CUBATRO_SNAPSHOT_DIR"))
    {
        const std::string strPpm = std::string(pszDir) + "/game_world.ppm";
        std::FILE* pFile = std::fopen(strPpm.c_str(), "wb");
        ASSERT_NE(pFile, nullptr) << strPpm;
        std::fprintf(pFile, "P6\n%d %d\n255\n", nW, nH);
        for (int y = nH - 1; y >= 0; --y)
            for (int x = 0; x < nW; ++x)
                std::fwrite(
                    &pixels[(static_cast<size_t>(y) * static_cast<size_t>(nW) + static_cast<size_t>(x)) * 4],
                    1, 3, pFile);
        std::fclose(pFile);
        const std::string strPng = std::string(pszDir) + "/game_world.png";
        EXPECT_EQ(RunCommand("convert '" + strPpm + "' '" + strPng + "'"), 0);
    }
}

}  // namespace
}  // namespace cubatro::test

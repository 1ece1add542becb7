// ScriptedGameTest: minutes of play through the real floor, block and player with a fixed
// sequence of frames and keys, and a rendered picture of the scene.
#include "WorldTestSupport.h"  // CWorldTest with the scene

#include <GL/glu.h>  // perspective, look-at and projection of world points, as the view does it

#include <cstdio>   // FILE for the saved picture
#include <cstdlib>  // std::getenv for the picture directory
#include <set>      // the mark alphas seen while waiting

namespace cubatro::test
{
namespace
{

class CGameTest : public CWorldTest
{
protected:
    static constexpr int s_nFrameMs = 20;  // every frame of the script

    void SetUp() override
    {
        CWorldTest::SetUp();
        MakeScene();
    }
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
    // Keys held for a while, one frame at a time. After every frame the player's footprint is on
    // the floor at its height, and the floor has dropped one row per step once the block passed.
    void Hold(unsigned nKeys, int nMs)
    {
        CJoueur& j = *m_pJoueur;
        j.m_bTurnLeft = nKeys & LEFT, j.m_bTurnRight = nKeys & RIGHT, j.m_bForward = nKeys & FORWARD;
        j.m_bBackward = nKeys & BACKWARD, j.m_bMark = nKeys & MARK, j.m_bTrigger = nKeys & FIRE;
        const float w = j.GetDimensions()[0], dp = j.GetDimensions()[2];
        for (int t = 0; t < nMs; t += s_nFrameMs)
        {
            Frame(s_nFrameMs);
            ASSERT_TRUE(j.m_fX - w / 2 >= 0 && j.m_fX + w / 2 <= 5 && j.m_fZ + dp / 2 <= 0 &&
                        j.m_fZ - dp / 2 >= -25);
            ASSERT_EQ(j.m_fY, j.GetDimensions()[1]);
            ASSERT_EQ(m_pSol->GetFirstStandingRow(), std::clamp<int64_t>(m_pCubes->GetSteps() - 25, 0, 25));
        }
    }
    int CountIntact() const
    {
        int n = 0;
        for (int c = 0; c < 5; ++c)
            for (int r = 0; r < 7; ++r)
                n += m_pCubes->GetValue(c, r) == CRollingCube::s_nIntact;
        return n;
    }
};

TEST_F(CGameTest, MarkAndFireDestroyTheCubeThenTheFloorCrumblesRowByRow)
{
    // To tile (2, 9): a quarter turn right, 2.5 units along +x, back to heading 0, 9.5 units on.
    Hold(RIGHT, 900);
    EXPECT_NEAR(m_pJoueur->m_fAngle, 270.0f, 1e-3f);
    Hold(FORWARD, 500);
    Hold(LEFT, 900);
    Hold(FORWARD, 1900);
    EXPECT_NEAR(m_pJoueur->m_fX, 2.53f, 1e-3f);
    EXPECT_NEAR(m_pJoueur->m_fZ, -9.95f, 1e-3f);
    Hold(MARK, s_nFrameMs);
    EXPECT_EQ(m_pSol->GetTile(2, 9).nValue & 0xFFFFFF, 0xFF00);

    // Back off toward the near end and wait for the block's front row to rest on the mark.
    Hold(BACKWARD, 1500);
    std::set<int> alphas;
    while (m_pCubes->GetSteps() < 16)
    {
        Hold(NONE, s_nFrameMs);
        alphas.insert(static_cast<int>(static_cast<uint32_t>(m_pSol->GetTile(2, 9).nValue) >> 24));
    }
    EXPECT_EQ(*alphas.begin(), 64);  // the mark pulsed through its whole range
    EXPECT_EQ(*alphas.rbegin(), 191);
    EXPECT_EQ(CountIntact(), 35);
    EXPECT_EQ(m_pCubes->GetFrontLine(), -9.0f);

    Hold(FIRE, s_nFrameMs);
    EXPECT_EQ(m_pSol->GetTile(2, 9).nValue, 0);
    EXPECT_EQ(m_pJoueur->GetMarks(), 0);
    EXPECT_EQ(CountIntact(), 34);
    // The hit cube, (2, 0), darkens frame by frame and is gone about a second later.
    int nLast = m_pCubes->GetValue(2, 0), nMs = 0;
    while (nLast > 0 && nMs <= 1100)
    {
        Hold(NONE, s_nFrameMs);
        nMs += s_nFrameMs;
        EXPECT_LT(m_pCubes->GetValue(2, 0), nLast);
        nLast = m_pCubes->GetValue(2, 0);
    }
    EXPECT_TRUE(nMs >= 1000 && nMs <= 1100) << nMs;
    EXPECT_EQ(CountIntact(), 34);
    EXPECT_FALSE(m_pCubes->IsCubeAt(2.5f, -9.5f));
    EXPECT_TRUE(m_pCubes->IsCubeAt(1.5f, -9.5f));

    // The block rolls over the waiting player and off the near end; the floor crumbles behind it.
    const float fX = m_pJoueur->m_fX, fZ = m_pJoueur->m_fZ;
    while (m_pCubes->GetSteps() < 31)
        Hold(NONE, s_nFrameMs);
    EXPECT_EQ(std::vector<float>({m_pJoueur->m_fX, m_pJoueur->m_fZ}), std::vector<float>({fX, fZ}));
    EXPECT_GT(m_pCubes->GetTime(), 3 * 60 * 1000);
    for (int j = 0; j < 25; ++j)  // rows 0 to 4 fell out of sight, row 5 is falling
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(m_pSol->GetTile(i, j).nState, j < 5    ? TILE_GONE
                                                    : j == 5 ? TILE_FALLING
                                                             : TILE_STANDING);
    Hold(FORWARD, 2000);  // with the block gone past, the player walks on
    EXPECT_NEAR(m_pJoueur->m_fZ, fZ - 10.0f, 1e-3f);
}

TEST_F(CGameTest, RenderedSceneShowsFloorRollingBlockPulsingMarkAndKey)
{
    TearDown();  // a bigger picture than the fixture's: a fresh context and scene of 320 x 240
    m_pGl = std::make_unique<CHeadlessGl>(320, 240);
    m_pCapture = std::make_unique<plat::CDiagnosticsCapture>();
    MakeScene();
    const int nW = m_pGl->Width(), nH = m_pGl->Height();

    // The view's GL state, light and material.
    glMatrixMode(GL_PROJECTION);
    gluPerspective(45.0, static_cast<double>(nW) / nH, 0.5, 100.0);
    glMatrixMode(GL_MODELVIEW);
    const GLfloat ambient[4] = {0.8f, 0.8f, 0.8f, 1}, diffuse[4] = {0.9f, 0.9f, 0.9f, 1},
                  black[4] = {0, 0, 0, 1};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, black);
    glMaterialf(GL_FRONT, GL_SHININESS, 10.0f);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);

    // The block half-way through its 15th roll with cube (1, 0) half dark, a mark on tile
    // (2, 8), the player on tile (2, 5) facing the block.
    ASSERT_TRUE(m_pSol->SetMark(2.5f, -8.5f, CSol::s_dwMarkGreen));
    Frame(14 * s_nStepMs + s_nStepMs / 2 - 400);
    ASSERT_TRUE(m_pCubes->Hit(1, 0));
    Frame(400);
    CJoueur& j = *m_pJoueur;
    j.m_fX = 2.5f;
    j.m_fZ = -5.5f;

    // One frame as the view draws it, seen by an onlooker to the right so that the key shows
    // its profile.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gluLookAt(7.0, 2.8, -2.0, 2.5, 0.4, -8.5, 0, 1, 0);
    const GLfloat light[4] = {j.m_fX, j.m_fY + 0.5f, j.m_fZ, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    m_pSol->Draw();
    m_pCubes->Draw();
    m_pJoueur->Draw();
    glFinish();

    const std::vector<uint8_t> pixels = ReadPixels();
    auto at = [&](double x, double y, double z) {  // the colour where a world point shows
        GLdouble model[16], proj[16], wx = 0, wy = 0, wz = 0;
        GLint view[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, model);
        glGetDoublev(GL_PROJECTION_MATRIX, proj);
        glGetIntegerv(GL_VIEWPORT, view);
        gluProject(x, y, z, model, proj, view, &wx, &wy, &wz);
        EXPECT_TRUE(wx >= 0 && wx < nW && wy >= 0 && wy < nH);
        const size_t o =
            (static_cast<size_t>(std::clamp(static_cast<int>(wy), 0, nH - 1)) * static_cast<size_t>(nW) +
             static_cast<size_t>(std::clamp(static_cast<int>(wx), 0, nW - 1))) *
            4;
        return std::array<int, 3>{pixels[o], pixels[o + 1], pixels[o + 2]};
    };
    const auto m = at(2.5, 0.0, -8.5), c = at(3.5, 0.7071, -11.0), k = at(j.m_fX, j.m_fY, j.m_fZ);
    EXPECT_TRUE(m[1] > m[0] + 40 && m[1] > m[2] + 40) << "the mark is green";
    EXPECT_TRUE(c[0] > 40 && std::abs(c[0] - c[1]) < 30)
        << "cube (3, 0), tipped by 45 degrees, is grey marble";
    EXPECT_GT(k[0] + k[1] + k[2], 60) << "the key is drawn";
    EXPECT_EQ(at(-29.0, 2.8, -54.0), (std::array<int, 3>{0, 0, 0})) << "nothing beyond the far end";

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
        EXPECT_EQ(RunCommand("convert '" + strPpm + "' '" + std::string(pszDir) + "/game_world.png'"), 0);
    }
}

}  // namespace
}  // namespace cubatro::test

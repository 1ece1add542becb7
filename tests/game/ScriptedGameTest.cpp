// ScriptedGameTest: minutes of play through the real floor, block and player with a fixed
// sequence of frames and keys, and a picture of the scene half-way.
#include "WorldTestSupport.h"  // CWorldTest with the scene

#include <GL/glu.h>  // perspective, look-at and projection of world points

#include <cstdlib>  // std::getenv for the picture directory

class CWorldGameTest : public cubatro::test::CWorldTest
{
protected:
    static constexpr int s_nFrameMs = 20;  // every frame of the script

    void SetUp() override { SetUpWorld(320, 240); }
    // Keys held for a while, one frame at a time in the view's order. After every frame the
    // player's footprint is on the floor at its height, and the floor has dropped one row per
    // step once the block passed.
    void Hold(unsigned nKeys, int nMs)
    {
        Press(nKeys);
        const CJoueur& j = *m_pJoueur;
        const float w = j.GetDimensions()[0], dp = j.GetDimensions()[2];
        for (int t = 0; t < nMs; t += s_nFrameMs)
        {
            m_pSol->Update(s_nFrameMs);
            m_pCubes->Update(s_nFrameMs, m_pSol.get());
            m_pJoueur->Update(s_nFrameMs, m_pSol.get(), m_pCubes.get());
            ASSERT_TRUE(j.m_fX - w / 2 >= 0 && j.m_fX + w / 2 <= 5 && j.m_fZ + dp / 2 <= 0 &&
                        j.m_fZ - dp / 2 >= -25 && j.m_fY == j.GetDimensions()[1]);
            ASSERT_EQ(m_pSol->GetFirstStandingRow(), std::clamp<int64_t>(m_pCubes->GetSteps() - 25, 0, 25));
        }
    }
    // One frame lit and textured, seen by an onlooker to the right so that the key shows its
    // profile; saved as game_world.png under CUBATRO_SNAPSHOT_DIR when that is set.
    void Picture()
    {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45.0, 320.0 / 240.0, 0.5, 100.0);
        glMatrixMode(GL_MODELVIEW);
        gluLookAt(6.5, 2.5, 1.0, 2.5, 0.3, -6.5, 0, 1, 0);
        for (GLenum cap : {GL_LIGHT0, GL_LIGHTING, GL_TEXTURE_2D, GL_DEPTH_TEST})
            glEnable(cap);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        m_pSol->Draw();
        m_pCubes->Draw();
        m_pJoueur->Draw();
        const char* pszDir = std::getenv("CUBATRO_SNAPSHOT_DIR");
        EXPECT_TRUE(!pszDir ||
                    cubatro::test::RunCommand(
                        "convert -size 320x240 -depth 8 'RGBA:" + m_dir.Write("game.rgba", ReadPixels()) +
                        "' -flip -alpha off '" + pszDir + "/game_world.png'") == 0);
    }
    std::array<int, 3> At(double x, double y, double z)  // the colour where a world point shows
    {
        GLdouble model[16], proj[16], wx = 0, wy = 0, wz = 0;
        GLint view[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, model), glGetDoublev(GL_PROJECTION_MATRIX, proj);
        glGetIntegerv(GL_VIEWPORT, view);
        EXPECT_TRUE(gluProject(x, y, z, model, proj, view, &wx, &wy, &wz) && wx >= 0 && wx < 320 && wy >= 0 &&
                    wy < 240);
        const auto pixel = PixelAt(static_cast<int>(wx), static_cast<int>(wy));
        return {pixel[0], pixel[1], pixel[2]};
    }
};

TEST_F(CWorldGameTest, MarkAndFireDestroyTheCubeThenTheFloorCrumblesRowByRow)
{
    // To tile (2, 9): a quarter turn right, 2.5 units along +x, back to heading 0, 9.5 units on.
    const float x0 = m_pJoueur->m_fX, z0 = m_pJoueur->m_fZ;
    Hold(RIGHT, 900);
    EXPECT_NEAR(m_pJoueur->m_fAngle, 270.0f, 1e-3f);
    Hold(FORWARD, 500);
    Hold(LEFT, 900);
    Hold(FORWARD, 1900);
    EXPECT_NEAR(m_pJoueur->m_fX, x0 + 2.5f, 1e-3f);
    EXPECT_NEAR(m_pJoueur->m_fZ, z0 - 9.5f, 1e-3f);
    Hold(MARK, s_nFrameMs);
    EXPECT_EQ(m_pSol->GetTile(2, 9).nValue & 0xFFFFFF, 0xFF00);

    // Back off toward the near end and wait for the block's front row to rest on the mark,
    // picturing the scene half-way through the block's 15th roll.
    Hold(BACKWARD, 1500);
    Hold(0, 14 * s_nStepMs + s_nStepMs / 2 - m_pCubes->GetTime());
    Picture();
    const auto m = At(2.5, 0.0, -9.5), c = At(3.5, 0.7071, -11.0),
               k = At(m_pJoueur->m_fX, m_pJoueur->m_fY, m_pJoueur->m_fZ);
    EXPECT_TRUE(m[1] > m[0] + 40 && m[1] > m[2] + 40) << "the mark is green";
    EXPECT_TRUE(c[0] > 40 && std::abs(c[0] - c[1]) < 30) << "cube (3, 0), tipped by 45 degrees, is marble";
    EXPECT_GT(k[0] + k[1] + k[2], 60) << "the key is drawn";
    EXPECT_EQ(At(-20.0, 5.0, -40.0), (std::array<int, 3>{0, 0, 0})) << "nothing beyond the far end";
    Hold(0, 16 * s_nStepMs - m_pCubes->GetTime());
    EXPECT_EQ(m_pCubes->GetFrontLine(), -9.0f);
    EXPECT_EQ(CountIntact(), 35);

    Hold(FIRE, s_nFrameMs);
    EXPECT_EQ(m_pSol->GetTile(2, 9).nValue, 0);
    EXPECT_EQ(m_pJoueur->GetMarks(), 0);
    // The hit cube, (2, 0), darkens and is gone a little over a second later.
    Hold(0, 1000);
    EXPECT_EQ(m_pCubes->GetValue(2, 0), CRollingCube::s_nIntact - 1 - 1000 * 1000);
    Hold(0, 60);
    EXPECT_EQ(m_pCubes->GetValue(2, 0), 0);
    EXPECT_EQ(CountIntact(), 34);
    EXPECT_FALSE(m_pCubes->IsCubeAt(2.5f, -9.5f));

    // The block rolls over the waiting player and off the near end; the floor crumbles behind it.
    const float fX = m_pJoueur->m_fX, fZ = m_pJoueur->m_fZ;
    Hold(0, 31 * s_nStepMs - m_pCubes->GetTime());
    EXPECT_EQ(std::vector<float>({m_pJoueur->m_fX, m_pJoueur->m_fZ}), std::vector<float>({fX, fZ}));
    EXPECT_GT(m_pCubes->GetTime(), 3 * 60 * 1000);
    for (int t = 0; t < 125; ++t)  // rows 0 to 4 fell out of sight, row 5 is falling
        EXPECT_EQ(m_pSol->GetTile(t % 5, t / 5).nState, t < 25   ? TILE_GONE
                                                        : t < 30 ? TILE_FALLING
                                                                 : TILE_STANDING);
    Hold(FORWARD, 2000);  // with the block gone past, the player walks on
    EXPECT_NEAR(m_pJoueur->m_fZ, fZ - 10.0f, 1e-3f);
}

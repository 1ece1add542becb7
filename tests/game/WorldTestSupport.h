// WorldTestSupport: the fixture shared by the game-world tests: headless OpenGL, the game's marble
// and key written by the art generator, the floor, block and player, the view's keys, and an
// orthographic view whose feedback output is turned back into world boxes.
#pragma once

#include "HeadlessGl.h"              // CGlTest, the headless OpenGL fixture
#include "TempDir.h"                 // CTempDir for the texture and model files
#include "game/Joueur.h"             // the player
#include "game/RollingCube.h"        // the block
#include "game/Sol.h"                // the floor
#include "platform/Diagnostics.h"    // CDiagnosticsCapture keeps the bank's lines out of the output
#include "tools/artgen/KeyModel.h"   // the key, the player's model
#include "tools/artgen/MarbleArt.h"  // the marble of tiles and cubes

#include <algorithm>  // std::min, std::max
#include <climits>    // INT_MAX for the longest steps
#include <cmath>      // NAN, INFINITY
#include <tuple>      // table rows

namespace cubatro::test
{

using Box = std::array<float, 6>;  // x min, x max, y min, y max, z min, z max

class CWorldTest : public CGlTest
{
protected:
    static constexpr int s_nStepMs = 6750;  // a quarter turn of the block
    // The view's keys; NO_F1 and NO_F2 switch the floor bounds and the cube collisions off.
    static constexpr unsigned LEFT = 1, RIGHT = 2, FORWARD = 4, BACKWARD = 8, MARK = 16, FIRE = 32,
                              NO_F1 = 64, NO_F2 = 128;

    void SetUp() override { SetUpWorld(s_nSize, s_nSize); }
    void TearDown() override {}  // the scene goes first, then the base class frees the context
    // A context of nWidth x nHeight looking at [-32, 32]^3 straight on, the marble and the key, a
    // 5 x 25 floor, a 5 x 7 block starting at z = -25, and the player.
    void SetUpWorld(int nWidth, int nHeight)
    {
        m_pGl = std::make_unique<CHeadlessGl>(nWidth, nHeight);
        glMatrixMode(GL_PROJECTION);
        glOrtho(-32, 32, -32, 32, -32, 32);
        glMatrixMode(GL_MODELVIEW);
        ASSERT_TRUE(CMarbleArt(64, 3).SaveBMP(m_strTexture));
        CKeyModel().Save(m_dir / "cle.obj");
        MakeScene();
        m_pJoueur = std::make_unique<CJoueur>((m_dir / "cle.obj").c_str());
    }
    void MakeScene()
    {
        m_pSol = std::make_unique<CSol>(5, 1, 25, 1.0f, m_strTexture, 0.0f, 0.0f, 0.0f);
        m_pCubes = std::make_unique<CRollingCube>(5, 7, 1.0f, m_strTexture, 0.0f, 0.0f, -25.0f);
    }
    void Press(unsigned n)  // holds the keys of n and releases the others
    {
        CJoueur& j = *m_pJoueur;
        j.m_bTurnLeft = n & LEFT, j.m_bTurnRight = n & RIGHT, j.m_bForward = n & FORWARD;
        j.m_bBackward = n & BACKWARD, j.m_bMark = n & MARK, j.m_bTrigger = n & FIRE;
        j.m_bFloorBounds = !(n & NO_F1), j.m_bCubeCollision = !(n & NO_F2);
    }
    int CountMarks() const  // standing tiles that carry a mark
    {
        int n = 0;
        for (int k = 0; k < 125; ++k)
            n += m_pSol->GetTile(k % 5, k / 5).nState == TILE_STANDING &&
                 m_pSol->GetTile(k % 5, k / 5).nValue != 0;
        return n;
    }
    int CountIntact() const  // intact cubes of the block
    {
        int n = 0;
        for (int k = 0; k < 35; ++k)
            n += m_pCubes->GetValue(k % 5, k / 5) == CRollingCube::s_nIntact;
        return n;
    }

    // A feedback vertex back in the world, under SetUp's view of a 64-pixel square.
    static std::array<float, 3> World(const SFeedbackVertex& v)
    {
        static_assert(s_nSize == 64);
        return {v.pos[0] - 32, v.pos[1] - 32, 32 - 64 * v.pos[2]};
    }
    // The box around the vertices of the polygons that keep accepts (all without it).
    static Box BoxOf(const std::vector<SFeedbackPrimitive>& prims,
                     const std::function<bool(const SFeedbackPrimitive&)>& keep = nullptr)
    {
        Box box = {INFINITY, -INFINITY, INFINITY, -INFINITY, INFINITY, -INFINITY};
        for (const auto& p : prims)
            for (const auto& v : p.vertices)
                for (size_t a = 0; a < 3 && (!keep || keep(p)); ++a)
                {
                    box[2 * a] = std::min(box[2 * a], World(v)[a]);
                    box[2 * a + 1] = std::max(box[2 * a + 1], World(v)[a]);
                }
        return box;
    }
    static void ExpectBox(const Box& box, const Box& expected, float fTolerance = 1e-3f)
    {
        for (size_t n = 0; n < 6; ++n)
            EXPECT_NEAR(box[n], expected[n], fTolerance) << "bound " << n;
    }

    plat::CDiagnosticsCapture m_capture;                     // diagnostics of the test
    CTempDir m_dir;                                          // scratch directory of the test
    const std::string m_strTexture = m_dir / "Marbre2.bmp";  // the marble, written by SetUp
    std::unique_ptr<CSol> m_pSol;                            // the floor
    std::unique_ptr<CRollingCube> m_pCubes;                  // the block
    std::unique_ptr<CJoueur> m_pJoueur;                      // the player
};

}  // namespace cubatro::test

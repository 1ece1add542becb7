// WorldTestSupport: the fixture of the game-world tests: headless OpenGL looking straight at
// [-32, 32]^3 one unit per pixel, the generated marble and key, a 5 x 25 floor, a 5 x 7 block
// starting at z = -25, the player, and feedback output turned back into world boxes.
#pragma once

#include "HeadlessGl.h"              // CGlTest, the headless OpenGL fixture
#include "TempDir.h"                 // CTempDir for the texture and model files
#include "game/Cube.h"               // the mesh of tiles and cubes
#include "game/Joueur.h"             // the player
#include "game/RollingCube.h"        // the block
#include "game/Sol.h"                // the floor
#include "platform/Diagnostics.h"    // CDiagnosticsCapture keeps the bank's lines out of the output
#include "tools/artgen/KeyModel.h"   // the key, the player's model
#include "tools/artgen/MarbleArt.h"  // the marble of tiles and cubes

#include <gmock/gmock.h>  // matchers for boxes and lists

#include <climits>  // INT_MAX for the longest steps
#include <cmath>    // NAN, INFINITY

using namespace ::testing;      // the matchers of the tests
using namespace cubatro::test;  // the OpenGL fixture and feedback, scratch directories

class CWorldTest : public CGlTest
{
protected:
    using Box = std::array<float, 6>;  // x min, x max, y min, y max, z min, z max
    using Vec3 = std::array<float, 3>;
    // The view's keys; NO_F1 and NO_F2 switch the floor bounds and the cube collisions off.
    static constexpr unsigned LEFT = 1, RIGHT = 2, FORWARD = 4, BACKWARD = 8, MARK = 16, FIRE = 32,
                              NO_F1 = 64, NO_F2 = 128;

    void SetUp() override
    {
        m_pGl = std::make_unique<CHeadlessGl>(s_nSize, s_nSize);
        glMatrixMode(GL_PROJECTION), glOrtho(-32, 32, -32, 32, -32, 32), glMatrixMode(GL_MODELVIEW);
        ASSERT_TRUE(CMarbleArt(64, 3).SaveBMP(m_strTexture));
        CKeyModel().Save(m_dir / "cle.obj");
        m_pSol = std::make_unique<CSol>(5, 1, 25, 1.0f, m_strTexture, 0.0f, 0.0f, 0.0f);
        m_pCubes = std::make_unique<CRollingCube>(5, 7, 1.0f, m_strTexture, 0.0f, 0.0f, -25.0f);
        m_pJoueur = std::make_unique<CJoueur>((m_dir / "cle.obj").c_str());
    }
    void TearDown() override {}  // the scene goes first, then the base class frees the context
    void Press(unsigned n)       // holds the keys of n and releases the others
    {
        CJoueur& j = *m_pJoueur;
        j.m_bTurnLeft = n & LEFT, j.m_bTurnRight = n & RIGHT, j.m_bForward = n & FORWARD;
        j.m_bBackward = n & BACKWARD, j.m_bMark = n & MARK, j.m_bTrigger = n & FIRE;
        j.m_bFloorBounds = !(n & NO_F1), j.m_bCubeCollision = !(n & NO_F2);
    }
    int CountMarks() const  // marked tiles among the rows still standing
    {
        int n = 0;
        for (int k = 0; k < 125; ++k)
            n += m_pSol->GetTile(k % 5, k / 5).nValue != 0 && k / 5 >= m_pSol->GetFirstStandingRow();
        return n;
    }
    static Box BoxOf(const std::vector<SFeedbackPrimitive>& prims)  // around every vertex, in the world
    {
        Box b = {INFINITY, -INFINITY, INFINITY, -INFINITY, INFINITY, -INFINITY};
        for (const auto& p : prims)
            for (const auto& v : p.vertices)
                for (size_t a = 0; a < 6; ++a)
                    b[a] = a % 2 ? std::max(b[a], World(v)[a / 2]) : std::min(b[a], World(v)[a / 2]);
        return b;
    }
    static Vec3 World(const SFeedbackVertex& v) { return {v.pos[0] - 32, v.pos[1] - 32, 32 - 64 * v.pos[2]}; }
    static auto Near(const Box& box, float f = 1e-3f) { return Pointwise(FloatNear(f), box); }

    plat::CDiagnosticsCapture m_capture;                     // diagnostics of the test
    CTempDir m_dir;                                          // scratch directory of the test
    const std::string m_strTexture = m_dir / "Marbre2.bmp";  // the marble, written by SetUp
    std::unique_ptr<CSol> m_pSol;                            // the floor
    std::unique_ptr<CRollingCube> m_pCubes;                  // the block
    std::unique_ptr<CJoueur> m_pJoueur;                      // the player
};

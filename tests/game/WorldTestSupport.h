// WorldTestSupport: the fixture shared by the game-world tests: headless OpenGL, a scratch
// directory with a marble texture and a key model, the game's floor, block and player, and
// orthographic views whose feedback output can be turned back into world coordinates.
#pragma once

#include "HeadlessGl.h"  // CGlTest, the headless OpenGL fixture
#include "TempDir.h"     // CTempDir and RunCommand for the texture and model files

#include "game/Joueur.h"           // the player
#include "game/RollingCube.h"      // the block
#include "game/Sol.h"              // the floor
#include "platform/Diagnostics.h"  // CDiagnosticsCapture keeps the bank's lines out of the output

#include <GL/gl.h>  // projection set-up and state queries

#include <algorithm>  // std::min, std::max, std::count_if
#include <array>      // world points and expected boxes
#include <cstdio>     // std::sscanf for the face table
#include <limits>     // infinities that start a box
#include <memory>     // std::unique_ptr for the scene
#include <string>     // file names and OBJ text
#include <vector>     // primitive lists

namespace cubatro::test
{

// Appends one box as 8 vertices and 6 quads wound counter-clockwise seen from outside.
inline void AddBox(std::string& obj, int& nBase, float x0, float y0, float z0, float x1, float y1, float z1)
{
    for (int n = 0; n < 8; ++n)
        obj += "v " + std::to_string(n & 1 ? x1 : x0) + " " + std::to_string(n & 2 ? y1 : y0) + " " +
               std::to_string(n & 4 ? z1 : z0) + "\n";
    for (const char* f : {"1 3 4 2", "5 6 8 7", "1 5 7 3", "2 4 8 6", "1 2 6 5", "3 7 8 4"})
    {
        int a = 0, b = 0, c = 0, d = 0;
        std::sscanf(f, "%d %d %d %d", &a, &b, &c, &d);
        obj += "f " + std::to_string(nBase + a) + " " + std::to_string(nBase + b) + " " +
               std::to_string(nBase + c) + " " + std::to_string(nBase + d) + "\n";
    }
    nBase += 8;
}

// A key lying along z, 0.2 thick: a square ring (the bow) at +z, a shaft toward -z and two teeth
// under its tip. Writes key.obj and key.mtl into dir and returns the OBJ path. Fitted to 0.9 it
// measures 0.06 x 0.36 x 0.9.
inline constexpr int s_nKeyBoxes = 7;
inline std::string WriteKeyModel(const CTempDir& dir)
{
    std::string obj = "mtllib key.mtl\ng key\nusemtl brass\n";
    int n = 0;
    AddBox(obj, n, -0.1f, -0.6f, 0.6f, 0.1f, 0.6f, 0.85f);      // bow, far side
    AddBox(obj, n, -0.1f, -0.6f, 1.55f, 0.1f, 0.6f, 1.8f);      // bow, near side
    AddBox(obj, n, -0.1f, 0.35f, 0.85f, 0.1f, 0.6f, 1.55f);     // bow, top
    AddBox(obj, n, -0.1f, -0.6f, 0.85f, 0.1f, -0.35f, 1.55f);   // bow, bottom
    AddBox(obj, n, -0.1f, -0.1f, -1.2f, 0.1f, 0.1f, 0.6f);      // shaft
    AddBox(obj, n, -0.1f, -0.45f, -1.2f, 0.1f, -0.1f, -0.95f);  // tooth at the tip
    AddBox(obj, n, -0.1f, -0.35f, -0.8f, 0.1f, -0.1f, -0.55f);  // second tooth
    dir.Write("key.mtl", "newmtl brass\nKa 0.25 0.2 0.05\nKd 0.85 0.65 0.2\nKs 0.9 0.8 0.5\nNs 400\n");
    return dir.Write("key.obj", obj);
}

// An axis-aligned box in world coordinates.
struct SBox
{
    float min[3] = {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::infinity(),
                    std::numeric_limits<float>::infinity()};
    float max[3] = {-min[0], -min[1], -min[2]};
};

class CWorldTest : public CGlTest
{
protected:
    static constexpr int s_nStepMs = 6750;  // one quarter turn of the block

    void SetUp() override
    {
        CGlTest::SetUp();
        m_pCapture = std::make_unique<plat::CDiagnosticsCapture>();
        m_strTexture = m_dir / "Marbre2.bmp";
        ASSERT_EQ(RunCommand("convert -seed 3 -size 64x64 plasma:grey90-grey60 -colorspace Gray -blur 0x1 "
                             "-type TrueColor 'BMP3:" +
                             m_strTexture + "'"),
                  0);
    }
    void TearDown() override
    {
        m_pJoueur.reset();
        m_pCubes.reset();
        m_pSol.reset();
        m_pCapture.reset();
        CGlTest::TearDown();
    }
    // The view's scene: a 5 x 25 floor, a 5 x 7 block starting at z = -25, and the key.
    void MakeScene(bool bPlayer = true)
    {
        m_pSol = std::make_unique<CSol>(5, 1, 25, 1.0f, m_strTexture, 0.0f, 0.0f, 0.0f);
        m_pCubes = std::make_unique<CRollingCube>(5, 7, 1.0f, m_strTexture, 0.0f, 0.0f, -25.0f);
        if (bPlayer) m_pJoueur = std::make_unique<CJoueur>(WriteKeyModel(m_dir).c_str());
    }
    void Frame(int nMs)  // one frame's updates in the view's order
    {
        m_pSol->Update(nMs);
        m_pCubes->Update(nMs, m_pSol.get());
        m_pJoueur->Update(nMs, m_pSol.get(), m_pCubes.get());
    }

    // An orthographic view of the box [l, r] x [b, t] x [-f, -n] with the identity model-view.
    void SetOrtho(double l, double r, double b, double t, double n, double f)
    {
        m_ortho[0] = l, m_ortho[1] = r, m_ortho[2] = b, m_ortho[3] = t, m_ortho[4] = n, m_ortho[5] = f;
        m_bTopView = false;
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(l, r, b, t, n, f);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    // A view from above of x in [x0, x1], z in [z0, z1] and y in [y0, y1]: flat faces face-on.
    void SetTopView(double x0, double x1, double z0, double z1, double y0, double y1)
    {
        SetOrtho(x0, x1, -z1, -z0, -y1, -y0);
        m_bTopView = true;
        glRotatef(90.0f, 1.0f, 0.0f, 0.0f);  // world (x, y, z) to eye (x, -z, y)
    }
    // The world point of a feedback vertex under SetOrtho or SetTopView.
    std::array<float, 3> World(const SFeedbackVertex& v) const
    {
        const double x = m_ortho[0] + v.pos[0] / s_nSize * (m_ortho[1] - m_ortho[0]);
        const double y = m_ortho[2] + v.pos[1] / s_nSize * (m_ortho[3] - m_ortho[2]);
        const double z =
            -((2.0 * v.pos[2] - 1.0) * (m_ortho[5] - m_ortho[4]) + (m_ortho[5] + m_ortho[4])) / 2.0;
        if (m_bTopView) return {static_cast<float>(x), static_cast<float>(z), static_cast<float>(-y)};
        return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
    }
    // The box around the vertices of every polygon that `keep` accepts.
    template <class Pred>
    SBox BoxOf(const std::vector<SFeedbackPrimitive>& prims, Pred keep) const
    {
        SBox box;
        for (const auto& p : prims)
            if (p.type == GL_POLYGON_TOKEN && keep(p))
                for (const auto& v : p.vertices)
                    for (int a = 0; a < 3; ++a)
                    {
                        box.min[a] = std::min(box.min[a], World(v)[a]);
                        box.max[a] = std::max(box.max[a], World(v)[a]);
                    }
        return box;
    }
    SBox BoxOf(const std::vector<SFeedbackPrimitive>& prims) const
    {
        return BoxOf(prims, [](const auto&) { return true; });
    }
    static void ExpectBox(const SBox& box, std::array<float, 6> expected, float fTolerance = 1e-3f)
    {
        for (int a = 0; a < 3; ++a)
        {
            EXPECT_NEAR(box.min[a], expected[2 * a], fTolerance) << "minimum of axis " << a;
            EXPECT_NEAR(box.max[a], expected[2 * a + 1], fTolerance) << "maximum of axis " << a;
        }
    }
    static size_t Polygons(const std::vector<SFeedbackPrimitive>& prims)
    {
        return static_cast<size_t>(std::count_if(prims.begin(), prims.end(),
                                                 [](const auto& p) { return p.type == GL_POLYGON_TOKEN; }));
    }

    CTempDir m_dir;                                         // scratch directory of the test
    std::string m_strTexture;                               // full name of the marble BMP
    std::unique_ptr<plat::CDiagnosticsCapture> m_pCapture;  // diagnostics of the test
    std::unique_ptr<CSol> m_pSol;                           // the floor, when made
    std::unique_ptr<CRollingCube> m_pCubes;                 // the block, when made
    std::unique_ptr<CJoueur> m_pJoueur;                     // the player, when made
    double m_ortho[6] = {-1, 1, -1, 1, -1, 1};              // the box of SetOrtho
    bool m_bTopView = false;                                // SetTopView's turn is in force
};

}  // namespace cubatro::test

// WorldTestSupport: the fixture and helpers shared by the game-world tests.
//
//   CWorldTest     headless OpenGL with a scratch directory holding a marble texture and a key
//                  model, diagnostics captured, and an orthographic view whose feedback output can
//                  be turned back into world coordinates
//   WriteKeyModel  a small key made of boxes, as OBJ and MTL text
#pragma once

#include "HeadlessGl.h"  // CGlTest, the headless OpenGL fixture
#include "TempDir.h"     // CTempDir for the texture and model files

#include "platform/Diagnostics.h"  // CDiagnosticsCapture keeps the bank's lines out of the output

#include <GL/gl.h>  // projection set-up and state queries

#include <algorithm>  // std::min, std::max for boxes
#include <cmath>      // std::sin for the marble veins
#include <cstdint>    // uint8_t for image bytes
#include <limits>     // infinities that start a box
#include <memory>     // std::unique_ptr for the capture
#include <string>     // file names and OBJ text
#include <vector>     // BMP bytes and primitive lists

namespace cubatro::test
{

// An axis-aligned box in world coordinates.
struct SBox
{
    float min[3] = {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::infinity(),
                    std::numeric_limits<float>::infinity()};
    float max[3] = {-std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                    -std::numeric_limits<float>::infinity()};
    void Add(const std::array<float, 3>& p)
    {
        for (int a = 0; a < 3; ++a)
        {
            min[a] = std::min(min[a], p[a]);
            max[a] = std::max(max[a], p[a]);
        }
    }
};

// A 24-bit BMP of white marble with grey veins, bottom row first, rows padded to 4 bytes.
inline std::vector<unsigned char> MarbleBmp(int nSize)
{
    const int nRow = (nSize * 3 + 3) / 4 * 4;
    const int nImage = nRow * nSize;
    std::vector<unsigned char> bmp(54 + static_cast<size_t>(nImage), 0);
    auto put32 = [&](size_t at, uint32_t v)
    {
        for (int b = 0; b < 4; ++b)
            bmp[at + static_cast<size_t>(b)] = static_cast<unsigned char>(v >> (8 * b));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, static_cast<uint32_t>(bmp.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(nSize));
    put32(22, static_cast<uint32_t>(nSize));
    bmp[26] = 1;   // planes
    bmp[28] = 24;  // bits per pixel
    put32(34, static_cast<uint32_t>(nImage));
    for (int y = 0; y < nSize; ++y)
    {
        for (int x = 0; x < nSize; ++x)
        {
            const double vein =
                std::sin(x * 0.35 + 4.0 * std::sin(y * 0.18) + 2.0 * std::sin((x + y) * 0.09));
            const double f = 0.75 + 0.25 * vein * vein * vein;
            unsigned char* p = &bmp[54 + static_cast<size_t>(y * nRow + x * 3)];
            p[0] = static_cast<unsigned char>(235 * f);  // blue
            p[1] = static_cast<unsigned char>(240 * f);  // green
            p[2] = static_cast<unsigned char>(245 * f);  // red
        }
    }
    return bmp;
}

// Appends one box as 8 vertices and 6 quads wound counter-clockwise seen from outside.
inline void AddBox(std::string& obj, int& nBase, float x0, float y0, float z0, float x1, float y1, float z1)
{
    const float corners[8][3] = {{x0, y0, z0}, {x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0},
                                 {x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}};
    for (const auto& c : corners)
        obj += "v " + std::to_string(c[0]) + " " + std::to_string(c[1]) + " " + std::to_string(c[2]) + "\n";
    const int faces[6][4] = {{1, 4, 3, 2}, {5, 6, 7, 8}, {1, 5, 8, 4},
                             {2, 3, 7, 6}, {1, 2, 6, 5}, {4, 8, 7, 3}};
    for (const auto& f : faces)
        obj += "f " + std::to_string(nBase + f[0]) + " " + std::to_string(nBase + f[1]) + " " +
               std::to_string(nBase + f[2]) + " " + std::to_string(nBase + f[3]) + "\n";
    nBase += 8;
}

// A key lying along z: a square ring (the bow) at +z, a shaft toward -z and two teeth hanging
// down near its tip; 0.2 thick along x. Writes key.obj and key.mtl into dir, returns the OBJ path.
inline constexpr int s_nKeyBoxes = 7;
inline std::string WriteKeyModel(const CTempDir& dir)
{
    std::string obj = "# key\nmtllib key.mtl\ng key\nusemtl brass\n";
    int nBase = 0;
    AddBox(obj, nBase, -0.1f, -0.6f, 0.6f, 0.1f, 0.6f, 0.85f);      // bow, far side
    AddBox(obj, nBase, -0.1f, -0.6f, 1.55f, 0.1f, 0.6f, 1.8f);      // bow, near side
    AddBox(obj, nBase, -0.1f, 0.35f, 0.85f, 0.1f, 0.6f, 1.55f);     // bow, top
    AddBox(obj, nBase, -0.1f, -0.6f, 0.85f, 0.1f, -0.35f, 1.55f);   // bow, bottom
    AddBox(obj, nBase, -0.1f, -0.1f, -1.2f, 0.1f, 0.1f, 0.6f);      // shaft
    AddBox(obj, nBase, -0.1f, -0.45f, -1.2f, 0.1f, -0.1f, -0.95f);  // tooth at the tip
    AddBox(obj, nBase, -0.1f, -0.35f, -0.8f, 0.1f, -0.1f, -0.55f);  // second tooth
    dir.Write("key.mtl", "newmtl brass\nKa 0.25 0.2 0.05\nKd 0.85 0.65 0.2\nKs 0.9 0.8 0.5\nNs 400\n");
    return dir.Write("key.obj", obj);
}

// Headless OpenGL with the game's art in a scratch directory.
class CWorldTest : public CGlTest
{
protected:
    void SetUp() override
    {
        CGlTest::SetUp();
        m_pCapture = std::make_unique<plat::CDiagnosticsCapture>();
        m_strTexture = m_dir.Write("Gfx/Marbre2.bmp", MarbleBmp(64));
    }
    void TearDown() override
    {
        m_pCapture.reset();
        CGlTest::TearDown();
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
    // An orthographic view from above of x in [x0, x1], z in [z0, z1] (far end down the screen
    // toward the top), y in [y0, y1]; faces lying flat are seen face-on.
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
        const double zn = 2.0 * v.pos[2] - 1.0;
        const double z = -(zn * (m_ortho[5] - m_ortho[4]) + (m_ortho[5] + m_ortho[4])) / 2.0;
        if (m_bTopView) return {static_cast<float>(x), static_cast<float>(z), static_cast<float>(-y)};
        return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
    }
    // The box around every polygon vertex that `keep` accepts.
    template <class Pred>
    SBox BoxOf(const std::vector<SFeedbackPrimitive>& prims, Pred keep) const
    {
        SBox box;
        for (const auto& p : prims)
            if (p.type == GL_POLYGON_TOKEN && keep(p))
                for (const auto& v : p.vertices)
                    box.Add(World(v));
        return box;
    }
    static size_t Polygons(const std::vector<SFeedbackPrimitive>& prims)
    {
        return static_cast<size_t>(std::count_if(prims.begin(), prims.end(),
                                                 [](const auto& p) { return p.type == GL_POLYGON_TOKEN; }));
    }

    CTempDir m_dir;                                         // scratch directory of the test
    std::string m_strTexture;                               // full name of the marble BMP
    std::unique_ptr<plat::CDiagnosticsCapture> m_pCapture;  // diagnostics of the test
    double m_ortho[6] = {-1, 1, -1, 1, -1, 1};              // the box of SetOrtho
    bool m_bTopView = false;                                // SetTopView's turn is in force
};

}  // namespace cubatro::test

// CubeTest: the faces of the cube mesh that draws every tile and every rolling cube.
#include "WorldTestSupport.h"  // CWorldTest: OpenGL and feedback in world coordinates

#include <set>  // the corners of a face

using CWorldCubeMeshTest = CWorldTest;
using Corners = std::set<std::array<float, 2>>;

// Every face lies on its own side of the cube with the four corners of that side, winds
// counter-clockwise seen from outside, spans the whole texture, and is lit only by a light on
// its side (its normal points outward): light 0 as it starts lights a face 0.04 + 0.8 cos.
TEST_F(CWorldCubeMeshTest, FacesPointOutwardWindOutwardAndSpanTheTexture)
{
    CCube cube(2.0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, false, false, 0, "");
    glEnable(GL_LIGHTING), glEnable(GL_LIGHT0);
    for (int nLit = 0; nLit < 6; ++nLit)  // sides: axis n / 2, toward + when n is even
    {
        std::array<float, 4> light{};
        light[nLit / 2] = nLit % 2 ? -1.0f : 1.0f;
        glLightfv(GL_LIGHT0, GL_POSITION, light.data());
        std::array<std::array<Corners, 2>, 6> faces;  // by side: corners on the other axes, and (s, t)
        for (const auto& p : Feedback([&] { cube.Draw(0, 0, 0, false); }))
        {
            const Vec3 v[3] = {World(p.vertices[0]), World(p.vertices[1]), World(p.vertices[2])};
            auto flat = [&](size_t a)
            { return std::abs(v[0][a] - v[1][a]) + std::abs(v[0][a] - v[2][a]) < 1e-4f; };
            const size_t a = flat(0) ? 0 : flat(1) ? 1 : 2, b = (a + 1) % 3, c = (a + 2) % 3;
            const int nSide = static_cast<int>(2 * a) + (v[0][a] < 0);
            const float fTurn =
                (v[1][b] - v[0][b]) * (v[2][c] - v[0][c]) - (v[1][c] - v[0][c]) * (v[2][b] - v[0][b]);
            EXPECT_TRUE(flat(a) && std::abs(std::abs(v[0][a]) - 1) < 1e-4f && fTurn * v[0][a] > 0) << nSide;
            for (size_t k = 0; k < 3; ++k)
            {
                faces[nSide][0].insert({std::round(v[k][b]), std::round(v[k][c])});
                faces[nSide][1].insert({p.vertices[k].tex[0], p.vertices[k].tex[1]});
                EXPECT_NEAR(p.vertices[k].color[0], nSide == nLit ? 0.84f : 0.04f, 1e-3f) << nSide;
            }
        }
        for (const auto& corners : faces)
            EXPECT_THAT(corners, ElementsAre(Corners{{-1, -1}, {-1, 1}, {1, -1}, {1, 1}},
                                             Corners{{0, 0}, {0, 1}, {1, 0}, {1, 1}}));
    }
}

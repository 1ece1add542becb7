// CubeTest: the cube mesh's geometry, lists, texture, placement, Advance and highlight, against
// real OpenGL.
#include "game/Cube.h"  // the class under test

#include "RenderTestTools.h"       // OpenGL fixture, feedback quads in scene coordinates, ImageMagick
#include "image/BindTexture.h"     // theBindTexture, to see references come and go
#include "platform/Diagnostics.h"  // keeping the bank's dump lines off the console

#include <cmath>    // std::cos, std::sin for the expected rotations
#include <memory>   // std::unique_ptr for meshes
#include <numbers>  // std::numbers::pi

namespace
{

using namespace cubatro::test;
using Vec3 = std::array<double, 3>;
using Vec4f = std::array<float, 4>;

// The faces in the order they are issued: normal, corners in half sizes, (s, t) of each corner.
struct SFace
{
    Vec3 normal;
    std::array<Vec3, 4> xyz;
    std::array<std::array<float, 2>, 4> st;
};
const SFace g_faces[6] = {
    {{0, 0, 1}, {{{-1, 1, 1}, {-1, -1, 1}, {1, -1, 1}, {1, 1, 1}}}, {{{0, 1}, {1, 1}, {1, 0}, {0, 0}}}},
    {{0, 0, -1}, {{{1, 1, -1}, {1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}}}, {{{0, 1}, {0, 0}, {1, 0}, {1, 1}}}},
    {{1, 0, 0}, {{{1, 1, 1}, {1, -1, 1}, {1, -1, -1}, {1, 1, -1}}}, {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}}},
    {{-1, 0, 0}, {{{-1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}, {-1, -1, 1}}}, {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}}},
    {{0, -1, 0}, {{{-1, -1, 1}, {-1, -1, -1}, {1, -1, -1}, {1, -1, 1}}}, {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}}},
    {{0, 1, 0}, {{{-1, 1, 1}, {1, 1, 1}, {1, 1, -1}, {-1, 1, -1}}}, {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}}},
};

// p turned about x, then y, then z, in degrees (the last turn acts first on the corner).
Vec3 Turned(Vec3 p, const Vec3& angles)
{
    for (size_t nAxis : {2, 1, 0})
    {
        const double c = std::cos(angles[nAxis] * std::numbers::pi / 180.0);
        const double s = std::sin(angles[nAxis] * std::numbers::pi / 180.0);
        const size_t i = (nAxis + 1) % 3, j = (nAxis + 2) % 3;
        const double pi = p[i], pj = p[j];
        p[i] = pi * c - pj * s;
        p[j] = pi * s + pj * c;
    }
    return p;
}

class CubeTest : public CGlTest
{
protected:
    void SetUp() override
    {
        CGlTest::SetUp();
        SceneProjection();
    }
    void TearDown() override
    {
        for (const auto& entry : theBindTexture.textures)  // every mesh gave its texture back
            EXPECT_EQ(entry.first.find(m_dir.Path().string()), std::string::npos) << entry.first;
        CGlTest::TearDown();
    }
    static std::unique_ptr<CCube> Make(bool bImmediate, const std::string& texture = "",
                                       unsigned char nAlpha = 0)
    {
        return std::make_unique<CCube>(3.0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, bImmediate, nAlpha > 0,
                                       nAlpha, texture);
    }
    std::vector<SFeedbackQuad> Capture(CCube& cube, bool bHighlight = false, std::array<float, 3> at = {})
    {
        return QuadsOf(Feedback([&] { cube.Draw(at[0], at[1], at[2], bHighlight); }));
    }
    static GLint Get(GLenum what)
    {
        GLint n = 0;
        glGetIntegerv(what, &n);
        return n;
    }

    CTempDir m_dir;
    plat::CDiagnosticsCapture m_capture;  // the bank's dump lines, the image reader's boxes
};

// In both modes: corners, texture coordinates, and normals (a light along one axis lights exactly
// the face whose normal is that axis); a listed mesh owns one list of its own, an immediate one none.
TEST_F(CubeTest, BothModesDrawTheTableAndOwnTheirLists)
{
    const Vec4f black{0, 0, 0, 1}, white{1, 1, 1, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black.data());
    glLightfv(GL_LIGHT0, GL_SPECULAR, black.data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, black.data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white.data());
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    for (bool bImmediate : {false, true})
    {
        const GLuint nBefore = glGenLists(1);
        auto pCube = Make(bImmediate);
        const GLuint nAfter = glGenLists(1);
        for (GLuint n : {nBefore, nAfter})
            glNewList(n, GL_COMPILE), glEndList();
        EXPECT_EQ(pCube->GetList(), bImmediate ? CCube::s_nNoList : nBefore + 1);
        EXPECT_EQ(nAfter, nBefore + (bImmediate ? 1 : 2));
        for (const SFace& lit : g_faces)
        {
            const Vec4f direction{float(lit.normal[0]), float(lit.normal[1]), float(lit.normal[2]), 0};
            glLightfv(GL_LIGHT0, GL_POSITION, direction.data());
            const std::vector<SFeedbackQuad> quads = Capture(*pCube);
            ASSERT_EQ(quads.size(), 6u);
            for (size_t f = 0; f < 6; ++f)
                for (size_t k = 0; k < 4; ++k)
                {
                    SCOPED_TRACE(::testing::Message()
                                 << "immediate " << bImmediate << ", face " << f << ", corner " << k
                                 << ", lit along face " << (&lit - g_faces));
                    for (size_t a = 0; a < 3; ++a)
                        EXPECT_NEAR(SceneOf(quads[f][k])[a], 1.5 * g_faces[f].xyz[k][a], 1e-4);
                    EXPECT_EQ((std::array{quads[f][k].tex[0], quads[f][k].tex[1]}), g_faces[f].st[k]);
                    EXPECT_NEAR(quads[f][k].color[0], g_faces[f].normal == lit.normal ? 1.0f : 0.0f, 1e-3f);
                }
        }
        pCube.reset();
        EXPECT_TRUE(glIsList(nBefore) && glIsList(nAfter));
        EXPECT_TRUE(bImmediate || !glIsList(nBefore + 1));  // the listed mesh's list is deleted
    }
}

// In both modes the draw binds the bank's texture (from the list when compiled); meshes of one name
// share it, and it is deleted with the last of them. No name binds nothing; an unreadable file gives 0.
TEST_F(CubeTest, TheTextureComesFromTheBankAndGoesBack)
{
    ASSERT_EQ(
        RunCommand("convert -size 4x4 xc:'rgb(200,100,50)' -type TrueColor bmp3:" + (m_dir / "Marbre2.bmp")),
        0);
    for (bool bImmediate : {false, true})
    {
        SCOPED_TRACE(bImmediate ? "immediate" : "display list");
        auto pFirst = Make(bImmediate, m_dir / "Marbre2.bmp", 77);
        const auto nTexture = static_cast<GLuint>(pFirst->GetTexture());
        ASSERT_TRUE(nTexture > 0 && glIsTexture(nTexture));
        glBindTexture(GL_TEXTURE_2D, 0);
        pFirst->Draw(0, 0, 0, false);
        EXPECT_EQ(static_cast<GLuint>(Get(GL_TEXTURE_BINDING_2D)), nTexture);
        std::vector<GLubyte> texels(4 * 4 * 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        EXPECT_EQ(std::vector<GLubyte>(texels.begin(), texels.begin() + 4),
                  (std::vector<GLubyte>{200, 100, 50, 77}));

        auto pPlain = Make(bImmediate);
        EXPECT_EQ(pPlain->GetTexture(), CCube::s_nNoTexture);
        pPlain->Draw(0, 0, 0, false);
        EXPECT_EQ(static_cast<GLuint>(Get(GL_TEXTURE_BINDING_2D)), nTexture);
        auto pSecond = Make(bImmediate, m_dir / "Marbre2.bmp");
        EXPECT_EQ(pSecond->GetTexture(), static_cast<int>(nTexture));
        EXPECT_EQ(theBindTexture.textures.at(m_dir / "Marbre2.bmp")->count, 2);
        pPlain.reset();
        pFirst.reset();
        EXPECT_TRUE(glIsTexture(nTexture));
        pSecond.reset();
        EXPECT_FALSE(glIsTexture(nTexture));

        auto pMissing = Make(bImmediate, m_dir / "Missing.bmp");
        EXPECT_EQ(pMissing->GetTexture(), 0);
        EXPECT_EQ(Capture(*pMissing).size(), 6u);
    }
}

// Advance moves the centre offset and the angles by the elapsed time times the velocities. A draw
// puts each corner at the draw position + the offset + the corner turned about x, then y, then z;
// highlighted, it draws the geometry plain and white, then again as gloss a little nearer the eye.
TEST_F(CubeTest, AdvanceMovesTheCubeAndAHighlightedDrawFollows)
{
    CCube cube(1.0, 0.5, 0, 0, 0, 0, 10, 0.001, -0.002, 0.0005, 0.06, -0.09, 0.1, false, false, 0, "");
    cube.Advance(500);
    Vec3 pos{}, angles{};
    cube.GetPosition(pos.data());
    cube.GetAngles(angles.data());
    EXPECT_EQ(pos, (Vec3{1.0, -1.0, 0.25}));
    EXPECT_EQ(angles, (Vec3{30, -45, 60}));
    const std::array<float, 3> at{-1, 0.5f, 2};
    glColor3f(0.2f, 0.3f, 0.4f);
    const std::vector<SFeedbackQuad> quads = Capture(cube, true, at);
    ASSERT_EQ(quads.size(), 12u);
    for (size_t f = 0; f < 6; ++f)
        for (size_t k = 0; k < 4; ++k)
        {
            for (size_t a = 0; a < 3; ++a)
                EXPECT_NEAR(SceneOf(quads[f][k])[a],
                            at[a] + pos[a] + 0.5 * Turned(g_faces[f].xyz[k], angles)[a], 1e-4)
                    << "face " << f << " corner " << k;
            EXPECT_EQ(quads[f][k].color, (Vec4f{1, 1, 1, 1})) << "plain pass";
            EXPECT_EQ(quads[f + 6][k].pos[0], quads[f][k].pos[0]) << "gloss pass";
            EXPECT_LE(quads[f + 6][k].pos[2], quads[f][k].pos[2]) << "gloss pass, offset toward the eye";
        }

    // What the highlight leaves: the gloss material and the state of the next plain draws.
    std::vector<GLint> state;
    for (GLenum what :
         {GL_TEXTURE_2D, GL_LIGHTING, GL_FOG, GL_BLEND, GL_POLYGON_OFFSET_FILL, GL_DEPTH_FUNC, GL_SHADE_MODEL,
          GL_BLEND_SRC, GL_BLEND_DST, GL_DEPTH_WRITEMASK, GL_MODELVIEW_STACK_DEPTH})
        state.push_back(Get(what));
    EXPECT_EQ(state, (std::vector<GLint>{1, 1, 1, 0, 0, GL_LEQUAL, GL_FLAT, GL_ONE, GL_ONE, GL_TRUE, 1}));
    const GLenum parameters[4] = {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_SHININESS};
    std::array<Vec4f, 4> material{};
    for (size_t i = 0; i < 4; ++i)
        glGetMaterialfv(GL_FRONT, parameters[i], material[i].data());
    EXPECT_EQ(material,
              (std::array<Vec4f, 4>{{{0, 0, 0, 1}, {0, 0, 0, 1}, {0.5f, 0.5f, 0.5f, 1}, {12, 0, 0, 0}}}));
}

}  // namespace

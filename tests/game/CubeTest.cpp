// CubeTest: the cube mesh's geometry, placement, display list, texture, highlight and Advance,
// against real OpenGL.
#include "game/Cube.h"  // the class under test

#include "../render/RenderTestTools.h"  // feedback quads in scene coordinates
#include "HeadlessGl.h"                 // real OpenGL context and feedback capture
#include "TempDir.h"                    // scratch directory, ImageMagick through RunCommand
#include "image/BindTexture.h"          // theBindTexture, to see references come and go
#include "platform/Diagnostics.h"       // keeping the bank's dump lines off the console

#include <GL/gl.h>  // state queries, lights and materials

#include <array>    // std::array for vectors
#include <cmath>    // std::cos, std::sin for the expected rotations
#include <memory>   // std::unique_ptr for meshes
#include <numbers>  // std::numbers::pi
#include <string>   // std::string for names
#include <vector>   // std::vector for quads and texels

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
    static std::unique_ptr<CCube> Make(double dSize, Vec3 pos, Vec3 angles, bool bImmediate,
                                       const std::string& texture = "", bool bAlpha = false,
                                       unsigned char nAlpha = 0)
    {
        return std::make_unique<CCube>(dSize, pos[0], pos[1], pos[2], angles[0], angles[1], angles[2], 0, 0,
                                       0, 0, 0, 0, bImmediate, bAlpha, nAlpha, texture);
    }
    std::vector<SFeedbackQuad> Capture(CCube& cube, std::array<float, 3> at = {}, bool bHighlight = false)
    {
        return QuadsOf(Feedback([&] { cube.Draw(at[0], at[1], at[2], bHighlight); }));
    }
    std::string MakeBmp(const std::string& name)  // a 4 × 4 24-bit BMP of one colour, by ImageMagick
    {
        EXPECT_EQ(RunCommand("convert -size 4x4 xc:'rgb(200,100,50)' -type TrueColor bmp3:" + (m_dir / name)),
                  0);
        return m_dir / name;
    }
    static GLuint Bound()
    {
        GLint n = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &n);
        return static_cast<GLuint>(n);
    }

    CTempDir m_dir;
    plat::CDiagnosticsCapture m_capture;  // the bank's dump lines, the image reader's boxes
};

class CubeModeTest : public CubeTest, public ::testing::WithParamInterface<bool>
{
};

// A light along one axis lights exactly the face whose normal is that axis.
TEST_P(CubeModeTest, CornersTextureCoordinatesAndNormalsFollowTheTable)
{
    auto pCube = Make(3.0, {}, {}, GetParam());
    const Vec4f black{0, 0, 0, 1}, white{1, 1, 1, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black.data());
    glLightfv(GL_LIGHT0, GL_SPECULAR, black.data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, black.data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white.data());
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    for (const SFace& lit : g_faces)
    {
        const Vec4f direction{float(lit.normal[0]), float(lit.normal[1]), float(lit.normal[2]), 0};
        glLightfv(GL_LIGHT0, GL_POSITION, direction.data());
        const std::vector<SFeedbackQuad> quads = Capture(*pCube);
        ASSERT_EQ(quads.size(), 6u);
        for (size_t f = 0; f < 6; ++f)
            for (size_t k = 0; k < 4; ++k)
            {
                const auto p = SceneOf(quads[f][k]);
                for (size_t a = 0; a < 3; ++a)
                    EXPECT_NEAR(p[a], 1.5 * g_faces[f].xyz[k][a], 1e-4) << "face " << f << " corner " << k;
                EXPECT_EQ(quads[f][k].tex[0], g_faces[f].st[k][0]) << "face " << f << " corner " << k;
                EXPECT_EQ(quads[f][k].tex[1], g_faces[f].st[k][1]) << "face " << f << " corner " << k;
                EXPECT_NEAR(quads[f][k].color[0], g_faces[f].normal == lit.normal ? 1.0f : 0.0f, 1e-3f)
                    << "face " << f << " lit along face " << (&lit - g_faces);
            }
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, CubeModeTest, ::testing::Values(false, true),
                         [](const auto& param)
                         { return std::string(param.param ? "Immediate" : "DisplayList"); });

// Where the corners land: draw position + centre offset + the turned corner.
struct SPlacementCase
{
    const char* pszName;
    Vec3 offset, angles;
    std::array<float, 3> at;
};

class CubePlacementTest : public CubeTest, public ::testing::WithParamInterface<SPlacementCase>
{
};

TEST_P(CubePlacementTest, CornersLandAtThePositionPlusOffsetTurned)
{
    const SPlacementCase& c = GetParam();
    auto pCube = Make(1.0, c.offset, c.angles, false);
    const std::vector<SFeedbackQuad> quads = Capture(*pCube, c.at);
    ASSERT_EQ(quads.size(), 6u);
    for (size_t f = 0; f < 6; ++f)
        for (size_t k = 0; k < 4; ++k)
        {
            const Vec3 turned = Turned(g_faces[f].xyz[k], c.angles);
            const auto p = SceneOf(quads[f][k]);
            for (size_t a = 0; a < 3; ++a)
                EXPECT_NEAR(p[a], c.at[a] + c.offset[a] + 0.5 * turned[a], 1e-4)
                    << "face " << f << " corner " << k;
        }
}

// Floor tile (i, j): x from i to i + 1, y from -1 to 0, z from -j to -(j + 1).
INSTANTIATE_TEST_SUITE_P(
    Placements, CubePlacementTest,
    ::testing::Values(SPlacementCase{"FloorTile00", {0.5, -0.5, -0.5}, {}, {0, 0, 0}},
                      SPlacementCase{"FloorTile21", {0.5, -0.5, -0.5}, {}, {2, 0, -1}},
                      SPlacementCase{"RollingCube", {0.5, 0, 0}, {}, {1, 0.5f, -2}},
                      SPlacementCase{"TurnedX", {}, {90, 0, 0}, {0, 0, 0}},
                      SPlacementCase{"TurnedXThenY", {}, {90, 90, 0}, {0, 0, 0}},
                      SPlacementCase{"TurnedAll", {0.25, -0.5, 0.75}, {30, -45, 60}, {1, 0.5f, -1}}),
    [](const auto& param) { return std::string(param.param.pszName); });

TEST_F(CubeTest, AListMeshOwnsExactlyOneListAnImmediateMeshNone)
{
    const GLuint nBefore = glGenLists(1);
    auto pListed = Make(1.0, {}, {}, false);
    auto pImmediate = Make(1.0, {}, {}, true);
    const GLuint nAfter = glGenLists(1);
    for (GLuint n : {nBefore, nAfter})
        glNewList(n, GL_COMPILE), glEndList();
    EXPECT_EQ(pListed->GetList(), nBefore + 1);
    EXPECT_EQ(pImmediate->GetList(), CCube::s_nNoList);
    EXPECT_EQ(nAfter, nBefore + 2);
    EXPECT_TRUE(glIsList(nBefore + 1));
    EXPECT_EQ(Capture(*pImmediate).size(), 6u);  // every draw issues the 24 corners
    EXPECT_EQ(Capture(*pImmediate).size(), 6u);
    pImmediate.reset();
    pListed.reset();
    EXPECT_FALSE(glIsList(nBefore + 1));
    EXPECT_TRUE(glIsList(nBefore) && glIsList(nAfter));
}

class CubeTextureTest : public CubeTest, public ::testing::WithParamInterface<bool>
{
};

TEST_P(CubeTextureTest, TheTextureComesFromTheBankAndGoesBack)
{
    const std::string path = MakeBmp("Marbre2.bmp");
    auto pFirst = Make(1.0, {}, {}, GetParam(), path, true, 77);
    const auto nTexture = static_cast<GLuint>(pFirst->GetTexture());
    ASSERT_TRUE(nTexture > 0 && glIsTexture(nTexture));
    glBindTexture(GL_TEXTURE_2D, 0);
    pFirst->Draw(0, 0, 0, false);
    EXPECT_EQ(Bound(), nTexture);  // bound by the draw, from the list when compiled
    std::vector<GLubyte> texels(4 * 4 * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(std::vector<GLubyte>(texels.begin(), texels.begin() + 4),
              (std::vector<GLubyte>{200, 100, 50, 77}));

    auto pSecond = Make(1.0, {}, {}, GetParam(), path);
    EXPECT_EQ(pSecond->GetTexture(), static_cast<int>(nTexture));
    EXPECT_EQ(theBindTexture.textures.at(path)->count, 2);
    pFirst.reset();
    EXPECT_TRUE(glIsTexture(nTexture));
    pSecond.reset();
    EXPECT_FALSE(glIsTexture(nTexture));
}

TEST_P(CubeTextureTest, NoTextureNameBindsAndReleasesNothingAnUnreadableImageGivesZero)
{
    auto pOther = Make(1.0, {}, {}, true, MakeBmp("Other.bmp"));
    auto pPlain = Make(1.0, {}, {}, GetParam());
    EXPECT_EQ(pPlain->GetTexture(), CCube::s_nNoTexture);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(pOther->GetTexture()));
    pPlain->Draw(0, 0, 0, false);
    EXPECT_EQ(Bound(), static_cast<GLuint>(pOther->GetTexture()));
    pPlain.reset();
    EXPECT_EQ(theBindTexture.textures.at(m_dir / "Other.bmp")->count, 1);

    auto pMissing = Make(1.0, {}, {}, GetParam(), m_dir / "Missing.bmp");
    EXPECT_EQ(pMissing->GetTexture(), 0);
    EXPECT_EQ(Capture(*pMissing).size(), 6u);
}

INSTANTIATE_TEST_SUITE_P(Modes, CubeTextureTest, ::testing::Values(false, true),
                         [](const auto& param)
                         { return std::string(param.param ? "Immediate" : "DisplayList"); });

TEST_F(CubeTest, HighlightDrawsPlainThenGlossAndLeavesItsState)
{
    auto pCube = Make(2.0, {1, 2, 3}, {10, 20, 30}, false);
    std::array<GLfloat, 16> before{}, after{};
    glGetFloatv(GL_MODELVIEW_MATRIX, before.data());
    glColor3f(0.2f, 0.3f, 0.4f);
    const std::vector<SFeedbackQuad> quads = Capture(*pCube, {-1, -2, -3}, true);
    ASSERT_EQ(quads.size(), 12u);
    for (size_t q = 0; q < 6; ++q)
        for (size_t k = 0; k < 4; ++k)
        {
            EXPECT_EQ(quads[q][k].color, (Vec4f{1, 1, 1, 1})) << "plain pass";
            EXPECT_EQ(quads[q + 6][k].pos[0], quads[q][k].pos[0]) << "gloss pass";
            EXPECT_LE(quads[q + 6][k].pos[2], quads[q][k].pos[2]) << "gloss pass, offset toward the eye";
        }
    glGetFloatv(GL_MODELVIEW_MATRIX, after.data());
    EXPECT_EQ(after, before);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D) && glIsEnabled(GL_LIGHTING) && glIsEnabled(GL_FOG));
    EXPECT_FALSE(glIsEnabled(GL_BLEND) || glIsEnabled(GL_POLYGON_OFFSET_FILL));
    GLint nDepth = 0, nShade = 0, nSrc = 0, nDst = 0, nMask = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &nDepth);
    glGetIntegerv(GL_SHADE_MODEL, &nShade);
    glGetIntegerv(GL_BLEND_SRC, &nSrc);
    glGetIntegerv(GL_BLEND_DST, &nDst);
    glGetIntegerv(GL_DEPTH_WRITEMASK, &nMask);
    EXPECT_EQ(std::to_array({nDepth, nShade, nSrc, nDst, nMask}),
              std::to_array<GLint>({GL_LEQUAL, GL_FLAT, GL_ONE, GL_ONE, GL_TRUE}));
    Vec4f ambient{}, diffuse{}, specular{};
    GLfloat fShininess = 0, fFactor = 0, fUnits = 0;
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, ambient.data());
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse.data());
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular.data());
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &fShininess);
    glGetFloatv(GL_POLYGON_OFFSET_FACTOR, &fFactor);
    glGetFloatv(GL_POLYGON_OFFSET_UNITS, &fUnits);
    EXPECT_EQ(ambient, (Vec4f{0, 0, 0, 1}));
    EXPECT_EQ(diffuse, (Vec4f{0, 0, 0, 1}));
    EXPECT_EQ(specular, (Vec4f{0.5f, 0.5f, 0.5f, 1}));
    EXPECT_EQ(std::to_array({fShininess, fFactor, fUnits}), std::to_array({12.0f, -0.05f, -0.05f}));
}

TEST_F(CubeTest, AdvanceMovesByElapsedTimeTimesTheVelocities)
{
    CCube cube(1.0, 0.5, 0, 0, 0, 0, 10, 0.001, -0.002, 0.0005, 0.01, 0.02, -0.04, true, false, 0, "");
    cube.Advance(500);
    Vec3 pos{}, angles{};
    cube.GetPosition(pos.data());
    cube.GetAngles(angles.data());
    EXPECT_EQ(pos, (Vec3{1.0, -1.0, 0.25}));
    EXPECT_EQ(angles, (Vec3{5, 10, -10}));
    const std::vector<SFeedbackQuad> quads = Capture(cube);  // the draw follows
    ASSERT_EQ(quads.size(), 6u);
    const Vec3 corner = Turned(g_faces[0].xyz[0], angles);
    for (size_t a = 0; a < 3; ++a)
        EXPECT_NEAR(SceneOf(quads[0][0])[a], pos[a] + 0.5 * corner[a], 1e-4);
}

}  // namespace

// CubeTest: the cube mesh's geometry, placement, display list, texture and highlight, against
// real OpenGL.
#include "game/Cube.h"  // the class under test

#include "../render/FeedbackQuads.h"  // quads of a feedback capture, the scene box
#include "HeadlessGl.h"               // real OpenGL context and feedback capture
#include "TempDir.h"                  // scratch directory, ImageMagick through RunCommand

#include "image/BindTexture.h"     // theBindTexture, to see references come and go
#include "platform/Diagnostics.h"  // keeping the bank's dump lines and message boxes off the console

#include <GL/gl.h>  // state queries, lights and materials

#include <algorithm>  // std::min, std::max for boxes
#include <array>      // std::array for vectors and matrices
#include <cmath>      // std::cos, std::sin for the expected rotations
#include <memory>     // std::unique_ptr for meshes
#include <numbers>    // std::numbers::pi
#include <string>     // std::string for file names
#include <vector>     // std::vector for captured quads

namespace
{

using cubatro::test::CGlTest;
using cubatro::test::CTempDir;
using cubatro::test::QuadsOf;
using cubatro::test::SceneOf;
using cubatro::test::SceneProjection;
using cubatro::test::SFeedbackQuad;
using Vec3 = std::array<double, 3>;

// The faces in the order they are issued: normal, then each corner's (s, t) and its position
// in units of the half size.
struct SExpectedFace
{
    Vec3 normal;
    std::array<std::array<float, 2>, 4> st;
    std::array<Vec3, 4> xyz;
};

const SExpectedFace g_expected[6] = {
    {{0, 0, 1}, {{{0, 1}, {1, 1}, {1, 0}, {0, 0}}}, {{{-1, 1, 1}, {-1, -1, 1}, {1, -1, 1}, {1, 1, 1}}}},
    {{0, 0, -1}, {{{0, 1}, {0, 0}, {1, 0}, {1, 1}}}, {{{1, 1, -1}, {1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}}}},
    {{1, 0, 0}, {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}}, {{{1, 1, 1}, {1, -1, 1}, {1, -1, -1}, {1, 1, -1}}}},
    {{-1, 0, 0}, {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}}, {{{-1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}, {-1, -1, 1}}}},
    {{0, -1, 0}, {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}}, {{{-1, -1, 1}, {-1, -1, -1}, {1, -1, -1}, {1, -1, 1}}}},
    {{0, 1, 0}, {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}}, {{{-1, 1, 1}, {1, 1, 1}, {1, 1, -1}, {-1, 1, -1}}}},
};

// What a mesh is built with; velocities stay 0 unless a test sets them.
struct SCubeArgs
{
    double dSize = 1.0;
    Vec3 pos{};
    Vec3 angles{};
    bool bImmediate = false;
    std::string strTexture{};
    bool bAddAlpha = false;
    unsigned char nAlpha = 0;
    Vec3 vel{};
    Vec3 angVel{};
};

std::unique_ptr<CCube> MakeCube(const SCubeArgs& a)
{
    return std::make_unique<CCube>(a.dSize, a.pos[0], a.pos[1], a.pos[2], a.angles[0], a.angles[1],
                                   a.angles[2], a.vel[0], a.vel[1], a.vel[2], a.angVel[0], a.angVel[1],
                                   a.angVel[2], a.bImmediate, a.bAddAlpha, a.nAlpha, a.strTexture);
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
        // Every mesh of the test has given its texture back.
        for (const auto& [name, pEntry] : theBindTexture.textures)
            EXPECT_EQ(name.find(m_dir.Path().string()), std::string::npos) << name << " is still held";
        CGlTest::TearDown();
    }

    // The quads one Draw sends.
    std::vector<SFeedbackQuad> Capture(CCube& cube, float fX = 0, float fY = 0, float fZ = 0,
                                       bool bHighlight = false)
    {
        return QuadsOf(Feedback([&] { cube.Draw(fX, fY, fZ, bHighlight); }));
    }

    // A 24-bit BMP of one colour, made by ImageMagick; returns its path.
    std::string MakeBmp(const std::string& name)
    {
        const std::string path = m_dir / name;
        std::string output;
        EXPECT_EQ(cubatro::test::RunCommand(
                      "convert -size 4x4 xc:'rgb(200,100,50)' -type TrueColor bmp3:" + path, &output),
                  0)
            << output;
        return path;
    }

    static GLuint BoundTexture()
    {
        GLint n = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &n);
        return static_cast<GLuint>(n);
    }

    CTempDir m_dir;
    plat::CDiagnosticsCapture m_capture;  // the bank's dump lines and the reader's boxes
};

// --- geometry -------------------------------------------------------------------------------

class CubeModeTest : public CubeTest, public ::testing::WithParamInterface<bool>
{
};

TEST_P(CubeModeTest, CornersAndTextureCoordinatesFollowTheTable)
{
    auto pCube = MakeCube({.dSize = 3.0, .bImmediate = GetParam()});
    EXPECT_DOUBLE_EQ(pCube->GetHalfSize(), 1.5);
    const std::vector<SFeedbackQuad> quads = Capture(*pCube);
    ASSERT_EQ(quads.size(), 6u);
    for (size_t f = 0; f < 6; ++f)
        for (size_t k = 0; k < 4; ++k)
        {
            const auto p = SceneOf(quads[f][k]);
            for (size_t a = 0; a < 3; ++a)
                EXPECT_NEAR(p[a], 1.5 * g_expected[f].xyz[k][a], 1e-4) << "face " << f << " corner " << k;
            EXPECT_FLOAT_EQ(quads[f][k].tex[0], g_expected[f].st[k][0]) << "face " << f << " corner " << k;
            EXPECT_FLOAT_EQ(quads[f][k].tex[1], g_expected[f].st[k][1]) << "face " << f << " corner " << k;
        }
}

// A light shining along one axis lights exactly the face whose normal is that axis.
TEST_P(CubeModeTest, EachFaceCarriesItsOutwardNormal)
{
    auto pCube = MakeCube({.dSize = 2.0, .bImmediate = GetParam()});
    const GLfloat fBlack[4] = {0, 0, 0, 1};
    const GLfloat fWhite[4] = {1, 1, 1, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, fBlack);
    glLightfv(GL_LIGHT0, GL_SPECULAR, fBlack);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, fBlack);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, fWhite);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    for (const SExpectedFace& lit : g_expected)
    {
        const GLfloat fDirection[4] = {static_cast<float>(lit.normal[0]), static_cast<float>(lit.normal[1]),
                                       static_cast<float>(lit.normal[2]), 0.0f};
        glLightfv(GL_LIGHT0, GL_POSITION, fDirection);
        const std::vector<SFeedbackQuad> quads = Capture(*pCube);
        ASSERT_EQ(quads.size(), 6u);
        for (size_t f = 0; f < 6; ++f)
            for (size_t k = 0; k < 4; ++k)
                EXPECT_NEAR(quads[f][k].color[0], g_expected[f].normal == lit.normal ? 1.0f : 0.0f, 1e-3f)
                    << "face " << f << " under light (" << lit.normal[0] << ", " << lit.normal[1] << ", "
                    << lit.normal[2] << ")";
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, CubeModeTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& param)
                         { return std::string(param.param ? "Immediate" : "DisplayList"); });

// --- placement ------------------------------------------------------------------------------

// The box of all corners of one draw, as its two extreme corners.
std::array<Vec3, 2> BoxOf(const std::vector<SFeedbackQuad>& quads)
{
    std::array<Vec3, 2> box{Vec3{1e9, 1e9, 1e9}, Vec3{-1e9, -1e9, -1e9}};
    for (const SFeedbackQuad& q : quads)
        for (const auto& v : q)
        {
            const auto p = SceneOf(v);
            for (size_t a = 0; a < 3; ++a)
            {
                box[0][a] = std::min(box[0][a], static_cast<double>(p[a]));
                box[1][a] = std::max(box[1][a], static_cast<double>(p[a]));
            }
        }
    return box;
}

struct SPlacementCase
{
    const char* pszName;
    Vec3 offset;              // centre offset of the mesh
    std::array<float, 3> at;  // draw position
    std::array<Vec3, 2> box;  // expected extent
};

class CubePlacementTest : public CubeTest, public ::testing::WithParamInterface<SPlacementCase>
{
};

TEST_P(CubePlacementTest, DrawnAtItsPositionPlusTheCentreOffset)
{
    const SPlacementCase& c = GetParam();
    auto pCube = MakeCube({.dSize = 1.0, .pos = c.offset});
    const auto box = BoxOf(Capture(*pCube, c.at[0], c.at[1], c.at[2]));
    for (size_t e = 0; e < 2; ++e)
        for (size_t a = 0; a < 3; ++a)
            EXPECT_NEAR(box[e][a], c.box[e][a], 1e-4) << (e ? "max" : "min") << " on axis " << a;
}

// The floor's tile (i, j) fills x from i to i + 1, y from -1 to 0, z from -j to -(j + 1); a
// rolling cube sits half in, half out of y = 0 around its own z.
INSTANTIATE_TEST_SUITE_P(
    Owners, CubePlacementTest,
    ::testing::Values(
        SPlacementCase{"FloorTile00", {0.5, -0.5, -0.5}, {0, 0, 0}, {{{0, -1, -1}, {1, 0, 0}}}},
        SPlacementCase{"FloorTile21", {0.5, -0.5, -0.5}, {2, 0, -1}, {{{2, -1, -2}, {3, 0, -1}}}},
        SPlacementCase{"FloorTile13", {0.5, -0.5, -0.5}, {1, 0, -3}, {{{1, -1, -4}, {2, 0, -3}}}},
        SPlacementCase{"RollingCube", {0.5, 0, 0}, {1, 0.5f, -2}, {{{1, 0, -2.5}, {2, 1, -1.5}}}}),
    [](const ::testing::TestParamInfo<SPlacementCase>& param) { return std::string(param.param.pszName); });

// Angles turn the cube about x, then y, then z (the last given acts first on the corners).
Vec3 Rotated(Vec3 v, const Vec3& angles)
{
    auto turn = [](Vec3 p, size_t nAxis, double dDegrees)
    {
        const double c = std::cos(dDegrees * std::numbers::pi / 180.0);
        const double s = std::sin(dDegrees * std::numbers::pi / 180.0);
        const size_t i = (nAxis + 1) % 3, j = (nAxis + 2) % 3;
        const double pi = p[i], pj = p[j];
        p[i] = pi * c - pj * s;
        p[j] = pi * s + pj * c;
        return p;
    };
    v = turn(v, 2, angles[2]);
    v = turn(v, 1, angles[1]);
    return turn(v, 0, angles[0]);
}

class CubeRotationTest : public CubeTest, public ::testing::WithParamInterface<Vec3>
{
};

TEST_P(CubeRotationTest, AnglesTurnAboutXThenYThenZ)
{
    const Vec3 angles = GetParam();
    const Vec3 offset{0.25, -0.5, 0.75};
    auto pCube = MakeCube({.dSize = 2.0, .pos = offset, .angles = angles, .bImmediate = true});
    const std::vector<SFeedbackQuad> quads = Capture(*pCube, 1.0f, 0.5f, -1.0f);
    ASSERT_EQ(quads.size(), 6u);
    for (size_t f = 0; f < 6; ++f)
        for (size_t k = 0; k < 4; ++k)
        {
            const Vec3 r = Rotated(g_expected[f].xyz[k], angles);
            const Vec3 expected{r[0] + 1.0 + offset[0], r[1] + 0.5 + offset[1], r[2] - 1.0 + offset[2]};
            const auto p = SceneOf(quads[f][k]);
            for (size_t a = 0; a < 3; ++a)
                EXPECT_NEAR(p[a], expected[a], 1e-4) << "face " << f << " corner " << k << " axis " << a;
        }
}

INSTANTIATE_TEST_SUITE_P(Angles, CubeRotationTest,
                         ::testing::Values(Vec3{90, 0, 0}, Vec3{0, 90, 0}, Vec3{0, 0, 90}, Vec3{90, 90, 0},
                                           Vec3{0, 90, 90}, Vec3{30, -45, 60}));

// --- display list -----------------------------------------------------------------------------

TEST_F(CubeTest, AListCompiledMeshOwnsExactlyOneList)
{
    const GLuint nBefore = glGenLists(1);
    glNewList(nBefore, GL_COMPILE);
    glEndList();
    auto pCube = MakeCube({.bImmediate = false});
    const GLuint nAfter = glGenLists(1);
    glNewList(nAfter, GL_COMPILE);
    glEndList();
    EXPECT_EQ(pCube->GetList(), nBefore + 1);
    EXPECT_EQ(nAfter, nBefore + 2);
    EXPECT_TRUE(glIsList(pCube->GetList()));

    const GLuint nList = pCube->GetList();
    pCube.reset();
    EXPECT_FALSE(glIsList(nList));
    EXPECT_TRUE(glIsList(nBefore));
    EXPECT_TRUE(glIsList(nAfter));
    glDeleteLists(nBefore, 1);
    glDeleteLists(nAfter, 1);
}

TEST_F(CubeTest, AnImmediateMeshMakesNoListAndIssuesItsCornersAtEveryDraw)
{
    const GLuint nBefore = glGenLists(1);
    auto pCube = MakeCube({.bImmediate = true});
    EXPECT_EQ(pCube->GetList(), CCube::s_nNoList);
    EXPECT_EQ(glGenLists(1), nBefore + 1);
    EXPECT_EQ(Capture(*pCube).size(), 6u);
    EXPECT_EQ(Capture(*pCube).size(), 6u);
    pCube.reset();
    glNewList(nBefore, GL_COMPILE);
    glEndList();
    glNewList(nBefore + 1, GL_COMPILE);
    glEndList();
    EXPECT_TRUE(glIsList(nBefore));
    EXPECT_TRUE(glIsList(nBefore + 1));
}

TEST_F(CubeTest, DrawLeavesTheModelviewMatrixAsItWas)
{
    auto pCube = MakeCube({.pos = {1, 2, 3}, .angles = {10, 20, 30}});
    glTranslatef(0.5f, 0.25f, 0.125f);
    std::array<GLfloat, 16> before{}, after{};
    glGetFloatv(GL_MODELVIEW_MATRIX, before.data());
    for (bool bHighlight : {false, true})
    {
        pCube->Draw(1, 2, 3, bHighlight);
        glGetFloatv(GL_MODELVIEW_MATRIX, after.data());
        EXPECT_EQ(after, before);
    }
}

// --- texture ----------------------------------------------------------------------------------

class CubeTextureTest : public CubeTest, public ::testing::WithParamInterface<bool>
{
};

TEST_P(CubeTextureTest, TheTextureComesFromTheBankAndGoesBack)
{
    const std::string path = MakeBmp("Marbre2.bmp");
    auto pFirst = MakeCube({.bImmediate = GetParam(), .strTexture = path});
    const int nTexture = pFirst->GetTexture();
    ASSERT_GT(nTexture, 0);
    EXPECT_TRUE(glIsTexture(static_cast<GLuint>(nTexture)));
    ASSERT_EQ(theBindTexture.textures.count(path), 1u);
    EXPECT_EQ(theBindTexture.textures.at(path)->id, static_cast<GLuint>(nTexture));

    // The draw binds the mesh's texture (from the list when compiled).
    glBindTexture(GL_TEXTURE_2D, 0);
    pFirst->Draw(0, 0, 0, false);
    EXPECT_EQ(BoundTexture(), static_cast<GLuint>(nTexture));

    auto pSecond = MakeCube({.bImmediate = GetParam(), .strTexture = path});
    EXPECT_EQ(pSecond->GetTexture(), nTexture);
    EXPECT_EQ(theBindTexture.textures.at(path)->count, 2);
    pFirst.reset();
    EXPECT_TRUE(glIsTexture(static_cast<GLuint>(nTexture)));
    EXPECT_EQ(theBindTexture.textures.at(path)->count, 1);
    pSecond.reset();
    EXPECT_FALSE(glIsTexture(static_cast<GLuint>(nTexture)));
    EXPECT_EQ(theBindTexture.textures.count(path), 0u);
}

TEST_P(CubeTextureTest, WithoutATextureNameNothingIsBoundOrReleased)
{
    const std::string path = MakeBmp("Other.bmp");
    auto pTextured = MakeCube({.bImmediate = true, .strTexture = path});
    const auto nOther = static_cast<GLuint>(pTextured->GetTexture());

    auto pCube = MakeCube({.bImmediate = GetParam()});
    EXPECT_EQ(pCube->GetTexture(), CCube::s_nNoTexture);
    glBindTexture(GL_TEXTURE_2D, nOther);
    pCube->Draw(0, 0, 0, false);
    EXPECT_EQ(BoundTexture(), nOther);
    const size_t nEntries = theBindTexture.textures.size();
    pCube.reset();
    EXPECT_EQ(theBindTexture.textures.size(), nEntries);
    EXPECT_EQ(theBindTexture.textures.at(path)->count, 1);
}

TEST_P(CubeTextureTest, TheAlphaLayerArgumentsReachTheBank)
{
    const std::string path = MakeBmp("Alpha.bmp");
    auto pCube = MakeCube({.bImmediate = GetParam(), .strTexture = path, .bAddAlpha = true, .nAlpha = 77});
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(pCube->GetTexture()));
    std::vector<GLubyte> texels(4 * 4 * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    for (size_t i = 0; i < texels.size(); i += 4)
    {
        EXPECT_EQ(texels[i], 200);
        EXPECT_EQ(texels[i + 3], 77);
    }
}

TEST_P(CubeTextureTest, AnUnreadableImageGivesTextureZero)
{
    const std::string path = m_dir / "Missing.bmp";
    auto pCube = MakeCube({.bImmediate = GetParam(), .strTexture = path});
    EXPECT_EQ(pCube->GetTexture(), 0);
    EXPECT_EQ(Capture(*pCube).size(), 6u);
    pCube.reset();
    EXPECT_EQ(theBindTexture.textures.count(path), 0u);
}

INSTANTIATE_TEST_SUITE_P(Modes, CubeTextureTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& param)
                         { return std::string(param.param ? "Immediate" : "DisplayList"); });

// --- highlight --------------------------------------------------------------------------------

TEST_F(CubeTest, HighlightDrawsPlainThenGlossAndLeavesItsState)
{
    auto pCube = MakeCube({.dSize = 2.0});
    glColor3f(0.2f, 0.3f, 0.4f);
    const std::vector<SFeedbackQuad> quads = Capture(*pCube, 0, 0, 0, true);
    ASSERT_EQ(quads.size(), 12u);
    for (size_t q = 0; q < 6; ++q)
        for (const auto& v : quads[q])
            EXPECT_EQ(v.color, (std::array<float, 4>{1, 1, 1, 1})) << "plain pass, face " << q;
    // The gloss pass covers the same corners, pulled toward the viewer by the polygon offset.
    for (size_t q = 0; q < 6; ++q)
        for (size_t k = 0; k < 4; ++k)
        {
            EXPECT_FLOAT_EQ(quads[q + 6][k].pos[0], quads[q][k].pos[0]) << "gloss pass, face " << q;
            EXPECT_FLOAT_EQ(quads[q + 6][k].pos[1], quads[q][k].pos[1]) << "gloss pass, face " << q;
            EXPECT_LE(quads[q + 6][k].pos[2], quads[q][k].pos[2]) << "gloss pass, face " << q;
        }

    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_POLYGON_OFFSET_FILL));
    GLint nDepthFunc = 0, nShade = 0, nSrc = 0, nDst = 0, nEnvMode = 0;
    GLboolean bDepthMask = GL_FALSE;
    glGetIntegerv(GL_DEPTH_FUNC, &nDepthFunc);
    glGetIntegerv(GL_SHADE_MODEL, &nShade);
    glGetIntegerv(GL_BLEND_SRC, &nSrc);
    glGetIntegerv(GL_BLEND_DST, &nDst);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &nEnvMode);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &bDepthMask);
    EXPECT_EQ(nDepthFunc, GL_LEQUAL);
    EXPECT_EQ(nShade, GL_FLAT);
    EXPECT_EQ(nSrc, GL_ONE);
    EXPECT_EQ(nDst, GL_ONE);
    EXPECT_EQ(nEnvMode, GL_MODULATE);
    EXPECT_EQ(bDepthMask, GL_TRUE);
    GLfloat fFactor = 0, fUnits = 0, fShininess = 0;
    glGetFloatv(GL_POLYGON_OFFSET_FACTOR, &fFactor);
    glGetFloatv(GL_POLYGON_OFFSET_UNITS, &fUnits);
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &fShininess);
    EXPECT_FLOAT_EQ(fFactor, -0.05f);
    EXPECT_FLOAT_EQ(fUnits, -0.05f);
    EXPECT_FLOAT_EQ(fShininess, 12.0f);
    std::array<GLfloat, 4> ambient{}, diffuse{}, specular{};
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, ambient.data());
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse.data());
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular.data());
    EXPECT_EQ(ambient, (std::array<GLfloat, 4>{0, 0, 0, 1}));
    EXPECT_EQ(diffuse, (std::array<GLfloat, 4>{0, 0, 0, 1}));
    EXPECT_EQ(specular, (std::array<GLfloat, 4>{0.5f, 0.5f, 0.5f, 1}));
}

TEST_F(CubeTest, WithoutHighlightTheCallersStateIsKept)
{
    auto pCube = MakeCube({.dSize = 2.0});
    glColor3f(0.25f, 0.5f, 0.75f);
    glEnable(GL_BLEND);
    const std::vector<SFeedbackQuad> quads = Capture(*pCube);
    ASSERT_EQ(quads.size(), 6u);
    EXPECT_EQ(quads[0][0].color, (std::array<float, 4>{0.25f, 0.5f, 0.75f, 1}));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

// --- Advance ----------------------------------------------------------------------------------

TEST_F(CubeTest, AdvanceMovesByElapsedTimeTimesTheVelocities)
{
    auto pCube = MakeCube({.dSize = 1.0,
                           .pos = {0.5, 0, 0},
                           .angles = {0, 0, 10},
                           .bImmediate = true,
                           .vel = {0.001, -0.002, 0.0005},
                           .angVel = {0.01, 0.02, -0.04}});
    pCube->Advance(500);
    Vec3 pos{}, angles{};
    pCube->GetPosition(pos.data());
    pCube->GetAngles(angles.data());
    EXPECT_DOUBLE_EQ(pos[0], 1.0);
    EXPECT_DOUBLE_EQ(pos[1], -1.0);
    EXPECT_DOUBLE_EQ(pos[2], 0.25);
    EXPECT_DOUBLE_EQ(angles[0], 5.0);
    EXPECT_DOUBLE_EQ(angles[1], 10.0);
    EXPECT_DOUBLE_EQ(angles[2], -10.0);

    // The draw follows: the box of the turned cube is centred on the new offset.
    const auto box = BoxOf(Capture(*pCube));
    for (size_t a = 0; a < 3; ++a)
        EXPECT_NEAR((box[0][a] + box[1][a]) / 2.0, pos[a], 1e-4) << "axis " << a;

    pCube->Advance(-500);
    pCube->GetPosition(pos.data());
    pCube->GetAngles(angles.data());
    EXPECT_EQ(pos, (Vec3{0.5, 0, 0}));
    EXPECT_EQ(angles, (Vec3{0, 0, 10}));
}

}  // namespace

// GlmDrawTest: what glmDraw, and a display list of it replayed, send to real OpenGL, for a model
// read from an OBJ file.
//
// Positions, colours and texture coordinates come back through feedback mode. Normals do not, so
// three lights, one per axis and each of one primary colour, turn a normal (x, y, z) with
// components in [0, 1] into the lit colour (x, y, z) times the diffuse colour: the colour of each
// corner shows the normal it was lit with and the material it was drawn in.
#include "model/GlmModel.h"  // the drawing under test

#include "HeadlessGl.h"  // real OpenGL with feedback capture
#include "TempDir.h"     // scratch directory for the model files

#include <GL/gl.h>  // state queries, lights and lists

#include <array>       // std::array for colours and matrices
#include <cstdint>     // std::uint32_t for corner numbers
#include <functional>  // std::function for the draw to capture
#include <string>      // captured output
#include <tuple>       // each mode drawn directly and through a list
#include <vector>      // primitives

namespace
{

using cubatro::test::SFeedbackPrimitive;
using Vec = std::array<float, 4>;

const Vec g_white = {1, 1, 1, 1}, g_zero = {0, 0, 0, 0};
const Vec g_sentinelColour = {0.25f, 0.5f, 0.75f, 1.0f};  // current colour before a draw
const Vec g_sentinelTex = {0.375f, 0.625f, 0.0f, 1.0f};   // current texture coordinate before a draw
const Vec g_sentinelNormal = {0.6f, 0.3f, 0.15f, 1.0f};   // current normal before a draw

// Triangles 0 and 1 in the group "default", 2 in "a", 3 in "b" (material "blue"), drawn newest
// group first: 3, 2, 0, 1. Texture coordinates, normals and facet normals are numbered
// differently from the vertices.
const char* const g_pszObj =
    "mtllib m.mtl\n"
    "v -0.5 0 0\nv -0.4 0.1 0\nv -0.3 0.2 0\nv -0.2 0 0\nv -0.1 0.1 0\nv 0 0.2 0\n"
    "v 0.1 0 0\nv 0.2 0.1 0\nv 0.3 0.2 0\nv 0.4 0 0\nv 0.5 0.1 0\nv 0.6 0.2 0\n"
    "vt 0.1 0.9\nvt 0.2 0.7\nvt 0.3 0.5\nvt 0.4 0.3\nvt 0.5 0.1\nvt 0.6 0.8\n"
    "vn 0.1 0.5 0.9\nvn 0.3 0.6 0.7\nvn 0.5 0.7 0.5\nvn 0.7 0.8 0.3\nvn 0.9 0.9 0.1\n"
    "vn 0.2 0.1 0.8\nf 1/6/4 2/5/5 3/4/6\nf 4/3/1 5/2/2 6/1/3\n"
    "g a\nusemtl red\nf 7/1/6 8/2/5 9/3/4\ng b\nusemtl blue\nf 10/4/3 11/5/2 12/6/1\n";
const char* const g_pszMtl = "newmtl red\nKd 0.9 0.1 0.2\nKa 0.3 0.2 0.1\nKs 0.5 0.6 0.7\nNs 500\n"
                             "newmtl blue\nKd 0.1 0.2 0.9\nKa 0.05 0.4 0.6\nKs 0.1 0.1 0.1\nNs 40\n";

// The model sits at (0.25, -0.5, 0) in a modelview matrix that already moves x by 0.125. Three
// directional lights along x, y and z of pure red, green and blue, no ambient light and a white
// material make the lit colour of a corner its normal.
class GlmDrawTest : public cubatro::test::CGlTest
{
protected:
    void SetUp() override
    {
        CGlTest::SetUp();
        m_dir.Write("m.mtl", g_pszMtl);
        m.glmReadOBJ(m_dir.Write("m.obj", g_pszObj));
        m.materials[0] = {"default", {0.8f, 0.8f, 0.8f, 1}, {0.1f, 0.2f, 0.3f, 1}, {0.4f, 0.5f, 0.6f, 1}, 12};
        m.numfacetnorms = 4;
        m.facetnorms = {0, 0, 0, 0.2f, 0.1f, 0.7f, 0.4f, 0.1f, 0.5f, 0.6f, 0.1f, 0.3f, 0.8f, 0.1f, 0.1f};
        for (std::uint32_t t = 0; t < 4; t++)
            m.triangles[t].findex = 4 - t;
        // Numbers beyond the arrays: a zero vector is sent instead, and the "default" material.
        m.triangles[1].nindices[2] = m.triangles[1].tindices[2] = m.triangles[0].findex = 99;
        m._glmFindGroup("a")->material = 99;
        m.position[0] = 0.25f;
        m.position[1] = -0.5f;
        glTranslatef(0.125f, 0.0f, 0.0f);
        glTexCoord4fv(g_sentinelTex.data());
        glNormal3fv(g_sentinelNormal.data());
        glEnable(GL_LIGHTING);
        for (GLenum i = 0; i < 3; i++)
        {
            Vec direction = {0, 0, 0, 0}, colour = {0, 0, 0, 1};
            direction[i] = colour[i] = 1.0f;
            glEnable(GL_LIGHT0 + i);
            glLightfv(GL_LIGHT0 + i, GL_POSITION, direction.data());
            glLightfv(GL_LIGHT0 + i, GL_DIFFUSE, colour.data());
            glLightfv(GL_LIGHT0 + i, GL_SPECULAR, Vec{0, 0, 0, 1}.data());
        }
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, Vec{0, 0, 0, 1}.data());
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, g_white.data());
    }

    // Feedback of `draw`, with what it printed; the modelview matrix must be left as it was found.
    std::vector<SFeedbackPrimitive> Capture(const std::function<void()>& draw, std::string& out)
    {
        std::array<float, 16> before{}, after{};
        glGetFloatv(GL_MODELVIEW_MATRIX, before.data());
        testing::internal::CaptureStdout();
        auto primitives = Feedback(draw);
        out = testing::internal::GetCapturedStdout();
        glGetFloatv(GL_MODELVIEW_MATRIX, after.data());
        EXPECT_EQ(after, before);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        return primitives;
    }

    // Element i of a numbered array of n floats, or a zero vector when the array does not reach it.
    static const float* At(const std::vector<float>& a, std::uint32_t i, std::uint32_t n)
    {
        return n * (i + 1) <= a.size() ? &a[n * i] : g_zero.data();
    }

    static void ExpectNear(const float* pActual, const float* pExpected, int n)
    {
        for (int k = 0; k < n; k++)
            EXPECT_NEAR(pActual[k], pExpected[k], 2e-3f) << "component " << k;
    }

    cubatro::test::CTempDir m_dir;  // scratch directory of the test
    CGlmModel m;                    // the model of the running test
};

// --- what each mode sends, drawn directly and through a display list ----------------------------

enum ENormal  // the normal each corner is lit with
{
    SET_BEFORE,
    FACET,
    CORNER
};

struct SModeCase
{
    const char* pszName;
    unsigned mode;
    unsigned nMissing;     // GLM_MODE_* bits of the parts removed from the model (COLOR: materials)
    ENormal normal;        // the normal each corner is lit with
    bool bTrackingBefore;  // GL_COLOR_MATERIAL before the draw
    bool bTrackingAfter;   // GL_COLOR_MATERIAL after it
    std::string out;       // what the draw (or the building of the list) prints
};

class GlmDrawModeTest : public GlmDrawTest, public testing::WithParamInterface<std::tuple<SModeCase, bool>>
{
};

TEST_P(GlmDrawModeTest, CornersCarryWhatTheModeChooses)
{
    const auto& [c, bList] = GetParam();
    if (c.nMissing & GLM_MODE_FLAT) m.facetnorms.clear();
    if (c.nMissing & GLM_MODE_SMOOTH) m.normals.clear();
    if (c.nMissing & GLM_MODE_TEXTURE) m.texcoords.clear();
    if (c.nMissing & GLM_MODE_COLOR) m.materials.clear();
    const bool bMaterial = (c.mode & GLM_MODE_MATERIAL) && !m.materials.empty();
    const bool bColour = (c.mode & GLM_MODE_COLOR) && !bMaterial && !m.materials.empty();
    const bool bTexture = (c.mode & GLM_MODE_TEXTURE) && !m.texcoords.empty();
    if (c.bTrackingBefore) glEnable(GL_COLOR_MATERIAL);
    glColor4fv(g_sentinelColour.data());  // tracked from here on when enabled

    std::string out, replayOut;
    std::uint32_t list = 0;
    auto primitives = Capture([&] { bList ? void(list = m.glmBuildList(c.mode)) : m.glmDraw(c.mode); }, out);
    if (bList)
    {
        // Building the list draws nothing and changes no state; the list runs silently.
        EXPECT_TRUE(primitives.empty());
        EXPECT_EQ(glIsEnabled(GL_COLOR_MATERIAL) == GL_TRUE, c.bTrackingBefore);
        primitives = Capture([&] { glCallList(list); }, replayOut);
    }
    EXPECT_EQ(out + replayOut, c.out);
    EXPECT_EQ(glIsEnabled(GL_COLOR_MATERIAL) == GL_TRUE, c.bTrackingAfter);

    const std::uint32_t order[] = {3, 2, 0, 1}, material[] = {2, 0, 0, 0};
    ASSERT_EQ(primitives.size(), 4u);
    for (std::uint32_t p = 0; p < 4; p++)
    {
        const GlmTriangle& t = m.triangles[order[p]];
        const float* pDiffuse = bMaterial || bColour ? m.materials[material[p]].diffuse
                                : c.bTrackingBefore  ? g_sentinelColour.data()
                                                     : g_white.data();
        ASSERT_EQ(primitives[p].vertices.size(), 3u);
        for (int k = 0; k < 3; k++)
        {
            SCOPED_TRACE(testing::Message() << "triangle " << order[p] << " corner " << k);
            const auto& v = primitives[p].vertices[k];
            const float* pVertex = &m.vertices[3 * t.vindices[k]];
            EXPECT_NEAR(v.pos[0], (pVertex[0] + 1.375f) * 32.0f, 1e-3f);
            EXPECT_NEAR(v.pos[1], (pVertex[1] + 0.5f) * 32.0f, 1e-3f);
            const float* pNormal = c.normal == FACET    ? At(m.facetnorms, t.findex, 3)
                                   : c.normal == CORNER ? At(m.normals, t.nindices[k], 3)
                                                        : g_sentinelNormal.data();
            const Vec colour = {pNormal[0] * pDiffuse[0], pNormal[1] * pDiffuse[1], pNormal[2] * pDiffuse[2],
                                1};
            ExpectNear(v.color.data(), colour.data(), 4);
            ExpectNear(v.tex.data(), bTexture ? At(m.texcoords, t.tindices[k], 2) : g_sentinelTex.data(), 2);
        }
    }
    // The last colour and material sent are those of "default".
    Vec current{};
    glGetFloatv(GL_CURRENT_COLOR, current.data());
    ExpectNear(current.data(), bColour ? m.materials[0].diffuse : g_sentinelColour.data(), 4);
    if (bMaterial)
    {
        std::array<Vec, 3> v{};
        glGetMaterialfv(GL_BACK, GL_AMBIENT, v[0].data());
        glGetMaterialfv(GL_BACK, GL_SPECULAR, v[1].data());
        glGetMaterialfv(GL_BACK, GL_SHININESS, v[2].data());
        ExpectNear(v[0].data(), m.materials[0].ambient, 4);
        ExpectNear(v[1].data(), m.materials[0].specular, 4);
        EXPECT_FLOAT_EQ(v[2][0], m.materials[0].shininess);
    }
}

const std::string g_strColour = "glmDraw() warning: color render mode requested with no materials defined.\n";
const std::string g_strMaterial =
    "glmDraw() warning: material render mode requested with no materials defined.\n";

INSTANTIATE_TEST_SUITE_P(
    Modes, GlmDrawModeTest,
    testing::Combine(
        testing::Values(
            SModeCase{"PositionsOnly", GLM_MODE_NONE, 0, SET_BEFORE, false, false, ""},
            SModeCase{"Flat", GLM_MODE_FLAT, 0, FACET, false, false, ""},
            SModeCase{"SmoothTexture", GLM_MODE_SMOOTH | GLM_MODE_TEXTURE, 0, CORNER, false, false, ""},
            SModeCase{"FlatAndSmooth", GLM_MODE_FLAT | GLM_MODE_SMOOTH, 0, CORNER, false, false,
                      "glmDraw() warning: flat render mode requested and smooth render mode requested "
                      "(using smooth).\n"},
            SModeCase{"FlatWithoutFacetNormals", GLM_MODE_FLAT, GLM_MODE_FLAT, SET_BEFORE, false, false,
                      "glmDraw() warning: flat render mode requested with no facet normals defined.\n"},
            SModeCase{"BothWithoutNormals", GLM_MODE_FLAT | GLM_MODE_SMOOTH, GLM_MODE_SMOOTH, FACET, false,
                      false, "glmDraw() warning: smooth render mode requested with no normals defined.\n"},
            SModeCase{
                "TextureWithoutCoordinates", GLM_MODE_TEXTURE, GLM_MODE_TEXTURE, SET_BEFORE, false, false,
                "glmDraw() warning: texture render mode requested with no texture coordinates defined.\n"},
            SModeCase{"Colour", GLM_MODE_COLOR, 0, SET_BEFORE, false, true, ""},
            SModeCase{"Material", GLM_MODE_MATERIAL | GLM_MODE_SMOOTH, 0, CORNER, true, false, ""},
            SModeCase{
                "ColourAndMaterial", GLM_MODE_COLOR | GLM_MODE_MATERIAL, 0, SET_BEFORE, true, false,
                "glmDraw() warning: color and material render mode requested using only material mode\n"},
            SModeCase{"ColourWithoutMaterials", GLM_MODE_COLOR, GLM_MODE_COLOR, SET_BEFORE, false, false,
                      g_strColour},
            SModeCase{"MaterialWithoutMaterials", GLM_MODE_MATERIAL, GLM_MODE_COLOR, SET_BEFORE, true, true,
                      g_strMaterial},
            SModeCase{"BothWithoutMaterials", GLM_MODE_COLOR | GLM_MODE_MATERIAL, GLM_MODE_COLOR, SET_BEFORE,
                      false, false, g_strColour + g_strMaterial}),
        testing::Bool()),
    [](const auto& param) {
        return std::string(std::get<0>(param.param).pszName) + (std::get<1>(param.param) ? "List" : "Direct");
    });

// --- what is not drawn --------------------------------------------------------------------------

TEST_F(GlmDrawTest, NothingIsDrawnWithoutAListNameOrWithoutVertices)
{
    // Between begin and end OpenGL hands out no list name; the model must not spill its vertices
    // into the primitive under way.
    std::uint32_t list = 1;
    const auto insidePrimitive = [&]
    {
        glBegin(GL_POINTS);
        list = m.glmBuildList(GLM_MODE_NONE);
        glEnd();
    };
    EXPECT_TRUE(Feedback(insidePrimitive).empty());
    EXPECT_EQ(list, 0u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_OPERATION));
    m.vertices.clear();
#ifdef NDEBUG
    std::string out;
    EXPECT_TRUE(Capture([&] { m.glmDraw(GLM_MODE_NONE); }, out).empty());
#else
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_DEATH(m.glmDraw(GLM_MODE_NONE), "this->vertices");
#endif
}

}  // namespace

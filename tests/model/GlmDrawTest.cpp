// GlmDrawTest: what glmDraw and a replayed glmBuildList list send to real OpenGL.
//
// Positions, colours and texture coordinates come back through feedback mode. Normals do not, so
// three lights, one per axis and each of one primary colour, turn a normal (x, y, z) with
// components in [0, 1] into the lit colour (x, y, z): the colour of each corner shows the normal
// it was lit with.
#include "model/GlmModel.h"  // the drawing under test

#include "HeadlessGl.h"  // real OpenGL with feedback capture

#include <GL/gl.h>  // state queries, lights and lists

#include <array>    // std::array for expected vectors
#include <cmath>    // std::lround to recognise vertices, std::pow for the highlight
#include <cstdint>  // std::uint32_t for corner numbers
#include <string>   // std::string for captured output
#include <vector>   // primitives and arrays

namespace
{

using cubatro::test::CGlTest;
using cubatro::test::SFeedbackPrimitive;
using Vec = std::array<float, 4>;

constexpr std::uint32_t g_nVertices = 12;
// Triangles in the order drawn: group "b" (triangle 2), group "a" (1 then 3), "default" (0).
const std::vector<std::uint32_t> g_vDrawOrder = {2, 1, 3, 0};
const Vec g_sentinelColour = {0.25f, 0.5f, 0.75f, 1.0f};
const Vec g_sentinelTex = {0.375f, 0.625f, 0.0f, 1.0f};

// The position of vertex i: x tells the vertex apart, y keeps the triangles from being flat.
std::array<float, 3> Position(std::uint32_t i)
{
    return {(static_cast<float>(i) - 6.0f) / 10.0f, static_cast<float>(i % 3) / 10.0f - 0.1f, 0.0f};
}

// The vertex that lands at window x (identity matrices, 64 pixels wide).
std::uint32_t VertexAt(float fWindowX)
{
    return static_cast<std::uint32_t>(std::lround((fWindowX / 32.0f - 1.0f) * 10.0f + 6.0f));
}

class GlmDrawTest : public CGlTest
{
protected:
    void SetUp() override
    {
        CGlTest::SetUp();
        BuildModel();
        glColor4fv(g_sentinelColour.data());
        glTexCoord4fv(g_sentinelTex.data());
    }

    // Four triangles of twelve vertices in three groups, with normals, texture coordinates,
    // facet normals and three materials, each numbered differently from the vertices.
    void BuildModel()
    {
        m.numvertices = g_nVertices;
        m.vertices.assign(3, 0.0f);
        m.numnormals = g_nVertices;
        m.normals.assign(3, 0.0f);
        m.numtexcoords = g_nVertices;
        m.texcoords.assign(2, 0.0f);
        for (std::uint32_t i = 1; i <= g_nVertices; i++)
        {
            const auto p = Position(i);
            m.vertices.insert(m.vertices.end(), p.begin(), p.end());
            const float f = static_cast<float>(i);
            m.normals.insert(m.normals.end(), {f / 16.0f, 0.5f, 1.0f - f / 16.0f});
            m.texcoords.insert(m.texcoords.end(), {f / 32.0f, 1.0f - f / 32.0f});
        }
        m.numtriangles = 4;
        m.triangles.resize(4);
        m.numfacetnorms = 4;
        m.facetnorms.assign(3, 0.0f);
        for (std::uint32_t t = 0; t < 4; t++)
        {
            for (std::uint32_t c = 0; c < 3; c++)
            {
                const std::uint32_t v = 3 * t + c + 1;
                m.triangles[t].vindices[c] = v;
                m.triangles[t].nindices[c] = g_nVertices + 1 - v;
                m.triangles[t].tindices[c] = v % g_nVertices + 1;
            }
            m.triangles[t].findex = 4 - t;
            const float f = static_cast<float>(t + 1);
            m.facetnorms.insert(m.facetnorms.end(), {0.2f * f, 0.1f, 0.9f - 0.2f * f});
        }
        m.nummaterials = 3;
        m.materials.resize(3);
        m.materials[0].name = "default";
        m.materials[1] = {
            "red", {0.9f, 0.1f, 0.2f, 1.0f}, {0.3f, 0.2f, 0.1f, 1.0f}, {0.5f, 0.6f, 0.7f, 1.0f}, 64.0f};
        m.materials[2] = {
            "blue", {0.1f, 0.2f, 0.9f, 1.0f}, {0.05f, 0.4f, 0.6f, 1.0f}, {0.1f, 0.1f, 0.1f, 1.0f}, 5.0f};
        AddGroup("default", 0, {0});
        AddGroup("a", 1, {1, 3});
        AddGroup("b", 2, {2});
    }

    void AddGroup(const char* pszName, std::uint32_t nMaterial, const std::vector<std::uint32_t>& vTriangles)
    {
        GlmGroup* pGroup = m._glmAddGroup(pszName);
        pGroup->material = nMaterial;
        pGroup->triangles = vTriangles;
        pGroup->numtriangles = static_cast<std::uint32_t>(vTriangles.size());
    }

    // Three directional lights along x, y and z of pure red, green and blue, no ambient light,
    // and a white front and back material, so that the lit colour of a corner is its normal.
    static void LightByAxis(const Vec& sceneAmbient = {0, 0, 0, 1})
    {
        glEnable(GL_LIGHTING);
        const Vec none = {0, 0, 0, 1}, white = {1, 1, 1, 1};
        for (int i = 0; i < 3; i++)
        {
            const auto light = static_cast<GLenum>(GL_LIGHT0 + i);
            Vec direction = {0, 0, 0, 0}, colour = {0, 0, 0, 1};
            direction[i] = colour[i] = 1.0f;
            glEnable(light);
            glLightfv(light, GL_POSITION, direction.data());
            glLightfv(light, GL_DIFFUSE, colour.data());
            glLightfv(light, GL_AMBIENT, none.data());
            glLightfv(light, GL_SPECULAR, none.data());
        }
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, sceneAmbient.data());
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white.data());
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, none.data());
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, none.data());
    }

    // Feedback of glmDraw(mode), with what it printed.
    std::vector<SFeedbackPrimitive> Draw(unsigned mode, std::string* pOut = nullptr)
    {
        testing::internal::CaptureStdout();
        auto primitives = Feedback([&] { m.glmDraw(mode); });
        const std::string out = testing::internal::GetCapturedStdout();
        if (pOut) *pOut = out;
        return primitives;
    }

    // Checks that the primitives are the four triangles, whole, in group order, corners in
    // order, and hands each corner (triangle, corner, vertex) to `check`.
    template <class F>
    void ForEachCorner(const std::vector<SFeedbackPrimitive>& primitives, F check)
    {
        ASSERT_EQ(primitives.size(), g_vDrawOrder.size());
        for (std::size_t k = 0; k < primitives.size(); k++)
        {
            ASSERT_EQ(primitives[k].type, static_cast<GLenum>(GL_POLYGON_TOKEN));
            ASSERT_EQ(primitives[k].vertices.size(), 3u);
            const std::uint32_t t = g_vDrawOrder[k];
            for (std::uint32_t c = 0; c < 3; c++)
            {
                const auto& v = primitives[k].vertices[c];
                ASSERT_EQ(VertexAt(v.pos[0]), m.triangles[t].vindices[c])
                    << "triangle " << t << " corner " << c;
                SCOPED_TRACE("triangle " + std::to_string(t) + " corner " + std::to_string(c));
                check(t, c, v);
            }
        }
    }

    static Vec Normal(const std::vector<float>& a, std::uint32_t i)
    {
        return {a[3 * i], a[3 * i + 1], a[3 * i + 2], 1};
    }
    static Vec Rgb1(const float* pf) { return {pf[0], pf[1], pf[2], 1.0f}; }

    static void ExpectNear(const std::array<float, 4>& actual, const Vec& expected, int n = 4)
    {
        for (int k = 0; k < n; k++)
            EXPECT_NEAR(actual[k], expected[k], 2e-3f) << "component " << k;
    }

    static Vec CurrentNormal()
    {
        Vec n = {0, 0, 0, 1};
        glGetFloatv(GL_CURRENT_NORMAL, n.data());
        return n;
    }

    static bool ColorMaterialOn() { return glIsEnabled(GL_COLOR_MATERIAL) == GL_TRUE; }

    CGlmModel m;  // the model of the running test
};

TEST_F(GlmDrawTest, PositionsOnlyLeaveColourTextureAndNormalAlone)
{
    glNormal3f(0.1f, 0.2f, 0.3f);
    std::string out;
    const auto primitives = Draw(GLM_MODE_NONE, &out);
    EXPECT_EQ(out, "");
    ForEachCorner(primitives,
                  [&](std::uint32_t t, std::uint32_t c, const auto& v)
                  {
                      const auto p = Position(m.triangles[t].vindices[c]);
                      EXPECT_NEAR(v.pos[1], (p[1] + 1.0f) * 32.0f, 1e-3f);
                      EXPECT_NEAR(v.pos[2], 0.5f, 1e-4f);
                      ExpectNear(v.color, g_sentinelColour);
                      ExpectNear(v.tex, g_sentinelTex);
                  });
    ExpectNear(CurrentNormal(), {0.1f, 0.2f, 0.3f, 1}, 3);
    EXPECT_FALSE(ColorMaterialOn());
}

// --- normals, seen through lighting -----------------------------------------------------------

struct SNormalCase
{
    const char* pszName;
    unsigned mode;
    int nWhich;          // 0: the normal set before drawing, 1: facet normals, 2: corner normals
    bool bDropFacets;    // the model has no facet normals
    bool bDropNormals;   // the model has no normals
    const char* pszOut;  // what the drawing prints
};

class GlmDrawNormalTest : public GlmDrawTest, public testing::WithParamInterface<SNormalCase>
{
};

TEST_P(GlmDrawNormalTest, EachCornerIsLitWithTheChosenNormal)
{
    const SNormalCase& c = GetParam();
    if (c.bDropFacets) m.facetnorms.clear();
    if (c.bDropNormals) m.normals.clear();
    LightByAxis();
    const Vec sentinel = {0.6f, 0.3f, 0.15f, 1};
    glNormal3fv(sentinel.data());
    std::string out;
    const auto primitives = Draw(c.mode, &out);
    EXPECT_EQ(out, c.pszOut);
    auto expected = [&](std::uint32_t t, std::uint32_t k)
    {
        if (c.nWhich == 1) return Normal(m.facetnorms, m.triangles[t].findex);
        if (c.nWhich == 2) return Normal(m.normals, m.triangles[t].nindices[k]);
        return sentinel;
    };
    ForEachCorner(primitives, [&](std::uint32_t t, std::uint32_t k, const auto& v)
                  { ExpectNear(v.color, expected(t, k)); });
    // The last normal sent is that of the last corner of the last triangle ("default" is last).
    ExpectNear(CurrentNormal(), expected(0, 2), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, GlmDrawNormalTest,
    testing::Values(
        SNormalCase{"None", GLM_MODE_NONE, 0, false, false, ""},
        SNormalCase{"Flat", GLM_MODE_FLAT, 1, false, false, ""},
        SNormalCase{"Smooth", GLM_MODE_SMOOTH, 2, false, false, ""},
        SNormalCase{"FlatAndSmooth", GLM_MODE_FLAT | GLM_MODE_SMOOTH, 2, false, false,
                    "glmDraw() warning: flat render mode requested and smooth render mode requested (using "
                    "smooth).\n"},
        SNormalCase{"FlatWithoutFacetNormals", GLM_MODE_FLAT, 0, true, false,
                    "glmDraw() warning: flat render mode requested with no facet normals defined.\n"},
        SNormalCase{"SmoothWithoutNormals", GLM_MODE_SMOOTH, 0, false, true,
                    "glmDraw() warning: smooth render mode requested with no normals defined.\n"},
        SNormalCase{"BothWithoutNormals", GLM_MODE_FLAT | GLM_MODE_SMOOTH, 1, false, true,
                    "glmDraw() warning: smooth render mode requested with no normals defined.\n"},
        SNormalCase{"BothWithoutAny", GLM_MODE_FLAT | GLM_MODE_SMOOTH, 0, true, true,
                    "glmDraw() warning: flat render mode requested with no facet normals defined.\n"
                    "glmDraw() warning: smooth render mode requested with no normals defined.\n"}),
    [](const testing::TestParamInfo<SNormalCase>& param) { return std::string(param.param.pszName); });

TEST_F(GlmDrawTest, SmoothAndTextureSendNormalAndCoordinateBeforeEachVertex)
{
    LightByAxis();
    std::string out;
    const auto primitives = Draw(GLM_MODE_SMOOTH | GLM_MODE_TEXTURE, &out);
    EXPECT_EQ(out, "");
    // Had a vertex gone before its normal or coordinate, it would carry the previous corner's.
    ForEachCorner(primitives,
                  [&](std::uint32_t t, std::uint32_t c, const auto& v)
                  {
                      ExpectNear(v.color, Normal(m.normals, m.triangles[t].nindices[c]));
                      const std::uint32_t n = m.triangles[t].tindices[c];
                      ExpectNear(v.tex, {m.texcoords[2 * n], m.texcoords[2 * n + 1], 0, 1});
                  });
}

TEST_F(GlmDrawTest, TextureWithoutCoordinatesIsDroppedWithAWarning)
{
    m.texcoords.clear();
    std::string out;
    const auto primitives = Draw(GLM_MODE_TEXTURE, &out);
    EXPECT_EQ(out, "glmDraw() warning: texture render mode requested with no texture coordinates defined.\n");
    ForEachCorner(primitives,
                  [&](std::uint32_t, std::uint32_t, const auto& v) { ExpectNear(v.tex, g_sentinelTex); });
}

// --- colours and materials --------------------------------------------------------------------

TEST_F(GlmDrawTest, ColourModeGivesEachGroupItsDiffuseColourWithTrackingOn)
{
    std::string out;
    const auto primitives = Draw(GLM_MODE_COLOR, &out);
    EXPECT_EQ(out, "");
    ForEachCorner(primitives,
                  [&](std::uint32_t t, std::uint32_t, const auto& v)
                  {
                      const std::uint32_t nMaterial = t == 0 ? 0 : t == 2 ? 2 : 1;
                      ExpectNear(v.color, Rgb1(m.materials[nMaterial].diffuse));
                  });
    EXPECT_TRUE(ColorMaterialOn());
}

struct SMaterialCase
{
    const char* pszName;
    unsigned mode;
    const char* pszOut;
};

class GlmDrawMaterialTest : public GlmDrawTest, public testing::WithParamInterface<SMaterialCase>
{
};

TEST_P(GlmDrawMaterialTest, EachGroupIsLitWithItsOwnMaterialAndTrackingOff)
{
    const SMaterialCase& c = GetParam();
    glEnable(GL_COLOR_MATERIAL);
    auto material = [&](std::uint32_t t) { return m.materials[t == 0 ? 0 : t == 2 ? 2 : 1]; };

    // Lit with the normal (1, 1, 1) and no ambient light, a corner shows its group's diffuse.
    LightByAxis();
    glNormal3f(1, 1, 1);
    std::string out;
    auto primitives = Draw(c.mode, &out);
    EXPECT_EQ(out, c.pszOut);
    EXPECT_FALSE(ColorMaterialOn());
    ForEachCorner(primitives, [&](std::uint32_t t, std::uint32_t, const auto& v)
                  { ExpectNear(v.color, Rgb1(material(t).diffuse)); });

    // With the normal (0, 0, 0) under white ambient light, it shows its group's ambient colour.
    LightByAxis({1, 1, 1, 1});
    glNormal3f(0, 0, 0);
    primitives = Draw(c.mode);
    ForEachCorner(primitives,
                  [&](std::uint32_t t, std::uint32_t, const auto& v)
                  {
                      const Vec expected = Rgb1(material(t).ambient);
                      ExpectNear(v.color, {expected[0], expected[1], expected[2], material(t).diffuse[3]});
                  });

    // The last group drawn, "default", leaves its whole material behind.
    const GlmMaterial& last = m.materials[0];
    for (GLenum face : {GL_FRONT, GL_BACK})
    {
        Vec v{};
        glGetMaterialfv(face, GL_AMBIENT, v.data());
        ExpectNear(v, Vec{last.ambient[0], last.ambient[1], last.ambient[2], last.ambient[3]});
        glGetMaterialfv(face, GL_DIFFUSE, v.data());
        ExpectNear(v, Vec{last.diffuse[0], last.diffuse[1], last.diffuse[2], last.diffuse[3]});
        glGetMaterialfv(face, GL_SPECULAR, v.data());
        ExpectNear(v, Vec{last.specular[0], last.specular[1], last.specular[2], last.specular[3]});
        glGetMaterialfv(face, GL_SHININESS, v.data());
        EXPECT_FLOAT_EQ(v[0], last.shininess);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, GlmDrawMaterialTest,
    testing::Values(SMaterialCase{"Material", GLM_MODE_MATERIAL, ""},
                    SMaterialCase{
                        "ColourAndMaterial", GLM_MODE_COLOR | GLM_MODE_MATERIAL,
                        "glmDraw() warning: color and material render mode requested using only material "
                        "mode\n"}),
    [](const testing::TestParamInfo<SMaterialCase>& param) { return std::string(param.param.pszName); });

TEST_F(GlmDrawTest, SpecularColourAndShininessOfAGroupShapeTheHighlight)
{
    // One white light along +z seen from +z, and the normal (0, 0.6, 0.8): diffuse light falls
    // at 0.8 and the highlight at 0.8 to the power of the shininess (5 for the blue group).
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const Vec z = {0, 0, 1, 0}, none = {0, 0, 0, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, z.data());
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, none.data());
    glNormal3f(0, 0.6f, 0.8f);
    const auto primitives = Draw(GLM_MODE_MATERIAL);
    ASSERT_FALSE(primitives.empty());
    const GlmMaterial& blue = m.materials[2];
    const float fHighlight = std::pow(0.8f, blue.shininess);
    Vec expected{};
    for (int k = 0; k < 3; k++)
        expected[k] = blue.diffuse[k] * 0.8f + blue.specular[k] * fHighlight;
    ExpectNear(primitives[0].vertices[0].color, expected, 3);
}

struct SNoMaterialCase
{
    unsigned mode;
    const char* pszOut;
    bool bColorMaterialBefore;
};

class GlmDrawNoMaterialTest : public GlmDrawTest, public testing::WithParamInterface<SNoMaterialCase>
{
};

TEST_P(GlmDrawNoMaterialTest, WithoutMaterialsColourTrackingIsLeftAlone)
{
    const SNoMaterialCase& c = GetParam();
    m.materials.clear();
    m.nummaterials = 0;
    if (c.bColorMaterialBefore) glEnable(GL_COLOR_MATERIAL);
    std::string out;
    const auto primitives = Draw(c.mode, &out);
    EXPECT_EQ(out, c.pszOut);
    EXPECT_EQ(ColorMaterialOn(), c.bColorMaterialBefore);
    ForEachCorner(primitives, [&](std::uint32_t, std::uint32_t, const auto& v)
                  { ExpectNear(v.color, g_sentinelColour); });
}

INSTANTIATE_TEST_SUITE_P(
    Modes, GlmDrawNoMaterialTest,
    testing::Values(
        SNoMaterialCase{GLM_MODE_COLOR,
                        "glmDraw() warning: color render mode requested with no materials defined.\n", false},
        SNoMaterialCase{GLM_MODE_COLOR,
                        "glmDraw() warning: color render mode requested with no materials defined.\n", true},
        SNoMaterialCase{GLM_MODE_MATERIAL,
                        "glmDraw() warning: material render mode requested with no materials defined.\n",
                        true},
        SNoMaterialCase{GLM_MODE_COLOR | GLM_MODE_MATERIAL,
                        "glmDraw() warning: color render mode requested with no materials defined.\n"
                        "glmDraw() warning: material render mode requested with no materials defined.\n",
                        false}));

// --- matrices ---------------------------------------------------------------------------------

TEST_F(GlmDrawTest, PositionTranslatesTheModelAndTheMatrixStackIsLeftAsFound)
{
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(0.125f, 0.0f, 0.0f);
    std::array<float, 16> before{}, after{};
    glGetFloatv(GL_MODELVIEW_MATRIX, before.data());
    m.position[0] = 0.25f;
    m.position[1] = -0.5f;
    const auto primitives = Draw(GLM_MODE_NONE);
    ASSERT_EQ(primitives.size(), 4u);
    const auto& v = primitives[0].vertices[0];  // vertex 7, moved by (0.375, -0.5) in all
    const auto p = Position(7);
    EXPECT_NEAR(v.pos[0], (p[0] + 0.375f + 1.0f) * 32.0f, 1e-3f);
    EXPECT_NEAR(v.pos[1], (p[1] - 0.5f + 1.0f) * 32.0f, 1e-3f);
    glGetFloatv(GL_MODELVIEW_MATRIX, after.data());
    EXPECT_EQ(after, before);
    GLint nDepth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &nDepth);
    EXPECT_EQ(nDepth, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// --- display lists ----------------------------------------------------------------------------

TEST_F(GlmDrawTest, ListDrawsNothingWhileBuiltAndReplaysTheDrawingAsItWas)
{
    const unsigned mode = GLM_MODE_COLOR | GLM_MODE_TEXTURE | GLM_MODE_FLAT;
    m.facetnorms.clear();  // one warning, printed when the list is built
    const auto direct = Draw(mode);

    std::uint32_t list = 0;
    testing::internal::CaptureStdout();
    const auto whileBuilding = Feedback([&] { list = m.glmBuildList(mode); });
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "glmDraw() warning: flat render mode requested with no facet normals defined.\n");
    ASSERT_NE(list, 0u);
    EXPECT_TRUE(whileBuilding.empty());
    EXPECT_EQ(glIsList(list), GL_TRUE);

    // Later changes to the model do not reach the list.
    m.vertices[3] = 0.9f;
    m.materials[1].diffuse[0] = 0.0f;
    m.groups.reset();

    glDisable(GL_COLOR_MATERIAL);
    glColor4fv(g_sentinelColour.data());
    testing::internal::CaptureStdout();
    const auto replayed = Feedback([&] { glCallList(list); });
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(ColorMaterialOn());  // the enabling was recorded and runs with the list
    ASSERT_EQ(replayed.size(), direct.size());
    for (std::size_t k = 0; k < direct.size(); k++)
    {
        ASSERT_EQ(replayed[k].vertices.size(), direct[k].vertices.size());
        for (std::size_t i = 0; i < direct[k].vertices.size(); i++)
        {
            EXPECT_EQ(replayed[k].vertices[i].pos, direct[k].vertices[i].pos);
            EXPECT_EQ(replayed[k].vertices[i].color, direct[k].vertices[i].color);
            EXPECT_EQ(replayed[k].vertices[i].tex, direct[k].vertices[i].tex);
        }
    }
    glDeleteLists(list, 1);
}

TEST_F(GlmDrawTest, BuildingAListDoesNotChangeColourTracking)
{
    const std::uint32_t list = m.glmBuildList(GLM_MODE_COLOR);
    EXPECT_FALSE(ColorMaterialOn());
    glCallList(list);
    EXPECT_TRUE(ColorMaterialOn());
    const std::uint32_t off = m.glmBuildList(GLM_MODE_MATERIAL);
    EXPECT_TRUE(ColorMaterialOn());
    glCallList(off);
    EXPECT_FALSE(ColorMaterialOn());
    EXPECT_NE(list, off);
    glDeleteLists(list, 1);
    glDeleteLists(off, 1);
}

TEST_F(GlmDrawTest, WithoutAListNameNothingIsDrawn)
{
    // Between begin and end OpenGL hands out no list name; the model must not spill its
    // vertices into the primitive under way.
    std::uint32_t list = 1;
    const auto primitives = Feedback(
        [&]
        {
            glBegin(GL_POINTS);
            list = m.glmBuildList(GLM_MODE_NONE);
            glEnd();
        });
    EXPECT_EQ(list, 0u);
    EXPECT_TRUE(primitives.empty());
    while (glGetError() != GL_NO_ERROR)
    {
    }
}

TEST_F(GlmDrawTest, ModelWithoutVerticesFailsTheAssertionOrDrawsNothing)
{
    m.vertices.clear();
#ifdef NDEBUG
    EXPECT_TRUE(Draw(GLM_MODE_NONE).empty());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
#else
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_DEATH(m.glmDraw(GLM_MODE_NONE), "this->vertices");
#endif
}

}  // namespace

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
#include <cmath>    // std::lround to recognise vertices
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
        m.materials[0] = {
            "default", {0.8f, 0.8f, 0.8f, 1.0f}, {0.1f, 0.2f, 0.3f, 1.0f}, {0.4f, 0.5f, 0.6f, 1.0f}, 12.0f};
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
    static void LightByAxis()
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
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, none.data());
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

// --- what each mode sends -----------------------------------------------------------------------

enum EPart : unsigned
{
    NO_FACETS = 1,
    NO_NORMALS = 2,
    NO_TEXCOORDS = 4,
    NO_MATERIALS = 8
};
enum ENormal
{
    SET_BEFORE,  // the normal set before drawing
    FACET,       // the triangle's facet normal
    CORNER       // the corner's normal
};

struct SModeCase
{
    const char* pszName;
    unsigned mode;
    unsigned nMissing;     // EPart bits: parts removed from the model
    bool bLit;             // lights on: the colour shows the normal (times the diffuse material)
    ENormal normal;        // the normal each corner is lit with
    bool bTexture;         // corners carry the model's texture coordinates
    bool bTrackingBefore;  // GL_COLOR_MATERIAL before the draw
    bool bTrackingAfter;   // GL_COLOR_MATERIAL after it
    const char* pszOut;    // what the draw prints
};

class GlmDrawModeTest : public GlmDrawTest, public testing::WithParamInterface<SModeCase>
{
};

TEST_P(GlmDrawModeTest, CornersCarryWhatTheModeChooses)
{
    const SModeCase& c = GetParam();
    if (c.nMissing & NO_FACETS) m.facetnorms.clear();
    if (c.nMissing & NO_NORMALS) m.normals.clear();
    if (c.nMissing & NO_TEXCOORDS) m.texcoords.clear();
    if (c.nMissing & NO_MATERIALS) m.materials.clear();
    const bool bMaterial = (c.mode & GLM_MODE_MATERIAL) && !(c.nMissing & NO_MATERIALS);
    const bool bColour = (c.mode & GLM_MODE_COLOR) && !bMaterial && !(c.nMissing & NO_MATERIALS);
    const Vec sentinel = {0.6f, 0.3f, 0.15f, 1};
    if (c.bLit) LightByAxis();
    glNormal3fv(sentinel.data());
    if (c.bTrackingBefore) glEnable(GL_COLOR_MATERIAL);
    glColor4fv(g_sentinelColour.data());

    std::string out;
    const auto primitives = Draw(c.mode, &out);
    EXPECT_EQ(out, c.pszOut);
    EXPECT_EQ(ColorMaterialOn(), c.bTrackingAfter);
    auto normal = [&](std::uint32_t t, std::uint32_t k)
    {
        if (c.normal == FACET) return Normal(m.facetnorms, m.triangles[t].findex);
        if (c.normal == CORNER) return Normal(m.normals, m.triangles[t].nindices[k]);
        return sentinel;
    };
    auto material = [&](std::uint32_t t) { return m.materials[t == 0 ? 0 : t == 2 ? 2 : 1]; };
    ForEachCorner(primitives,
                  [&](std::uint32_t t, std::uint32_t k, const auto& v)
                  {
                      Vec colour = g_sentinelColour;
                      if (c.bLit)
                      {
                          colour = normal(t, k);
                          for (int i = 0; bMaterial && i < 3; i++)
                              colour[i] *= material(t).diffuse[i];
                      }
                      else if (bColour)
                      {
                          colour = Rgb1(material(t).diffuse);
                      }
                      ExpectNear(v.color, colour);
                      const std::uint32_t n = m.triangles[t].tindices[k];
                      ExpectNear(v.tex, c.bTexture ? Vec{m.texcoords[2 * n], m.texcoords[2 * n + 1], 0, 1}
                                                   : g_sentinelTex);
                  });
    // The last normal sent is that of the last corner of the last triangle ("default" is last).
    ExpectNear(CurrentNormal(), normal(0, 2), 3);
    // So is the last material: that of "default".
    if (bMaterial)
    {
        const GlmMaterial& last = m.materials[0];
        for (GLenum face : {GL_FRONT, GL_BACK})
        {
            std::array<Vec, 3> v{};
            glGetMaterialfv(face, GL_AMBIENT, v[0].data());
            glGetMaterialfv(face, GL_SPECULAR, v[1].data());
            glGetMaterialfv(face, GL_SHININESS, v[2].data());
            ExpectNear(v[0], Vec{last.ambient[0], last.ambient[1], last.ambient[2], last.ambient[3]});
            ExpectNear(v[1], Vec{last.specular[0], last.specular[1], last.specular[2], last.specular[3]});
            EXPECT_FLOAT_EQ(v[2][0], last.shininess);
        }
    }
}

const char* const g_pszFlatWarning =
    "glmDraw() warning: flat render mode requested with no facet normals defined.\n";
const char* const g_pszSmoothWarning =
    "glmDraw() warning: smooth render mode requested with no normals defined.\n";
const char* const g_pszColourWarning =
    "glmDraw() warning: color render mode requested with no materials defined.\n";
const char* const g_pszMaterialWarning =
    "glmDraw() warning: material render mode requested with no materials defined.\n";

INSTANTIATE_TEST_SUITE_P(
    Modes, GlmDrawModeTest,
    testing::Values(
        SModeCase{"PositionsOnly", GLM_MODE_NONE, 0, false, SET_BEFORE, false, false, false, ""},
        SModeCase{"PositionsOnlyLit", GLM_MODE_NONE, 0, true, SET_BEFORE, false, false, false, ""},
        SModeCase{"Flat", GLM_MODE_FLAT, 0, true, FACET, false, false, false, ""},
        // Had a vertex gone before its normal or coordinate, it would carry the previous corner's.
        SModeCase{"SmoothTexture", GLM_MODE_SMOOTH | GLM_MODE_TEXTURE, 0, true, CORNER, true, false, false,
                  ""},
        SModeCase{"FlatAndSmooth", GLM_MODE_FLAT | GLM_MODE_SMOOTH, 0, true, CORNER, false, false, false,
                  "glmDraw() warning: flat render mode requested and smooth render mode requested (using "
                  "smooth).\n"},
        SModeCase{"FlatWithoutFacetNormals", GLM_MODE_FLAT, NO_FACETS, true, SET_BEFORE, false, false, false,
                  g_pszFlatWarning},
        SModeCase{"SmoothWithoutNormals", GLM_MODE_SMOOTH, NO_NORMALS, true, SET_BEFORE, false, false, false,
                  g_pszSmoothWarning},
        SModeCase{"BothWithoutNormals", GLM_MODE_FLAT | GLM_MODE_SMOOTH, NO_NORMALS, true, FACET, false,
                  false, false, g_pszSmoothWarning},
        SModeCase{"TextureWithoutCoordinates", GLM_MODE_TEXTURE, NO_TEXCOORDS, false, SET_BEFORE, false,
                  false, false,
                  "glmDraw() warning: texture render mode requested with no texture coordinates defined.\n"},
        SModeCase{"Colour", GLM_MODE_COLOR, 0, false, SET_BEFORE, false, false, true, ""},
        SModeCase{"Material", GLM_MODE_MATERIAL | GLM_MODE_SMOOTH, 0, true, CORNER, false, true, false, ""},
        SModeCase{"ColourAndMaterial", GLM_MODE_COLOR | GLM_MODE_MATERIAL, 0, true, SET_BEFORE, false, true,
                  false,
                  "glmDraw() warning: color and material render mode requested using only material mode\n"},
        SModeCase{"ColourWithoutMaterialsOn", GLM_MODE_COLOR, NO_MATERIALS, false, SET_BEFORE, false, true,
                  true, g_pszColourWarning},
        SModeCase{"ColourWithoutMaterialsOff", GLM_MODE_COLOR, NO_MATERIALS, false, SET_BEFORE, false, false,
                  false, g_pszColourWarning},
        SModeCase{"MaterialWithoutMaterials", GLM_MODE_MATERIAL, NO_MATERIALS, false, SET_BEFORE, false, true,
                  true, g_pszMaterialWarning},
        SModeCase{"BothWithoutMaterials", GLM_MODE_COLOR | GLM_MODE_MATERIAL, NO_MATERIALS, false, SET_BEFORE,
                  false, false, false,
                  "glmDraw() warning: color render mode requested with no materials defined.\n"
                  "glmDraw() warning: material render mode requested with no materials defined.\n"}),
    [](const testing::TestParamInfo<SModeCase>& param) { return std::string(param.param.pszName); });

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

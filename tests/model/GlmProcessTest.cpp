// GlmProcessTest: fitting, measuring, winding, facet and vertex normals, texture
// coordinates and welding, on models built in code.
#include "model/GlmModel.h"  // the operations under test

#include "platform/Diagnostics.h"  // CDiagnosticsCapture for the debug trace

#include <array>       // std::array for vectors and corners
#include <cmath>       // std::isfinite, std::cos, std::sin
#include <cstdint>     // std::uint32_t for corner numbers
#include <functional>  // std::function for precondition cases
#include <limits>      // infinity and NaN
#include <random>      // deterministic point clouds for the weld
#include <string>      // std::string for captured output
#include <vector>      // vertex arrays

#include <gtest/gtest.h>

namespace
{

using Vec3 = std::array<float, 3>;
using Corners = std::array<std::uint32_t, 3>;

// A model with the given vertices (numbered from 1) and triangles, all in the group "default".
CGlmModel MakeModel(const std::vector<Vec3>& vVertices, const std::vector<Corners>& vTriangles)
{
    CGlmModel m;
    m.numvertices = static_cast<std::uint32_t>(vVertices.size());
    m.vertices.assign(3, 0.0f);
    for (const Vec3& v : vVertices)
        m.vertices.insert(m.vertices.end(), v.begin(), v.end());
    m.numtriangles = static_cast<std::uint32_t>(vTriangles.size());
    m.triangles.resize(vTriangles.size());
    GlmGroup* pGroup = m._glmAddGroup("default");
    for (std::uint32_t t = 0; t < m.numtriangles; t++)
    {
        for (int c = 0; c < 3; c++)
            m.triangles[t].vindices[c] = vTriangles[t][c];
        pGroup->triangles.push_back(t);
    }
    pGroup->numtriangles = m.numtriangles;
    return m;
}

Vec3 At(const std::vector<float>& a, std::uint32_t i)
{
    return {a[3 * i], a[3 * i + 1], a[3 * i + 2]};
}

// Names a parameterised case after its pszName.
struct SCaseName
{
    template <class P>
    std::string operator()(const testing::TestParamInfo<P>& param) const
    {
        return param.param.pszName;
    }
};

template <class F>
std::string Stdout(F f)
{
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
}

bool AllFinite(const std::vector<float>& a)
{
    for (float f : a)
        if (!std::isfinite(f)) return false;
    return true;
}

// Whether two vectors agree to 1e-5 in each component.
testing::AssertionResult Near(const float* pActual, const Vec3& expected)
{
    for (int k = 0; k < 3; k++)
        if (!(std::fabs(pActual[k] - expected[k]) <= 1e-5f))
            return testing::AssertionFailure()
                   << "(" << pActual[0] << ", " << pActual[1] << ", " << pActual[2] << ") is not ("
                   << expected[0] << ", " << expected[1] << ", " << expected[2] << ")";
    return testing::AssertionSuccess();
}
testing::AssertionResult Near(const Vec3& actual, const Vec3& expected)
{
    return Near(actual.data(), expected);
}

// --- extents: fitting and dimensions ----------------------------------------------------

struct SExtentCase
{
    const char* pszName;
    std::vector<Vec3> vVertices;
    Vec3 dimensions;            // what glmDimensions reports
    float fScale;               // what glmFitToSize(0.9) returns
    std::vector<Vec3> vFitted;  // the vertices afterwards
};

class ExtentTest : public testing::TestWithParam<SExtentCase>
{
};

TEST_P(ExtentTest, DimensionsAndFitToSize)
{
    const SExtentCase& c = GetParam();
    CGlmModel m = MakeModel(c.vVertices, {});
    float dimensions[3] = {-1.0f, -1.0f, -1.0f};
    m.glmDimensions(dimensions);
    EXPECT_TRUE(Near(dimensions, c.dimensions));
    EXPECT_FLOAT_EQ(m.glmFitToSize(0.9f), c.fScale);
    for (std::uint32_t i = 1; i <= m.numvertices; i++)
        EXPECT_TRUE(Near(At(m.vertices, i), c.vFitted[i - 1])) << "vertex " << i;
    EXPECT_TRUE(AllFinite(m.vertices));
}

INSTANTIATE_TEST_SUITE_P(
    Models, ExtentTest,
    testing::Values(
        // Extents 4, 2, 2; centre (1, 1, 0); scale 0.225: x then runs from -0.45 to 0.45.
        SExtentCase{"Straddling",
                    {{-1, 0, -1}, {3, 2, 1}, {1, 1, 0}},
                    {4, 2, 2},
                    0.225f,
                    {{-0.45f, -0.225f, -0.225f}, {0.45f, 0.225f, 0.225f}, {0, 0, 0}}},
        // The extent is |max| + |min|: x from 2 to 4 measures 6, and the centre is 3.
        SExtentCase{"OffOrigin",
                    {{2, 0, 0}, {4, 1, 0}},
                    {6, 1, 0},
                    0.15f,
                    {{-0.15f, -0.075f, 0}, {0.15f, 0.075f, 0}}},
        // No extent at all: the model stays as it is and the scale is 1.
        SExtentCase{"AllAtOrigin", {{0, 0, 0}, {0, 0, 0}}, {0, 0, 0}, 1.0f, {{0, 0, 0}, {0, 0, 0}}},
        // An extent so small that 0.9 divided by it is no finite number: left alone too.
        SExtentCase{
            "Vanishing", {{1e-45f, 0, 0}, {0, 0, 0}}, {1e-45f, 0, 0}, 1.0f, {{1e-45f, 0, 0}, {0, 0, 0}}},
        SExtentCase{"OneVertex", {{0, 0.5f, 0}}, {0, 1, 0}, 0.9f, {{0, 0, 0}}}),
    SCaseName());

// --- winding and facet normals ----------------------------------------------------------------

TEST(ProcessTest, FacetNormalsFollowTheWindingAndDegenerateTrianglesGetZero)
{
    CGlmModel m = MakeModel({{0, 0, 0}, {2, 0, 0}, {0, 3, 0}, {4, 0, 0}, {0, 0, 5}},
                            {{1, 2, 3}, {1, 3, 2}, {1, 2, 4}, {2, 2, 3}, {1, 5, 2}});
    m.glmFacetNormals();
    ASSERT_EQ(m.numfacetnorms, 5u);
    ASSERT_EQ(m.facetnorms.size(), 18u);
    for (std::uint32_t t = 0; t < 5; t++)
        EXPECT_EQ(m.triangles[t].findex, t + 1);
    EXPECT_TRUE(Near(At(m.facetnorms, 1), Vec3{0, 0, 1}));   // counter-clockwise seen from +z
    EXPECT_TRUE(Near(At(m.facetnorms, 2), Vec3{0, 0, -1}));  // clockwise
    EXPECT_TRUE(Near(At(m.facetnorms, 3), Vec3{0, 0, 0}));   // collinear corners: no area
    EXPECT_TRUE(Near(At(m.facetnorms, 4), Vec3{0, 0, 0}));   // one vertex at two corners
    EXPECT_TRUE(Near(At(m.facetnorms, 5), Vec3{0, 1, 0}));
    EXPECT_TRUE(AllFinite(m.facetnorms));
}

TEST(ProcessTest, FlipWindingReversesCornersNegatesNormalsAndTwiceRestores)
{
    CGlmModel m = MakeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 2, 3}});
    m.glmFacetNormals();
    Stdout([&] { m.glmVertexNormals(90.0f); });
    m.triangles[0].tindices[0] = 7;  // no texture coordinates: these stay where they are
    m.triangles[0].tindices[2] = 9;
    const std::vector<float> vNormals = m.normals;
    const Corners nindices = {m.triangles[0].nindices[0], m.triangles[0].nindices[1],
                              m.triangles[0].nindices[2]};

    m.glmFlipWinding();
    EXPECT_EQ((Corners{m.triangles[0].vindices[0], m.triangles[0].vindices[1], m.triangles[0].vindices[2]}),
              (Corners{3, 2, 1}));
    EXPECT_EQ(m.triangles[0].nindices[0], nindices[2]);
    EXPECT_EQ(m.triangles[0].nindices[2], nindices[0]);
    EXPECT_EQ(m.triangles[0].tindices[0], 7u);
    EXPECT_TRUE(Near(At(m.facetnorms, 1), Vec3{0, 0, -1}));
    for (std::uint32_t i = 1; i <= m.numnormals; i++)
        EXPECT_TRUE(Near(At(m.normals, i), Vec3{0, 0, -1}));

    m.glmFlipWinding();
    EXPECT_EQ(m.triangles[0].vindices[0], 1u);
    EXPECT_EQ(m.triangles[0].nindices[0], nindices[0]);
    EXPECT_EQ(m.normals, vNormals);
}

// --- vertex normals ---------------------------------------------------------------------------

// Two triangles share the edge from vertex 1 to vertex 2 and fold by `fFold` degrees:
// triangle 0 (1, 2, 3) lies in z = 0 facing +z, triangle 1 (1, 4, 2) faces (-sin, 0, cos).
struct SFoldCase
{
    const char* pszName;
    float fFold;     // angle between the two facet normals, degrees
    float fCrease;   // argument of glmVertexNormals
    bool bSmoothed;  // whether the shared vertices get one normal
};

class VertexNormalsFoldTest : public testing::TestWithParam<SFoldCase>
{
};

TEST_P(VertexNormalsFoldTest, SharedVerticesAreSmoothedWithinTheCrease)
{
    const SFoldCase& c = GetParam();
    const double dFold = c.fFold * 3.14159265358979 / 180.0;
    const Vec3 v4 = c.fFold == 90.0f
                        ? Vec3{0, 0, 1}
                        : Vec3{static_cast<float>(std::cos(dFold)), 0, static_cast<float>(std::sin(dFold))};
    CGlmModel m = MakeModel({{0, 0, 0}, {0, 1, 0}, {-1, 0, 0}, v4}, {{1, 2, 3}, {1, 4, 2}});
    m.glmFacetNormals();
    std::string out = Stdout([&] { m.glmVertexNormals(c.fCrease); });

    const Vec3 n0 = At(m.facetnorms, 1), n1 = At(m.facetnorms, 2);
    auto corners = [&](int t) {
        return Corners{m.triangles[t].nindices[0], m.triangles[t].nindices[1], m.triangles[t].nindices[2]};
    };
    if (c.bSmoothed)
    {
        // Vertex by vertex: the averaged normal of 1, of 2, then 3 and 4 alone.
        EXPECT_EQ(out, "glmVertexNormals(): 4 normals generated\n");
        ASSERT_EQ(m.numnormals, 4u);
        EXPECT_EQ(corners(0), (Corners{1, 2, 3}));
        EXPECT_EQ(corners(1), (Corners{1, 4, 2}));
        Vec3 mean = {n0[0] + n1[0], n0[1] + n1[1], n0[2] + n1[2]};
        CGlmModel::_glmNormalizeVector(mean.data());
        EXPECT_TRUE(Near(At(m.normals, 1), mean));
        EXPECT_TRUE(Near(At(m.normals, 2), mean));
    }
    else
    {
        // Each shared vertex: the newest triangle's normal as its average, then a copy for the other.
        EXPECT_EQ(out, "glmVertexNormals(): 6 normals generated\n");
        ASSERT_EQ(m.numnormals, 6u);
        EXPECT_EQ(corners(0), (Corners{2, 4, 5}));
        EXPECT_EQ(corners(1), (Corners{1, 6, 3}));
        EXPECT_TRUE(Near(At(m.normals, 1), n1));
        EXPECT_TRUE(Near(At(m.normals, 2), n0));
        EXPECT_TRUE(Near(At(m.normals, 3), n1));
        EXPECT_TRUE(Near(At(m.normals, 4), n0));
    }
    EXPECT_TRUE(Near(At(m.normals, m.numnormals - 1), n0));  // vertex 3
    EXPECT_TRUE(Near(At(m.normals, m.numnormals), n1));      // vertex 4
    // Room for one normal per corner, not shrunk.
    EXPECT_EQ(m.normals.size(), 3u * (6 + 1));
}

INSTANTIATE_TEST_SUITE_P(Folds, VertexNormalsFoldTest,
                         testing::Values(SFoldCase{"Flat", 0, 90, true}, SFoldCase{"Fold89", 89, 90, true},
                                         SFoldCase{"Fold90", 90, 90, false},
                                         SFoldCase{"Fold91", 91, 90, false},
                                         SFoldCase{"Fold90Crease120", 90, 120, true},
                                         SFoldCase{"Fold45Crease30", 45, 30, false}),
                         SCaseName());

// A triangle naming vertex 1 at two corners has no area; both corners still get a normal.
class VertexNormalsRepeatTest : public testing::TestWithParam<std::pair<float, Corners>>
{
};

TEST_P(VertexNormalsRepeatTest, BothCornersOfARepeatedVertexGetANormal)
{
    const auto& [fCrease, expected] = GetParam();
    CGlmModel m = MakeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 1, 2}, {1, 2, 3}});
    m.glmFacetNormals();
    Stdout([&] { m.glmVertexNormals(fCrease); });
    const GlmTriangle& t = m.triangles[0];
    EXPECT_EQ((Corners{t.nindices[0], t.nindices[1], t.nindices[2]}), expected);
    for (std::uint32_t n : t.nindices)
        EXPECT_LE(n, m.numnormals);
    EXPECT_TRUE(AllFinite(m.normals));
}

// Vertex 1 lists triangle 1, then triangle 0 at corner 1, then at corner 0. With 90 degrees the
// zero facet normal is not within the crease and each corner gets its own copy (2 and 3); with
// 180 degrees everything is averaged into normal 1.
INSTANTIATE_TEST_SUITE_P(Creases, VertexNormalsRepeatTest,
                         testing::Values(std::make_pair(90.0f, Corners{3, 2, 5}),
                                         std::make_pair(180.0f, Corners{1, 1, 2})));

TEST(ProcessTest, VertexWithoutATriangleIsTracedAndGetsNoNormal)
{
    CGlmModel m = MakeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 5, 5}}, {{1, 2, 3}});
    m.glmFacetNormals();
    plat::CDiagnosticsCapture capture;
    const std::string out = Stdout([&] { m.glmVertexNormals(90.0f); });
    EXPECT_EQ(capture.TraceText(), "glmVertexNormals(): vertex w/o a triangle\n");
    EXPECT_EQ(out, "glmVertexNormals(): 3 normals generated\n");
    EXPECT_EQ(m.numnormals, 3u);
}

// --- texture coordinates ----------------------------------------------------------------------

TEST(ProcessTest, PlanarTexCoordsProjectOntoXZ)
{
    CGlmModel m = MakeModel({{-2, 7, 1}, {2, -1, -2}, {0, 0, 0}}, {{1, 2, 3}, {3, 2, 1}});
    m.glmPlanarTexCoords();
    // Extents 4, 8, 3: scale 2 / 8.
    ASSERT_EQ(m.numtexcoords, 3u);
    const float expected[] = {0, 0, 0.25f, 0.625f, 0.75f, 0.25f, 0.5f, 0.5f};
    for (int i = 2; i < 8; i++)
        EXPECT_FLOAT_EQ(m.texcoords[i], expected[i]) << i;
    for (const GlmTriangle& t : m.triangles)
        for (int c = 0; c < 3; c++)
            EXPECT_EQ(t.tindices[c], t.vindices[c]);

    // Without extent every vertex is at the origin, the middle of the texture.
    CGlmModel point = MakeModel({{0, 0, 0}, {0, 0, 0}}, {{1, 2, 1}});
    point.glmPlanarTexCoords();
    EXPECT_EQ(point.texcoords, (std::vector<float>{0, 0, 0.5f, 0.5f, 0.5f, 0.5f}));
}

struct SSphereCase
{
    Vec3 normal;
    float u, v;
};

class SphereMapTest : public testing::TestWithParam<SSphereCase>
{
};

TEST_P(SphereMapTest, NormalDirectionGivesTheCoordinate)
{
    const SSphereCase& c = GetParam();
    CGlmModel m = MakeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 2, 3}});
    m.numnormals = 2;
    m.normals = {0, 0, 0, 9, 9, 9, c.normal[0], c.normal[1], c.normal[2]};
    m.triangles[0].nindices[0] = 2;
    m.triangles[0].nindices[1] = 1;
    m.triangles[0].nindices[2] = 2;
    m.glmSphereMapTexCoords();
    ASSERT_EQ(m.numtexcoords, 2u);
    ASSERT_EQ(m.texcoords.size(), 6u);
    EXPECT_NEAR(m.texcoords[4], c.u, 1e-6f);
    EXPECT_NEAR(m.texcoords[5], c.v, 1e-6f);
    EXPECT_EQ((Corners{m.triangles[0].tindices[0], m.triangles[0].tindices[1], m.triangles[0].tindices[2]}),
              (Corners{2, 1, 2}));
}

INSTANTIATE_TEST_SUITE_P(Normals, SphereMapTest,
                         testing::Values(SSphereCase{{0, 0, 1}, 0.5f, 0.5f}, SSphereCase{{1, 0, 0}, 0, 0},
                                         SSphereCase{{-1, 0, 0}, 0, 0}, SSphereCase{{0, 1, 0}, 1, 0.5f},
                                         SSphereCase{{0, -1, 0}, 0, 0.5f}, SSphereCase{{0, 0, 0}, 0, 0},
                                         SSphereCase{{1, 0, 1}, 0.5f, 0.25f},
                                         // Components so small that their squares lose precision.
                                         SSphereCase{{0, 1e-22f, 0}, 1, 0.5f}));

// --- welding ----------------------------------------------------------------------------------

TEST(WeldTest, CloseVerticesMergeIntoTheFirst)
{
    CGlmModel m = MakeModel({{0, 0, 0}, {0.0005f, 0, 0}, {1, 0, 0}}, {{1, 2, 3}, {2, 3, 1}});
    const std::string out = Stdout([&] { m.glmWeld(0.001f); });
    EXPECT_EQ(out, "glmWeld(): 1 redundant vertices.\n");
    ASSERT_EQ(m.numvertices, 2u);
    EXPECT_EQ(m.vertices, (std::vector<float>{0, 0, 0, 0, 0, 0, 1, 0, 0}));
    EXPECT_EQ((Corners{m.triangles[0].vindices[0], m.triangles[0].vindices[1], m.triangles[0].vindices[2]}),
              (Corners{1, 1, 2}));
    EXPECT_EQ((Corners{m.triangles[1].vindices[0], m.triangles[1].vindices[1], m.triangles[1].vindices[2]}),
              (Corners{1, 2, 1}));
}

// The plain weld: each vector against every distinct vector kept so far, earliest first.
std::vector<float> PlainUnique(const std::vector<float>& vectors, std::uint32_t count, float epsilon,
                               std::vector<std::uint32_t>& matches)
{
    std::vector<float> vUnique(3);
    matches.assign(count + 1, 0);
    std::uint32_t nUnique = 0;
    for (std::uint32_t i = 1; i <= count; i++)
    {
        const float* p = &vectors[3 * i];
        for (std::uint32_t k = 1; k <= nUnique && matches[i] == 0; k++)
            if (CGlmModel::_glmWithinEpsilon(p, &vUnique[3 * k], epsilon)) matches[i] = k;
        if (matches[i] == 0)
        {
            vUnique.insert(vUnique.end(), p, p + 3);
            matches[i] = ++nUnique;
        }
    }
    return vUnique;
}

struct SWeldCase
{
    const char* pszName;
    float fEpsilon;
    float fSpacing;  // coordinates are multiples of this on a small lattice...
    float fOffset;   // ...shifted by this...
    int nUlps;       // ...and moved by up to this many units in the last place
    int nSpecials;   // vertices with infinite or NaN coordinates mixed in
};

class WeldCompareTest : public testing::TestWithParam<SWeldCase>
{
};

TEST_P(WeldCompareTest, SameResultAsThePlainAlgorithm)
{
    const SWeldCase& c = GetParam();
    std::mt19937 random(7);
    std::uniform_int_distribution<int> cell(-6, 6), ulps(-c.nUlps, c.nUlps);
    constexpr std::uint32_t nCount = 3000;
    std::vector<float> vectors(3);
    for (std::uint32_t i = 0; i < 3 * nCount; i++)
    {
        float f = c.fOffset + static_cast<float>(cell(random)) * c.fSpacing;
        for (int n = ulps(random); n != 0; n += n > 0 ? -1 : 1)
            f = std::nextafter(f, n > 0 ? std::numeric_limits<float>::infinity()
                                        : -std::numeric_limits<float>::infinity());
        vectors.push_back(f);
    }
    const float specials[] = {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                              std::numeric_limits<float>::quiet_NaN()};
    for (int s = 0; s < c.nSpecials; s++)
        vectors[3 * (1 + static_cast<std::size_t>(random() % nCount)) + s % 3] = specials[s % 3];

    std::vector<std::uint32_t> vExpectedMatches, vMatches;
    const std::vector<float> vExpected = PlainUnique(vectors, nCount, c.fEpsilon, vExpectedMatches);
    const std::vector<float> vUnique = CGlmModel::_glmUniqueVectors(vectors, nCount, c.fEpsilon, vMatches);
    EXPECT_EQ(vMatches, vExpectedMatches);
    ASSERT_EQ(vUnique.size(), vExpected.size());
    for (std::size_t i = 0; i < vUnique.size(); i++)
        ASSERT_TRUE(vUnique[i] == vExpected[i] || (std::isnan(vUnique[i]) && std::isnan(vExpected[i]))) << i;
    // The cases are chosen so that some vertices merge and some stay apart (or none merge at all).
    RecordProperty("distinct", static_cast<int>(vUnique.size() / 3 - 1));
}

const float g_fInf = std::numeric_limits<float>::infinity();
const float g_fNaN = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Clouds, WeldCompareTest,
    testing::Values(
        // Lattice points exactly epsilon apart, moved a few units in the last place: matches sit
        // on the edge of the tolerance.
        SWeldCase{"EdgeOfTolerance", 0.01f, 0.01f, 0.0f, 3, 0},
        SWeldCase{"HalfEpsilonLattice", 0.01f, 0.005f, 0.3f, 2, 0},
        SWeldCase{"ThreeEpsilonLattice", 1e-3f, 3e-3f, -5.0f, 1000, 0},
        SWeldCase{"ExactDuplicates", 1e-6f, 1.0f, 0.0f, 0, 0},
        // Nothing is within an epsilon of 0, a negative one or NaN, not even an exact copy.
        SWeldCase{"EpsilonZero", 0.0f, 1.0f, 0.0f, 0, 0},
        SWeldCase{"EpsilonNegative", -1.0f, 1.0f, 0.0f, 0, 0},
        SWeldCase{"EpsilonNaN", g_fNaN, 1.0f, 0.0f, 0, 0},
        // Everything finite is within an infinite or enormous epsilon.
        SWeldCase{"EpsilonInfinite", g_fInf, 1e30f, 0.0f, 5, 0},
        SWeldCase{"EpsilonHuge", 3e38f, 1e37f, 0.0f, 5, 0},
        // Coordinates far beyond epsilon: cell numbers that do not fit an integer.
        SWeldCase{"HugeCoordinates", 1e-3f, 1e36f, 0.0f, 2, 0},
        SWeldCase{"TinyEpsilon", 1e-44f, 1e-44f, 1e6f, 1, 0},
        SWeldCase{"DenormalLattice", 3e-45f, 1.4e-45f, 0.0f, 1, 0},
        SWeldCase{"InfinitiesAndNaNs", 0.01f, 0.01f, 0.0f, 2, 300}),
    SCaseName());

TEST(WeldTest, EmptyModelsWeldToNothing)
{
    CGlmModel empty;
    EXPECT_EQ(Stdout([&] { empty.glmWeld(0.1f); }), "glmWeld(): 0 redundant vertices.\n");
    EXPECT_TRUE(empty.vertices.empty());
    EXPECT_EQ(empty.numvertices, 0u);
}

// --- records that do not hold together, and missing arrays ------------------------------------

TEST(ProcessTest, CornersBeyondTheVerticesAreNeverFollowed)
{
    // Vertex 9 does not exist; the sanitizer build would catch a read beyond the array.
    CGlmModel m = MakeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 2, 3}, {2, 9, 3}});
    m.glmFacetNormals();
    EXPECT_TRUE(Near(At(m.facetnorms, 2), Vec3{0, 0, -1}));  // (0, 0, 0) stands in for vertex 9
    Stdout([&] { m.glmVertexNormals(90.0f); });
    EXPECT_EQ(m.triangles[1].nindices[1], 0u);
    EXPECT_LE(m.triangles[1].nindices[0], m.numnormals);
    Stdout([&] { m.glmWeld(1.5f); });
    EXPECT_EQ(m.triangles[1].vindices[1], 9u);
    EXPECT_EQ(m.numvertices, 1u);
}

struct SPreconditionCase
{
    const char* pszName;
    std::function<void(CGlmModel&)> call;
    const char* pszExpression;  // the failed expression's text
};

class PreconditionTest : public testing::TestWithParam<SPreconditionCase>
{
};

TEST_P(PreconditionTest, MissingArrayFailsTheAssertionOrChangesNothing)
{
    const SPreconditionCase& c = GetParam();
    CGlmModel m = MakeModel({}, {});
    m.vertices.clear();
#ifdef NDEBUG
    Stdout([&] { c.call(m); });
    EXPECT_TRUE(m.vertices.empty());
    EXPECT_TRUE(m.normals.empty());
    EXPECT_TRUE(m.texcoords.empty());
    EXPECT_EQ(m.numnormals + m.numtexcoords, 0u);
    (void)c.pszExpression;
#else
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_DEATH(c.call(m), c.pszExpression);
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Operations, PreconditionTest,
    testing::Values(
        SPreconditionCase{"FitToSize", [](CGlmModel& m) { m.glmFitToSize(1.0f); }, "this->vertices"},
        SPreconditionCase{"Dimensions",
                          [](CGlmModel& m)
                          {
                              float d[3] = {0, 0, 0};
                              m.glmDimensions(d);
                          },
                          "this->vertices"},
        SPreconditionCase{"FacetNormals", [](CGlmModel& m) { m.glmFacetNormals(); }, "this->vertices"},
        SPreconditionCase{"VertexNormals", [](CGlmModel& m) { m.glmVertexNormals(90.0f); },
                          "this->facetnorms"},
        SPreconditionCase{"SphereMap", [](CGlmModel& m) { m.glmSphereMapTexCoords(); }, "this->normals"}),
    SCaseName());

}  // namespace

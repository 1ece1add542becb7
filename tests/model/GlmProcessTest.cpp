// GlmProcessTest: fitting, measuring, winding, normals, texture coordinates and welding on models
// built in code, records that do not hold together, and the assertions on missing arrays.
#include "model/GlmModel.h"  // the operations under test

#include "platform/Diagnostics.h"  // CDiagnosticsCapture for the debug trace

#include <algorithm>  // std::equal for the weld results
#include <array>      // std::array for vectors and corners
#include <cmath>      // std::cos, std::sin, std::nextafter, std::isnan
#include <cstdint>    // std::uint32_t for corner numbers
#include <limits>     // infinity and NaN
#include <random>     // deterministic point clouds for the weld
#include <string>     // captured output
#include <tuple>      // table rows
#include <vector>     // arrays

#include <gtest/gtest.h>  // the test framework

namespace
{

using Vec3 = std::array<float, 3>;
using Corners = std::array<std::uint32_t, 3>;
const float g_fInf = std::numeric_limits<float>::infinity(), g_fNaN = std::numeric_limits<float>::quiet_NaN();

// A model of the given vertices (numbered from 1) and triangles, all in the group "default".
CGlmModel MakeModel(const std::vector<Vec3>& vVertices, const std::vector<Corners>& vTriangles)
{
    CGlmModel m;
    m.numvertices = static_cast<std::uint32_t>(vVertices.size());
    m.vertices.assign(3, 0.0f);
    for (const Vec3& v : vVertices)
        m.vertices.insert(m.vertices.end(), v.begin(), v.end());
    m.numtriangles = static_cast<std::uint32_t>(vTriangles.size());
    GlmGroup* pGroup = m._glmAddGroup("default");
    for (const Corners& c : vTriangles)
    {
        m.triangles.push_back(GlmTriangle{{c[0], c[1], c[2]}});
        pGroup->triangles.push_back(pGroup->numtriangles++);
    }
    return m;
}

Vec3 At(const std::vector<float>& a, std::uint32_t i)
{
    return {a[3 * i], a[3 * i + 1], a[3 * i + 2]};
}

void ExpectNear(const Vec3& actual, const Vec3& expected)
{
    for (int k = 0; k < 3; k++)
        EXPECT_NEAR(actual[k], expected[k], 1e-5f) << "component " << k;
}

template <class F>
std::string Stdout(F f)
{
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
}

// --- size ---------------------------------------------------------------------------------------

TEST(ProcessTest, DimensionsAndFitToSize)
{
    // The vertices, what glmDimensions reports, what glmFitToSize(0.9) returns, the vertices afterwards.
    const std::tuple<std::vector<Vec3>, Vec3, float, std::vector<Vec3>> cases[] = {
        // Extents 4, 2, 2 about the centre (1, 1, 0).
        {{{-1, 0, -1}, {3, 2, 1}, {1, 1, 0}},
         {4, 2, 2},
         0.225f,
         {{-0.45f, -0.225f, -0.225f}, {0.45f, 0.225f, 0.225f}, {0, 0, 0}}},
        // An extent is |max| + |min|: x from 2 to 4 measures 6, about the centre 3.
        {{{2, 0, 0}, {4, 1, 0}}, {6, 1, 0}, 0.15f, {{-0.15f, -0.075f, 0}, {0.15f, 0.075f, 0}}},
        // No extent, or one so small that 0.9 over it is no number: the model stays as it is.
        {{{0, 0, 0}, {0, 0, 0}}, {0, 0, 0}, 1.0f, {{0, 0, 0}, {0, 0, 0}}},
        {{{1e-45f, 0, 0}, {0, 0, 0}}, {1e-45f, 0, 0}, 1.0f, {{1e-45f, 0, 0}, {0, 0, 0}}}};
    for (const auto& [vVertices, expected, fScale, vFitted] : cases)
    {
        CGlmModel m = MakeModel(vVertices, {});
        Vec3 dimensions = {-1, -1, -1};
        m.glmDimensions(dimensions.data());
        ExpectNear(dimensions, expected);
        EXPECT_FLOAT_EQ(m.glmFitToSize(0.9f), fScale);
        for (std::uint32_t i = 1; i <= m.numvertices; i++)
            ExpectNear(At(m.vertices, i), vFitted[i - 1]);
    }
}

// --- winding and normals ------------------------------------------------------------------------

TEST(ProcessTest, FacetNormalsFollowTheWindingAndFlipWindingReversesIt)
{
    CGlmModel m = MakeModel({{0, 0, 0}, {2, 0, 0}, {0, 3, 0}, {4, 0, 0}, {0, 0, 5}},
                            {{1, 2, 3}, {1, 3, 2}, {1, 2, 4}, {2, 2, 3}, {1, 5, 2}});
    m.triangles[0].tindices[0] = 7;  // without texture coordinates the flip leaves these alone
    m.glmFacetNormals();
    // Counter-clockwise and clockwise seen from +z; collinear corners and a vertex named twice
    // have no area and no direction.
    const Vec3 expected[] = {{0, 0, 1}, {0, 0, -1}, {0, 0, 0}, {0, 0, 0}, {0, 1, 0}};
    ASSERT_EQ(m.numfacetnorms, 5u);
    ASSERT_EQ(m.facetnorms.size(), 18u);
    for (std::uint32_t t = 0; t < 5; t++)
    {
        EXPECT_EQ(m.triangles[t].findex, t + 1);
        ExpectNear(At(m.facetnorms, t + 1), expected[t]);
    }
    m.glmFlipWinding();
    EXPECT_EQ(std::to_array(m.triangles[0].vindices), (Corners{3, 2, 1}));
    EXPECT_EQ(std::to_array(m.triangles[0].tindices), (Corners{7, 0, 0}));
    ExpectNear(At(m.facetnorms, 2), {0, 0, 1});
}

// Two triangles share the edge from vertex 1 to vertex 2 and fold by fFold degrees: triangle 0
// faces +z, triangle 1 (-sin, 0, cos). Within the crease the shared vertices get one averaged
// normal; beyond it the newest triangle's normal stands for the vertex and the other gets a copy.
TEST(ProcessTest, VertexNormalsAverageWithinTheCreaseAndFlipWithTheWinding)
{
    for (const auto& [fFold, fCrease, bSmoothed] :
         {std::tuple{89.0, 90.0f, true}, std::tuple{90.0, 90.0f, false}, std::tuple{90.0, 120.0f, true},
          std::tuple{45.0, 30.0f, false}})
    {
        SCOPED_TRACE(testing::Message() << fFold << " degrees in " << fCrease);
        const double d = fFold * 3.14159265358979 / 180.0;
        const Vec3 v4 = fFold == 90
                            ? Vec3{0, 0, 1}
                            : Vec3{static_cast<float>(std::cos(d)), 0, static_cast<float>(std::sin(d))};
        CGlmModel m = MakeModel({{0, 0, 0}, {0, 1, 0}, {-1, 0, 0}, v4}, {{1, 2, 3}, {1, 4, 2}});
        m.glmFacetNormals();
        const std::string out = Stdout([&] { m.glmVertexNormals(fCrease); });
        const Vec3 n0 = At(m.facetnorms, 1), n1 = At(m.facetnorms, 2);
        Vec3 mean = {n0[0] + n1[0], n0[1] + n1[1], n0[2] + n1[2]};
        CGlmModel::_glmNormalizeVector(mean.data());
        // Vertex by vertex: 1, 2, then 3 and 4 alone; the corners of both triangles, then after the flip.
        const Corners smoothed[] = {{1, 2, 3}, {1, 4, 2}, {2, 4, 1}},
                      creased[] = {{2, 4, 5}, {1, 6, 3}, {3, 6, 1}};
        const Corners* pCorners = bSmoothed ? smoothed : creased;
        const std::vector<Vec3> vExpected =
            bSmoothed ? std::vector<Vec3>{mean, mean, n0, n1} : std::vector<Vec3>{n1, n0, n1, n0, n0, n1};
        EXPECT_EQ(out, "glmVertexNormals(): " + std::to_string(vExpected.size()) + " normals generated\n");
        ASSERT_EQ(m.numnormals, vExpected.size());
        for (std::uint32_t i = 0; i < m.numnormals; i++)
            ExpectNear(At(m.normals, i + 1), vExpected[i]);
        EXPECT_EQ(std::to_array(m.triangles[0].nindices), pCorners[0]);
        EXPECT_EQ(std::to_array(m.triangles[1].nindices), pCorners[1]);
        EXPECT_EQ(m.normals.size(), 3u * (6 + 1));  // room for one normal per corner

        m.glmFlipWinding();
        EXPECT_EQ(std::to_array(m.triangles[1].nindices), pCorners[2]);
        ExpectNear(At(m.normals, m.numnormals), {-n1[0], -n1[1], -n1[2]});
    }
}

// Triangle 0 names vertex 1 at two corners and has no area; vertex 4 belongs to no triangle.
// Vertex 1 lists triangle 1, then triangle 0 at corner 1, then at corner 0: within 90 degrees the
// zero facet normal is not averaged and each corner gets a copy; within 180 all are averaged.
TEST(ProcessTest, VertexNormalsForRepeatedAndUnusedVertices)
{
    for (const auto& [fCrease, expected] :
         {std::pair{90.0f, Corners{3, 2, 5}}, std::pair{180.0f, Corners{1, 1, 2}}})
    {
        CGlmModel m = MakeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 5, 5}}, {{1, 1, 2}, {1, 2, 3}});
        m.glmFacetNormals();
        plat::CDiagnosticsCapture capture;
        Stdout([&] { m.glmVertexNormals(fCrease); });
        EXPECT_EQ(std::to_array(m.triangles[0].nindices), expected) << fCrease;
        EXPECT_EQ(capture.TraceText(), "glmVertexNormals(): vertex w/o a triangle\n");
    }
}

// --- texture coordinates ------------------------------------------------------------------------

TEST(ProcessTest, PlanarTexCoordsProjectOntoXZ)
{
    CGlmModel m = MakeModel({{-2, 7, 1}, {2, -1, -2}, {0, 0, 0}}, {{1, 2, 3}, {3, 2, 1}});
    m.glmPlanarTexCoords();
    EXPECT_EQ(m.numtexcoords, 3u);
    EXPECT_EQ(m.texcoords,
              (std::vector<float>{0, 0, 0.25f, 0.625f, 0.75f, 0.25f, 0.5f, 0.5f}));  // scale 2 / 8
    for (const GlmTriangle& t : m.triangles)
        EXPECT_EQ(std::to_array(t.tindices), std::to_array(t.vindices));
    // Without extent every vertex is at the origin, the middle of the texture.
    CGlmModel point = MakeModel({{0, 0, 0}, {0, 0, 0}}, {{1, 2, 1}});
    point.glmPlanarTexCoords();
    EXPECT_EQ(point.texcoords, (std::vector<float>{0, 0, 0.5f, 0.5f, 0.5f, 0.5f}));
}

TEST(ProcessTest, SphereMapTexCoordsFollowTheNormals)
{
    // The poles lie on the x axis; the last normal's tiny components lose precision when squared.
    const std::vector<std::pair<Vec3, std::array<float, 2>>> cases = {
        {{0, 0, 1}, {0.5f, 0.5f}},  {{1, 0, 0}, {0, 0}},        {{-1, 0, 0}, {0, 0}},
        {{0, 1, 0}, {1, 0.5f}},     {{0, -1, 0}, {0, 0.5f}},    {{0, 0, 0}, {0, 0}},
        {{1, 0, 1}, {0.5f, 0.25f}}, {{0, 1e-22f, 0}, {1, 0.5f}}};
    CGlmModel m = MakeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 2, 3}});
    m.numnormals = static_cast<std::uint32_t>(cases.size());
    m.normals.assign(3, 0.0f);
    for (const auto& c : cases)
        m.normals.insert(m.normals.end(), c.first.begin(), c.first.end());
    m.triangles[0] = GlmTriangle{{1, 2, 3}, {8, 1, 3}};
    m.glmSphereMapTexCoords();
    EXPECT_EQ(m.numtexcoords, cases.size());
    ASSERT_EQ(m.texcoords.size(), 2 * (cases.size() + 1));
    for (std::size_t i = 0; i < cases.size(); i++)
        for (int k = 0; k < 2; k++)
            EXPECT_NEAR(m.texcoords[2 * i + 2 + k], cases[i].second[k], 1e-6f) << "normal " << i + 1;
    EXPECT_EQ(std::to_array(m.triangles[0].tindices), (Corners{8, 1, 3}));
}

// --- welding ------------------------------------------------------------------------------------

TEST(WeldTest, CloseVerticesMergeIntoTheFirst)
{
    CGlmModel m = MakeModel({{0, 0, 0}, {0.0005f, 0, 0}, {1, 0, 0}}, {{1, 2, 3}, {2, 3, 1}});
    EXPECT_EQ(Stdout([&] { m.glmWeld(0.001f); }), "glmWeld(): 1 redundant vertices.\n");
    EXPECT_EQ(m.numvertices, 2u);
    EXPECT_EQ(m.vertices, (std::vector<float>{0, 0, 0, 0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(std::to_array(m.triangles[0].vindices), (Corners{1, 1, 2}));
    EXPECT_EQ(std::to_array(m.triangles[1].vindices), (Corners{1, 2, 1}));
    CGlmModel empty;  // nothing to weld: the array stays absent
    EXPECT_EQ(Stdout([&] { empty.glmWeld(0.1f); }), "glmWeld(): 0 redundant vertices.\n");
    EXPECT_TRUE(empty.vertices.empty());
}

// Clouds of lattice points (epsilon, spacing, offset), each coordinate moved by up to nUlps units
// in the last place and nSpecials coordinates made infinite or NaN, welded by the grid and by the plain
// algorithm (each vector against every distinct vector kept so far, earliest first).
TEST(WeldTest, SameResultAsThePlainAlgorithm)
{
    const std::tuple<const char*, float, float, float, int, int> cases[] = {
        // Lattice points epsilon apart, moved a little: matches sit on the edge of the tolerance.
        {"EdgeOfTolerance", 0.01f, 0.01f, 0.0f, 3, 0},
        {"HalfEpsilonLattice", 0.01f, 0.005f, 0.3f, 2, 0},
        {"ThreeEpsilonLattice", 1e-3f, 3e-3f, -5.0f, 1000, 0},
        {"ExactDuplicates", 1e-6f, 1.0f, 0.0f, 0, 0},
        // Nothing is within an epsilon of 0, a negative one or NaN, not even an exact copy.
        {"EpsilonZero", 0.0f, 1.0f, 0.0f, 0, 0},
        {"EpsilonNegative", -1.0f, 1.0f, 0.0f, 0, 0},
        {"EpsilonNaN", g_fNaN, 1.0f, 0.0f, 0, 0},
        // Everything finite is within an infinite or enormous epsilon.
        {"EpsilonInfinite", g_fInf, 1e30f, 0.0f, 5, 0},
        {"EpsilonHuge", 3e38f, 1e37f, 0.0f, 5, 0},
        // Coordinates whose cell numbers do not fit an integer, and denormal tolerances.
        {"HugeCoordinates", 1e-3f, 1e36f, 0.0f, 2, 0},
        {"TinyEpsilon", 1e-44f, 1e-44f, 1e6f, 1, 0},
        {"DenormalLattice", 3e-45f, 1.4e-45f, 0.0f, 1, 0},
        {"InfinitiesAndNaNs", 0.01f, 0.01f, 0.0f, 2, 300}};
    constexpr std::uint32_t nCount = 3000;
    for (const auto& [pszName, fEpsilon, fSpacing, fOffset, nUlps, nSpecials] : cases)
    {
        SCOPED_TRACE(pszName);
        std::mt19937 random(7);
        std::uniform_int_distribution<int> cell(-6, 6), ulps(-nUlps, nUlps);
        std::vector<float> vectors(3);
        for (std::uint32_t i = 0; i < 3 * nCount; i++)
        {
            float f = fOffset + static_cast<float>(cell(random)) * fSpacing;
            for (int n = ulps(random); n != 0; n += n > 0 ? -1 : 1)
                f = std::nextafter(f, n > 0 ? g_fInf : -g_fInf);
            vectors.push_back(f);
        }
        for (int s = 0; s < nSpecials; s++)
            vectors[3 * (1 + random() % nCount) + s % 3] = (s % 3 == 2) ? g_fNaN : (s % 3 ? -g_fInf : g_fInf);

        std::vector<float> vExpected(3);
        std::vector<std::uint32_t> vExpectedMatches(nCount + 1, 0), vMatches;
        for (std::uint32_t i = 1, nUnique = 0; i <= nCount; i++)
        {
            for (std::uint32_t k = 1; k <= nUnique && vExpectedMatches[i] == 0; k++)
                if (CGlmModel::_glmWithinEpsilon(&vectors[3 * i], &vExpected[3 * k], fEpsilon))
                    vExpectedMatches[i] = k;
            if (vExpectedMatches[i] != 0) continue;
            vExpected.insert(vExpected.end(), vectors.begin() + 3 * i, vectors.begin() + 3 * i + 3);
            vExpectedMatches[i] = ++nUnique;
        }
        const std::vector<float> vUnique = CGlmModel::_glmUniqueVectors(vectors, nCount, fEpsilon, vMatches);
        EXPECT_EQ(vMatches, vExpectedMatches);
        EXPECT_TRUE(std::equal(vUnique.begin(), vUnique.end(), vExpected.begin(), vExpected.end(),
                               [](float a, float b) { return a == b || (std::isnan(a) && std::isnan(b)); }));
    }
}

// --- records that do not hold together, and missing arrays --------------------------------------

TEST(ProcessTest, CornersBeyondTheVerticesAreNeverFollowed)
{
    // Vertex 9 does not exist: (0, 0, 0) stands in for it (the sanitizer build catches any read).
    CGlmModel m = MakeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 2, 3}, {2, 9, 3}});
    m.glmFacetNormals();
    ExpectNear(At(m.facetnorms, 2), {0, 0, -1});
    Stdout([&] { m.glmVertexNormals(90.0f); });
    EXPECT_EQ(m.triangles[1].nindices[1], 0u);
    Stdout([&] { m.glmWeld(1.5f); });
    EXPECT_EQ(m.triangles[1].vindices[1], 9u);
    EXPECT_EQ(m.numvertices, 1u);
}

TEST(ProcessTest, MissingArrayFailsTheAssertionOrChangesNothing)
{
    const std::pair<void (*)(CGlmModel&), const char*> cases[] = {
        {[](CGlmModel& m) { m.glmFitToSize(1.0f); }, "this->vertices"},
        {[](CGlmModel& m) { m.glmDimensions(Vec3{}.data()); }, "this->vertices"},
        {[](CGlmModel& m) { m.glmFacetNormals(); }, "this->vertices"},
        {[](CGlmModel& m) { m.glmVertexNormals(90.0f); }, "this->facetnorms"},
        {[](CGlmModel& m) { m.glmSphereMapTexCoords(); }, "this->normals"}};
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    for (const auto& [call, pszExpression] : cases)
    {
        CGlmModel m;
#ifdef NDEBUG
        Stdout([&] { call(m); });
        EXPECT_TRUE(m.vertices.empty() && m.normals.empty() && m.texcoords.empty()) << pszExpression;
        EXPECT_EQ(m.numnormals + m.numtexcoords, 0u);
#else
        EXPECT_DEATH(call(m), pszExpression);
#endif
    }
}

}  // namespace

// GlmProcessTest: fitting, measuring, scaling, winding, normals, texture coordinates and welding
// on models read from small files, records that do not hold together, and missing arrays.
// Expected figures are worked out by hand; the weld is compared with the plain algorithm.
#include "GlmTestSupport.h"  // CModelFileTest to read the models

#include <cmath>   // std::fabs, std::nextafter, std::isnan
#include <limits>  // infinity and NaN
#include <random>  // deterministic point clouds for the weld
#include <tuple>   // table rows

namespace
{

using ::testing::ElementsAre;
using GlmProcessTest = cubatro::test::CModelFileTest;
const float g_fInf = std::numeric_limits<float>::infinity(), g_fNaN = std::numeric_limits<float>::quiet_NaN();

// Matches an array of floats within 1e-5 of `expected`, element by element.
auto Near(const std::vector<float>& expected)
{
    return ::testing::Pointwise(::testing::FloatNear(1e-5f), expected);
}

// Extents are |max| + |min| on each axis: (4, 3, 2) about the centre (1, 1.5, 0), so that fitting
// to 0.9 scales by 0.225; scaling by -2 then doubles and turns the model.
TEST_F(GlmProcessTest, DimensionsFitAndScale)
{
    CGlmModel& m = Load("m.obj", "v -1 1 -1\nv 3 2 1\nv 1 1.5 0\n");
    float dimensions[3] = {-1, -1, -1};
    m.glmDimensions(dimensions);
    EXPECT_THAT(dimensions, Near({4, 3, 2}));
    EXPECT_FLOAT_EQ(m.glmFitToSize(0.9f), 0.225f);
    m.glmScaleVertices(-2.0f);
    EXPECT_THAT(m.vertices, Near({0, 0, 0, 0.9f, 0.225f, 0.45f, -0.9f, -0.225f, -0.45f, 0, 0, 0}));
}

// A tetrahedron wound counter-clockwise seen from outside, and two triangles without area
// (collinear corners, a vertex named twice): unit normals pointing out, and no direction. The
// flip reverses the corners and turns the normals in.
TEST_F(GlmProcessTest, FacetNormalsPointOutAndFlipWindingTurnsThemIn)
{
    CGlmModel& m = Load("m.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nv 2 0 0\n"
                                 "f 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\nf 1 2 5\nf 2 2 3\n");
    m.triangles[0].tindices[0] = 7;  // without texture coordinates the flip leaves these alone
    m.glmFacetNormals();
    const float r = 0.57735027f;  // 1 / sqrt(3)
    EXPECT_THAT(m.facetnorms, Near({0, 0, 0, 0, 0, -1, 0, -1, 0, -1, 0, 0, r, r, r, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(m.numfacetnorms, 6u);
    EXPECT_EQ(m.triangles[5].findex, 6u);
    m.glmFlipWinding();
    EXPECT_THAT(m.triangles[3].vindices, ElementsAre(4u, 3u, 2u));
    EXPECT_THAT(m.triangles[0].tindices, ElementsAre(7u, 0u, 0u));
    EXPECT_THAT(std::vector<float>(&m.facetnorms[12], &m.facetnorms[15]), Near({-r, -r, -r}));
}

// Two triangles share the edge from vertex 1 to vertex 2 and fold by 60 or 90 degrees: triangle
// 0 faces n0 = +z, triangle 1 n1 = (-sin, 0, cos). Within the crease (60 in 90) the shared
// vertices get one averaged normal each; beyond it (90 is not within 90) the newest triangle's
// normal stands for the vertex and the other gets a copy. Vertices 3 and 4 have one triangle
// each. The flip turns the normals.
TEST_F(GlmProcessTest, VertexNormalsAverageWithinTheCreaseAndFlipWithTheWinding)
{
    const float s = 0.8660254f;  // sin 60
    // clang-format off
    const std::tuple<std::string, float, std::vector<float>, std::array<std::uint32_t, 9>> cases[] = {
        {"v 0.5 0 0.8660254", 90, {-0.5f, 0, s, -0.5f, 0, s, 0, 0, 1, -s, 0, 0.5f},
         {1, 2, 3, 1, 4, 2, 2, 4, 1}},
        {"v 0 0 1", 90, {-1, 0, 0, 0, 0, 1, -1, 0, 0, 0, 0, 1, 0, 0, 1, -1, 0, 0},
         {2, 4, 5, 1, 6, 3, 3, 6, 1}}};
    // clang-format on
    for (const auto& [v4, fCrease, normals, corners] : cases)
    {
        CGlmModel& m = Load("m.obj", "v 0 0 0\nv 0 1 0\nv -1 0 0\n" + v4 + "\nf 1 2 3\nf 1 4 2\n");
        m.glmFacetNormals();
        m.glmVertexNormals(fCrease);
        EXPECT_EQ(m.numnormals, normals.size() / 3);
        EXPECT_THAT(std::vector<float>(m.normals.begin() + 3, m.normals.begin() + 3 + normals.size()),
                    Near(normals));
        EXPECT_THAT(m.triangles[0].nindices, ElementsAre(corners[0], corners[1], corners[2]));
        EXPECT_THAT(m.triangles[1].nindices, ElementsAre(corners[3], corners[4], corners[5]));
        m.glmFlipWinding();
        EXPECT_THAT(m.triangles[1].nindices, ElementsAre(corners[6], corners[7], corners[8]));
        EXPECT_NEAR(m.normals[3 * m.numnormals], -normals[normals.size() - 3], 1e-5f);
    }
}

// Planar coordinates: x and z scaled by 2 over the largest extent (8) about the middle of the
// texture, the corners numbered as the vertices.
// Sphere-map coordinates follow the normals, whose poles lie on the x axis; the last normal's
// tiny components lose precision when squared.
TEST_F(GlmProcessTest, TexCoordsProjectOntoXZOrFollowTheNormals)
{
    CGlmModel& m = Load("m.obj", "v -2 7 1\nv 2 -1 -2\nv 0 0 0\nf 1 2 3\nf 3 2 1\n");
    m.glmPlanarTexCoords();
    EXPECT_EQ(m.texcoords, (std::vector<float>{0, 0, 0.25f, 0.625f, 0.75f, 0.25f, 0.5f, 0.5f}));
    EXPECT_THAT(m.triangles[1].tindices, ElementsAre(3u, 2u, 1u));

    m.numnormals = 8;
    m.normals = {0, 0, 0, 0, 0, 1, 1, 0, 0, -1, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 1, 0, 1, 0, 1e-22f, 0};
    m.triangles[0] = GlmTriangle{{1, 2, 3}, {8, 1, 3}};
    m.glmSphereMapTexCoords();
    EXPECT_THAT(m.texcoords,
                Near({0, 0, 0.5f, 0.5f, 0, 0, 0, 0, 1, 0.5f, 0, 0.5f, 0, 0, 0.5f, 0.25f, 1, 0.5f}));
    EXPECT_THAT(m.triangles[0].tindices, ElementsAre(8u, 1u, 3u));
}

// Vertices merge into the first within epsilon, the triangles then naming it. Clouds of lattice
// points (epsilon, spacing, offset), each coordinate moved by up to nUlps units in the last place
// and nSpecials coordinates made infinite or NaN, are welded by the grid and by the plain
// algorithm: each vector against every distinct vector kept so far, earliest first, within
// epsilon when strictly less than epsilon apart on every axis. Where spacing and epsilon are
// powers of two, many neighbours lie exactly epsilon apart.
TEST_F(GlmProcessTest, WeldMergesVerticesWithinEpsilonLikeThePlainAlgorithm)
{
    CGlmModel& m = Load("m.obj", "v 0 0 0\nv 0.0005 0 0\nv 1 0 0\nf 1 2 3\nf 2 3 1\n");
    testing::internal::CaptureStdout();
    m.glmWeld(0.001f);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "glmWeld(): 1 redundant vertices.\n");
    EXPECT_EQ(m.vertices, (std::vector<float>{0, 0, 0, 0, 0, 0, 1, 0, 0}));
    EXPECT_THAT(m.triangles[0].vindices, ElementsAre(1u, 1u, 2u));
    EXPECT_THAT(m.triangles[1].vindices, ElementsAre(1u, 2u, 1u));

    // clang-format off
    const std::tuple<float, float, float, int, int> cases[] = {
        {0x1p-7f, 0x1p-7f, 0, 0, 0}, {0.01f, 0.01f, 0, 3, 0}, {0.25f, 0.125f, 0.5f, 1, 0},
        {1e-3f, 3e-3f, -5, 1000, 0},
        {0x1p-4f, 0x1p-4f, 0, 1, 300},  // infinite and NaN coordinates
        {1e-6f, 1, 0, 0, 0},            // exact duplicates
        // Nothing is within an epsilon of 0, a negative one or NaN, not even an exact copy; all
        // is within an infinite one, and much within an enormous one.
        {0, 1, 0, 0, 0}, {-1, 1, 0, 0, 0}, {g_fNaN, 1, 0, 0, 0}, {g_fInf, 1e30f, 0, 5, 0},
        {0x1p127f, 0x1p124f, 0, 0, 0},
        // Coordinates whose cell numbers do not fit an integer, and denormal tolerances.
        {1e-3f, 1e36f, 0, 2, 0}, {0x1p-146f, 0x1p-146f, 1e6f, 1, 0}, {0x1p-148f, 0x1p-149f, 0, 1, 0}};
    // clang-format on
    constexpr std::uint32_t nCount = 3000;
    for (const auto& [fEpsilon, fSpacing, fOffset, nUlps, nSpecials] : cases)
    {
        SCOPED_TRACE(testing::Message() << "epsilon " << fEpsilon << " spacing " << fSpacing);
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
        std::vector<std::uint32_t> vExpectedMatches(1), vMatches;
        for (std::uint32_t i = 1, k = 1; i <= nCount; i++, k = 1)
        {
            const float* p = &vectors[3 * i];
            while (k < vExpected.size() / 3 && !(std::fabs(p[0] - vExpected[3 * k]) < fEpsilon &&
                                                 std::fabs(p[1] - vExpected[3 * k + 1]) < fEpsilon &&
                                                 std::fabs(p[2] - vExpected[3 * k + 2]) < fEpsilon))
                k++;
            if (k == vExpected.size() / 3) vExpected.insert(vExpected.end(), p, p + 3);
            vExpectedMatches.push_back(k);
        }
        const std::vector<float> vUnique = CGlmModel::_glmUniqueVectors(vectors, nCount, fEpsilon, vMatches);
        EXPECT_EQ(vMatches, vExpectedMatches);
        EXPECT_THAT(vUnique, ::testing::Pointwise(::testing::NanSensitiveFloatEq(), vExpected));
    }
}

}  // namespace

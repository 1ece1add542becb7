// GlmPipelineTest: a model read from an OBJ file written here, taken through the processing
// steps the player uses (fit, facet normals, vertex normals, sphere map, display list).
#include "model/GlmModel.h"  // reading, processing and drawing

#include "HeadlessGl.h"  // real OpenGL for the display list
#include "TempDir.h"     // scratch directory for the files

#include <GL/gl.h>  // glCallList, glDeleteLists

#include <array>    // std::array for vectors
#include <cmath>    // std::fabs
#include <cstdint>  // std::uint32_t
#include <string>   // file texts, captured output
#include <vector>   // arrays

namespace
{

using cubatro::test::CGlTest;
using cubatro::test::CTempDir;
using Vec3 = std::array<float, 3>;

// A box from (-1, 0, -1) to (3, 2, 1), faces wound counter-clockwise from outside, in two
// groups with a material each.
const char* const g_pszBox = "mtllib box.mtl\n"
                             "v -1 0 -1\nv 3 0 -1\nv 3 2 -1\nv -1 2 -1\n"
                             "v -1 0 1\nv 3 0 1\nv 3 2 1\nv -1 2 1\n"
                             "g sides\nusemtl red\n"
                             "f 1 4 3 2\nf 5 6 7 8\nf 1 5 8 4\nf 2 3 7 6\n"
                             "g caps\nusemtl blue\n"
                             "f 1 2 6 5\nf 4 8 7 3\n";
const char* const g_pszBoxLibrary = "newmtl red\nKd 1 0 0\nnewmtl blue\nKd 0 0 1\n";

Vec3 At(const std::vector<float>& a, std::uint32_t i)
{
    return {a[3 * i], a[3 * i + 1], a[3 * i + 2]};
}

class GlmPipelineTest : public CGlTest
{
protected:
    // Reads `text` as box.obj (beside box.mtl) with standard output captured.
    void Read(const std::string& text)
    {
        m_dir.Write("box.mtl", g_pszBoxLibrary);
        const std::string path = m_dir.Write("box.obj", text);
        testing::internal::CaptureStdout();
        m.glmReadOBJ(path);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    }

    CTempDir m_dir;  // scratch directory of the test
    CGlmModel m;     // the model read
};

TEST_F(GlmPipelineTest, PlayerPreparationGivesFaceNormalsSphereCoordinatesAndAList)
{
    Read(g_pszBox);
    ASSERT_EQ(m.numtriangles, 12u);
    EXPECT_FLOAT_EQ(m.glmFitToSize(0.9f), 0.225f);
    m.glmFacetNormals();
    testing::internal::CaptureStdout();
    m.glmVertexNormals(90.0f);
    const std::string out = testing::internal::GetCapturedStdout();
    m.glmSphereMapTexCoords();

    // Faces meet at right angles, so every corner keeps the normal of its own face, which
    // points out of the box along one axis.
    EXPECT_EQ(out, "glmVertexNormals(): " + std::to_string(m.numnormals) + " normals generated\n");
    for (const GlmTriangle& t : m.triangles)
    {
        const Vec3 facet = At(m.facetnorms, t.findex);
        EXPECT_FLOAT_EQ(std::fabs(facet[0]) + std::fabs(facet[1]) + std::fabs(facet[2]), 1.0f);
        for (int c = 0; c < 3; c++)
        {
            const Vec3 n = At(m.normals, t.nindices[c]);
            for (int k = 0; k < 3; k++)
                EXPECT_NEAR(n[k], facet[k], 1e-6f);
            EXPECT_EQ(t.tindices[c], t.nindices[c]);
            // Each axis direction has its place on the sphere map.
            const float u = m.texcoords[2 * t.tindices[c]], v = m.texcoords[2 * t.tindices[c] + 1];
            const float expectedU = facet[1] > 0.5f    ? 1.0f
                                    : facet[1] < -0.5f ? 0.0f
                                    : facet[0] != 0.0f ? 0.0f
                                                       : 0.5f;
            const float expectedV = facet[0] != 0.0f ? 0.0f : 0.5f;
            EXPECT_NEAR(u, expectedU, 1e-6f);
            EXPECT_NEAR(v, expectedV, 1e-6f);
        }
    }

    // The list sends the caps (newest group) first, each corner with its coordinate.
    const std::uint32_t list = m.glmBuildList(GLM_MODE_SMOOTH | GLM_MODE_TEXTURE);
    const auto primitives = Feedback([&] { glCallList(list); });
    glDeleteLists(list, 1);
    ASSERT_EQ(primitives.size(), 12u);
    std::size_t k = 0;
    for (const char* pszGroup : {"caps", "sides"})
    {
        const GlmGroup* pGroup = m._glmFindGroup(pszGroup);
        ASSERT_NE(pGroup, nullptr);
        for (std::uint32_t t : pGroup->triangles)
        {
            ASSERT_EQ(primitives[k].vertices.size(), 3u);
            for (int c = 0; c < 3; c++)
            {
                const auto& fed = primitives[k].vertices[c];
                const Vec3 p = At(m.vertices, m.triangles[t].vindices[c]);
                EXPECT_NEAR(fed.pos[0], (p[0] + 1.0f) * 32.0f, 1e-3f);
                EXPECT_NEAR(fed.pos[1], (p[1] + 1.0f) * 32.0f, 1e-3f);
                EXPECT_NEAR(fed.tex[0], m.texcoords[2 * m.triangles[t].tindices[c]], 1e-6f);
                EXPECT_NEAR(fed.tex[1], m.texcoords[2 * m.triangles[t].tindices[c] + 1], 1e-6f);
            }
            k++;
        }
    }

    float dimensions[3] = {0, 0, 0};
    m.glmDimensions(dimensions);
    EXPECT_FLOAT_EQ(dimensions[0], 0.9f);
    EXPECT_FLOAT_EQ(dimensions[1], 0.45f);
    EXPECT_FLOAT_EQ(dimensions[2], 0.45f);
}

}  // namespace

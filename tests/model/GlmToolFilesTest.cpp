// GlmToolFilesTest: OBJ files that another program made (assimp converting meshes generated
// here in other formats) read by glmReadOBJ and checked against tinyobjloader in the same run,
// and files that glmWriteOBJ writes loaded by assimp and tinyobjloader.
#include "GlmTestSupport.h"  // CModelFileTest, RunCommand

#include <gtest/gtest.h>      // test macros
#include <tiny_obj_loader.h>  // tinyobj::LoadObj, the independent reader

#include <algorithm>  // copy of corner numbers
#include <array>      // corner numbers compared
#include <cmath>      // sin, cos for the generated mesh
#include <regex>      // counts in the output of assimp info
#include <sstream>    // mesh text
#include <string>     // texts
#include <vector>     // tinyobjloader's arrays

namespace
{

using cubatro::test::CModelFileTest;
using cubatro::test::RunCommand;

// A mesh generated here, as PLY or OFF text: a torus of 12 by 8 quads, its first ring split
// into triangles, and a pentagon above it, so that faces of three, four and five corners occur.
std::string MeshText(const std::string& format)
{
    std::ostringstream body;
    for (int k = 0; k < 96; k++)
    {
        const double u = 2 * M_PI * (k / 8) / 12, v = 2 * M_PI * (k % 8) / 8, r = 1.0 + 0.3 * std::cos(v);
        body << r * std::cos(u) << ' ' << 0.3 * std::sin(v) << ' ' << r * std::sin(u) << '\n';
    }
    for (int k = 0; k < 5; k++)
        body << 0.4 * std::cos(2 * M_PI * k / 5) << " 2 " << -0.4 * std::sin(2 * M_PI * k / 5) << '\n';
    for (int k = 0; k < 96; k++)
    {
        const int b = (k + 8) % 96, c = (k + 8) / 8 % 12 * 8 + (k + 1) % 8, d = k / 8 * 8 + (k + 1) % 8;
        if (k < 8)
            body << "3 " << k << ' ' << b << ' ' << c << "\n3 " << k << ' ' << c << ' ' << d << '\n';
        else
            body << "4 " << k << ' ' << b << ' ' << c << ' ' << d << '\n';
    }
    body << "5 96 97 98 99 100\n";
    if (format == "off") return "OFF\n101 105 0\n" + body.str();
    return "ply\nformat ascii 1.0\nelement vertex 101\nproperty float x\nproperty float y\nproperty float z\n"
           "element face 105\nproperty list uchar int vertex_indices\nend_header\n" +
           body.str();
}

// Expects `model` to hold what tinyobjloader reads from the file `path`, its polygons fanned
// around their first corner; upon exit *pMaterials, if given, holds the number of materials
// tinyobjloader read.
void ExpectSameAsTinyobjloader(const CGlmModel& model, const std::string& path,
                               std::size_t* pMaterials = nullptr)
{
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    ASSERT_TRUE(tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, path.c_str(),
                                 path.substr(0, path.rfind('/') + 1).c_str(), false))
        << err;
    if (pMaterials) *pMaterials = materials.size();
    const auto expectSame =
        [](const std::vector<float>& ours, std::size_t nPer, const std::vector<float>& theirs)
    {
        ASSERT_EQ(ours.size() - (ours.empty() ? 0 : nPer), theirs.size()) << nPer;
        for (std::size_t i = 0; i < theirs.size(); i++)
            EXPECT_NEAR(ours[nPer + i], theirs[i], 1e-6f * (1 + std::fabs(theirs[i]))) << i;
    };
    expectSame(model.vertices, 3, attrib.vertices);
    expectSame(model.normals, 3, attrib.normals);
    expectSame(model.texcoords, 2, attrib.texcoords);
    std::size_t n = 0;  // triangles compared
    for (const tinyobj::shape_t& shape : shapes)
    {
        std::size_t nFirst = 0;  // the face's first corner
        for (const unsigned char nCorners : shape.mesh.num_face_vertices)
        {
            for (std::size_t k = 2; k < nCorners && n < model.triangles.size(); k++, n++)
                for (int c = 0; c < 3; c++)
                {
                    const tinyobj::index_t& i = shape.mesh.indices[c ? nFirst + k + c - 2 : nFirst];
                    const GlmTriangle& t = model.triangles[n];
                    EXPECT_EQ((std::array<int, 3>{i.vertex_index, i.texcoord_index, i.normal_index}),
                              (std::array<int, 3>{int(t.vindices[c]) - 1, int(t.tindices[c]) - 1,
                                                  int(t.nindices[c]) - 1}))
                        << "triangle " << n;
                }
            nFirst += nCorners;
        }
    }
    EXPECT_EQ(n, model.numtriangles);
}

class GlmToolFilesTest : public CModelFileTest
{
protected:
    // Has assimp convert the mesh in PLY or OFF, or in STL that it made from the PLY, to
    // "mesh.obj"; returns the model glmReadOBJ reads from that.
    std::unique_ptr<CGlmModel> Export(const std::string& format)
    {
        const auto convert = [&](const std::string& from, const std::string& to)
        {
            std::string output;
            EXPECT_EQ(RunCommand("assimp export '" + (m_dir / from) + "' '" + (m_dir / to) + "'", &output), 0)
                << output;
        };
        const bool bStl = format == "stl";
        Put(bStl ? "mesh.ply" : "mesh." + format, MeshText(format));
        if (bStl) convert("mesh.ply", "mesh.stl");
        convert("mesh." + format, "mesh.obj");
        return Load("mesh.obj");
    }
};

class GlmAssimpFilesTest : public GlmToolFilesTest, public ::testing::WithParamInterface<const char*>
{
};

TEST_P(GlmAssimpFilesTest, ReadLikeTinyobjloader)
{
    const auto pModel = Export(GetParam());
    std::size_t nMaterials = 0;
    ExpectSameAsTinyobjloader(*pModel, m_dir / "mesh.obj", &nMaterials);
    EXPECT_EQ(pModel->numtriangles, 8 * 2 + 88 * 2 + 3u);
    EXPECT_TRUE(pModel->mtllibname.has_value());
    EXPECT_EQ(pModel->nummaterials, nMaterials + 1);
}

INSTANTIATE_TEST_SUITE_P(Formats, GlmAssimpFilesTest, ::testing::Values("ply", "off", "stl"));

// The number after `label` in the output of assimp info, or -1.
long InfoCount(const std::string& output, const std::string& label)
{
    std::smatch match;
    if (!std::regex_search(output, match, std::regex(label + ":\\s+([0-9]+)"))) return -1;
    return std::stol(match[1]);
}

class GlmWrittenFilesTest : public GlmToolFilesTest, public ::testing::WithParamInterface<unsigned>
{
};

TEST_P(GlmWrittenFilesTest, LoadInAssimpAndTinyobjloader)
{
    const unsigned mode = GetParam();
    auto pModel = Export("ply");
    // Texture coordinates and normals of its own, so that every mode has something to write.
    pModel->numtexcoords = pModel->numnormals = pModel->numvertices;
    pModel->normals = pModel->vertices;
    pModel->texcoords.assign((pModel->numtexcoords + 1) * 2, 0.25f);
    for (GlmTriangle& t : pModel->triangles)
    {
        std::copy(t.vindices, t.vindices + 3, t.tindices);
        std::copy(t.vindices, t.vindices + 3, t.nindices);
    }
    {
        plat::CDiagnosticsCapture diagnostics;
        pModel->glmWriteOBJ(m_dir / "written.obj", mode);
    }
    std::string output;
    ASSERT_EQ(RunCommand("assimp info '" + (m_dir / "written.obj") + "'", &output), 0) << output;
    EXPECT_EQ(InfoCount(output, "Faces"), long(pModel->numtriangles)) << output;
    EXPECT_EQ(InfoCount(output, "Vertices"), long(pModel->numvertices)) << output;

    // glmReadOBJ reads what the mode wrote, and tinyobjloader reads the same.
    const auto pBack = Load("written.obj");
    std::size_t nMaterials = 0;
    ExpectSameAsTinyobjloader(*pBack, m_dir / "written.obj", &nMaterials);
    EXPECT_EQ(pBack->numtriangles, pModel->numtriangles);
    EXPECT_EQ(pBack->numnormals, (mode & GLM_MODE_SMOOTH) ? pModel->numnormals : 0u);
    EXPECT_EQ(pBack->numtexcoords, (mode & GLM_MODE_TEXTURE) ? pModel->numtexcoords : 0u);
    EXPECT_EQ(nMaterials, (mode & GLM_MODE_MATERIAL) ? pModel->nummaterials : 0u);
}

INSTANTIATE_TEST_SUITE_P(Modes, GlmWrittenFilesTest,
                         ::testing::Values(GLM_MODE_NONE, GLM_MODE_SMOOTH, GLM_MODE_TEXTURE,
                                           GLM_MODE_SMOOTH | GLM_MODE_TEXTURE | GLM_MODE_MATERIAL));

}  // namespace

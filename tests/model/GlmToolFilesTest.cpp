// GlmToolFilesTest: OBJ files that another program made (assimp converting meshes generated
// here in other formats) read by glmReadOBJ and checked against tinyobjloader in the same run,
// and files that glmWriteOBJ writes loaded by assimp and tinyobjloader.
#include "GlmTestSupport.h"  // CModelFileTest

#include <gtest/gtest.h>      // test macros
#include <tiny_obj_loader.h>  // tinyobj::LoadObj, the independent reader

#include <cmath>    // sin, cos for the generated meshes
#include <regex>    // counts in the output of assimp info
#include <set>      // materials in use
#include <sstream>  // mesh text
#include <string>   // texts
#include <vector>   // meshes

namespace
{

using cubatro::test::CModelFileTest;
using cubatro::test::RunCommand;

// A polygon mesh generated here: a torus of quads, with a fan of triangles and a pentagon cap
// so that faces of three, four and five corners occur.
struct Mesh
{
    std::vector<std::array<double, 3>> vertices;  // positions
    std::vector<std::vector<int>> faces;          // corners, 0-based, counter-clockwise
};

Mesh MakeMesh()
{
    Mesh mesh;
    const int nRing = 12, nTube = 8;
    for (int i = 0; i < nRing; i++)
        for (int j = 0; j < nTube; j++)
        {
            const double u = 2 * M_PI * i / nRing, v = 2 * M_PI * j / nTube;
            mesh.vertices.push_back({(1.0 + 0.3 * std::cos(v)) * std::cos(u), 0.3 * std::sin(v),
                                     (1.0 + 0.3 * std::cos(v)) * std::sin(u)});
        }
    for (int i = 0; i < nRing; i++)
        for (int j = 0; j < nTube; j++)
        {
            const int a = i * nTube + j, b = ((i + 1) % nRing) * nTube + j;
            const int c = ((i + 1) % nRing) * nTube + (j + 1) % nTube, d = i * nTube + (j + 1) % nTube;
            if (i == 0)  // one ring as pairs of triangles
            {
                mesh.faces.push_back({a, b, c});
                mesh.faces.push_back({a, c, d});
            }
            else
                mesh.faces.push_back({a, b, c, d});
        }
    const int nBase = static_cast<int>(mesh.vertices.size());
    for (int k = 0; k < 5; k++)  // a pentagon floating above
        mesh.vertices.push_back({0.4 * std::cos(2 * M_PI * k / 5), 2.0, -0.4 * std::sin(2 * M_PI * k / 5)});
    mesh.faces.push_back({nBase, nBase + 1, nBase + 2, nBase + 3, nBase + 4});
    return mesh;
}

// The body that PLY and OFF text share: one line per vertex, then one per face with its count.
std::string VerticesAndFaces(const Mesh& mesh)
{
    std::ostringstream out;
    for (const auto& v : mesh.vertices)
        out << v[0] << ' ' << v[1] << ' ' << v[2] << '\n';
    for (const auto& f : mesh.faces)
    {
        out << f.size();
        for (int i : f)
            out << ' ' << i;
        out << '\n';
    }
    return out.str();
}

std::string Ply(const Mesh& mesh)
{
    std::ostringstream out;
    out << "ply\nformat ascii 1.0\nelement vertex " << mesh.vertices.size()
        << "\nproperty float x\nproperty float y\nproperty float z\nelement face " << mesh.faces.size()
        << "\nproperty list uchar int vertex_indices\nend_header\n";
    return out.str() + VerticesAndFaces(mesh);
}

std::string Off(const Mesh& mesh)
{
    std::ostringstream out;
    out << "OFF\n" << mesh.vertices.size() << ' ' << mesh.faces.size() << " 0\n";
    return out.str() + VerticesAndFaces(mesh);
}

std::string Stl(const Mesh& mesh)
{
    std::ostringstream out;
    out << "solid generated\n";
    for (const auto& f : mesh.faces)
        for (std::size_t k = 2; k < f.size(); k++)
        {
            out << "facet normal 0 0 0\n outer loop\n";
            for (int i : {f[0], f[k - 1], f[k]})
                out << "  vertex " << mesh.vertices[i][0] << ' ' << mesh.vertices[i][1] << ' '
                    << mesh.vertices[i][2] << '\n';
            out << " endloop\nendfacet\n";
        }
    out << "endsolid generated\n";
    return out.str();
}

// What tinyobjloader sees in a file, its polygons fanned around their first corner.
struct TinyView
{
    std::size_t nVertices = 0, nNormals = 0, nTexcoords = 0, nMaterials = 0;
    std::vector<std::array<int, 3>> triangles;  // 0-based vertex numbers, file order
    std::vector<float> vertices;                // x, y, z per vertex
};

TinyView ReadWithTinyobjloader(const std::string& path, const std::string& directory)
{
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    TinyView view;
    const bool bRead =
        tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, path.c_str(), directory.c_str(), false);
    EXPECT_TRUE(bRead) << err;
    view.nVertices = attrib.vertices.size() / 3;
    view.nNormals = attrib.normals.size() / 3;
    view.nTexcoords = attrib.texcoords.size() / 2;
    view.nMaterials = materials.size();
    view.vertices = attrib.vertices;
    for (const tinyobj::shape_t& shape : shapes)
    {
        std::size_t nOffset = 0;
        for (const unsigned char nCorners : shape.mesh.num_face_vertices)
        {
            for (unsigned k = 2; k < nCorners; k++)
                view.triangles.push_back({shape.mesh.indices[nOffset].vertex_index,
                                          shape.mesh.indices[nOffset + k - 1].vertex_index,
                                          shape.mesh.indices[nOffset + k].vertex_index});
            nOffset += nCorners;
        }
    }
    return view;
}

// Expects glmReadOBJ's model to hold what tinyobjloader read from the same file.
void ExpectSameAsTinyobjloader(const CGlmModel& model, const TinyView& tiny)
{
    ASSERT_EQ(model.numvertices, tiny.nVertices);
    EXPECT_EQ(model.numnormals, tiny.nNormals);
    EXPECT_EQ(model.numtexcoords, tiny.nTexcoords);
    for (std::size_t i = 0; i < 3 * tiny.nVertices; i++)
        EXPECT_NEAR(model.vertices[3 + i], tiny.vertices[i], 1e-6f * (1 + std::fabs(tiny.vertices[i]))) << i;
    ASSERT_EQ(model.numtriangles, tiny.triangles.size());
    for (std::size_t i = 0; i < tiny.triangles.size(); i++)
        for (int c = 0; c < 3; c++)
            EXPECT_EQ(model.triangles[i].vindices[c], static_cast<std::uint32_t>(tiny.triangles[i][c] + 1))
                << "triangle " << i;
}

// --- files that assimp made -------------------------------------------------------------------

struct SourceCase
{
    const char* pszName;       // case name
    const char* pszExtension;  // format assimp reads
    std::string (*pMake)(const Mesh&);
};

class GlmToolFilesTest : public CModelFileTest, public ::testing::WithParamInterface<SourceCase>
{
};

TEST_P(GlmToolFilesTest, AssimpExportReadsLikeTinyobjloader)
{
    const SourceCase& c = GetParam();
    const Mesh mesh = MakeMesh();
    const std::string source = Put(std::string("mesh.") + c.pszExtension, c.pMake(mesh));
    std::string output;
    ASSERT_EQ(RunCommand("assimp export '" + source + "' '" + (m_dir / "mesh.obj") + "'", &output), 0)
        << output;

    const auto pModel = Load("mesh.obj");
    const TinyView tiny = ReadWithTinyobjloader(m_dir / "mesh.obj", m_dir.Path().string() + "/");
    ExpectSameAsTinyobjloader(*pModel, tiny);
    std::size_t nTriangles = 0;
    for (const auto& f : mesh.faces)
        nTriangles += f.size() - 2;
    EXPECT_EQ(pModel->numtriangles, nTriangles);
    ASSERT_TRUE(pModel->mtllibname.has_value());
    EXPECT_EQ(pModel->nummaterials, tiny.nMaterials + 1);
}

INSTANTIATE_TEST_SUITE_P(Formats, GlmToolFilesTest,
                         ::testing::Values(SourceCase{"Ply", "ply", Ply}, SourceCase{"Off", "off", Off},
                                           SourceCase{"Stl", "stl", Stl}),
                         [](const ::testing::TestParamInfo<SourceCase>& param)
                         { return std::string(param.param.pszName); });

// --- files that glmWriteOBJ wrote ---------------------------------------------------------------

// The number after `label` in the output of assimp info, or -1.
long InfoCount(const std::string& output, const std::string& label)
{
    std::smatch match;
    if (!std::regex_search(output, match, std::regex(label + ":\\s+([0-9]+)"))) return -1;
    return std::stol(match[1]);
}

class GlmWrittenFilesTest : public CModelFileTest, public ::testing::WithParamInterface<unsigned>
{
};

TEST_P(GlmWrittenFilesTest, LoadInAssimpAndTinyobjloader)
{
    const unsigned mode = GetParam();
    const Mesh mesh = MakeMesh();
    Put("mesh.ply", Ply(mesh));
    std::string output;
    ASSERT_EQ(
        RunCommand("assimp export '" + (m_dir / "mesh.ply") + "' '" + (m_dir / "mesh.obj") + "'", &output), 0)
        << output;
    auto pModel = Load("mesh.obj");
    // Give it texture coordinates of its own so that every mode has something to write.
    pModel->numtexcoords = pModel->numvertices;
    pModel->texcoords.assign((pModel->numtexcoords + 1) * 2, 0.25f);
    for (GlmTriangle& t : pModel->triangles)
        for (int c = 0; c < 3; c++)
            t.tindices[c] = t.vindices[c];

    {
        plat::CDiagnosticsCapture diagnostics;
        pModel->glmWriteOBJ(m_dir / "written.obj", mode);
    }
    ASSERT_EQ(RunCommand("assimp info '" + (m_dir / "written.obj") + "'", &output), 0) << output;
    EXPECT_EQ(InfoCount(output, "Faces"), static_cast<long>(pModel->numtriangles)) << output;
    if (mode == GLM_MODE_NONE)
    {
        EXPECT_EQ(InfoCount(output, "Vertices"), static_cast<long>(pModel->numvertices)) << output;
    }
    if (mode & GLM_MODE_MATERIAL)
    {
        // assimp keeps the materials that faces use.
        std::set<std::uint32_t> used;
        for (const GlmGroup* p = pModel->groups.get(); p; p = p->next.get())
            if (p->numtriangles) used.insert(p->material);
        EXPECT_EQ(InfoCount(output, "Materials"), static_cast<long>(used.size())) << output;
    }

    const TinyView tiny = ReadWithTinyobjloader(m_dir / "written.obj", m_dir.Path().string() + "/");
    EXPECT_EQ(tiny.nVertices, pModel->numvertices);
    EXPECT_EQ(tiny.nNormals, (mode & GLM_MODE_SMOOTH) ? pModel->numnormals : 0u);
    EXPECT_EQ(tiny.nTexcoords, (mode & GLM_MODE_TEXTURE) ? pModel->numtexcoords : 0u);
    EXPECT_EQ(tiny.nMaterials, (mode & GLM_MODE_MATERIAL) ? pModel->nummaterials : 0u);
    EXPECT_EQ(tiny.triangles.size(), pModel->numtriangles);

    // And our reader agrees with tinyobjloader on the written file too.
    const auto pBack = Load("written.obj");
    ExpectSameAsTinyobjloader(*pBack, tiny);
}

INSTANTIATE_TEST_SUITE_P(Modes, GlmWrittenFilesTest,
                         ::testing::Values(GLM_MODE_NONE, GLM_MODE_SMOOTH, GLM_MODE_TEXTURE,
                                           GLM_MODE_SMOOTH | GLM_MODE_TEXTURE | GLM_MODE_MATERIAL));

}  // namespace

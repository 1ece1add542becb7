// GlmToolFilesTest: an OBJ file that another program made (assimp converting a mesh written here
// as PLY) read by glmReadOBJ and checked corner by corner against tinyobjloader, and the file
// glmWriteOBJ writes of it read by both.
#include "GlmTestSupport.h"  // CModelFileTest, RunCommand

#include <tiny_obj_loader.h>  // tinyobj::LoadObj, the independent reader

#include <algorithm>  // std::min
#include <tuple>      // the arrays compared

namespace
{

// Expects `model` to hold what tinyobjloader reads from the file `path`, its polygons fanned
// around their first corner; returns the number of materials tinyobjloader read.
std::size_t ExpectSameAsTinyobjloader(const CGlmModel& model, const std::string& path)
{
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    EXPECT_TRUE(tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, path.c_str(),
                                 path.substr(0, path.rfind('/') + 1).c_str(), false))
        << err;
    for (const auto& [pOurs, nPer, pTheirs] : {std::tuple{&model.vertices, 3, &attrib.vertices},
                                               {&model.normals, 3, &attrib.normals},
                                               {&model.texcoords, 2, &attrib.texcoords}})
        EXPECT_THAT(
            std::vector<float>(pOurs->begin() + std::min<std::size_t>(nPer, pOurs->size()), pOurs->end()),
            ::testing::Pointwise(::testing::FloatNear(2e-6f), *pTheirs));
    std::vector<std::array<int, 3>> ours, theirs;  // vertex, texture coordinate and normal of each corner
    for (const GlmTriangle& t : model.triangles)
        for (int c = 0; c < 3; c++)
            ours.push_back({int(t.vindices[c]), int(t.tindices[c]), int(t.nindices[c])});
    for (const tinyobj::shape_t& shape : shapes)
        for (std::size_t f = 0, nFirst = 0; f < shape.mesh.num_face_vertices.size();
             nFirst += shape.mesh.num_face_vertices[f++])
            for (std::size_t k = nFirst + 2; k < nFirst + shape.mesh.num_face_vertices[f]; k++)
                for (const tinyobj::index_t& i :
                     {shape.mesh.indices[nFirst], shape.mesh.indices[k - 1], shape.mesh.indices[k]})
                    theirs.push_back({i.vertex_index + 1, i.texcoord_index + 1, i.normal_index + 1});
    EXPECT_EQ(ours, theirs);
    return materials.size();
}

using GlmToolFilesTest = cubatro::test::CModelFileTest;

// A mesh with texture coordinates and faces of three, four and five corners, which assimp gives
// normals of its own, and the file glmWriteOBJ writes of what glmReadOBJ reads of it.
TEST_F(GlmToolFilesTest, ReadLikeTinyobjloaderAndWrittenForIt)
{
    Put("mesh.ply",
        "ply\nformat ascii 1.0\nelement vertex 6\nproperty float x\nproperty float y\nproperty float z\n"
        "property float s\nproperty float t\nelement face 4\nproperty list uchar int vertex_indices\n"
        "end_header\n0 0 0 0 0\n1.25 0 0.1 1 0\n1 1.3333 0 1 1\n-0.1 1 0 0 1\n0.5 2 0.7 0.5 0.875\n"
        "0.5 0.5 -1e-3 0.3 0.3\n3 0 1 2\n4 0 1 2 3\n5 0 1 4 2 3\n3 5 2 1\n");
    std::string output;
    ASSERT_EQ(cubatro::test::RunCommand(
                  "assimp export '" + (m_dir / "mesh.ply") + "' '" + (m_dir / "mesh.obj") + "'", &output),
              0)
        << output;
    const auto pModel = Load("mesh.obj");
    EXPECT_TRUE(pModel->numtriangles == 7 && pModel->numtexcoords > 0 && pModel->numnormals > 0);
    EXPECT_EQ(ExpectSameAsTinyobjloader(*pModel, m_dir / "mesh.obj") + 1, pModel->nummaterials);
    pModel->glmWriteOBJ(m_dir / "written.obj", GLM_MODE_SMOOTH | GLM_MODE_TEXTURE | GLM_MODE_MATERIAL);
    const auto pBack = Load("written.obj");
    EXPECT_EQ(ExpectSameAsTinyobjloader(*pBack, m_dir / "written.obj"), pModel->nummaterials);
    EXPECT_EQ((std::array{pBack->numtriangles, pBack->numnormals, pBack->numtexcoords}),
              (std::array{pModel->numtriangles, pModel->numnormals, pModel->numtexcoords}));
}

}  // namespace

// ObjReadBench: reading one generated OBJ model of over a million triangles with glmReadOBJ,
// tinyobjloader and assimp in the same run; checks that the three agree on the counts and
// prints the best of several times for each and the ratios.
#include "model/GlmModel.h"  // CGlmModel::glmReadOBJ, the reader measured

#include <assimp/Importer.hpp>   // Assimp::Importer, the second peer
#include <assimp/postprocess.h>  // aiProcess_Triangulate
#include <assimp/scene.h>        // aiScene, aiMesh
#include <tiny_obj_loader.h>     // tinyobj::LoadObj, the first peer

#include <stdlib.h>  // mkdtemp

#include <chrono>      // steady_clock for the times
#include <cmath>       // sin, cos for the surface
#include <cstdint>     // counters
#include <cstdio>      // printf, FILE for writing the model
#include <ctime>       // clock_gettime for the processor time of the thread
#include <filesystem>  // the scratch directory
#include <functional>  // std::function for the timed readers
#include <string>      // paths

namespace
{

constexpr int s_nSide = 710;  // quads per side: 2 × 710² = 1 008 200 triangles
constexpr int s_nRuns = 5;    // runs per reader; the best counts, so other load on the machine matters less

struct Counts
{
    std::uint64_t nVertices = 0;   // positions (for assimp: corners of the triangulated meshes)
    std::uint64_t nTriangles = 0;  // triangles after fanning the quads
};

// Writes a wavy grid of s_nSide² quads with texture coordinates and normals, in eight groups
// with two materials, as the files `obj` and its library `mtl` beside it.
void WriteModel(const std::string& obj, const std::string& mtl)
{
    std::FILE* pMtl = std::fopen(mtl.c_str(), "w");
    std::fputs("newmtl stone\nKd 0.6 0.6 0.6\nNs 100\nnewmtl moss\nKd 0.2 0.5 0.1\n", pMtl);
    std::fclose(pMtl);

    std::FILE* f = std::fopen(obj.c_str(), "w");
    std::fputs("# generated wavy grid\nmtllib bench.mtl\n", f);
    const int n = s_nSide + 1;
    for (int j = 0; j < n; j++)
        for (int i = 0; i < n; i++)
        {
            const double x = i * 0.01, z = j * -0.01;
            std::fprintf(f, "v %f %f %f\n", x, 0.1 * std::sin(x * 7.0) * std::cos(z * 5.0), z);
        }
    for (int j = 0; j < n; j++)
        for (int i = 0; i < n; i++)
            std::fprintf(f, "vt %f %f\n", double(i) / s_nSide, double(j) / s_nSide);
    for (int j = 0; j < n; j++)
        for (int i = 0; i < n; i++)
        {
            const double a = std::sin(i * 0.07), b = std::cos(j * 0.05);
            const double l = std::sqrt(a * a * 0.01 + 1.0 + b * b * 0.01);
            std::fprintf(f, "vn %f %f %f\n", 0.1 * a / l, 1.0 / l, 0.1 * b / l);
        }
    for (int j = 0; j < s_nSide; j++)
    {
        if (j % (s_nSide / 8 + 1) == 0)
            std::fprintf(f, "g band%d\nusemtl %s\n", j / (s_nSide / 8 + 1), (j / 90) % 2 ? "moss" : "stone");
        for (int i = 0; i < s_nSide; i++)
        {
            const int a = j * n + i + 1, b = a + 1, c = a + n + 1, d = a + n;
            std::fprintf(f, "f %d/%d/%d %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b, b, c, c, c, d, d, d);
        }
    }
    std::fclose(f);
}

// Processor time of this thread, in seconds: what the reader itself spent, however busy the
// machine is with other work.
double ThreadSeconds()
{
    timespec now;
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

struct Timing
{
    double dWall = 1e30;  // best wall-clock time, seconds
    double dCpu = 1e30;   // best processor time of the thread, seconds
};

// Best times of s_nRuns calls of `read`, which returns the counts it saw.
Timing Time(const std::function<Counts()>& read, Counts& counts)
{
    Timing best;
    for (int i = 0; i < s_nRuns; i++)
    {
        const auto start = std::chrono::steady_clock::now();
        const double dCpuStart = ThreadSeconds();
        counts = read();
        const double dCpu = ThreadSeconds() - dCpuStart;
        const double dWall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best.dWall = dWall < best.dWall ? dWall : best.dWall;
        best.dCpu = dCpu < best.dCpu ? dCpu : best.dCpu;
    }
    return best;
}

}  // namespace

int main()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "cubatro-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
    {
        std::printf("cannot create a scratch directory\n");
        return 1;
    }
    const std::filesystem::path dir = pattern;
    const std::string obj = (dir / "bench.obj").string(), mtl = (dir / "bench.mtl").string();
    WriteModel(obj, mtl);
    const double dMegabytes = double(std::filesystem::file_size(obj)) / 1e6;

    Counts oursCounts, tinyCounts, assimpCounts;
    const Timing ours = Time(
        [&]
        {
            CGlmModel model;
            model.glmReadOBJ(obj);
            return Counts{model.numvertices, model.numtriangles};
        },
        oursCounts);
    const Timing tinyTime = Time(
        [&]
        {
            tinyobj::attrib_t attrib;
            std::vector<tinyobj::shape_t> shapes;
            std::vector<tinyobj::material_t> materials;
            std::string warn, err;
            Counts counts;
            if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, obj.c_str(),
                                  dir.string().c_str(), true))
                return counts;
            counts.nVertices = attrib.vertices.size() / 3;
            for (const tinyobj::shape_t& shape : shapes)
                counts.nTriangles += shape.mesh.num_face_vertices.size();
            return counts;
        },
        tinyCounts);
    const Timing assimpTime = Time(
        [&]
        {
            Assimp::Importer importer;
            const aiScene* pScene = importer.ReadFile(obj, aiProcess_Triangulate);
            Counts counts;
            for (unsigned i = 0; pScene && i < pScene->mNumMeshes; i++)
            {
                counts.nVertices += pScene->mMeshes[i]->mNumVertices;
                counts.nTriangles += pScene->mMeshes[i]->mNumFaces;
            }
            return counts;
        },
        assimpCounts);
    std::filesystem::remove_all(dir);

    const std::uint64_t nQuads = std::uint64_t(s_nSide) * s_nSide;
    const bool bAgree =
        oursCounts.nTriangles == 2 * nQuads && tinyCounts.nTriangles == oursCounts.nTriangles &&
        assimpCounts.nTriangles == oursCounts.nTriangles && tinyCounts.nVertices == oursCounts.nVertices &&
        oursCounts.nVertices == std::uint64_t(s_nSide + 1) * (s_nSide + 1) &&
        assimpCounts.nVertices == 4 * nQuads;
    std::printf("model: %.1f MB, %llu vertices, %llu triangles (assimp: %llu corners), best of %d runs\n",
                dMegabytes, static_cast<unsigned long long>(oursCounts.nVertices),
                static_cast<unsigned long long>(oursCounts.nTriangles),
                static_cast<unsigned long long>(assimpCounts.nVertices), s_nRuns);
    std::printf("%-14s %9s %9s %10s %22s\n", "reader", "wall s", "cpu s", "MB/s (cpu)",
                "glmReadOBJ faster (cpu)");
    const auto row = [&](const char* pszName, const Timing& t)
    {
        std::printf("%-14s %9.3f %9.3f %10.1f %17.2f (%.2f wall)\n", pszName, t.dWall, t.dCpu,
                    dMegabytes / t.dCpu, t.dCpu / ours.dCpu, t.dWall / ours.dWall);
    };
    row("glmReadOBJ", ours);
    row("tinyobjloader", tinyTime);
    row("assimp", assimpTime);
    std::printf("counts %s\n", bAgree ? "agree" : "DISAGREE");
    return bAgree ? 0 : 1;
}

// CorpusMaker: seed files for the fuzz targets, made by the project's own writers.
//
//   fuzz_corpus_maker <corpus directory>
// writes into <dir>/bmp, <dir>/raw, <dir>/sgi, <dir>/obj and <dir>/obj_roundtrip (which must
// exist) small images written by CTexture::SaveFileBMP and SaveFileRAW, run-length SGI files by
// the art generator's writer, and models written by glmWriteOBJ (a part of the key of the game
// and a small hand-built one), each OBJ seed joined to its library as the OBJ targets expect it.
#include "image/Texture.h"           // CTexture and its writers
#include "model/GlmModel.h"          // CGlmModel and glmWriteOBJ
#include "platform/Diagnostics.h"    // plat::Set*Sink to keep the writers quiet
#include "tools/artgen/KeyModel.h"   // CKeyModel, the key of the game
#include "tools/artgen/SgiWriter.h"  // CSgiWriter, run-length SGI files

#include <cstdint>     // uint8_t samples
#include <cstdio>      // std::fprintf for errors
#include <filesystem>  // temporary files and copies
#include <fstream>     // reading and writing seed files
#include <iterator>    // std::istreambuf_iterator for whole files
#include <string>      // std::string for paths and bytes
#include <vector>      // std::vector for pixels

namespace
{

std::string g_strCorpus;  // the corpus directory given on the command line

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteSeed(const std::string& target, const std::string& name, const std::string& bytes)
{
    std::ofstream(g_strCorpus + "/" + target + "/" + name, std::ios::binary) << bytes;
}

// A test picture: gradients and a checker, so that rows and channels all differ.
void Picture(CTexture& image, int nWidth, int nHeight, int nDepth)
{
    std::vector<unsigned char> v(size_t(nWidth) * size_t(nHeight) * size_t(nDepth / 8));
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = (unsigned char)(i * 37 + (i / 3) * 11);
    image.CreateFromBuffer(v.data(), nWidth, nHeight, nDepth);
}

void MakeImages(const std::string& scratch)
{
    const int sizes[][2] = {{1, 1}, {2, 3}, {3, 2}, {5, 4}, {4, 4}, {7, 1}, {1, 7}, {16, 9}};
    for (const auto& size : sizes)
    {
        const std::string stem = std::to_string(size[0]) + "x" + std::to_string(size[1]);
        CTexture image;
        Picture(image, size[0], size[1], 24);
        image.SaveFileBMP((scratch + "/a.bmp").c_str());
        WriteSeed("bmp", "own-" + stem + ".bmp", ReadAll(scratch + "/a.bmp"));
        for (int nDepth : {24, 32})
        {
            CTexture raw;
            Picture(raw, size[0], size[1], nDepth);
            raw.SaveFileRAW((scratch + "/a.raw").c_str());
            // The parameters the RAW target reads: width − 1, height − 1, depth, alpha.
            std::string params = {char(size[0] - 1), 0, char(size[1] - 1), 0, char(nDepth == 32), char(0x80)};
            WriteSeed("raw", "own-" + stem + "-" + std::to_string(nDepth) + ".raw",
                      params + ReadAll(scratch + "/a.raw"));
        }
    }
    // A top-down file: the same picture with its height negated.
    std::string topDown = ReadAll(scratch + "/a.bmp");
    const int32_t nHeight = -9;
    for (int i = 0; i < 4; ++i)
        topDown[22 + i] = char(uint32_t(nHeight) >> (8 * i));
    WriteSeed("bmp", "own-16x9-topdown.bmp", topDown);

    const int sgiSizes[][2] = {{1, 1}, {4, 3}, {17, 5}, {130, 2}, {8, 8}};
    for (const auto& size : sgiSizes)
    {
        std::vector<uint8_t> samples(size_t(size[0]) * size_t(size[1]));
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = uint8_t(i % 7 < 4 ? 200 : i * 13);
        CSgiWriter::Save(scratch + "/a.bw", samples, size[0], size[1], "seed");
        WriteSeed("sgi", "own-" + std::to_string(size[0]) + "x" + std::to_string(size[1]) + ".bw",
                  ReadAll(scratch + "/a.bw"));
    }
}

// The model file, the marker and the library, as the OBJ targets read one input.
std::string JoinModel(const std::string& dir, const std::string& objName, const std::string& mtlName)
{
    std::string seed = ReadAll(dir + "/" + objName);
    if (!mtlName.empty()) seed += "\n@@\n" + ReadAll(dir + "/" + mtlName);
    return seed;
}

// A small model: a square pyramid with normals, texture coordinates, two groups and a library.
void MakePyramid(CGlmModel& model)
{
    const float v[] = {0, 0, 0, -1, 0, -1, 1, 0, -1, 1, 0, 1, -1, 0, 1, 0, 1.5f, 0};
    model.numvertices = 5;
    model.vertices.assign(v, v + sizeof v / sizeof v[0]);
    model.numtexcoords = 3;
    model.texcoords = {0, 0, 0, 0, 1, 0, 0.5f, 1};
    model.numtriangles = 6;
    const uint32_t corners[6][3] = {{1, 2, 3}, {1, 3, 4}, {1, 2, 5}, {2, 3, 5}, {3, 4, 5}, {4, 1, 5}};
    model.triangles.resize(6);
    for (uint32_t t = 0; t < 6; ++t)
        for (int c = 0; c < 3; ++c)
        {
            model.triangles[t].vindices[c] = corners[t][c];
            model.triangles[t].tindices[c] = uint32_t(c + 1);
        }
    model.nummaterials = 2;
    model.materials.resize(2);
    model.materials[0].name = "default";
    model.materials[1].name = "stone";
    model.materials[1].shininess = 64.0f;
    model.mtllibname = "pyramid.mtl";
    GlmGroup* pBase = model._glmAddGroup("base");
    pBase->triangles = {0, 1};
    pBase->numtriangles = 2;
    GlmGroup* pSides = model._glmAddGroup("sides");
    pSides->triangles = {2, 3, 4, 5};
    pSides->numtriangles = 4;
    pSides->material = 1;
    model.glmFacetNormals();
    model.glmVertexNormals(90.0f);
}

void MakeModels(const std::string& scratch)
{
    // The key of the game: its bit alone (the newest part of the list), vertices included.
    CKeyModel key;
    CGlmModel& keyModel = key.Model();
    keyModel.groups->next.reset();
    keyModel.numgroups = 1;
    key.Save(scratch + "/cle.obj");
    WriteSeed("obj", "own-key-bit.obj", JoinModel(scratch, "cle.obj", "cle.mtl"));

    CGlmModel pyramid;
    MakePyramid(pyramid);
    const struct
    {
        const char* pszName;
        unsigned nMode;
    } modes[] = {{"plain", GLM_MODE_NONE},
                 {"flat", GLM_MODE_FLAT},
                 {"smooth", GLM_MODE_SMOOTH},
                 {"texture", GLM_MODE_TEXTURE},
                 {"smooth-texture-material", GLM_MODE_SMOOTH | GLM_MODE_TEXTURE | GLM_MODE_MATERIAL},
                 {"flat-texture-material", GLM_MODE_FLAT | GLM_MODE_TEXTURE | GLM_MODE_MATERIAL}};
    for (const auto& mode : modes)
    {
        pyramid.glmWriteOBJ(scratch + "/pyramid.obj", mode.nMode);
        const std::string seed =
            JoinModel(scratch, "pyramid.obj", (mode.nMode & GLM_MODE_MATERIAL) ? "pyramid.mtl" : "");
        WriteSeed("obj", std::string("own-pyramid-") + mode.pszName + ".obj", seed);
        WriteSeed("obj_roundtrip", std::string("own-pyramid-") + mode.pszName + ".obj", seed);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s <corpus directory>\n", argv[0]);
        return 2;
    }
    plat::SetTraceSink([](std::string_view) {});
    plat::SetDumpSink([](std::string_view) {});
    plat::SetMessageBoxSink([](std::string_view) {});
    g_strCorpus = argv[1];
    const std::string scratch = g_strCorpus + "/.scratch";
    std::filesystem::create_directories(scratch);
    MakeImages(scratch);
    MakeModels(scratch);
    std::filesystem::remove_all(scratch);
    return 0;
}

// ObjRoundtripFuzzer: read, process, write, read again.
//
// Each input becomes model.obj and its library (see ObjInput.h). In a child process the model
// is read (the reader may refuse it and end the process: a normal outcome), then processed as
// the input's hash chooses (weld with one of several epsilons, flipped winding, facet normals,
// vertex normals at one of several crease angles, planar or sphere-map texture coordinates),
// written with one of the writer's modes into a directory of its own and read back. From the
// processing on, nothing may end the process, and the model read back must equal the one
// written: the same counts of vertices, triangles, groups, normals, texture coordinates and
// materials (one more: "default" is written too), the same corners per group (a face without
// texture coordinates or normals comes back without them), vertex coordinates within the six
// written decimals. Welding must only join corners within epsilon of each other. Inputs holding
// a NUL byte are skipped: the writer's names end there.
#include "FuzzSupport.h"
#include "ObjInput.h"

#include "model/GlmModel.h"  // CGlmModel, the reader, processing and writer under test

#include <cmath>       // std::isnan, std::fabs for coordinate comparisons
#include <cstddef>     // size_t for sizes
#include <cstdint>     // fixed-width hashes and counts
#include <cstring>     // std::memcmp for non-finite coordinates
#include <string>      // std::string for paths and messages
#include <sys/stat.h>  // mkdir for the output directory
#include <vector>      // std::vector for copies of the record

namespace
{

enum EStage
{
    kRead = 1,      // reading the input: ending the process is a normal refusal
    kProcess = 2,   // processing
    kWrite = 3,     // writing
    kReadBack = 4,  // reading what was written
};

// The choices one input makes.
struct SPlan
{
    float fWeld = -1.0f;   // epsilon of glmWeld; negative: no weld
    bool bFlip = false;    // glmFlipWinding after welding
    float fAngle = -1.0f;  // crease angle of glmVertexNormals; negative: none
    int nTexGen = 0;       // 0 none, 1 planar, 2 sphere map
    unsigned nMode = 0;    // writer mode
};

uint64_t Hash(const uint8_t* pData, size_t nSize)
{
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < nSize; ++i)
        h = (h ^ pData[i]) * 1099511628211ull;
    return h;
}

SPlan MakePlan(uint64_t h)
{
    static constexpr float s_fWelds[] = {-1.0f, -1.0f, 0.0f, 1e-5f, 0.01f, 1.0f, 100.0f, -1.0f};
    static constexpr float s_fAngles[] = {-1.0f, 0.0f, 45.0f, 90.0f, 180.0f, 30.0f, 90.0f, -1.0f};
    static constexpr unsigned s_nModes[] = {GLM_MODE_NONE,
                                            GLM_MODE_FLAT,
                                            GLM_MODE_SMOOTH,
                                            GLM_MODE_TEXTURE,
                                            GLM_MODE_SMOOTH | GLM_MODE_TEXTURE,
                                            GLM_MODE_FLAT | GLM_MODE_TEXTURE,
                                            GLM_MODE_FLAT | GLM_MODE_SMOOTH,
                                            GLM_MODE_FLAT | GLM_MODE_SMOOTH | GLM_MODE_TEXTURE};
    SPlan plan;
    plan.fWeld = s_fWelds[h & 7];
    plan.bFlip = (h >> 3) & 1;
    plan.fAngle = s_fAngles[(h >> 4) & 7];
    plan.nTexGen = int((h >> 7) % 3);
    plan.nMode = s_nModes[(h >> 9) & 7] | (((h >> 12) & 1) ? GLM_MODE_MATERIAL : 0);
    return plan;
}

// What the writer will effectively write for this mode (its own rules, then the corner rule).
unsigned EffectiveMode(const CGlmModel& model, unsigned nMode)
{
    if ((nMode & GLM_MODE_FLAT) && model.facetnorms.empty()) nMode &= ~GLM_MODE_FLAT;
    if ((nMode & GLM_MODE_SMOOTH) && model.normals.empty()) nMode &= ~GLM_MODE_SMOOTH;
    if ((nMode & GLM_MODE_TEXTURE) && model.texcoords.empty()) nMode &= ~GLM_MODE_TEXTURE;
    if ((nMode & GLM_MODE_FLAT) && (nMode & GLM_MODE_SMOOTH)) nMode &= ~GLM_MODE_FLAT;
    return nMode;
}

// A library name the writer can put beside the model without leaving its directory or
// overwriting the model itself.
bool PlainLibraryName(const CGlmModel& model)
{
    if (!model.mtllibname || model.mtllibname->empty()) return false;
    std::string lower;
    for (char c : *model.mtllibname)
    {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
              c == '-' || c == '.'))
            return false;
        lower += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return lower != "round.obj" && lower != "." && lower != "..";
}

bool Close(float a, float b)
{
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    if (std::isinf(a) || std::isinf(b)) return a == b;
    return std::fabs(double(a) - double(b)) <= 1e-6 + 1e-6 * std::fabs(double(a));
}

const float* Vertex(const CGlmModel& model, uint32_t v)
{
    return &model.vertices[3 * size_t(v)];
}

// Welding joined only corners within epsilon of each other (or left them as they were).
void CheckWeld(const std::vector<float>& vBefore, const std::vector<GlmTriangle>& vTriangles,
               const CGlmModel& model, float fEpsilon)
{
    for (size_t t = 0; t < vTriangles.size(); ++t)
        for (int c = 0; c < 3; ++c)
        {
            const float* p = &vBefore[3 * size_t(vTriangles[t].vindices[c])];
            const uint32_t v = model.triangles[t].vindices[c];
            if (v == 0 || v > model.numvertices) cubatro::fuzz::Finding("weld: a corner lost its vertex");
            const float* q = Vertex(model, v);
            if (std::memcmp(p, q, 3 * sizeof(float)) == 0) continue;
            for (int k = 0; k < 3; ++k)
                if (!(std::fabs(p[k] - q[k]) < fEpsilon))
                    cubatro::fuzz::Finding("weld: a corner moved by epsilon or more");
        }
}

void Compare(const CGlmModel& written, const CGlmModel& read, unsigned nMode)
{
    const uint32_t nNormals = (nMode & GLM_MODE_SMOOTH) ? written.numnormals
                              : (nMode & GLM_MODE_FLAT) ? written.numfacetnorms
                                                        : 0;
    const uint32_t nTexcoords = (nMode & GLM_MODE_TEXTURE) ? written.numtexcoords : 0;
    if (read.numvertices != written.numvertices) cubatro::fuzz::Finding("round trip: vertex count differs");
    if (read.numtriangles != written.numtriangles)
        cubatro::fuzz::Finding("round trip: triangle count differs");
    if (read.numgroups != written.numgroups) cubatro::fuzz::Finding("round trip: group count differs");
    if (read.numnormals != nNormals) cubatro::fuzz::Finding("round trip: normal count differs");
    if (read.numtexcoords != nTexcoords)
        cubatro::fuzz::Finding("round trip: texture coordinate count differs");
    // The library written holds the built-in "default" as a material of its own, which the
    // reader then counts besides its own built-in one.
    if ((nMode & GLM_MODE_MATERIAL) && read.nummaterials != written.nummaterials + 1)
        cubatro::fuzz::Finding("round trip: material count differs");

    for (uint32_t v = 1; v <= written.numvertices; ++v)
        for (int k = 0; k < 3; ++k)
            if (!Close(Vertex(written, v)[k], Vertex(read, v)[k]))
                cubatro::fuzz::Finding("round trip: a vertex coordinate differs");

    for (const GlmGroup* pGroup = written.groups.get(); pGroup; pGroup = pGroup->next.get())
    {
        const GlmGroup* pRead = read.groups.get();
        while (pRead && pRead->name != pGroup->name)
            pRead = pRead->next.get();
        if (!pRead) cubatro::fuzz::Finding("round trip: a group is missing");
        if (pRead->numtriangles != pGroup->numtriangles)
            cubatro::fuzz::Finding("round trip: a group's triangle count differs");
        for (uint32_t i = 0; i < pGroup->numtriangles; ++i)
        {
            const GlmTriangle& a = written.triangles[pGroup->triangles[i]];
            const GlmTriangle& b = read.triangles[pRead->triangles[i]];
            for (int c = 0; c < 3; ++c)
                if (a.vindices[c] != b.vindices[c] ||
                    ((nMode & GLM_MODE_TEXTURE) && a.tindices[c] != b.tindices[c]) ||
                    ((nMode & GLM_MODE_SMOOTH) && a.nindices[c] != b.nindices[c]) ||
                    ((nMode & GLM_MODE_FLAT) && a.findex != b.nindices[c]))
                    cubatro::fuzz::Finding("round trip: a corner differs");
        }
    }
}

void RoundTrip(const std::string& path, const SPlan& plan)
{
    cubatro::fuzz::SetStage(kRead);
    CGlmModel model;
    model.glmReadOBJ(path);
    cubatro::fuzz::CheckModel(model);

    cubatro::fuzz::SetStage(kProcess);
    if (plan.fWeld >= 0.0f)
    {
        const std::vector<float> vBefore = model.vertices;
        const std::vector<GlmTriangle> vTriangles = model.triangles;
        model.glmWeld(plan.fWeld);
        CheckWeld(vBefore, vTriangles, model, plan.fWeld);
    }
    if (plan.bFlip) model.glmFlipWinding();
    if (model.numtriangles > 0)
    {
        model.glmFacetNormals();
        if (plan.fAngle >= 0.0f) model.glmVertexNormals(plan.fAngle);
    }
    if (plan.nTexGen == 1) model.glmPlanarTexCoords();
    if (plan.nTexGen == 2 && !model.normals.empty()) model.glmSphereMapTexCoords();

    unsigned nMode = plan.nMode;
    if ((nMode & GLM_MODE_MATERIAL) && !PlainLibraryName(model)) nMode &= ~GLM_MODE_MATERIAL;
    nMode = EffectiveMode(model, nMode);

    cubatro::fuzz::SetStage(kWrite);
    const std::string dir = cubatro::fuzz::ScratchDir() + "/out";
    ::mkdir(dir.c_str(), 0700);
    const std::string written = dir + "/round.obj";
    model.glmWriteOBJ(written, nMode);

    cubatro::fuzz::SetStage(kReadBack);
    CGlmModel again;
    again.glmReadOBJ(written);
    cubatro::fuzz::CheckModel(again);
    Compare(model, again, nMode);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    cubatro::fuzz::InitializeTarget();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (std::memchr(pData, 0, nSize)) return -1;
    const std::string path = cubatro::fuzz::WriteObjInput(pData, nSize);
    if (path.empty()) return -1;
    const SPlan plan = MakePlan(Hash(pData, nSize));
    const cubatro::fuzz::SChildResult result = cubatro::fuzz::RunInChild([&] { RoundTrip(path, plan); });
    if (result.end == cubatro::fuzz::EChildEnd::exited && result.nStage != kRead)
        cubatro::fuzz::Finding("round trip: the process ended at stage " + std::to_string(result.nStage) +
                               " (2 processing, 3 writing, 4 reading back)");
    return 0;
}

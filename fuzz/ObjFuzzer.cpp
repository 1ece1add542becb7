// ObjFuzzer: the OBJ reader with its MTL library on arbitrary text, and the writer on what it read.
//
// THE INPUT
//   The input is split at the first "\n@@\n": what comes before is written as model.obj, what
//   comes after as its library, named as on the model's first "mtllib" line when that is a plain
//   file name ending in ".mtl", else lib.mtl (the previous input's library is removed first, so
//   every input is read alone). Inputs holding ".." are skipped: a library name could then
//   reach any file of the machine (a device that never ends, for one).
//
// THE CHECKS
//   The model is read in a child process, as the reader ends the process by design on a file it
//   refuses. A model read must have what the reader promises: arrays of their exact sizes,
//   corner numbers within their arrays, groups that share out every triangle exactly once,
//   materials within the library and the group "default". Unless the input holds a NUL byte
//   (the writer's names end there) the model is then processed as the input's size chooses,
//   written and read back, and nothing may end the process any more: the model read back must
//   pass the same checks and have the counts written.
#include "FuzzSupport.h"

#include "model/GlmModel.h"  // CGlmModel, the reader, processing and writer under test

#include <cstddef>  // size_t for sizes
#include <cstdint>  // uint8_t input bytes
#include <cstdio>   // std::remove for the previous library
#include <cstring>  // std::memchr for NUL bytes
#include <string>   // std::string for paths and names
#include <vector>   // std::vector for the triangle tally

using cubatro::fuzz::Finding;

namespace
{

std::string LibraryName(std::string_view model)
{
    const std::string text = "\n" + std::string(model);
    const size_t nLine = text.find("\nmtllib ");
    const size_t nBegin = nLine == std::string::npos ? nLine : text.find_first_not_of(' ', nLine + 8);
    if (nBegin == std::string::npos) return "lib.mtl";
    const size_t nEnd = text.find_first_not_of(
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-.", nBegin);
    const std::string name = text.substr(nBegin, nEnd - nBegin);
    return name.size() < 64 && name.ends_with(".mtl") ? name : "lib.mtl";
}

// Whether an array of nPer floats per element, numbered from 1, holds exactly nCount elements
// (and is empty when there are none).
bool Holds(const std::vector<float>& array, uint32_t nCount, size_t nPer)
{
    return array.size() == (nCount == 0 ? 0 : (size_t(nCount) + 1) * nPer);
}

// Whether a corner number is "none" (when allowed) or lies within 1..nCount.
bool InRange(uint32_t nNumber, uint32_t nCount, bool bNoneAllowed)
{
    return nNumber == 0 ? bNoneAllowed : nNumber <= nCount;
}

void CheckModel(const CGlmModel& model)
{
    if (model.vertices.size() != (size_t(model.numvertices) + 1) * 3 || !Holds(model.normals, model.numnormals, 3) ||
        !Holds(model.texcoords, model.numtexcoords, 2) || !Holds(model.facetnorms, model.numfacetnorms, 3) ||
        model.triangles.size() != model.numtriangles || model.materials.size() != model.nummaterials)
        Finding("OBJ: an array does not hold the elements its count gives");
    for (const GlmTriangle& t : model.triangles)
        for (int c = 0; c < 3; ++c)
            if (!InRange(t.vindices[c], model.numvertices, false) || !InRange(t.nindices[c], model.numnormals, true) ||
                !InRange(t.tindices[c], model.numtexcoords, true) || !InRange(t.findex, model.numfacetnorms, true))
                Finding("OBJ: a corner number lies outside its array");

    std::vector<uint8_t> vSeen(model.numtriangles, 0);
    uint32_t nGroups = 0;
    bool bDefault = false;
    for (const GlmGroup* pGroup = model.groups.get(); pGroup; pGroup = pGroup->next.get(), ++nGroups)
    {
        bDefault = bDefault || pGroup->name == "default";
        if (pGroup->numtriangles != pGroup->triangles.size() ||
            (pGroup->material != 0 && pGroup->material >= model.nummaterials))
            Finding("OBJ: a group's triangle count or material is wrong");
        for (uint32_t nTriangle : pGroup->triangles)
            if (nTriangle >= model.numtriangles || vSeen[nTriangle]++)
                Finding("OBJ: a group names a triangle that does not exist or belongs to another group");
    }
    if (nGroups != model.numgroups || !bDefault) Finding("OBJ: numgroups is wrong or the group \"default\" is missing");
    for (uint8_t n : vSeen)
        if (n == 0) Finding("OBJ: a triangle belongs to no group");
}

// Processes the model as nChoice says, writes it with one of two modes and reads it back.
void WriteAndReadBack(CGlmModel& model, size_t nChoice)
{
    if (nChoice & 1) model.glmWeld((nChoice & 2) ? 0.01f : 0.0f);
    if (nChoice & 4) model.glmFlipWinding();
    if (model.numtriangles > 0)
    {
        model.glmFacetNormals();
        model.glmVertexNormals(float(nChoice % 7 * 30));
    }
    if (nChoice & 8)
        model.glmPlanarTexCoords();
    else if (!model.normals.empty())
        model.glmSphereMapTexCoords();

    const bool bFlat = (nChoice & 16) != 0;
    const std::string path = cubatro::fuzz::ScratchDir() + "/again.obj";
    model.glmWriteOBJ(path, bFlat ? GLM_MODE_FLAT : GLM_MODE_SMOOTH | GLM_MODE_TEXTURE);
    CGlmModel again;
    again.glmReadOBJ(path);
    CheckModel(again);
    if (again.numvertices != model.numvertices || again.numtriangles != model.numtriangles ||
        again.numgroups != model.numgroups)
        Finding("OBJ: the model read back has other vertex, triangle or group counts");
    if (again.numnormals != (bFlat ? model.numfacetnorms : model.numnormals) ||
        again.numtexcoords != (bFlat ? 0 : model.numtexcoords))
        Finding("OBJ: the model read back has other normal or texture coordinate counts");
    std::remove(path.c_str());  // a later input's library must not find it
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    static std::string s_strLastLibrary;
    const std::string_view input(reinterpret_cast<const char*>(pData), nSize);
    if (input.find("..") != std::string_view::npos) return -1;
    const size_t nMarker = input.find("\n@@\n");
    const std::string_view model = input.substr(0, nMarker);
    if (!s_strLastLibrary.empty()) std::remove(s_strLastLibrary.c_str());
    s_strLastLibrary = cubatro::fuzz::WriteScratchFile(
        LibraryName(model), nMarker == std::string_view::npos ? std::string_view() : input.substr(nMarker + 4));
    const std::string path = cubatro::fuzz::WriteScratchFile("model.obj", model);

    cubatro::fuzz::RunInChild(
        [&]
        {
            CGlmModel parsed;
            parsed.glmReadOBJ(path);
            CheckModel(parsed);
            cubatro::fuzz::ForbidExit();
            if (!std::memchr(pData, 0, nSize)) WriteAndReadBack(parsed, nSize);
        });
    return 0;
}

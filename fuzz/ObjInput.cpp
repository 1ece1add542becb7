// ObjInput: the model file and library of one fuzz input, and the checks of a model read.
#include "ObjInput.h"

#include "FuzzSupport.h"  // WriteScratchFile, Finding

#include <algorithm>  // std::min for line ends
#include <cstdio>     // std::remove for the previous library
#include <vector>     // std::vector for the triangle tally

namespace cubatro::fuzz
{
namespace
{

// Whether an array holding nPer floats per element from element 1 holds nCount elements.
bool Holds(const std::vector<float>& array, uint32_t nCount, size_t nPer)
{
    return nCount == 0 || array.size() >= (size_t(nCount) + 1) * nPer;
}

// Whether a corner number is "none" (when allowed) or lies within 1..nCount.
bool InRange(uint32_t nNumber, uint32_t nCount, bool bNoneAllowed)
{
    return nNumber == 0 ? bNoneAllowed : nNumber <= nCount;
}

}  // namespace

std::string LibraryName(std::string_view model)
{
    for (size_t nLine = 0; nLine < model.size();)
    {
        const size_t nEnd = std::min(model.find('\n', nLine), model.size());
        const std::string_view line = model.substr(nLine, nEnd - nLine);
        nLine = nEnd + 1;
        if (line.substr(0, 7) != "mtllib ") continue;
        const std::string_view rest = line.substr(7);
        const size_t nFirst = rest.find_first_not_of(" \t");
        if (nFirst == std::string_view::npos) break;
        const std::string_view name = rest.substr(nFirst, rest.find_first_of(" \t\r", nFirst) - nFirst);
        bool bPlain = !name.empty() && name.size() < 64;
        std::string lower;
        for (char c : name)
        {
            bPlain = bPlain && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                                c == '_' || c == '-' || c == '.');
            lower += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
        if (bPlain && lower != "model.obj" && lower != "." && lower != "out") return std::string(name);
        break;
    }
    return "lib.mtl";
}

std::string WriteObjInput(const uint8_t* pData, size_t nSize)
{
    static std::string s_strLastLibrary;  // the library file of the previous input, removed
    const std::string_view input(reinterpret_cast<const char*>(pData), nSize);
    if (input.find("..") != std::string_view::npos) return "";
    const size_t nMarker = input.find(kLibraryMarker);
    const std::string_view model = input.substr(0, nMarker);
    const std::string_view library = nMarker == std::string_view::npos
                                         ? std::string_view()
                                         : input.substr(nMarker + kLibraryMarker.size());
    if (!s_strLastLibrary.empty()) std::remove(s_strLastLibrary.c_str());
    s_strLastLibrary = WriteScratchFile(LibraryName(model), library);
    return WriteScratchFile("model.obj", model);
}

void CheckModel(const CGlmModel& model)
{
    if (model.vertices.size() != (size_t(model.numvertices) + 1) * 3)
        Finding("OBJ: the vertex array does not hold numvertices + 1 vertices");
    if (!Holds(model.normals, model.numnormals, 3) || !Holds(model.texcoords, model.numtexcoords, 2) ||
        !Holds(model.facetnorms, model.numfacetnorms, 3))
        Finding("OBJ: an array is shorter than its count");
    if (model.triangles.size() != model.numtriangles) Finding("OBJ: triangles.size() != numtriangles");
    if (model.materials.size() != model.nummaterials) Finding("OBJ: materials.size() != nummaterials");

    for (const GlmTriangle& t : model.triangles)
    {
        for (int c = 0; c < 3; ++c)
            if (!InRange(t.vindices[c], model.numvertices, false) ||
                !InRange(t.nindices[c], model.numnormals, true) ||
                !InRange(t.tindices[c], model.numtexcoords, true))
                Finding("OBJ: a corner number lies outside its array");
        if (!InRange(t.findex, model.numfacetnorms, true)) Finding("OBJ: a facet-normal number lies outside");
    }

    std::vector<uint8_t> vSeen(model.numtriangles, 0);
    uint32_t nGroups = 0;
    bool bDefault = false;
    for (const GlmGroup* pGroup = model.groups.get(); pGroup; pGroup = pGroup->next.get())
    {
        ++nGroups;
        bDefault = bDefault || pGroup->name == "default";
        if (pGroup->numtriangles != pGroup->triangles.size())
            Finding("OBJ: a group's triangle count differs from its index array");
        if (pGroup->material != 0 && pGroup->material >= model.nummaterials)
            Finding("OBJ: a group's material lies outside the library");
        for (uint32_t nTriangle : pGroup->triangles)
        {
            if (nTriangle >= model.numtriangles) Finding("OBJ: a group names a triangle that does not exist");
            if (vSeen[nTriangle]++) Finding("OBJ: a triangle belongs to two groups");
        }
    }
    if (nGroups != model.numgroups) Finding("OBJ: the group list does not hold numgroups groups");
    if (!bDefault) Finding("OBJ: the group \"default\" is missing");
    for (uint8_t n : vSeen)
        if (n == 0) Finding("OBJ: a triangle belongs to no group");
}

}  // namespace cubatro::fuzz

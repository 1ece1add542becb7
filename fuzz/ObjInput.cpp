// ObjInput: the model file and library of one fuzz input, and the checks of a model read.
#include "ObjInput.h"

#include "FuzzSupport.h"  // WriteScratchFile, Finding

#include <vector>  // std::vector for the triangle tally

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

std::string WriteObjInput(const uint8_t* pData, size_t nSize)
{
    const std::string_view input(reinterpret_cast<const char*>(pData), nSize);
    if (input.find("..") != std::string_view::npos) return "";
    const size_t nMarker = input.find(kLibraryMarker);
    const std::string_view model = input.substr(0, nMarker);
    const std::string_view library = nMarker == std::string_view::npos
                                         ? std::string_view()
                                         : input.substr(nMarker + kLibraryMarker.size());
    WriteScratchFile("lib.mtl", library);
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

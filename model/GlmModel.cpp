// GlmModel: construction and destruction of the model, group and material lookup, and the
// directory part of a path.
#include "model/GlmModel.h"

#include <cstdio>  // printf for the failed material lookup

GlmGroup::~GlmGroup()
{
    // Unlink the rest of the list one group at a time, so that a file with very many groups
    // does not release them through one recursive call per group.
    std::unique_ptr<GlmGroup> pRest = std::move(next);
    while (pRest)
        pRest = std::move(pRest->next);
}

CGlmModel::CGlmModel() = default;

CGlmModel::~CGlmModel() = default;

std::uint32_t CGlmModel::_glmFindMaterial(std::string_view name)
{
    for (std::uint32_t i = 0; i < nummaterials && i < materials.size(); i++)
        if (materials[i].name == name) return i;
    std::printf("_glmFindMaterial():  can't find material \"%.*s\".\n", static_cast<int>(name.size()),
                name.data());
    return 0;
}

GlmGroup* CGlmModel::_glmFindGroup(std::string_view name)
{
    for (GlmGroup* pGroup = groups.get(); pGroup; pGroup = pGroup->next.get())
        if (pGroup->name == name) return pGroup;
    return nullptr;
}

GlmGroup* CGlmModel::_glmAddGroup(std::string_view name)
{
    if (GlmGroup* pFound = _glmFindGroup(name)) return pFound;
    auto pGroup = std::make_unique<GlmGroup>();
    pGroup->name = name;
    pGroup->next = std::move(groups);
    groups = std::move(pGroup);
    numgroups++;
    return groups.get();
}

std::string CGlmModel::_glmDirectoryOf(std::string_view path)
{
    const std::size_t nSlash = path.rfind('/');
    if (nSlash == std::string_view::npos) return std::string();
    return std::string(path.substr(0, nSlash + 1));
}

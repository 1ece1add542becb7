// KeyModel: the key's geometry and the record it is written from.
#include "tools/artgen/KeyModel.h"

#include <cmath>  // std::cos, std::sin

namespace
{
constexpr double kPi = 3.141592653589793;

constexpr double kRingZ = 0.55;       // centre of the bow
constexpr double kRingRadius = 0.28;  // major radius of the bow
constexpr double kRingTube = 0.07;    // thickness radius of the bow
constexpr int kRingSegments = 40;     // around the bow
constexpr int kTubeSegments = 12;     // around the bow's tube
constexpr double kShaftRadius = 0.055;
constexpr double kShaftStart = kRingZ - kRingRadius + 0.02;  // inside the bow
constexpr double kShaftEnd = -0.75;                          // the tip
constexpr int kShaftSegments = 20;
}  // namespace

CKeyModel::CKeyModel()
{
    m_vVertices = {0.0f, 0.0f, 0.0f};
    std::vector<SPart> vParts(3);
    vParts[0].name = "anneau";
    vParts[1].name = "tige";
    vParts[2].name = "panneton";
    AddRing(vParts[0]);
    AddCylinder(vParts[1], 0.085, kShaftStart - 0.02, kShaftStart - 0.09);  // collar
    AddCylinder(vParts[1], kShaftRadius, kShaftStart, kShaftEnd);
    AddBit(vParts[2]);
    Finish(vParts);
}

uint32_t CKeyModel::AddVertex(double x, double y, double z)
{
    m_vVertices.push_back(static_cast<float>(x));
    m_vVertices.push_back(static_cast<float>(y));
    m_vVertices.push_back(static_cast<float>(z));
    return static_cast<uint32_t>(m_vVertices.size() / 3 - 1);
}

void CKeyModel::AddTriangle(SPart& part, uint32_t a, uint32_t b, uint32_t c, const double* pHint)
{
    const float* pa = &m_vVertices[3 * a];
    const float* pb = &m_vVertices[3 * b];
    const float* pc = &m_vVertices[3 * c];
    const double u[3] = {pb[0] - pa[0], pb[1] - pa[1], pb[2] - pa[2]};
    const double v[3] = {pc[0] - pa[0], pc[1] - pa[1], pc[2] - pa[2]};
    const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    GlmTriangle t;
    const bool bTurn = n[0] * pHint[0] + n[1] * pHint[1] + n[2] * pHint[2] < 0.0;
    t.vindices[0] = a;
    t.vindices[1] = bTurn ? c : b;
    t.vindices[2] = bTurn ? b : c;
    part.vTriangles.push_back(t);
}

void CKeyModel::AddQuad(SPart& part, uint32_t a, uint32_t b, uint32_t c, uint32_t d, const double* pHint)
{
    AddTriangle(part, a, b, c, pHint);
    AddTriangle(part, a, c, d, pHint);
}

void CKeyModel::AddRing(SPart& part)
{
    std::vector<uint32_t> vGrid;
    for (int i = 0; i < kRingSegments; i++)
        for (int j = 0; j < kTubeSegments; j++)
        {
            const double t = 2.0 * kPi * i / kRingSegments;
            const double p = 2.0 * kPi * j / kTubeSegments;
            const double r = kRingRadius + kRingTube * std::cos(p);
            vGrid.push_back(AddVertex(r * std::cos(t), kRingTube * std::sin(p), kRingZ + r * std::sin(t)));
        }
    const auto at = [&](int i, int j)
    { return vGrid[(i % kRingSegments) * kTubeSegments + j % kTubeSegments]; };
    for (int i = 0; i < kRingSegments; i++)
        for (int j = 0; j < kTubeSegments; j++)
        {
            const double t = 2.0 * kPi * (i + 0.5) / kRingSegments;
            const double p = 2.0 * kPi * (j + 0.5) / kTubeSegments;
            const double hint[3] = {std::cos(p) * std::cos(t), std::sin(p), std::cos(p) * std::sin(t)};
            AddQuad(part, at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1), hint);
        }
}

void CKeyModel::AddCylinder(SPart& part, double dRadius, double z0, double z1)
{
    std::vector<uint32_t> vNear, vFar;
    for (int i = 0; i < kShaftSegments; i++)
    {
        const double a = 2.0 * kPi * i / kShaftSegments;
        vNear.push_back(AddVertex(dRadius * std::cos(a), dRadius * std::sin(a), z0));
        vFar.push_back(AddVertex(dRadius * std::cos(a), dRadius * std::sin(a), z1));
    }
    const uint32_t nNearCentre = AddVertex(0.0, 0.0, z0);
    const uint32_t nFarCentre = AddVertex(0.0, 0.0, z1);
    const double dSign = z0 > z1 ? 1.0 : -1.0;
    const double nearHint[3] = {0.0, 0.0, dSign};
    const double farHint[3] = {0.0, 0.0, -dSign};
    for (int i = 0; i < kShaftSegments; i++)
    {
        const int k = (i + 1) % kShaftSegments;
        const double a = 2.0 * kPi * (i + 0.5) / kShaftSegments;
        const double hint[3] = {std::cos(a), std::sin(a), 0.0};
        AddQuad(part, vNear[i], vFar[i], vFar[k], vNear[k], hint);
        AddTriangle(part, nNearCentre, vNear[i], vNear[k], nearHint);
        AddTriangle(part, nFarCentre, vFar[i], vFar[k], farHint);
    }
}

void CKeyModel::AddBox(SPart& part, double x0, double x1, double y0, double y1, double z0, double z1)
{
    uint32_t v[8];
    for (int i = 0; i < 8; i++)
        v[i] = AddVertex(i & 1 ? x1 : x0, i & 2 ? y1 : y0, i & 4 ? z1 : z0);
    const double px[3] = {1, 0, 0}, nx[3] = {-1, 0, 0}, py[3] = {0, 1, 0}, ny[3] = {0, -1, 0};
    const double pz[3] = {0, 0, 1}, nz[3] = {0, 0, -1};
    AddQuad(part, v[1], v[3], v[7], v[5], px);
    AddQuad(part, v[0], v[4], v[6], v[2], nx);
    AddQuad(part, v[2], v[6], v[7], v[3], py);
    AddQuad(part, v[0], v[1], v[5], v[4], ny);
    AddQuad(part, v[4], v[5], v[7], v[6], pz);
    AddQuad(part, v[0], v[2], v[3], v[1], nz);
}

void CKeyModel::AddBit(SPart& part)
{
    const double dHalf = 0.035;  // half the bit's thickness
    const double z0 = -0.72, z1 = -0.40;
    AddBox(part, 0.03, 0.17, -dHalf, dHalf, z0, z1);  // the blade along the shaft
    // Teeth: five slices across the blade, each standing out its own length.
    const double vLength[5] = {0.12, 0.05, 0.10, 0.03, 0.09};
    const double dSlice = (z1 - z0) / 5.0;
    for (int i = 0; i < 5; i++)
        AddBox(part, 0.17, 0.17 + vLength[i], -dHalf, dHalf, z0 + dSlice * i, z0 + dSlice * (i + 1));
}

void CKeyModel::Finish(std::vector<SPart>& vParts)
{
    m_Model.pathname = "cle.obj";
    m_Model.mtllibname = "cle.mtl";
    m_Model.numvertices = static_cast<uint32_t>(m_vVertices.size() / 3 - 1);
    m_Model.vertices = m_vVertices;

    GlmMaterial defaultMaterial;
    defaultMaterial.name = "default";
    GlmMaterial brass;
    brass.name = "laiton";
    const float diffuse[4] = {0.80f, 0.62f, 0.22f, 1.0f};
    const float ambient[4] = {0.30f, 0.24f, 0.08f, 1.0f};
    const float specular[4] = {0.95f, 0.85f, 0.55f, 1.0f};
    for (int i = 0; i < 4; i++)
    {
        brass.diffuse[i] = diffuse[i];
        brass.ambient[i] = ambient[i];
        brass.specular[i] = specular[i];
    }
    brass.shininess = 64.0f;
    m_Model.materials = {defaultMaterial, brass};
    m_Model.nummaterials = 2;

    // The group list keeps the newest group first: link the parts in reverse.
    for (const SPart& part : vParts)
    {
        auto pGroup = std::make_unique<GlmGroup>();
        pGroup->name = part.name;
        pGroup->material = 1;
        for (const GlmTriangle& t : part.vTriangles)
        {
            pGroup->triangles.push_back(static_cast<uint32_t>(m_Model.triangles.size()));
            m_Model.triangles.push_back(t);
        }
        pGroup->numtriangles = static_cast<uint32_t>(pGroup->triangles.size());
        pGroup->next = std::move(m_Model.groups);
        m_Model.groups = std::move(pGroup);
    }
    m_Model.numtriangles = static_cast<uint32_t>(m_Model.triangles.size());
    m_Model.numgroups = static_cast<uint32_t>(vParts.size());
}

void CKeyModel::Save(const std::string& strObjPath)
{
    m_Model.glmWriteOBJ(strObjPath, GLM_MODE_MATERIAL);
}

// GlmProcess: operations that reshape a loaded model or derive data from it: fitting to a size,
// measuring, scaling, reversing the winding, facet and vertex normals, planar and sphere-map
// texture coordinates, and welding vertices that lie within epsilon of one another.
//
// Every operation works in place and replaces whole arrays. Corner numbers that a hand-made
// record puts beyond its arrays are never followed: such a corner reads a zero vector and is
// left out of the per-vertex lists and of the weld.
#include "model/GlmModel.h"

#include "platform/Diagnostics.h"  // plat::Trace for the vertex without a triangle

#include <algorithm>  // std::clamp for the arguments of asin and acos
#include <bit>        // std::bit_cast for the cells of far coordinates
#include <cassert>    // preconditions
#include <cmath>      // sqrt, cos, acos, asin, floor, fabs, isfinite
#include <cstdint>    // std::uint32_t, std::int64_t for cell keys
#include <cstdio>     // printf for counts
#include <limits>     // numeric limits for the empty-cell mark
#include <utility>    // std::swap for the winding

// The expression text of a failed precondition names the missing array, as in this->vertices.
#define GLM_ASSERT_PRESENT(array) assert(!(array).empty() && #array)

namespace
{

const float g_fZero[3] = {0.0f, 0.0f, 0.0f};  // read in place of an element beyond its array

// Element i (of `n` floats) of a numbered array, or a zero vector when the array does not reach it.
const float* Element(const std::vector<float>& a, std::uint32_t i, std::size_t n)
{
    const std::size_t nFirst = static_cast<std::size_t>(i) * n;
    return nFirst + n <= a.size() ? a.data() + nFirst : g_fZero;
}

// How many elements of `n` floats numbered from 1 an array really holds, at most `count`.
std::uint32_t Held(const std::vector<float>& a, std::uint32_t count, std::size_t n)
{
    const std::size_t nHeld = a.size() / n;
    return nHeld == 0 ? 0 : static_cast<std::uint32_t>(std::min<std::size_t>(count, nHeld - 1));
}

// Per-axis minimum and maximum of vertices 1 to numvertices; all 0 for a model without vertices.
struct SBounds
{
    float fMin[3] = {0.0f, 0.0f, 0.0f};
    float fMax[3] = {0.0f, 0.0f, 0.0f};

    // The extent |max| + |min| of each axis.
    float Extent(int nAxis) const
    {
        return CGlmModel::_glmAbsolute(fMax[nAxis]) + CGlmModel::_glmAbsolute(fMin[nAxis]);
    }
};

SBounds Bounds(const std::vector<float>& vertices, std::uint32_t nVertices)
{
    SBounds b;
    const std::uint32_t nHeld = Held(vertices, nVertices, 3);
    if (nHeld == 0) return b;
    for (int k = 0; k < 3; k++)
        b.fMin[k] = b.fMax[k] = vertices[3 + k];
    for (std::uint32_t i = 1; i <= nHeld; i++)
        for (int k = 0; k < 3; k++)
        {
            const float f = vertices[3 * static_cast<std::size_t>(i) + k];
            if (b.fMax[k] < f) b.fMax[k] = f;
            if (b.fMin[k] > f) b.fMin[k] = f;
        }
    return b;
}

// Copies each corner's vertex (or normal) number into its texture-coordinate number, for the
// triangles of every group.
void CopyIndicesToTexture(CGlmModel& model, bool bFromNormals)
{
    for (GlmGroup* pGroup = model.groups.get(); pGroup; pGroup = pGroup->next.get())
        for (std::uint32_t j = 0; j < pGroup->numtriangles && j < pGroup->triangles.size(); j++)
        {
            const std::uint32_t t = pGroup->triangles[j];
            if (t >= model.triangles.size()) continue;
            GlmTriangle& tri = model.triangles[t];
            for (int c = 0; c < 3; c++)
                tri.tindices[c] = bFromNormals ? tri.nindices[c] : tri.vindices[c];
        }
}

// --- the grid of the weld ---------------------------------------------------------------------
//
// Space is cut into cubic cells of side 4 epsilon. Two vectors within epsilon of each other lie
// less than a quarter of a cell apart on each axis, so the cell of a match is the vector's own
// cell or, on an axis where the vector lies within a quarter cell of a wall, the neighbour
// beyond that wall. Every cell lists the distinct vectors that fell in it, in the order they were
// kept, so the earliest match of a cell is the first that passes the test, and the earliest
// overall is the smallest of those.

constexpr double g_dCellsPerEpsilon = 4.0;  // cell side in epsilons
// Beyond this many cells from the origin, neighbouring floats on an axis lie more than epsilon
// apart: only equal coordinates match, and the coordinate's own bits serve as its cell.
constexpr double g_dFarCell = 1099511627776.0;  // 2^40
// A wall nearer than a quarter cell plus this margin is searched; the margin covers the rounding
// of the cell coordinate (below 2^-13 of a cell for near cells).
constexpr double g_dWallMargin = 1.0 / 32.0;

struct SAxisCells
{
    std::int64_t nCell = 0;  // the cell on this axis
    int nLow = 0;            // -1 when the lower neighbour is searched
    int nHigh = 0;           // +1 when the upper neighbour is searched
};

SAxisCells AxisCells(float f, double dCell)
{
    SAxisCells a;
    const double q = static_cast<double>(f) / dCell;
    if (std::fabs(q) < g_dFarCell)
    {
        const double dFloor = std::floor(q);
        const double dFraction = q - dFloor;
        a.nCell = static_cast<std::int64_t>(dFloor);
        a.nLow = dFraction < 0.25 + g_dWallMargin ? -1 : 0;
        a.nHigh = dFraction > 0.75 - g_dWallMargin ? 1 : 0;
    }
    else
    {
        // Far cells: the float's bits, moved clear of every near cell (near cells stay below 2^41).
        a.nCell = (std::int64_t{1} << 42) + static_cast<std::int64_t>(std::bit_cast<std::uint32_t>(f));
    }
    return a;
}

// Open-addressing table from a cell to its first and last kept vector (numbered from 1). A cell
// is known by a 64-bit hash of its three numbers: two cells that share a hash share one list,
// which costs a few extra comparisons and never a match, since every candidate is tested.
class CCellTable
{
public:
    explicit CCellTable(std::size_t nExpected)
    {
        std::size_t nSlots = 1024;
        while (nSlots < nExpected * 2 && nSlots < (std::size_t{1} << 40))
            nSlots *= 2;
        m_vSlots.resize(nSlots);
    }

    static std::uint64_t Key(std::int64_t x, std::int64_t y, std::int64_t z)
    {
        std::uint64_t h = static_cast<std::uint64_t>(x) * 0x9E3779B97F4A7C15ull;
        h = (h ^ (h >> 32)) + static_cast<std::uint64_t>(y) * 0xC2B2AE3D27D4EB4Full;
        h = (h ^ (h >> 29)) + static_cast<std::uint64_t>(z) * 0x165667B19E3779F9ull;
        return h ^ (h >> 32);
    }

    // The first kept vector of a cell, or 0 when the cell is empty.
    std::uint32_t First(std::uint64_t key) const { return m_vSlots[Find(key)].nFirst; }

    // Appends kept vector `n` to its cell; vNext links the vectors of a cell.
    void Append(std::uint64_t key, std::uint32_t n, std::vector<std::uint32_t>& vNext)
    {
        SSlot* pSlot = &m_vSlots[Find(key)];
        if (pSlot->nFirst == 0)
        {
            if ((m_nUsed + 1) * 2 > m_vSlots.size())
            {
                Grow();
                pSlot = &m_vSlots[Find(key)];
            }
            *pSlot = SSlot{key, n, n};
            m_nUsed++;
        }
        else
        {
            vNext[pSlot->nLast] = n;
            pSlot->nLast = n;
        }
    }

private:
    struct SSlot
    {
        std::uint64_t key = 0;     // hash of the cell
        std::uint32_t nFirst = 0;  // its first kept vector; 0 marks an empty slot
        std::uint32_t nLast = 0;   // its last kept vector
    };

    // The slot that holds the cell, or the empty slot where it would go.
    std::size_t Find(std::uint64_t key) const
    {
        const std::size_t nMask = m_vSlots.size() - 1;
        for (std::size_t i = static_cast<std::size_t>(key) & nMask;; i = (i + 1) & nMask)
            if (m_vSlots[i].nFirst == 0 || m_vSlots[i].key == key) return i;
    }

    void Grow()
    {
        std::vector<SSlot> vOld(m_vSlots.size() * 2);
        vOld.swap(m_vSlots);
        for (const SSlot& s : vOld)
            if (s.nFirst != 0) m_vSlots[Find(s.key)] = s;
    }

    std::vector<SSlot> m_vSlots;  // owned slots, a power of two of them
    std::size_t m_nUsed = 0;      // slots in use
};

}  // namespace

// --- vector helpers -----------------------------------------------------------------------------

float CGlmModel::_glmDotProduct(const float* u, const float* v)
{
    assert(u && v);
    return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
}

void CGlmModel::_glmCrossProduct(const float* u, const float* v, float* n)
{
    assert(u && v && n);
    n[0] = u[1] * v[2] - u[2] * v[1];
    n[1] = u[2] * v[0] - u[0] * v[2];
    n[2] = u[0] * v[1] - u[1] * v[0];
}

void CGlmModel::_glmNormalizeVector(float* v)
{
    assert(v);
    const float l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    // A vector of length 0 has no direction and stays (0, 0, 0) rather than becoming NaN.
    if (!(l > 0.0f)) return;
    v[0] /= l;
    v[1] /= l;
    v[2] /= l;
}

float CGlmModel::_glmAbsolute(float f)
{
    return f < 0.0f ? -f : f;
}

float CGlmModel::_glmLarger(float a, float b)
{
    return a > b ? a : b;
}

bool CGlmModel::_glmWithinEpsilon(const float* u, const float* v, float epsilon)
{
    assert(u && v);
    return std::fabs(u[0] - v[0]) < epsilon && std::fabs(u[1] - v[1]) < epsilon &&
           std::fabs(u[2] - v[2]) < epsilon;
}

// --- size ---------------------------------------------------------------------------------------

float CGlmModel::glmFitToSize(float size)
{
    GLM_ASSERT_PRESENT(this->vertices);
    const SBounds b = Bounds(vertices, numvertices);
    const float w = b.Extent(0), h = b.Extent(1), d = b.Extent(2);
    const float c[3] = {(b.fMax[0] + b.fMin[0]) / 2.0f, (b.fMax[1] + b.fMin[1]) / 2.0f,
                        (b.fMax[2] + b.fMin[2]) / 2.0f};
    const float scale = size / _glmLarger(_glmLarger(w, h), d);
    // A model with no extent (every vertex at the origin) has no size to fit: it stays as it is.
    if (!std::isfinite(scale)) return 1.0f;

    const std::uint32_t nHeld = Held(vertices, numvertices, 3);
    for (std::uint32_t i = 1; i <= nHeld; i++)
        for (int k = 0; k < 3; k++)
        {
            float& f = vertices[3 * static_cast<std::size_t>(i) + k];
            f = (f - c[k]) * scale;
        }
    return scale;
}

void CGlmModel::glmDimensions(float* dimensions)
{
    GLM_ASSERT_PRESENT(this->vertices);
    assert(dimensions);
    if (!dimensions) return;
    const SBounds b = Bounds(vertices, numvertices);
    for (int k = 0; k < 3; k++)
        dimensions[k] = b.Extent(k);
}

void CGlmModel::glmScaleVertices(float scale)
{
    const std::uint32_t nHeld = Held(vertices, numvertices, 3);
    for (std::size_t i = 3; i < 3 * (static_cast<std::size_t>(nHeld) + 1); i++)
        vertices[i] *= scale;
}

// --- winding and normals ------------------------------------------------------------------------

void CGlmModel::glmFlipWinding()
{
    for (std::uint32_t t = 0; t < numtriangles && t < triangles.size(); t++)
    {
        GlmTriangle& tri = triangles[t];
        std::swap(tri.vindices[0], tri.vindices[2]);
        if (numnormals != 0) std::swap(tri.nindices[0], tri.nindices[2]);
        if (numtexcoords != 0) std::swap(tri.tindices[0], tri.tindices[2]);
    }
    const std::uint32_t nFacets = Held(facetnorms, numfacetnorms, 3);
    for (std::size_t i = 3; i < 3 * (static_cast<std::size_t>(nFacets) + 1); i++)
        facetnorms[i] = -facetnorms[i];
    const std::uint32_t nNormals = Held(normals, numnormals, 3);
    for (std::size_t i = 3; i < 3 * (static_cast<std::size_t>(nNormals) + 1); i++)
        normals[i] = -normals[i];
}

void CGlmModel::glmFacetNormals()
{
    GLM_ASSERT_PRESENT(this->vertices);
    if (vertices.empty()) return;
    const std::uint32_t nTriangles =
        static_cast<std::uint32_t>(std::min<std::size_t>(numtriangles, triangles.size()));
    numfacetnorms = nTriangles;
    facetnorms.assign(3 * (static_cast<std::size_t>(nTriangles) + 1), 0.0f);

    const std::uint32_t nHeld = Held(vertices, numvertices, 3);
    auto corner = [&](std::uint32_t v)
    { return v <= nHeld ? &vertices[3 * static_cast<std::size_t>(v)] : g_fZero; };
    for (std::uint32_t i = 0; i < nTriangles; i++)
    {
        GlmTriangle& tri = triangles[i];
        tri.findex = i + 1;
        const float* p0 = corner(tri.vindices[0]);
        const float* p1 = corner(tri.vindices[1]);
        const float* p2 = corner(tri.vindices[2]);
        const float u[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
        const float v[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
        float* n = &facetnorms[3 * (static_cast<std::size_t>(i) + 1)];
        _glmCrossProduct(u, v, n);
        _glmNormalizeVector(n);
    }
}

void CGlmModel::glmVertexNormals(float angle)
{
    GLM_ASSERT_PRESENT(this->facetnorms);
    if (facetnorms.empty()) return;
    const float cos_angle = static_cast<float>(std::cos(static_cast<double>(angle) * 3.14159265 / 180.0));
    const std::uint32_t nTriangles =
        static_cast<std::uint32_t>(std::min<std::size_t>(numtriangles, triangles.size()));
    const std::uint32_t nVertices = numvertices;

    // Room for the most normals there can be: one per corner.
    const std::size_t nMost = 3 * static_cast<std::size_t>(nTriangles);
    normals.assign(3 * (nMost + 1), 0.0f);

    // One entry per corner, corner c of triangle t at 3t + c, so that an entry also tells its
    // corner; each vertex's list holds its triangles last-added first.
    std::vector<GlmCornerNode> vNodes(nMost);
    std::vector<GlmCornerNode*> vHeads(static_cast<std::size_t>(nVertices) + 1, nullptr);
    for (std::uint32_t t = 0; t < nTriangles; t++)
        for (int c = 0; c < 3; c++)
        {
            const std::uint32_t v = triangles[t].vindices[c];
            if (v == 0 || v > nVertices)
            {
                triangles[t].nindices[c] = 0;  // a corner beyond the vertices belongs to no list
                continue;
            }
            GlmCornerNode& node = vNodes[3 * static_cast<std::size_t>(t) + c];
            node.index = t;
            node.next = vHeads[v];
            vHeads[v] = &node;
        }

    auto facet = [&](std::uint32_t t) { return Element(facetnorms, triangles[t].findex, 3); };
    std::uint32_t nNext = 1;
    for (std::uint32_t i = 1; i <= nVertices; i++)
    {
        GlmCornerNode* pHead = vHeads[i];
        if (!pHead)
        {
            plat::Trace("glmVertexNormals(): vertex w/o a triangle\n");
            continue;
        }
        const float* pReference = facet(pHead->index);
        float sum[3] = {0.0f, 0.0f, 0.0f};
        bool bAveraged = false;
        for (GlmCornerNode* p = pHead; p; p = p->next)
        {
            const float* pFacet = facet(p->index);
            const float dot = _glmDotProduct(pFacet, pReference);
            p->averaged = dot > cos_angle;
            if (p->averaged)
            {
                bAveraged = true;
                for (int k = 0; k < 3; k++)
                    sum[k] += pFacet[k];
            }
        }
        std::uint32_t nAveraged = 0;
        if (bAveraged)
        {
            _glmNormalizeVector(sum);
            nAveraged = nNext++;
            for (int k = 0; k < 3; k++)
                normals[3 * static_cast<std::size_t>(nAveraged) + k] = sum[k];
        }
        for (GlmCornerNode* p = pHead; p; p = p->next)
        {
            // Each entry sets its own corner, so a triangle that names the vertex twice gets a
            // normal at both corners.
            const auto c = static_cast<int>((p - vNodes.data()) % 3);
            std::uint32_t& nIndex = triangles[p->index].nindices[c];
            if (p->averaged)
            {
                nIndex = nAveraged;
            }
            else
            {
                const float* pFacet = facet(p->index);
                for (int k = 0; k < 3; k++)
                    normals[3 * static_cast<std::size_t>(nNext) + k] = pFacet[k];
                nIndex = nNext++;
            }
        }
    }
    numnormals = nNext - 1;
    std::printf("glmVertexNormals(): %u normals generated\n", numnormals);
}

// --- texture coordinates ------------------------------------------------------------------------

void CGlmModel::glmPlanarTexCoords()
{
    const std::uint32_t nHeld = Held(vertices, numvertices, 3);
    numtexcoords = nHeld;
    texcoords.assign(2 * (static_cast<std::size_t>(nHeld) + 1), 0.0f);

    float dimensions[3] = {0.0f, 0.0f, 0.0f};
    if (!vertices.empty()) glmDimensions(dimensions);
    float scale = 2.0f / _glmAbsolute(_glmLarger(_glmLarger(dimensions[0], dimensions[1]), dimensions[2]));
    // Without extent every vertex is at the origin, which maps to the middle of the texture.
    if (!std::isfinite(scale)) scale = 1.0f;
    for (std::uint32_t i = 1; i <= nHeld; i++)
    {
        const float* p = &vertices[3 * static_cast<std::size_t>(i)];
        texcoords[2 * static_cast<std::size_t>(i)] = (p[0] * scale + 1.0f) / 2.0f;
        texcoords[2 * static_cast<std::size_t>(i) + 1] = (p[2] * scale + 1.0f) / 2.0f;
    }
    CopyIndicesToTexture(*this, false);
}

void CGlmModel::glmSphereMapTexCoords()
{
    GLM_ASSERT_PRESENT(this->normals);
    if (normals.empty()) return;
    const std::uint32_t nHeld = Held(normals, numnormals, 3);
    numtexcoords = nHeld;
    texcoords.assign(2 * (static_cast<std::size_t>(nHeld) + 1), 0.0f);

    constexpr float fPi = 3.1415927f;
    constexpr float fHalfPi = 1.5707964f;
    for (std::uint32_t i = 1; i <= nHeld; i++)
    {
        const float* n = &normals[3 * static_cast<std::size_t>(i)];
        // The poles of the mapping lie on the model's x axis.
        const float z = n[0], y = n[1], x = n[2];
        const float r = std::sqrt(x * x + y * y);
        const float rho = std::sqrt(r * r + z * z);
        float theta = 0.0f, phi = 0.0f;
        if (r != 0.0f)
        {
            // Rounding of tiny components can put the quotients a hair beyond 1.
            phi = z == 0.0f ? fHalfPi : std::acos(std::clamp(z / rho, -1.0f, 1.0f));
            theta = y == 0.0f ? fHalfPi : std::asin(std::clamp(y / r, -1.0f, 1.0f)) + fHalfPi;
        }
        texcoords[2 * static_cast<std::size_t>(i)] = theta / fPi;
        texcoords[2 * static_cast<std::size_t>(i) + 1] = phi / fPi;
    }
    CopyIndicesToTexture(*this, true);
}

// --- welding ------------------------------------------------------------------------------------

std::vector<float> CGlmModel::_glmUniqueVectors(std::vector<float>& vectors, std::uint32_t count,
                                                float epsilon, std::vector<std::uint32_t>& matches)
{
    const std::uint32_t nHeld = Held(vectors, count, 3);
    matches.assign(static_cast<std::size_t>(nHeld) + 1, 0);
    std::vector<float> vUnique(3);  // element 0, never read
    vUnique.reserve(3 * (static_cast<std::size_t>(nHeld) + 1));
    std::uint32_t nUnique = 0;

    auto keep = [&](const float* p)
    {
        vUnique.insert(vUnique.end(), p, p + 3);
        return ++nUnique;
    };

    // Nothing is within an epsilon that is not positive: every vector is distinct.
    if (!(epsilon > 0.0f))
    {
        for (std::uint32_t i = 1; i <= nHeld; i++)
            matches[i] = keep(&vectors[3 * static_cast<std::size_t>(i)]);
        return vUnique;
    }

    const double dCell = g_dCellsPerEpsilon * static_cast<double>(epsilon);
    CCellTable table(std::min<std::size_t>(nHeld, std::size_t{1} << 16));
    std::vector<std::uint32_t> vNext(static_cast<std::size_t>(nHeld) + 1, 0);  // next kept vector of a cell
    for (std::uint32_t i = 1; i <= nHeld; i++)
    {
        const float* p = &vectors[3 * static_cast<std::size_t>(i)];
        // A coordinate that is not finite is within epsilon of nothing, not even itself.
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]))
        {
            matches[i] = keep(p);
            continue;
        }
        const SAxisCells a[3] = {AxisCells(p[0], dCell), AxisCells(p[1], dCell), AxisCells(p[2], dCell)};
        std::uint32_t nBest = std::numeric_limits<std::uint32_t>::max();
        for (int dx = a[0].nLow; dx <= a[0].nHigh; dx++)
            for (int dy = a[1].nLow; dy <= a[1].nHigh; dy++)
                for (int dz = a[2].nLow; dz <= a[2].nHigh; dz++)
                    for (std::uint32_t k =
                             table.First(CCellTable::Key(a[0].nCell + dx, a[1].nCell + dy, a[2].nCell + dz));
                         k != 0 && k < nBest; k = vNext[k])
                        if (_glmWithinEpsilon(p, &vUnique[3 * static_cast<std::size_t>(k)], epsilon))
                        {
                            nBest = k;
                            break;
                        }
        if (nBest != std::numeric_limits<std::uint32_t>::max())
        {
            matches[i] = nBest;
            continue;
        }
        matches[i] = keep(p);
        table.Append(CCellTable::Key(a[0].nCell, a[1].nCell, a[2].nCell), matches[i], vNext);
    }
    return vUnique;
}

void CGlmModel::glmWeld(float epsilon)
{
    std::vector<std::uint32_t> vMatches;
    std::vector<float> vUnique = _glmUniqueVectors(vertices, numvertices, epsilon, vMatches);
    const auto nUnique = static_cast<std::uint32_t>(vUnique.size() / 3 - 1);
    const auto nOld = static_cast<std::uint32_t>(vMatches.size() - 1);
    std::printf("glmWeld(): %u redundant vertices.\n", nOld - nUnique);

    for (std::uint32_t t = 0; t < numtriangles && t < triangles.size(); t++)
        for (std::uint32_t& v : triangles[t].vindices)
            if (v != 0 && v < vMatches.size()) v = vMatches[v];
    if (vertices.empty()) return;  // nothing to weld: the model keeps its (absent) array
    numvertices = nUnique;
    vertices = std::move(vUnique);
}

// GlmRead: glmReadOBJ, the read on one thread, and the plan that turns the group and library
// lines of the counting pass into groups, a library and places in the arrays (GlmReadPasses.h
// tells how the pieces of the reader fit).
#include "model/GlmModel.h"
#include "model/GlmReadPasses.h"

#include "platform/Diagnostics.h"  // plat::Trace for the file failure

#include <algorithm>  // std::min, std::max
#include <cstdio>     // printf for the failed material lookup
#include <thread>     // hardware_concurrency
#include <vector>     // the arrays

#include <sys/mman.h>  // madvise: large pages

namespace glmread
{

namespace
{

// Allocates `array` at nSize elements, set to zero (the "none" of the corner numbers), or only
// reserves them (bReserve). A large array asks for large pages, as a fresh array of many
// megabytes is then faulted in a few hundred steps rather than in tens of thousands (only a
// hint): from the first to the last boundary of 2 MiB within it, for arrays of 4 MiB or more.
template <class T>
void AllocateArray(std::vector<T>& array, std::size_t nSize, const T& zero, bool bReserve = false)
{
    constexpr std::uintptr_t nLarge = std::uintptr_t(2) << 20;
    array.reserve(nSize);
    const auto nStart = reinterpret_cast<std::uintptr_t>(array.data());
    const std::uintptr_t nBegin = (nStart + nLarge - 1) & ~(nLarge - 1);
    const std::uintptr_t nEnd = (nStart + nSize * sizeof(T)) & ~(nLarge - 1);
    if (nSize * sizeof(T) >= 2 * nLarge && nEnd > nBegin)
        ::madvise(reinterpret_cast<void*>(nBegin), nEnd - nBegin, MADV_HUGEPAGE);
    if (!bReserve) array.assign(nSize, zero);
}

// The sizes of the arrays of elements and triangles that hold the counts c (as Allocate makes
// them for the totals), and their bytes, with the groups' index arrays or without.
struct CArraySizes
{
    explicit CArraySizes(const CCounts& c)
        : nVertices((c.nVertices + 1) * 3), nTexcoords(c.nTexcoords ? (c.nTexcoords + 1) * 2 : 0),
          nNormals(c.nNormals ? (c.nNormals + 1) * 3 : 0), nTriangles(c.nTriangles)
    {
    }
    std::size_t Bytes(bool bGroups) const
    {
        return (nVertices + nTexcoords + nNormals) * sizeof(float) +
               nTriangles * (sizeof(GlmTriangle) + (bGroups ? sizeof(std::uint32_t) : 0));
    }
    std::size_t nVertices, nTexcoords, nNormals, nTriangles;
};

// Grows the reserved arrays of elements and triangles (see CReadPlan::Allocate) to hold the
// counts c, which the filling pass may then fill up to.
void Grow(CGlmModel& m, CFillState& s, const CCounts& c)
{
    const CArraySizes sizes(c);
    m.vertices.resize(sizes.nVertices);
    m.texcoords.resize(sizes.nTexcoords);
    m.normals.resize(sizes.nNormals);
    m.triangles.resize(sizes.nTriangles);
    s.pVertices = m.vertices.data();
    s.pTexcoords = m.texcoords.data();
    s.pNormals = m.normals.data();
    s.pTriangles = m.triangles.data();
    s.nVertexLimit = static_cast<std::uint32_t>(c.nVertices);
    s.nTexcoordLimit = static_cast<std::uint32_t>(c.nTexcoords);
    s.nNormalLimit = static_cast<std::uint32_t>(c.nNormals);
    s.nTriangleLimit = static_cast<std::uint32_t>(c.nTriangles);
}

// The threads a read of nSize characters takes.
unsigned ThreadsFor(const GlmReadOptions& options, std::size_t nSize)
{
    if (options.nThreads != 0) return options.nThreads;
    if (nSize < options.nParallelBytes) return 1;
    const unsigned nCores = std::thread::hardware_concurrency();
    return nCores > 1 ? nCores : 1;
}

// Reads the whole text on this thread: one part, walked in windows by both passes, the plan
// taking each line as the counting pass meets it. The arrays grow window by window as the
// filling pass fills them, so that the zeros they start with are written just before the
// values, and the mapped text the counting pass leaves for the filling pass (so that it need
// not fault its pages in again) is as large as the room the arrays not yet filled leave: the
// text mapped beyond a window is never more than s_nKeptTail and the arrays yet to come, from
// the start of the file (as the counts so far tell) in the counting pass and from its end in
// the filling pass.
void ReadOnOneThread(CGlmModel& model, const CObjText& text, std::size_t nWindow)
{
    const std::string_view all = text.View();
    CReadPlan plan(model);
    CPart part;
    part.pBegin = all.data();
    part.pEnd = all.data() + all.size();
    plan.OpenPart(part);
    std::vector<CCounts> ends;                           // the counts at the end of each window
    const char *pKept = part.pBegin, *pKeptEnd = pKept;  // the text left mapped
    text.ForEachWindow(
        part.pBegin, part.pEnd, nWindow,
        [&](std::string_view window, const char* p)
        {
            CountWindow(model, part, &plan, window, p);
            ends.push_back(part.counts);
            pKeptEnd = window.data() + window.size();
            const std::size_t nRoom = CArraySizes(part.counts).Bytes(true) + s_nKeptTail;
            if (static_cast<std::size_t>(pKeptEnd - pKept) > nRoom)
            {
                text.Drop(pKept, pKeptEnd - nRoom);
                pKept = pKeptEnd - nRoom;
            }
        },
        all.size());
    plan.ClosePart(part);
    plan.Allocate(part.counts, nullptr, true);
    const std::size_t nArrays = CArraySizes(part.counts).Bytes(false);  // those that grow
    CFillState s = StartFill(model, part, &plan);
    std::size_t nWindowIndex = 0;
    text.ForEachWindow(
        part.pBegin, part.pEnd, nWindow,
        [&](std::string_view window, const char* p)
        {
            const CCounts& end = ends.at(nWindowIndex++);
            Grow(model, s, end);
            const char* const pWindowEnd = window.data() + window.size();
            pKept = std::max(pKept, pWindowEnd);
            const std::size_t nRoom = nArrays - CArraySizes(end).Bytes(false) + s_nKeptTail;
            if (pKeptEnd > pKept && static_cast<std::size_t>(pKeptEnd - pKept) > nRoom)
            {
                text.Drop(pKept + nRoom, pKeptEnd);
                pKeptEnd = pKept + nRoom;
            }
            FillWindow(model, s, window, p);
            text.Drop(p, pWindowEnd);
        },
        all.size());
    Grow(model, s, part.counts);  // an empty file has no window, and its arrays are still to be made
    EndFill(model, s, all);
}

}  // namespace

CReadPlan::CReadPlan(CGlmModel& model) : m_model(model)
{
    for (GlmGroup* p = model.groups.get(); p; p = p->next.get())
        m_groups.emplace(p->name, p);  // the first from the head stays
    m_pCurrent = AddGroup("default");
}

GlmGroup* CReadPlan::AddGroup(std::string_view name)
{
    if (const auto found = m_groups.find(name); found != m_groups.end()) return found->second;
    auto pGroup = std::make_unique<GlmGroup>();
    pGroup->name = name;
    pGroup->next = std::move(m_model.groups);
    m_model.groups = std::move(pGroup);
    m_model.numgroups++;
    m_groups.emplace(m_model.groups->name, m_model.groups.get());
    return m_model.groups.get();
}

std::uint32_t CReadPlan::FindMaterial(std::string_view name)
{
    const std::vector<GlmMaterial>& materials = m_model.materials;
    const std::size_t nCount = std::min<std::size_t>(m_model.nummaterials, materials.size());
    if (m_nIndexed != nCount || m_pIndexed != materials.data())  // a library read since
    {
        m_materials.clear();
        for (std::size_t i = 0; i < nCount; i++)
            m_materials.emplace(materials[i].name, static_cast<std::uint32_t>(i));  // the first stays
        m_nIndexed = nCount;
        m_pIndexed = materials.data();
    }
    if (const auto found = m_materials.find(name); found != m_materials.end()) return found->second;
    std::printf("_glmFindMaterial():  can't find material \"%.*s\".\n", Len(name), name.data());
    return 0;
}

void CReadPlan::OpenPart(CPart& part)
{
    part.shares.push_back(CGroupShare{m_pCurrent, m_pCurrent->numtriangles, 0});
    m_nLast = 0;
}

void CReadPlan::Apply(CPart& part, CStatement& statement)
{
    if (statement.cKind == 'm')
    {
        m_model.mtllibname = statement.name;
        m_model._glmReadMTL(statement.name);
    }
    if (statement.cKind != 'g') return;
    CloseShare(part, statement.nTriangles);
    m_pCurrent = AddGroup(statement.name);
    statement.pGroup = m_pCurrent;
    part.shares.push_back(CGroupShare{m_pCurrent, m_pCurrent->numtriangles, 0});
}

void CReadPlan::ClosePart(CPart& part)
{
    CloseShare(part, part.counts.nTriangles);
}

void CReadPlan::CloseShare(CPart& part, std::uint64_t nTriangles)
{
    // The counts stay below 2^32 - 1 in all: the counting pass and the parallel read see to it.
    const auto nCount = static_cast<std::uint32_t>(nTriangles - m_nLast);
    part.shares.back().nCount = nCount;
    m_pCurrent->numtriangles += nCount;
    m_nLast = nTriangles;
}

void CReadPlan::Allocate(const CCounts& totals, std::atomic<unsigned>* pReady, bool bGrow)
{
    CGlmModel& m = m_model;
    m.numvertices = static_cast<std::uint32_t>(totals.nVertices);
    m.numnormals = static_cast<std::uint32_t>(totals.nNormals);
    m.numtexcoords = static_cast<std::uint32_t>(totals.nTexcoords);
    m.numtriangles = static_cast<std::uint32_t>(totals.nTriangles);
    const auto ready = [&](unsigned nArrays)
    {
        if (!pReady) return;
        pReady->fetch_or(nArrays, std::memory_order_release);
        pReady->notify_all();
    };
    const CArraySizes sizes(totals);
    AllocateArray(m.vertices, sizes.nVertices, 0.0f, bGrow);
    ready(s_nVertexArray);
    AllocateArray(m.texcoords, sizes.nTexcoords, 0.0f, bGrow);
    ready(s_nTexcoordArray);
    AllocateArray(m.normals, sizes.nNormals, 0.0f, bGrow);
    ready(s_nNormalArray);
    AllocateArray(m.triangles, sizes.nTriangles, GlmTriangle(), bGrow);
    for (GlmGroup* p = m.groups.get(); p; p = p->next.get())
        p->triangles.assign(p->numtriangles, 0);
    ready(s_nTriangleArrays);
}

}  // namespace glmread

void CGlmModel::glmReadOBJ(std::string_view filename, const GlmReadOptions& options)
{
    using namespace glmread;
    // A mapped file that gets shorter while it is read is read again, from a copy.
    for (bool bCopy = false;; bCopy = true)
    {
        CObjText text;
        if (!text.Open(filename, bCopy))
        {
            plat::Trace("glmReadOBJ() failed: can't open data file \"%s\".\n", std::string(filename).c_str());
            EndProcess();
        }
        pathname = filename;
        try
        {
            const CFaultScope faults(false, text.Shortened());
            const unsigned nThreads = ThreadsFor(options, text.View().size());
            if (nThreads > 1)
            {
                if (ReadParallel(*this, text, options, nThreads))
                {
                    if (options.pThreadsUsed) *options.pThreadsUsed = nThreads;
                    return;
                }
                *this = CGlmModel();  // a fault: the read on one thread reports the first
                pathname = filename;
            }
            if (options.pThreadsUsed) *options.pThreadsUsed = 1;
            ReadOnOneThread(*this, text, WindowOf(options));
            return;
        }
        catch (const CFileChanged&)
        {
            *this = CGlmModel();
        }
    }
}

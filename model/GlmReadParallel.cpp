// GlmReadParallel: the OBJ reader on several threads. The file is cut into parts at line starts;
// the threads count the parts, the plan then takes their group and library lines in file order
// and gives every part the numbers of its first elements and triangles and the shares of its
// triangles in the groups' arrays; the threads fill the parts (each once the arrays it fills are
// allocated, which the calling thread does meanwhile), and the materials of the groups are
// looked up last, in file order. The model is the one the read on one thread gives, bit for
// bit. A fault on any thread stops the read, and the read on one thread then reports the first.
#include "model/GlmReadPasses.h"

#include <algorithm>  // std::clamp, std::max
#include <atomic>     // the next part, the fault flag
#include <exception>  // std::exception_ptr to hand a thread's exception on
#include <mutex>      // the first exception
#include <thread>     // std::jthread
#include <vector>     // parts and threads

namespace glmread
{

namespace
{

// Parts are at most s_nLargestPart long, and toward the end of the file a quarter of what is left
// for each thread, down to s_nSmallestPart, so that no thread waits long for the last part of a
// pass.
constexpr std::size_t s_nLargestPart = std::size_t(2) << 20;
constexpr std::size_t s_nSmallestPart = std::size_t(256) << 10;

// The end of the file the counting pass leaves mapped for the filling pass: less than on one
// thread, as the arrays are all there while it is, beside a window per thread and the stacks and
// heaps of the threads.
constexpr std::size_t s_nParallelKeptTail = std::size_t(8) << 20;

// Runs `pass` on every part, on nThreads threads (the calling one among them, after `first`
// when given), each thread taking the next part not taken. A fault stops the threads at their
// next part; false then. Any other exception (a file that got shorter, memory that ran out) is
// thrown again here.
bool RunParts(std::vector<CPart>& parts, unsigned nThreads, const CObjText& text,
              const std::function<void(CPart&)>& pass, const std::function<void()>& first = {})
{
    std::atomic<std::size_t> nNext{0};
    std::atomic<bool> bStop{false};
    bool bFault = false;
    std::exception_ptr pOther;
    std::mutex mutex;  // guards bFault and pOther
    const auto work = [&]
    {
        const CFaultScope faults(true, text.Shortened());
        for (std::size_t i; !bStop.load() && (i = nNext++) < parts.size();)
        {
            try
            {
                pass(parts[i]);
            }
            catch (const CReadFault&)
            {
                const std::lock_guard<std::mutex> lock(mutex);
                bFault = true;
                bStop = true;
            }
            catch (...)
            {
                const std::lock_guard<std::mutex> lock(mutex);
                if (!pOther) pOther = std::current_exception();
                bStop = true;
            }
        }
    };
    {
        std::vector<std::jthread> threads;
        for (unsigned i = 1; i < nThreads && i < parts.size(); i++)
            threads.emplace_back(work);
        if (first)
        {
            try
            {
                first();
            }
            catch (...)
            {
                const std::lock_guard<std::mutex> lock(mutex);
                pOther = std::current_exception();
                bStop = true;
            }
        }
        work();
    }  // joined
    if (pOther) std::rethrow_exception(pOther);
    return !bFault;
}

}  // namespace

bool ReadParallel(CGlmModel& model, const CObjText& text, const GlmReadOptions& options, unsigned nThreads)
{
    const std::string_view all = text.View();
    const char* const pEnd = all.data() + all.size();
    const std::size_t nWindow = WindowOf(options);
    std::vector<CPart> parts;
    for (const char* p = all.data(); p < pEnd;)
    {
        const auto nLeft = static_cast<std::size_t>(pEnd - p);
        const std::size_t nPart = options.nPartBytes
                                      ? options.nPartBytes
                                      : std::clamp(nLeft / (4 * nThreads), s_nSmallestPart, s_nLargestPart);
        CPart& part = parts.emplace_back();
        part.pBegin = p;
        part.pEnd = nLeft <= nPart ? pEnd : LineStartFrom(p + nPart, p, pEnd);
        p = part.pEnd;
    }

    // Counting, with the lines recorded for the plan; the end of the file stays mapped for the
    // filling pass, as on one thread.
    const char* const pKept = all.size() > s_nParallelKeptTail ? pEnd - s_nParallelKeptTail : all.data();
    if (!RunParts(parts, nThreads, text,
                  [&](CPart& part)
                  {
                      text.ForEachWindow(
                          part.pBegin, part.pEnd, nWindow,
                          [&](std::string_view window, const char* p)
                          { CountWindow(model, part, nullptr, window, p); },
                          part.pEnd > pKept
                              ? static_cast<std::size_t>(part.pEnd - std::max(part.pBegin, pKept))
                              : 0);
                  }))
        return false;

    // The first numbers of each part; counts beyond what a model holds are the read on one
    // thread's to report.
    CCounts totals;
    for (CPart& part : parts)
    {
        part.before = totals;
        totals += part.counts;
    }
    if (totals.nVertices > s_nMaxCount || totals.nNormals > s_nMaxCount || totals.nTexcoords > s_nMaxCount ||
        totals.nTriangles > s_nMaxCount)
        return false;

    // The plan, in file order: groups, the library, the shares.
    CReadPlan plan(model);
    for (CPart& part : parts)
    {
        plan.OpenPart(part);
        for (CStatement& statement : part.statements)
            plan.Apply(part, statement);
        plan.ClosePart(part);
    }

    // Filling. The calling thread allocates the arrays first (zeroing their pages takes a while),
    // one after the other; the other threads meanwhile fill the parts whose arrays are there.
    std::atomic<unsigned> nReady{0};
    const auto allocate = [&]
    {
        try
        {
            plan.Allocate(totals, &nReady);
        }
        catch (...)
        {
            nReady.fetch_or(s_nArraysFailed, std::memory_order_release);
            nReady.notify_all();
            throw;
        }
    };
    if (!RunParts(
            parts, nThreads, text,
            [&](CPart& part)
            {
                const unsigned nNeeds = (part.counts.nVertices ? s_nVertexArray : 0) |
                                        (part.counts.nTexcoords ? s_nTexcoordArray : 0) |
                                        (part.counts.nNormals ? s_nNormalArray : 0) |
                                        (part.counts.nTriangles ? s_nTriangleArrays : 0);
                for (unsigned n; ((n = nReady.load(std::memory_order_acquire)) & nNeeds) != nNeeds;)
                {
                    if (n & s_nArraysFailed) return;
                    nReady.wait(n, std::memory_order_acquire);
                }
                CFillState s = StartFill(model, part, nullptr);
                text.ForEachWindow(part.pBegin, part.pEnd, nWindow,
                                   [&](std::string_view window, const char* p)
                                   { FillWindow(model, s, window, p); });
                EndFill(model, s, all);
            },
            allocate))
        return false;

    // The materials of the groups, in file order, with their messages.
    GlmGroup* pGroup = plan.AddGroup("default");
    std::uint32_t nMaterial = 0;
    for (const CPart& part : parts)
        for (const CStatement& statement : part.statements)
            if (statement.cKind == 'g')
            {
                pGroup = statement.pGroup;
                pGroup->material = nMaterial;
            }
            else if (statement.cKind == 'u')
            {
                nMaterial = plan.FindMaterial(statement.name);
                pGroup->material = nMaterial;
            }
    return true;
}

}  // namespace glmread

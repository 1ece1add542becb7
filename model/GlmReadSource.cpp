// GlmReadSource: the text of an OBJ file for the reader, mapped in windows or copied into memory,
// the guard that keeps a mapped file that got shorter from ending the process, and the fault
// messages with their two modes (end the process, or throw on a thread of the parallel read).
#include "model/GlmReadPasses.h"

#include "model/GlmReadText.h"      // LineEnd
#include "platform/PathResolver.h"  // plat::OpenFile for the model file

#include <csignal>  // sigaction for the bus-error guard
#include <cstdarg>  // va_list for the message of a malformed statement
#include <cstdio>   // FILE, fread, printf
#include <cstdlib>  // std::exit
#include <cstring>  // memcpy
#include <limits>   // the largest size a copy may take
#include <mutex>    // std::call_once for the guard

#include <sys/mman.h>  // mmap, madvise
#include <sys/stat.h>  // fstat: whether a file is regular, and its size
#include <unistd.h>    // sysconf for the page size

namespace glmread
{

namespace
{

thread_local bool t_bThrowFaults = false;                      // see CFaultScope
thread_local const std::atomic<bool>* t_pShortened = nullptr;  // see CFaultScope

// Before any fault message: a file that got shorter is read again from a copy, and a thread of
// the parallel read leaves the message to the read on one thread.
void BeforeFault()
{
    if (t_pShortened && t_pShortened->load()) throw CFileChanged();
    if (t_bThrowFaults) throw CReadFault();
}

// --- the bus-error guard ---
// A mapped file that another process shortens loses its pages beyond the new end, and reading
// them raises SIGBUS. The guard maps a page of zeros where the fault was, marks the read's file
// as shortened and lets the reading go on; faults elsewhere go to the handler there was before.

struct CGuardSlot
{
    std::atomic<std::uintptr_t> nBegin{0}, nEnd{0};  // the mapping, 0 when the slot is free
    std::atomic<std::atomic<bool>*> pShortened{nullptr};
};
constexpr int s_nSlots = 16;
CGuardSlot s_slots[s_nSlots];
struct sigaction s_previous;  // the handler before the guard's
std::once_flag s_installed;

void OnBusError(int nSignal, siginfo_t* pInfo, void* pContext)
{
    const auto nAddress = reinterpret_cast<std::uintptr_t>(pInfo->si_addr);
    for (CGuardSlot& slot : s_slots)
        if (nAddress >= slot.nBegin.load() && nAddress < slot.nEnd.load())
        {
            const std::uintptr_t nPage =
                nAddress & ~(static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE)) - 1);
            ::mmap(reinterpret_cast<void*>(nPage), static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)),
                   PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
            if (std::atomic<bool>* p = slot.pShortened.load()) p->store(true);
            return;
        }
    if ((s_previous.sa_flags & SA_SIGINFO) && s_previous.sa_sigaction)
        s_previous.sa_sigaction(nSignal, pInfo, pContext);
    else if (s_previous.sa_handler != SIG_DFL && s_previous.sa_handler != SIG_IGN)
        s_previous.sa_handler(nSignal);
    else
        std::signal(SIGBUS, SIG_DFL);  // the fault comes again and ends the process as it would have
}

// A slot of the guard for the mapping [p, p + nSize), or -1 when every slot is taken.
int Guard(const void* p, std::size_t nSize, std::atomic<bool>* pShortened)
{
    std::call_once(s_installed,
                   []
                   {
                       struct sigaction action = {};
                       action.sa_sigaction = OnBusError;
                       action.sa_flags = SA_SIGINFO | SA_NODEFER;
                       sigemptyset(&action.sa_mask);
                       ::sigaction(SIGBUS, &action, &s_previous);
                   });
    for (int i = 0; i < s_nSlots; i++)
    {
        std::uintptr_t nFree = 0;
        if (s_slots[i].nBegin.compare_exchange_strong(nFree, 1))  // claimed; empty until filled
        {
            s_slots[i].pShortened.store(pShortened);
            s_slots[i].nEnd.store(reinterpret_cast<std::uintptr_t>(p) + nSize);
            s_slots[i].nBegin.store(reinterpret_cast<std::uintptr_t>(p));
            return i;
        }
    }
    return -1;
}

void Unguard(int nSlot)
{
    s_slots[nSlot].nEnd.store(0);
    s_slots[nSlot].pShortened.store(nullptr);
    s_slots[nSlot].nBegin.store(0);
}

std::size_t PageSize()
{
    static const std::size_t s_nPage = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return s_nPage;
}

// The start of the page p is in, and of the first page at or after p.
const char* PageDown(const char* p)
{
    return reinterpret_cast<const char*>(reinterpret_cast<std::uintptr_t>(p) & ~(PageSize() - 1));
}
const char* PageUp(const char* p)
{
    const std::uintptr_t nMask = PageSize() - 1;
    return reinterpret_cast<const char*>((reinterpret_cast<std::uintptr_t>(p) + nMask) & ~nMask);
}

}  // namespace

void EndProcess()
{
    std::fflush(stdout);
    std::exit(1);
}

void Malformed(const char* pszReader, const std::string& file, unsigned nLine, const char* pszFormat, ...)
{
    BeforeFault();
    std::printf("%s: \"%s\" line %u: ", pszReader, file.c_str(), nLine);
    va_list args;
    va_start(args, pszFormat);
    std::vprintf(pszFormat, args);
    va_end(args);
    EndProcess();
}

void Overrun(const std::string& file, unsigned nLine)
{
    Malformed("glmReadOBJ()", file, nLine, "the counting and filling passes disagree.\n");
}

void UnknownToken(std::string_view word)
{
    BeforeFault();
    std::printf("_glmFirstPass(): Unknown token \"%.*s\".\n", Len(word), word.data());
    EndProcess();
}

int Len(std::string_view s)
{
    return static_cast<int>(s.size() < 100000 ? s.size() : 100000);
}

CFaultScope::CFaultScope(bool bThrow, const std::atomic<bool>* pShortened)
    : m_bThrow(t_bThrowFaults), m_pShortened(t_pShortened)
{
    t_bThrowFaults = bThrow;
    t_pShortened = pShortened;
}

CFaultScope::~CFaultScope()
{
    t_bThrowFaults = m_bThrow;
    t_pShortened = m_pShortened;
}

CObjText::~CObjText()
{
    if (m_nSlot >= 0) Unguard(m_nSlot);
    if (m_nMapped) ::munmap(const_cast<char*>(m_pText), m_nMapped);
}

bool CObjText::Open(std::string_view name, bool bCopy)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> pFile(plat::OpenFile(name, "rb"), &std::fclose);
    if (!pFile) return false;
    struct stat info;
    const bool bRegular = ::fstat(fileno(pFile.get()), &info) == 0 && S_ISREG(info.st_mode);
    if (bRegular && !bCopy && info.st_size > 0 &&
        static_cast<std::uint64_t>(info.st_size) < std::numeric_limits<std::size_t>::max() / 2)
    {
        const std::size_t nSize = static_cast<std::size_t>(info.st_size);
        const std::size_t nMapped = (nSize + PageSize() - 1) & ~(PageSize() - 1);
        void* p = ::mmap(nullptr, nMapped, PROT_READ, MAP_PRIVATE, fileno(pFile.get()), 0);
        if (p != MAP_FAILED)
        {
            m_nSlot = Guard(p, nMapped, &m_bShortened);
            if (m_nSlot >= 0)
            {
                m_pText = static_cast<const char*>(p);
                m_nSize = nSize;
                m_nMapped = nMapped;
                return true;
            }
            ::munmap(p, nMapped);  // no slot left: a copy instead
        }
    }
    // A copy: a regular file is read with one call of its whole size; anything else, or a file
    // that grows meanwhile, in larger and larger steps until its end.
    std::size_t nCapacity = 1 << 16;
    if (bRegular && info.st_size > 0 &&
        static_cast<std::uint64_t>(info.st_size) < std::numeric_limits<std::size_t>::max() / 4)
        nCapacity = static_cast<std::size_t>(info.st_size) + 1;  // one more: the end is seen at once
    m_pCopy = std::make_unique_for_overwrite<char[]>(nCapacity);
    std::size_t nSize = 0;
    for (;;)
    {
        nSize += std::fread(m_pCopy.get() + nSize, 1, nCapacity - nSize, pFile.get());
        if (nSize < nCapacity) break;
        auto pLarger = std::make_unique_for_overwrite<char[]>(nCapacity * 2);
        std::memcpy(pLarger.get(), m_pCopy.get(), nSize);
        m_pCopy = std::move(pLarger);
        nCapacity *= 2;
    }
    m_pText = m_pCopy.get();
    m_nSize = nSize;
    return !std::ferror(pFile.get());
}

void CObjText::ForEachWindow(const char* pBegin, const char* pEnd, std::size_t nWindow,
                             const std::function<void(std::string_view, const char*)>& read,
                             std::size_t nKeep) const
{
    // Pages wholly inside the part are dropped; the two it may share with its neighbours stay.
    const char* pDropped = PageUp(pBegin);  // pages before it are dropped or not the part's
    for (const char* p = pBegin; p < pEnd;)
    {
        const char* pWindowEnd =
            static_cast<std::size_t>(pEnd - p) <= nWindow ? pEnd : LineStartFrom(p + nWindow, p, pEnd);
        read(std::string_view(m_pText, static_cast<std::size_t>(pWindowEnd - m_pText)), p);
        if (m_bShortened.load()) throw CFileChanged();
        if (m_nMapped)
        {
            const char* const pKept = static_cast<std::size_t>(pEnd - pBegin) > nKeep ? pEnd - nKeep : pBegin;
            const char* const pTo = PageDown(pWindowEnd < pKept ? pWindowEnd : pKept);
            if (pTo > pDropped)
            {
                ::madvise(const_cast<char*>(pDropped), static_cast<std::size_t>(pTo - pDropped),
                          MADV_DONTNEED);
                pDropped = pTo;
            }
        }
        p = pWindowEnd;
    }
}

void CObjText::Drop(const char* pBegin, const char* pEnd) const
{
    if (!m_nMapped || pEnd <= pBegin) return;
    const char* const pFrom = PageDown(pBegin);
    ::madvise(const_cast<char*>(pFrom), static_cast<std::size_t>(PageUp(pEnd) - pFrom), MADV_DONTNEED);
}

const char* LineStartFrom(const char* p, const char* pBegin, const char* pEnd)
{
    if (p <= pBegin || p >= pEnd) return p <= pBegin ? pBegin : pEnd;
    if (p[-1] == '\n') return p;
    const char* pLineEnd = LineEnd(p, pEnd);
    return pLineEnd < pEnd ? pLineEnd + 1 : pEnd;
}

}  // namespace glmread

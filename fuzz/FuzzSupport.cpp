// FuzzSupport: silent diagnostics, the scratch directory and the child process per input.
#include "FuzzSupport.h"

#include "platform/Diagnostics.h"  // plat::Set*Sink to silence the three channels

#include <algorithm>    // std::max to merge coverage counters
#include <cerrno>       // errno after waitpid
#include <csignal>      // SIGKILL for the child's end with its parent
#include <cstdio>       // std::fprintf for the one-line reports
#include <cstdlib>      // std::abort, std::atexit, std::getenv
#include <cstring>      // std::memcpy for the counter copies
#include <filesystem>   // removal of the scratch directory
#include <fcntl.h>      // open of /dev/null and of scratch files
#include <sys/mman.h>   // mmap of the page shared with the children
#include <sys/prctl.h>  // PR_SET_PDEATHSIG: a child dies with its parent
#include <sys/wait.h>   // waitpid and the status macros
#include <unistd.h>     // fork, _exit, write, dup2

// Bounds of the coverage counters the compiler places in one section of the program.
extern "C" uint8_t __start___sancov_cntrs[] __attribute__((weak));
extern "C" uint8_t __stop___sancov_cntrs[] __attribute__((weak));

namespace cubatro::fuzz
{
namespace
{

// The page shared by the parent and its children.
struct SShared
{
    volatile int nStage;  // last stage set by the child
    volatile int nEnd;    // 0 until the child ends through RunInChild's paths: 1 returned, 2 exit
};

int g_fdReport = STDERR_FILENO;        // copy of standard error made by InitializeTarget
SShared* g_pShared = nullptr;          // owned mapping, made on the first RunInChild
uint8_t* g_pSharedCounters = nullptr;  // the child's counters, right after SShared in the mapping

size_t CounterCount()
{
    return __start___sancov_cntrs && __stop___sancov_cntrs
               ? size_t(__stop___sancov_cntrs - __start___sancov_cntrs)
               : 0;
}

void MapShared()
{
    if (g_pShared) return;
    const size_t nBytes = sizeof(SShared) + CounterCount();
    void* p = ::mmap(nullptr, nBytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
    {
        std::perror("fuzz: mmap of the shared page");
        std::abort();
    }
    g_pShared = static_cast<SShared*>(p);
    g_pSharedCounters = static_cast<uint8_t*>(p) + sizeof(SShared);
}

// In the child: hands the coverage to the parent and records how the child ends.
void ChildEnds(int nEnd)
{
    if (const size_t n = CounterCount()) std::memcpy(g_pSharedCounters, __start___sancov_cntrs, n);
    g_pShared->nEnd = nEnd;
}

// Registered in the child last, so it runs first when the code under test calls exit: it ends
// the child at once, before the fuzzer's own exit handler can call the exit a crash.
void ChildAtExit()
{
    ChildEnds(2);
    ::_exit(1);
}

// One line on the kept standard error.
void Report(const std::string& line)
{
    const std::string text = line + "\n";
    if (::write(g_fdReport, text.data(), text.size()) < 0) return;
}

void RemoveScratchDir()
{
    std::error_code error;
    std::filesystem::remove_all(ScratchDir(), error);
}

}  // namespace

void InitializeTarget()
{
    const int fd = ::dup(STDERR_FILENO);
    if (fd >= 0) g_fdReport = fd;
    plat::SetTraceSink([](std::string_view) {});
    plat::SetDumpSink([](std::string_view) {});
    plat::SetMessageBoxSink([](std::string_view) {});
}

const std::string& ScratchDir()
{
    static const std::string s_strDir = []
    {
        std::string base = "/dev/shm";
        if (::access(base.c_str(), W_OK) != 0)
        {
            const char* pszTmp = std::getenv("TMPDIR");
            base = pszTmp && *pszTmp ? pszTmp : "/tmp";
        }
        std::string pattern = base + "/cubatro-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data()))
        {
            std::perror("fuzz: mkdtemp");
            std::abort();
        }
        return pattern;
    }();
    static const bool s_bRegistered = (std::atexit(RemoveScratchDir), true);
    (void)s_bRegistered;
    return s_strDir;
}

std::string WriteScratchFile(const std::string& name, std::string_view bytes)
{
    const std::string path = ScratchDir() + "/" + name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    size_t nDone = 0;
    while (fd >= 0 && nDone < bytes.size())
    {
        const ssize_t n = ::write(fd, bytes.data() + nDone, bytes.size() - nDone);
        if (n <= 0) break;
        nDone += size_t(n);
    }
    if (fd < 0 || nDone != bytes.size() || ::close(fd) != 0)
    {
        std::perror(("fuzz: writing " + path).c_str());
        std::abort();
    }
    return path;
}

SChildResult RunInChild(const std::function<void()>& fn)
{
    MapShared();
    g_pShared->nStage = 0;
    g_pShared->nEnd = 0;
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
    {
        std::perror("fuzz: fork");
        std::abort();
    }
    if (pid == 0)
    {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int fdNull = ::open("/dev/null", O_WRONLY);
        if (fdNull >= 0) ::dup2(fdNull, STDOUT_FILENO);
        std::atexit(ChildAtExit);
        fn();
        ChildEnds(1);
        ::_exit(0);
    }

    int nStatus = 0;
    while (::waitpid(pid, &nStatus, 0) < 0)
        if (errno != EINTR)
        {
            std::perror("fuzz: waitpid");
            std::abort();
        }

    // The child's counters include everything the parent had counted before the fork.
    for (size_t i = 0, n = CounterCount(); i < n && g_pShared->nEnd != 0; ++i)
        __start___sancov_cntrs[i] = std::max(__start___sancov_cntrs[i], g_pSharedCounters[i]);

    SChildResult result;
    result.nStage = g_pShared->nStage;
    if (WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0 && g_pShared->nEnd == 1) return result;
    if (WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 1 && g_pShared->nEnd == 2)
    {
        result.end = EChildEnd::exited;
        return result;
    }
    if (WIFSIGNALED(nStatus))
        Report("fuzz: the child process ended by signal " + std::to_string(WTERMSIG(nStatus)) + " at stage " +
               std::to_string(result.nStage));
    else
        Report("fuzz: the child process ended with status " +
               std::to_string(WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1) + " at stage " +
               std::to_string(result.nStage));
    std::abort();
}

void SetStage(int nStage)
{
    if (g_pShared) g_pShared->nStage = nStage;
}

void Finding(const std::string& what)
{
    Report("finding: " + what);
    std::abort();
}

}  // namespace cubatro::fuzz

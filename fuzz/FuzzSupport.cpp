// FuzzSupport: silent diagnostics, the scratch directory and the child process per input.
#include "FuzzSupport.h"

#include "platform/Diagnostics.h"  // plat::Set*Sink to silence the three channels

#include <algorithm>    // std::max to merge coverage counters
#include <cerrno>       // errno after waitpid
#include <csignal>      // SIGKILL for the child's end with its parent
#include <cstdint>      // uint8_t coverage counters
#include <cstdio>       // std::perror, std::fflush
#include <cstdlib>      // std::abort, std::atexit
#include <cstring>      // std::memcpy for the counter copy
#include <filesystem>   // the system's temporary directory, removal of the scratch directory
#include <fstream>      // std::ofstream for scratch files
#include <sys/mman.h>   // mmap of the page shared with the children
#include <sys/prctl.h>  // PR_SET_PDEATHSIG: a child dies with its parent
#include <sys/wait.h>   // waitpid and the status macros
#include <unistd.h>     // fork, _exit, write, dup

// Bounds of the coverage counters the compiler places in one section of the program.
extern "C" uint8_t __start___sancov_cntrs[] __attribute__((weak));
extern "C" uint8_t __stop___sancov_cntrs[] __attribute__((weak));

namespace cubatro::fuzz
{
namespace
{

int g_fdReport = STDERR_FILENO;  // copy of standard error made at initialisation
uint8_t* g_pShared = nullptr;    // page shared with the children: a done flag, then the counters
bool g_bExitAllowed = true;      // in a child: whether exit is a normal end

size_t CounterCount()
{
    return __start___sancov_cntrs && __stop___sancov_cntrs ? size_t(__stop___sancov_cntrs - __start___sancov_cntrs)
                                                           : 0;
}

void Report(const std::string& line)
{
    const std::string text = line + "\n";
    if (::write(g_fdReport, text.data(), text.size()) < 0) return;
}

[[noreturn]] void Fail(const char* pszWhat)
{
    std::perror(pszWhat);
    std::abort();
}

// In the child: hands the coverage to the parent, marks a normal end and ends the child.
[[noreturn]] void ChildDone()
{
    if (const size_t n = CounterCount()) std::memcpy(g_pShared + 1, __start___sancov_cntrs, n);
    g_pShared[0] = 1;
    ::_exit(0);
}

// Registered in the child last, so it runs before the fuzzer's own handler, which would call
// the exit a crash.
void ChildAtExit()
{
    if (g_bExitAllowed) ChildDone();
    Report("fuzz: the code under test called exit where it must not");
    std::abort();
}

}  // namespace

const std::string& ScratchDir()
{
    static const std::string s_strDir = []
    {
        const bool bShm = ::access("/dev/shm", W_OK) == 0;
        std::string pattern = (bShm ? std::string("/dev/shm") : std::filesystem::temp_directory_path().string()) +
                              "/cubatro-fuzz-" + std::to_string(::getpid()) + "-XXXXXX";
        if (!::mkdtemp(pattern.data())) Fail("fuzz: mkdtemp");
        return pattern;
    }();
    // Registered after the string's destructor, so it runs before it.
    static const int s_nRegistered = std::atexit(
        []
        {
            std::error_code error;
            std::filesystem::remove_all(s_strDir, error);
        });
    (void)s_nRegistered;
    return s_strDir;
}

std::string WriteScratchFile(const std::string& name, std::string_view bytes)
{
    const std::string path = ScratchDir() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.write(bytes.data(), std::streamsize(bytes.size())).flush()) Fail(("fuzz: writing " + path).c_str());
    return path;
}

void RunInChild(const std::function<void()>& fn)
{
    const size_t nCounters = CounterCount();
    if (!g_pShared)
    {
        void* p = ::mmap(nullptr, 1 + nCounters, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) Fail("fuzz: mmap");
        g_pShared = static_cast<uint8_t*>(p);
    }
    g_pShared[0] = 0;
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) Fail("fuzz: fork");
    if (pid == 0)
    {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        std::atexit(ChildAtExit);
        fn();
        ChildDone();
    }

    int nStatus = 0;
    while (::waitpid(pid, &nStatus, 0) < 0)
        if (errno != EINTR) Fail("fuzz: waitpid");
    if (!WIFEXITED(nStatus) || WEXITSTATUS(nStatus) != 0 || g_pShared[0] != 1)
    {
        Report(WIFSIGNALED(nStatus) ? "fuzz: the child process ended by signal " + std::to_string(WTERMSIG(nStatus))
                                    : "fuzz: the child process ended with status " +
                                          std::to_string(WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1));
        std::abort();
    }
    // The child's counters include everything this process had counted before the fork.
    for (size_t i = 0; i < nCounters; ++i)
        __start___sancov_cntrs[i] = std::max(__start___sancov_cntrs[i], g_pShared[1 + i]);
}

void ForbidExit()
{
    g_bExitAllowed = false;
}

void Finding(const std::string& what)
{
    Report("finding: " + what);
    std::abort();
}

}  // namespace cubatro::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const int fd = ::dup(STDERR_FILENO);
    if (fd >= 0) cubatro::fuzz::g_fdReport = fd;
    plat::SetTraceSink([](std::string_view) {});
    plat::SetDumpSink([](std::string_view) {});
    plat::SetMessageBoxSink([](std::string_view) {});
    return 0;
}

// FuzzSupport: what every fuzz target shares: silent diagnostics, a scratch directory on a fast
// file system, and a child process per input for readers that end the process by design.
//
// CHILD PROCESSES
//   RunInChild forks. The child runs the given function with standard output sent to /dev/null
//   (standard error stays: sanitizer reports must be seen) and dies with the parent. When the
//   function returns, or when the code under test calls std::exit, the child copies its coverage
//   counters to a shared page that the parent merges into its own before RunInChild returns, so
//   that the fuzzer sees the code the child ran. The child may mark how far it got with SetStage;
//   the parent learns the last stage and whether the child returned or called exit. Any other
//   end of the child (a signal, a sanitizer report, a crash of any kind) aborts the parent after
//   one line on standard error, which turns it into a finding of the fuzzer.
#pragma once

#include <cstddef>      // size_t for byte counts
#include <cstdint>      // uint8_t for fuzz input bytes
#include <functional>   // std::function for the child's work
#include <string>       // std::string for paths
#include <string_view>  // std::string_view for file contents

namespace cubatro::fuzz
{

// Call once from LLVMFuzzerInitialize: installs sinks that drop every trace, dump and
// message-box text, and keeps a copy of standard error for the reports of this file (the
// fuzzer may close standard error itself to silence the code under test).
void InitializeTarget();

// A directory of this process under /dev/shm (else $TMPDIR, else /tmp), created on first use
// and removed at exit. Upon exit the path ends without a slash.
const std::string& ScratchDir();

// Writes `bytes` to ScratchDir()/name (creating or truncating it) and returns the full path.
// Aborts when the file cannot be written: the target could not test anything.
std::string WriteScratchFile(const std::string& name, std::string_view bytes);

// How a child ended.
enum class EChildEnd
{
    returned,  // the function returned
    exited,    // the code under test called exit (any status)
};

struct SChildResult
{
    EChildEnd end = EChildEnd::returned;  // how the child ended
    int nStage = 0;                       // the last stage the child set (0 when none)
};

// Runs fn in a child process and waits for it, as described at the top of this file.
SChildResult RunInChild(const std::function<void()>& fn);
// In a child: records how far the work has got (any number; the parent reports the last one).
void SetStage(int nStage);

// Prints "finding: <what>" to the kept standard error and aborts: a property of the code under test
// does not hold.
[[noreturn]] void Finding(const std::string& what);

}  // namespace cubatro::fuzz

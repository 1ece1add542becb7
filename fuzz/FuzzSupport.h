// FuzzSupport: what the fuzz targets share: silent diagnostics, scratch files on a fast file
// system, a child process per input for a reader that ends the process by design, and the
// one-line report of a failed property.
//
// Linking this file also gives the target its LLVMFuzzerInitialize, which installs sinks that
// drop every trace, dump and message-box text and keeps a copy of standard error for the
// reports below (the fuzzer may close standard error itself to silence the code under test).
#pragma once

#include <functional>   // std::function for the child's work
#include <string>       // std::string for paths and messages
#include <string_view>  // std::string_view for file contents

namespace cubatro::fuzz
{

// A directory of this process, cubatro-fuzz-<pid>-<random> under /dev/shm (else the system's
// temporary directory), made on first use and removed at exit (a crash leaves it to run.sh).
const std::string& ScratchDir();

// Writes `bytes` to ScratchDir()/name, creating or truncating it, and returns the full path.
std::string WriteScratchFile(const std::string& name, std::string_view bytes);

// Runs fn in a child process and waits for it. The coverage the child gathers is merged into
// this process's. The child may end by returning from fn or, until fn calls ForbidExit, by a
// call to exit from the code under test; any other end (a signal, a sanitizer report, exit after
// ForbidExit) is reported in one line and aborts this process, which makes it a finding.
void RunInChild(const std::function<void()>& fn);
void ForbidExit();

// Prints "finding: <what>" to the kept standard error and aborts: a promised property failed.
[[noreturn]] void Finding(const std::string& what);

}  // namespace cubatro::fuzz

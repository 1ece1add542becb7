// StartupGuard: a trace tee and an exit handler.
#include "app/StartupGuard.h"

#include "platform/Diagnostics.h"  // plat::SetTraceSink to keep the last trace line, plat::MessageBox

#include <cstdlib>  // std::atexit
#include <utility>  // std::move

namespace
{
struct SGuardState
{
    bool bActive = false;      // a guard is alive
    std::string strWhat;       // what it guards
    std::string strLastTrace;  // last complete trace text seen while active
    plat::TextSink previous;   // trace sink that was installed before the guard
    bool bHandlerInstalled = false;
};

SGuardState& State()
{
    static SGuardState* pState = new SGuardState;  // kept for the exit handler, never destroyed
    return *pState;
}

void OnExit()
{
    std::string strLine = CStartupGuard::Report();
    if (strLine.empty()) return;
    State().bActive = false;  // said once
    strLine.pop_back();       // the box adds its own end of line on standard error
    plat::MessageBox(strLine);
}
}  // namespace

CStartupGuard::CStartupGuard(std::string strWhat)
{
    SGuardState& state = State();
    if (!state.bHandlerInstalled)
    {
        std::atexit(OnExit);
        state.bHandlerInstalled = true;
    }
    state.bActive = true;
    state.strWhat = std::move(strWhat);
    state.strLastTrace.clear();
    state.previous = plat::SetTraceSink(
        [](std::string_view text)
        {
            SGuardState& s = State();
            if (!text.empty()) s.strLastTrace = std::string(text);
            if (s.previous) s.previous(text);
        });
}

CStartupGuard::~CStartupGuard()
{
    SGuardState& state = State();
    plat::SetTraceSink(std::move(state.previous));
    state.previous = nullptr;
    state.bActive = false;
}

std::string CStartupGuard::Report()
{
    const SGuardState& state = State();
    if (!state.bActive) return {};
    std::string strLine = "Cubatro: cannot start: " + state.strWhat;
    std::string strTrace = state.strLastTrace;
    while (!strTrace.empty() && (strTrace.back() == '\n' || strTrace.back() == ' '))
        strTrace.pop_back();
    if (!strTrace.empty()) strLine += ": " + strTrace;
    return strLine + "\n";
}

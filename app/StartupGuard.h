// StartupGuard: makes a fatal failure while the scene is being built reach the player.
//
// The model reader and the sprite reader end the process with status 1 when a file is
// missing; the model reader says why only on the debug trace, which is silent by default.
// While a guard is alive, the last trace line is kept, and if the process ends during that
// time the text "Cubatro: cannot start: <what>: <last trace line>" is shown as a message box
// (which also writes it to standard error) before the process ends.
#pragma once
#include <string>  // std::string for the description

class CStartupGuard
{
public:
    explicit CStartupGuard(std::string strWhat);  // upon exit an exit during the guard is reported
    virtual ~CStartupGuard();                     // upon exit exits are no longer reported
    CStartupGuard(const CStartupGuard&) = delete;
    CStartupGuard& operator=(const CStartupGuard&) = delete;

    static std::string Report();  // the line the exit handler writes now, empty when no guard is alive
};

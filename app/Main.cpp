// Main: the program's entry point and its working-directory rule.
//
// The application class and the windows live in the shell library, which the tests link too;
// only the program makes the application object, starts it and moves into "debug".
#include "app/CubatroApp.h"  // CCubatroApp, the application made by main

#include <unistd.h>  // chdir for the working-directory rule

namespace
{
// The game's files are found in "debug" below the start directory when it exists; the change
// happens before main, and silently fails otherwise.
[[maybe_unused]] const bool g_bInDebugDirectory = ::chdir("debug") == 0;
}  // namespace

wxIMPLEMENT_APP(CCubatroApp);

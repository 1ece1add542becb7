// Main: the program's entry point and its working-directory rule.
//
// The application class and the windows live in the shell library, which the tests link too;
// only the program makes the application object, starts it and moves to where its art is.
#include "app/CubatroApp.h"  // CCubatroApp, the application made by main

#include <unistd.h>  // chdir, access for the working-directory rule

#include <filesystem>    // read_symlink for the program's own path
#include <system_error>  // std::error_code for a missing /proc

namespace
{
// The game reads its files relative to the working directory, which is settled before main:
// "debug" below the start directory when it exists; else the start directory itself when it
// holds the art (its key model); else the art beside the program (../share/cubatro from its
// bin directory, wherever the tree was unpacked); else the directory it was installed to.
// Each step fails silently; with no art anywhere the game reports the first missing file.
bool MoveToTheArt()
{
    if (::chdir("debug") == 0 || ::access("cle.obj", F_OK) == 0) return true;
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error && ::chdir((program.parent_path() / "../share/cubatro").c_str()) == 0) return true;
    return ::chdir(CUBATRO_INSTALLED_ART) == 0;
}
[[maybe_unused]] const bool g_bInArtDirectory = MoveToTheArt();
}  // namespace

wxIMPLEMENT_APP(CCubatroApp);

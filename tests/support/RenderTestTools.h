// RenderTestTools: helpers of the tests that render: the flare's sprite files, and a working
// directory for a test.
#pragma once

#include "TempDir.h"  // CTempDir and RunCommand for the sprite files

#include <filesystem>    // current_path to enter and leave a directory
#include <string>        // the ImageMagick description of the sprites
#include <system_error>  // std::error_code for going back quietly

namespace cubatro::test
{

// Writes the ten flare sprites Gfx/Shine0.bw to Gfx/Shine9.bw below `dir` with ImageMagick, from
// `images`, its description of ten pictures, made single-channel with 8-bit samples; returns its status.
inline int MakeSprites(const CTempDir& dir, const std::string& images)
{
    std::filesystem::create_directories(dir.Path() / "Gfx");
    return RunCommand("convert " + images +
                      " -depth 8 -type Grayscale +adjoin sgi:" + (dir / "Gfx/Shine%d.bw"));
}

// Makes a directory the working directory for its lifetime, then restores the previous one.
class CWorkingDir
{
public:
    explicit CWorkingDir(const std::filesystem::path& path) : m_previous(std::filesystem::current_path())
    {
        std::filesystem::current_path(path);
    }
    virtual ~CWorkingDir()
    {
        std::error_code error;  // a destructor must not throw
        std::filesystem::current_path(m_previous, error);
    }
    CWorkingDir(const CWorkingDir&) = delete;
    CWorkingDir& operator=(const CWorkingDir&) = delete;

private:
    std::filesystem::path m_previous;  // the working directory to go back to
};

}  // namespace cubatro::test

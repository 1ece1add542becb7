// RenderTestTools: helpers of the render and game tests: the flare's sprite files, a working
// directory for a test, and feedback quads read back as scene coordinates.
#pragma once

#include "HeadlessGl.h"  // SFeedbackPrimitive; OpenGL, GoogleTest, std::array, std::string, std::vector
#include "TempDir.h"     // CTempDir and RunCommand for the sprite files

#include <filesystem>    // current_path to enter and leave a directory
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

using SFeedbackQuad = std::array<SFeedbackVertex, 4>;  // corners in the order they were given

// The quads of a capture: OpenGL reports quad (a, b, c, d) as the triangles (a, b, d) and
// (b, c, d); anything else is a failure.
inline std::vector<SFeedbackQuad> QuadsOf(const std::vector<SFeedbackPrimitive>& primitives)
{
    auto same = [](const SFeedbackVertex& a, const SFeedbackVertex& b)
    { return a.pos == b.pos && a.color == b.color && a.tex == b.tex; };
    std::vector<SFeedbackQuad> quads;
    for (size_t i = 0; i + 1 < primitives.size(); i += 2)
    {
        const std::vector<SFeedbackVertex>& v = primitives[i].vertices;
        const std::vector<SFeedbackVertex>& w = primitives[i + 1].vertices;
        if (v.size() == 3 && w.size() == 3 && same(w[0], v[1]) && same(w[2], v[2]))
            quads.push_back({v[0], v[1], w[1], v[2]});
        else
            ADD_FAILURE() << "primitives " << i << " and " << i + 1 << " are not a quad";
    }
    if (primitives.size() % 2 != 0) ADD_FAILURE() << "a primitive left over";
    return quads;
}

// Projection onto the fixture's 64-pixel framebuffer of the box from -4 to 4 on each axis, seen
// along -z; the modelview matrix is the identity.
inline void SceneProjection()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-4.0, 4.0, -4.0, 4.0, -8.0, 8.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// Scene coordinates of a vertex captured under SceneProjection.
inline std::array<float, 3> SceneOf(const SFeedbackVertex& v)
{
    return {v.pos[0] / 8.0f - 4.0f, v.pos[1] / 8.0f - 4.0f, -8.0f * (2.0f * v.pos[2] - 1.0f)};
}

}  // namespace cubatro::test

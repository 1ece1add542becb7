// SceneSnapshotTest: a lit, textured cube, the lens flare and a line of text rendered together.
// When CUBATRO_SNAPSHOT_DIR is set the picture is also saved there as scene.png.
#include "game/Cube.h"      // the textured cube
#include "render/Flare.h"   // the lens flare
#include "render/GLFont.h"  // the text
#include "render/Light.h"   // the main light

#include "../render/RenderTestTools.h"  // sprite files, the working directory
#include "HeadlessGl.h"                 // real OpenGL context and read-back
#include "TempDir.h"                    // scratch directory, ImageMagick through RunCommand
#include "platform/Diagnostics.h"       // keeping the bank's dump lines off the console

#include <GL/gl.h>   // drawing state
#include <GL/glu.h>  // perspective, look-at, projection of test points

#include <algorithm>  // std::clamp, std::count_if
#include <cmath>      // std::pow, std::sqrt, std::atan2, std::cos
#include <cstdlib>    // std::getenv for the snapshot directory
#include <memory>     // std::unique_ptr for the scene objects
#include <string>     // std::string for paths
#include <vector>     // std::vector for pixels

namespace
{

using namespace cubatro::test;

constexpr int g_nWidth = 320, g_nHeight = 240;

// Sprite i: a soft round glow with six rays turned by 6 i degrees.
unsigned char Glow(int i, int x, int y)
{
    const double dx = (x + 0.5) / 32.0 - 1.0, dy = (y + 0.5) / 32.0 - 1.0, r = std::sqrt(dx * dx + dy * dy);
    const double dRays = std::pow(std::fabs(std::cos(3.0 * (std::atan2(dy, dx) - i * 0.1047))), 40.0);
    return r >= 1.0 ? 0
                    : static_cast<unsigned char>(
                          std::clamp(255.0 * (std::pow(1 - r, 2.5) + 0.8 * dRays * (1 - r)), 0.0, 255.0));
}

class SceneSnapshotTest : public CGlTest
{
protected:
    void SetUp() override
    {
        CGlTest::SetUp();
        m_pGl.reset();
        m_pGl = std::make_unique<CHeadlessGl>(g_nWidth, g_nHeight);
        for (int i = 0; i < CFlare::s_nSprites; ++i)
            m_dir.Write(SpriteName(i), SgiLuminance(64, 64, [i](int x, int y) { return Glow(i, x, y); }));
        // Marble: a seeded plasma, grey, swirled and lightened, as a 24-bit BMP.
        ASSERT_EQ(RunCommand("convert -size 64x64 -seed 7 plasma:fractal -blur 0x1 -colorspace Gray -swirl "
                             "120 +level 45%,100% -colorspace sRGB -type TrueColor bmp3:" +
                             (m_dir / "Gfx/Marbre2.bmp")),
                  0);
        m_pWorkingDir = std::make_unique<CWorkingDir>(m_dir.Path());
    }
    void TearDown() override
    {
        m_pWorkingDir.reset();
        CGlTest::TearDown();
    }
    static std::array<int, 2> WindowOf(const float* pf)  // window position under the current matrices
    {
        GLdouble model[16], projection[16], wx = 0, wy = 0, wz = 0;
        GLint viewport[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, model);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
        gluProject(pf[0], pf[1], pf[2], model, projection, viewport, &wx, &wy, &wz);
        return {static_cast<int>(wx), static_cast<int>(wy)};
    }

    CTempDir m_dir;
    std::unique_ptr<CWorkingDir> m_pWorkingDir;
    plat::CDiagnosticsCapture m_capture;
};

TEST_F(SceneSnapshotTest, LitTexturedCubeFlareAndText)
{
    glClearColor(0.04f, 0.04f, 0.10f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    const float fMainAt[4] = {3, 3, -3, 1}, fAmbient[4] = {0.3f, 0.3f, 0.3f, 1},
                fDiffuse[4] = {0.9f, 0.9f, 0.9f, 1}, fWhite[4] = {1, 1, 1, 1}, fFlareAt[3] = {1, 0.5f, -1},
                fEye[3] = {0.4f, 0.9f, 2.6f}, fCentre[3] = {0, 0, 0}, fTextAt[3] = {10, 12, 0};
    CLight light(fMainAt);
    light.SetColors(fAmbient, fDiffuse, fWhite);
    CCube cube(1.0, 0, 0, 0, 25, 35, 0, 0, 0, 0, 0, 0, 0, false, false, 0, "Gfx\\Marbre2.bmp");
    ASSERT_GT(cube.GetTexture(), 0);
    CGLFont font("arial", 20, 10, false);
    CFlare flare(fFlareAt, 0.9f, 0.7f, 0.7f);

    // One frame: camera, light, cube, flare, then the text over it all.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    gluPerspective(45.0, static_cast<double>(g_nWidth) / g_nHeight, 0.1, 100.0);
    glMatrixMode(GL_MODELVIEW);
    gluLookAt(fEye[0], fEye[1], fEye[2], 0.3, 0.2, -0.4, 0.0, 1.0, 0.0);
    light.SetPosition(1.5f, 2.5f, 2.0f);
    flare.SetPosition(fFlareAt);
    cube.Draw(0, 0, 0, false);
    flare.Draw(fEye);
    const auto cubeAt = WindowOf(fCentre), flareAt = WindowOf(fFlareAt);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, g_nWidth, 0, g_nHeight, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1, 1, 1);
    font.Print("Cubatro: marble, light and flare", fTextAt);

    const std::vector<uint8_t> pixels = ReadPixels();
    if (const char* pszDir = std::getenv("CUBATRO_SNAPSHOT_DIR"))
    {
        const std::string rgba =
            m_dir.Write("scene.rgba", std::vector<unsigned char>(pixels.begin(), pixels.end()));
        EXPECT_EQ(RunCommand("convert -size 320x240 -depth 8 rgba:" + rgba + " -flip -alpha off " + pszDir +
                             "/scene.png"),
                  0);
    }
    auto at = [&](int x, int y, int c) { return pixels[(static_cast<size_t>(y) * g_nWidth + x) * 4 + c]; };
    EXPECT_GT(at(cubeAt[0], cubeAt[1], 0), 60);  // lit marble
    EXPECT_GT(at(flareAt[0], flareAt[1], 0) + at(flareAt[0], flareAt[1], 1) + at(flareAt[0], flareAt[1], 2),
              300);
    int nTextWhite = 0, nSkyWhite = 0;  // white along the text line, none in the sky above it
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 40 || (y < 40 && x < g_nWidth); ++x)
            (y < 40 ? nTextWhite : nSkyWhite) +=
                at(x, y, 0) == 255 && at(x, y, 1) == 255 && at(x, y, 2) == 255;
    EXPECT_GT(nTextWhite, 200);
    EXPECT_EQ(nSkyWhite, 0);
}

}  // namespace

// SceneSnapshotTest: a lit, textured cube, the lens flare and a line of text rendered together.
// When CUBATRO_SNAPSHOT_DIR is set the picture is also saved there as scene.png.
#include "game/Cube.h"      // the textured cube
#include "render/Flare.h"   // the lens flare
#include "render/GLFont.h"  // the text
#include "render/Light.h"   // the main light

#include "RenderTestTools.h"       // OpenGL, sprite files, the working directory, ImageMagick
#include "platform/Diagnostics.h"  // keeping the bank's dump lines off the console

#include <GL/glu.h>  // perspective and look-at

#include <cstdlib>  // std::getenv for the snapshot directory

namespace
{

using namespace cubatro::test;

TEST(SceneSnapshotTest, LitTexturedCubeFlareAndText)
{
    constexpr int nWidth = 320, nHeight = 240;
    CHeadlessGl gl(nWidth, nHeight);
    CTempDir dir;
    plat::CDiagnosticsCapture capture;
    ASSERT_EQ(MakeSprites(dir, "-size 64x64 radial-gradient:white-black -duplicate 9"), 0);
    // Marble: a seeded plasma, grey, swirled and lightened, as a 24-bit BMP.
    ASSERT_EQ(RunCommand("convert -size 64x64 -seed 7 plasma:fractal -blur 0x1 -colorspace Gray -swirl 120 "
                         "+level 45%,100% -colorspace sRGB -type TrueColor bmp3:" +
                         (dir / "Gfx/Marbre2.bmp")),
              0);
    CWorkingDir workingDir(dir.Path());

    glClearColor(0.04f, 0.04f, 0.10f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    const float fMainAt[4] = {3, 3, -3, 1}, fAmbient[4] = {0.3f, 0.3f, 0.3f, 1},
                fDiffuse[4] = {0.9f, 0.9f, 0.9f, 1}, fWhite[4] = {1, 1, 1, 1}, fFlareAt[3] = {1, 0.5f, -1},
                fEye[3] = {0.4f, 0.9f, 2.6f}, fTextAt[3] = {10, 12, 0};
    CLight light(fMainAt);
    light.SetColors(fAmbient, fDiffuse, fWhite);
    CCube cube(1.0, 0, 0, 0, 25, 35, 0, 0, 0, 0, 0, 0, 0, false, false, 0, "Gfx\\Marbre2.bmp");
    ASSERT_GT(cube.GetTexture(), 0);
    CGLFont font("arial", 20, 10, false);
    CFlare flare(fFlareAt, 0.9f, 0.7f, 0.7f);

    // One frame: camera, light, cube, flare, then the text over it all.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    gluPerspective(45.0, static_cast<double>(nWidth) / nHeight, 0.1, 100.0);
    glMatrixMode(GL_MODELVIEW);
    gluLookAt(fEye[0], fEye[1], fEye[2], 0.3, 0.2, -0.4, 0.0, 1.0, 0.0);
    light.SetPosition(1.5f, 2.5f, 2.0f);
    flare.SetPosition(fFlareAt);
    cube.Draw(0, 0, 0, false);
    flare.Draw(fEye);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, nWidth, 0, nHeight, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1, 1, 1);
    font.Print("Cubatro: marble, light and flare", fTextAt);

    std::vector<uint8_t> pixels(static_cast<size_t>(nWidth) * nHeight * 4);
    glReadPixels(0, 0, nWidth, nHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    if (const char* pszDir = std::getenv("CUBATRO_SNAPSHOT_DIR"))
    {
        EXPECT_EQ(RunCommand("convert -size 320x240 -depth 8 rgba:" + dir.Write("scene.rgba", pixels) +
                             " -flip -alpha off " + pszDir + "/scene.png"),
                  0);
    }
    auto at = [&](int x, int y, int c) { return pixels[(static_cast<size_t>(y) * nWidth + x) * 4 + c]; };
    EXPECT_GT(at(127, 90, 0), 60);                                        // lit marble at the cube's centre
    EXPECT_GT(at(218, 154, 0) + at(218, 154, 1) + at(218, 154, 2), 300);  // the flare's glow
    int nTextWhite = 0, nSkyWhite = 0;  // white along the text line, none in the sky above it
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 40 || (y < 40 && x < nWidth); ++x)
            (y < 40 ? nTextWhite : nSkyWhite) +=
                at(x, y, 0) == 255 && at(x, y, 1) == 255 && at(x, y, 2) == 255;
    EXPECT_GT(nTextWhite, 200);
    EXPECT_EQ(nSkyWhite, 0);
}

}  // namespace

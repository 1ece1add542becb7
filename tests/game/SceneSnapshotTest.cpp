// SceneSnapshotTest: a lit, textured cube, the lens flare and a line of text rendered together
// into one picture. The marble texture and the flare sprites are generated here. When
// CUBATRO_SNAPSHOT_DIR is set the picture is also saved there as scene.ppm and scene.png.
#include "game/Cube.h"      // the textured cube
#include "render/Flare.h"   // the lens flare
#include "render/GLFont.h"  // the text
#include "render/Light.h"   // the scene's main light

#include "../render/SpriteFiles.h"  // SGI sprite files, the working directory
#include "HeadlessGl.h"             // real OpenGL context and read-back
#include "TempDir.h"                // scratch directory, ImageMagick through RunCommand

#include "platform/Diagnostics.h"  // keeping the bank's dump lines off the console

#include <GL/gl.h>   // drawing state
#include <GL/glu.h>  // perspective, look-at and projection of test points

#include <algorithm>  // std::clamp
#include <array>      // std::array for pixels
#include <cmath>      // std::sin, std::cos, std::atan2, std::sqrt, std::pow
#include <cstdlib>    // std::getenv for the snapshot directory
#include <fstream>    // writing the snapshot
#include <memory>     // std::unique_ptr for the scene objects
#include <string>     // std::string for paths
#include <vector>     // std::vector for file bytes and pixels

namespace
{

using cubatro::test::CGlTest;
using cubatro::test::CHeadlessGl;
using cubatro::test::CTempDir;
using cubatro::test::CWorkingDir;
using cubatro::test::SgiVerbatim;
using cubatro::test::SpriteName;

constexpr int g_nWidth = 320;
constexpr int g_nHeight = 240;

// A 24-bit BMP of nSize × nSize pixels of grey-beige marble veins.
std::vector<unsigned char> MarbleBmp(int nSize)
{
    const int nRow = (nSize * 3 + 3) / 4 * 4;
    const int nImage = nRow * nSize;
    std::vector<unsigned char> bytes(54, 0);
    auto put32 = [&](size_t nAt, int nValue)
    {
        for (int i = 0; i < 4; ++i)
            bytes[nAt + static_cast<size_t>(i)] = static_cast<unsigned char>((nValue >> (8 * i)) & 0xFF);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, 54 + nImage);
    put32(10, 54);
    put32(14, 40);
    put32(18, nSize);
    put32(22, nSize);
    bytes[26] = 1;
    bytes[28] = 24;
    put32(34, nImage);
    put32(38, 2835);
    put32(42, 2835);
    for (int y = 0; y < nSize; ++y)
    {
        for (int x = 0; x < nSize; ++x)
        {
            const double dTurbulence =
                2.5 * std::sin(y / 9.0) * std::cos(x / 13.0) + 0.8 * std::sin((x + 2 * y) / 5.0);
            const double v = std::pow(0.5 + 0.5 * std::sin((x + 0.6 * y) / 7.0 + dTurbulence), 3.0);
            const auto level = [&](double dBase)
            { return static_cast<unsigned char>(std::clamp(dBase - 110.0 * v, 0.0, 255.0)); };
            bytes.push_back(level(205));  // blue
            bytes.push_back(level(220));  // green
            bytes.push_back(level(232));  // red
        }
        bytes.resize(bytes.size() + static_cast<size_t>(nRow - nSize * 3), 0);
    }
    return bytes;
}

// Sprite i: a soft round glow with six rays turned by 6 i degrees.
unsigned char GlowSample(int i, int x, int y, int nSize)
{
    const double dx = (x + 0.5) / nSize * 2.0 - 1.0, dy = (y + 0.5) / nSize * 2.0 - 1.0;
    const double r = std::sqrt(dx * dx + dy * dy);
    if (r >= 1.0) return 0;
    const double dAngle = std::atan2(dy, dx) - i * 6.0 * 3.14159265358979 / 180.0;
    const double dGlow = std::pow(1.0 - r, 2.5);
    const double dRays = std::pow(std::fabs(std::cos(3.0 * dAngle)), 40.0) * (1.0 - r);
    return static_cast<unsigned char>(std::clamp(255.0 * (dGlow + 0.8 * dRays), 0.0, 255.0));
}

class SceneSnapshotTest : public CGlTest
{
protected:
    void SetUp() override
    {
        CGlTest::SetUp();
        m_pGl.reset();
        m_pGl = std::make_unique<CHeadlessGl>(g_nWidth, g_nHeight);
        m_dir.Write("Gfx/Marbre2.bmp", MarbleBmp(64));
        for (int i = 0; i < CFlare::s_nSprites; ++i)
            m_dir.Write(SpriteName(i),
                        SgiVerbatim(64, 64, 1, [i](int x, int y, int) { return GlowSample(i, x, y, 64); }));
        m_pWorkingDir = std::make_unique<CWorkingDir>(m_dir.Path());
    }
    void TearDown() override
    {
        m_pWorkingDir.reset();
        CGlTest::TearDown();
    }

    // Window position of a scene point under the current matrices.
    static std::array<int, 2> WindowOf(double x, double y, double z)
    {
        std::array<GLdouble, 16> model{}, projection{};
        std::array<GLint, 4> viewport{};
        glGetDoublev(GL_MODELVIEW_MATRIX, model.data());
        glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
        glGetIntegerv(GL_VIEWPORT, viewport.data());
        GLdouble wx = 0, wy = 0, wz = 0;
        gluProject(x, y, z, model.data(), projection.data(), viewport.data(), &wx, &wy, &wz);
        return {static_cast<int>(wx), static_cast<int>(wy)};
    }

    void SaveSnapshot(const std::vector<uint8_t>& pixels)
    {
        const char* pszDir = std::getenv("CUBATRO_SNAPSHOT_DIR");
        if (!pszDir || !*pszDir) return;
        const std::string ppm = std::string(pszDir) + "/scene.ppm";
        {
            std::ofstream out(ppm, std::ios::binary | std::ios::trunc);
            out << "P6\n" << g_nWidth << " " << g_nHeight << "\n255\n";
            for (int y = g_nHeight - 1; y >= 0; --y)
                for (int x = 0; x < g_nWidth; ++x)
                    out.write(
                        reinterpret_cast<const char*>(&pixels[(static_cast<size_t>(y) * g_nWidth + x) * 4]),
                        3);
        }
        std::string output;
        EXPECT_EQ(
            cubatro::test::RunCommand("convert " + ppm + " " + std::string(pszDir) + "/scene.png", &output),
            0)
            << output;
    }

    CTempDir m_dir;
    std::unique_ptr<CWorkingDir> m_pWorkingDir;
};

TEST_F(SceneSnapshotTest, LitTexturedCubeFlareAndText)
{
    plat::CDiagnosticsCapture capture;
    ASSERT_EQ(m_pGl->Width(), g_nWidth);

    // Scene set-up as the game does it: depth, lighting, texturing, smooth shading.
    glViewport(0, 0, g_nWidth, g_nHeight);
    glClearColor(0.04f, 0.04f, 0.10f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    const float fMainAt[4] = {3.0f, 3.0f, -3.0f, 1.0f};
    auto pLight = std::make_unique<CLight>(fMainAt);
    const float fAmbient[4] = {0.3f, 0.3f, 0.3f, 1.0f};
    const float fDiffuse[4] = {0.9f, 0.9f, 0.9f, 1.0f};
    const float fSpecular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    pLight->SetColors(fAmbient, fDiffuse, fSpecular);
    auto pCube = std::make_unique<CCube>(1.0, 0.0, 0.0, 0.0, 25.0, 35.0, 0.0, 0, 0, 0, 0, 0, 0, false, false,
                                         0, "Gfx\\Marbre2.bmp");
    ASSERT_GT(pCube->GetTexture(), 0);
    auto pFont = std::make_unique<CGLFont>("arial", 20, 10, false);
    const float fFlareAt[3] = {1.0f, 0.5f, -1.0f};
    auto pFlare = std::make_unique<CFlare>(fFlareAt, 0.9f, 0.7f, 0.7f);

    // One frame.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(g_nWidth) / g_nHeight, 0.1, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const float fEye[3] = {0.4f, 0.9f, 2.6f};
    gluLookAt(fEye[0], fEye[1], fEye[2], 0.3, 0.2, -0.4, 0.0, 1.0, 0.0);
    pLight->SetPosition(1.5f, 2.5f, 2.0f);
    pFlare->SetPosition(fFlareAt);
    pCube->Draw(0.0f, 0.0f, 0.0f, false);
    pFlare->Draw(fEye);
    const auto cubeAt = WindowOf(0.0, 0.0, 0.0);
    const auto flareAt = WindowOf(fFlareAt[0], fFlareAt[1], fFlareAt[2]);

    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, g_nWidth, 0.0, g_nHeight, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1.0f, 1.0f, 1.0f);
    const float fTextAt[3] = {10.0f, 12.0f, 0.0f};
    pFont->Print("Cubatro: marble, light and flare", fTextAt);
    glFlush();

    const std::vector<uint8_t> pixels = ReadPixels();
    SaveSnapshot(pixels);
    auto pixel = [&](int x, int y)
    {
        const size_t nAt = (static_cast<size_t>(y) * g_nWidth + static_cast<size_t>(x)) * 4;
        return std::array<int, 3>{pixels[nAt], pixels[nAt + 1], pixels[nAt + 2]};
    };

    // The cube: lit marble, warm grey, well above the background.
    const auto cube = pixel(cubeAt[0], cubeAt[1]);
    EXPECT_GT(cube[0], 60);
    EXPECT_GE(cube[0], cube[2]);
    // The flare: bright where its squares add up.
    const auto flare = pixel(flareAt[0], flareAt[1]);
    EXPECT_GT(flare[0] + flare[1] + flare[2], 300);
    // The text: white pixels along its line, none above it in the empty sky at the left.
    int nWhite = 0, nAbove = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < g_nWidth; ++x)
            nWhite += pixel(x, y) == std::array<int, 3>{255, 255, 255};
    for (int y = 60; y < 90; ++y)
        for (int x = 0; x < 40; ++x)
            nAbove += pixel(x, y) == std::array<int, 3>{255, 255, 255};
    EXPECT_GT(nWhite, 200);
    EXPECT_EQ(nAbove, 0);

    pFlare.reset();
    pFont.reset();
    pCube.reset();
    pLight.reset();
}

}  // namespace

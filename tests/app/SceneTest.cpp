// SceneTest: the game frame against real OpenGL, with the generated art (whole, missing or
// damaged) and a tick source of the test's own.
#include "ArtFixture.h"  // GeneratedArt, CopyArt, CWorkingDirectory
#include "HeadlessGl.h"  // CGlTest, the OpenGL fixture
#include "TempDir.h"     // CTempDir, RunCommand

#include "app/FpsAverage.h"        // CFpsAverage
#include "app/FrameClock.h"        // CFrameClock
#include "app/GameScene.h"         // CGameScene, the frame under test
#include "app/StartupGuard.h"      // CStartupGuard
#include "game/Joueur.h"           // CJoueur, the player's fields
#include "game/Sol.h"              // CSol::GetTime
#include "platform/Diagnostics.h"  // CDiagnosticsCapture, plat::Trace
#include "render/Flare.h"          // CFlare::GetLight
#include "render/Light.h"          // CLight::GetSlot

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>  // dup2: a dying game's standard output joins its standard error

#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

using cubatro::test::CopyArt;
using cubatro::test::CTempDir;
using cubatro::test::CWorkingDirectory;
using cubatro::test::GeneratedArt;

// Present in sanitizer builds: a report in a dying game then ends it with status 99, not 1.
extern "C" void __sanitizer_set_death_callback(void (*)()) __attribute__((weak));

namespace
{
class SceneTest : public cubatro::test::CGlTest
{
protected:
    void TearDown() override
    {
        m_pScene.reset();  // while the context is still there
        CGlTest::TearDown();
    }
    // A scene whose clock reads m_nTick and whose frame-rate feed goes to m_vFed, sized 64 × 64.
    // What the model reader writes on standard output goes to m_strOut when m_bQuiet.
    CGameScene& Scene()
    {
        if (!m_pScene)
        {
            m_pScene = std::make_unique<CGameScene>([this] { return m_nTick; },
                                                    [this](int nStep) { m_vFed.push_back(nStep); });
            if (m_bQuiet) testing::internal::CaptureStdout();
            m_pScene->Resize(s_nSize, s_nSize);
            if (m_bQuiet) m_strOut = testing::internal::GetCapturedStdout();
        }
        return *m_pScene;
    }
    // One frame after the clock moved on by nStep milliseconds.
    bool Frame(int nStep)
    {
        m_nTick += static_cast<uint32_t>(nStep);
        return Scene().RenderFrame();
    }

    uint32_t m_nTick = 1000;                        // what the scene's clock reads
    std::vector<int> m_vFed;                        // steps fed to the frame-rate sink
    bool m_bQuiet = true;                           // Scene() captures standard output
    std::string m_strOut;                           // what it captured
    CWorkingDirectory m_directory{GeneratedArt()};  // the art is found from here
    std::unique_ptr<CGameScene> m_pScene;           // owned, made by Scene()
};

// Polygons after the marker `from` and before the next one; every marker seen goes to *pvStages.
int PolygonsAfter(const std::vector<cubatro::test::SFeedbackPrimitive>& vPrimitives, int from,
                  std::vector<int>* pvStages = nullptr)
{
    int nStage = 0, n = 0;
    for (const auto& p : vPrimitives)
        if (p.type == GL_PASS_THROUGH_TOKEN)
        {
            nStage = static_cast<int>(p.vertices[0].pos[0]);
            if (pvStages) pvStages->push_back(nStage);
        }
        else
            n += nStage == from && p.type == GL_POLYGON_TOKEN;
    return n;
}
}  // namespace

TEST_F(SceneTest, ResizeBuildsTheObjectsOnceAndSetsTheState)
{
    CGameScene& scene = Scene();
    ASSERT_TRUE(scene.IsComplete());
    CJoueur* pJoueur = scene.GetJoueur();
    scene.Resize(64, 32);
    EXPECT_EQ(scene.GetJoueur(), pJoueur);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ((std::vector<int>{viewport[2], viewport[3]}), (std::vector<int>{64, 32}));
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    const float f = 1.0f / std::tan(22.5f * 3.14159265f / 180.0f);
    EXPECT_NEAR(m[5], f, 1e-4);
    EXPECT_NEAR(m[0], f / 2.0f, 1e-4);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_TRUE(m[0] == 1.0f && m[12] == 0.0f);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && glIsEnabled(GL_TEXTURE_2D) && glIsEnabled(GL_DEPTH_TEST));
    scene.Resize(10, 0);  // a window of height 0 takes the width as its aspect
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_NEAR(m[0], f / 10.0f, 1e-4);
}

TEST_F(SceneTest, FirstStepBuildsTheFlareThenFramesDrawInOrder)
{
    CGameScene& scene = Scene();
    // The first frame measures two back-to-back readings: nothing is drawn, built or fed.
    EXPECT_TRUE(Feedback([&] { EXPECT_FALSE(scene.RenderFrame()); }).empty());
    EXPECT_FALSE(Frame(0));
    EXPECT_EQ(scene.GetFlare(), nullptr);
    m_nTick += 20;
    const auto vPrimitives = Feedback([&] { EXPECT_TRUE(scene.RenderFrame()); });
    ASSERT_NE(scene.GetFlare(), nullptr);
    EXPECT_EQ(scene.GetLight()->GetSlot(), 0);
    EXPECT_EQ(scene.GetFlare()->GetLight()->GetSlot(), 1);
    using enum CGameScene::EStage;
    std::vector<int> vStages;
    EXPECT_GT(PolygonsAfter(vPrimitives, kStageFloor, &vStages), 0);
    EXPECT_EQ(vStages,
              (std::vector<int>{kStageClear, kStageCamera, kStageLight, kStageFlarePosition, kStageFloor,
                                kStageCubes, kStagePlayer, kStageFlare, kStageOverlay, kStageDone}));
    EXPECT_GT(PolygonsAfter(vPrimitives, kStagePlayer), 100);
    EXPECT_EQ(PolygonsAfter(vPrimitives, kStageOverlay), 0);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[14], 0.0f);  // the model-view matrix is back to the identity
    const CFlare* pFlare = scene.GetFlare();
    EXPECT_TRUE(Frame(5));
    EXPECT_EQ(scene.GetFlare(), pFlare);  // built once
    EXPECT_EQ(m_vFed, (std::vector<int>{20, 5}));
    EXPECT_EQ(scene.GetSol()->GetTime(), 25);
    EXPECT_EQ(CStartupGuard::Report(), "");  // the guards of the loads are gone
}

TEST_F(SceneTest, EyeThreeBehindAndOneAboveTheLightAheadInEyeSpace)
{
    CGameScene& scene = Scene();
    CJoueur& j = *scene.GetJoueur();
    const float fY = j.m_fY;
    Frame(0);
    for (const float fAngle : {0.0f, 90.0f, 200.0f, 359.0f})
    {
        const float fX = 0.5f + fAngle / 100, fZ = -0.5f - fAngle / 10;
        j.m_fAngle = fAngle;
        j.m_fX = fX;
        j.m_fZ = fZ;
        ASSERT_TRUE(Frame(1)) << fAngle;
        const double a = fAngle * 3.1415927 / 180.0;
        EXPECT_NEAR(scene.GetEye()[0], fX + 3.0 * std::sin(a), 1e-5) << fAngle;
        EXPECT_NEAR(scene.GetEye()[1], fY + 1.0, 1e-5) << fAngle;
        EXPECT_NEAR(scene.GetEye()[2], fZ + 3.0 * std::cos(a), 1e-5) << fAngle;
        // The light, half a unit above the player, went through the look-at: in eye space it
        // lies straight ahead in the vertical plane, sqrt(3² + 0.5²) away.
        GLfloat light[4];
        glGetLightfv(GL_LIGHT0 + scene.GetLight()->GetSlot(), GL_POSITION, light);
        EXPECT_NEAR(light[0], 0.0f, 1e-4) << fAngle;
        EXPECT_LT(light[2], 0.0f) << fAngle;
        EXPECT_NEAR(std::hypot(light[0], light[1], light[2]), std::sqrt(9.25), 1e-4) << fAngle;
    }
}

// The player's flags in the order of the keys that drive them (kKeyLeft .. kKeyF2).
std::vector<bool> Flags(const CJoueur& j)
{
    return {j.m_bTurnLeft, j.m_bTurnRight, j.m_bForward,     j.m_bBackward,
            j.m_bMark,     j.m_bTrigger,   j.m_bFloorBounds, j.m_bCubeCollision};
}

TEST_F(SceneTest, ControlsHeldWhileDownSwitchesFlipOnEveryPress)
{
    CGameScene& scene = Scene();
    const CJoueur& j = *scene.GetJoueur();
    EXPECT_EQ(Flags(j), (std::vector<bool>{false, false, false, false, false, false, true, true}));
    using enum CGameScene::EKey;
    for (int k = kKeyLeft; k <= kKeyOther; k++)
    {
        SCOPED_TRACE("key " + std::to_string(k));
        const auto key = static_cast<CGameScene::EKey>(k);
        const std::vector<bool> vBefore = Flags(j);
        const bool bSwitch = key >= kKeyF1, bBefore = key < kKeyOther && vBefore[k];
        const auto expected = [&](bool bFlag)  // the key's own flag at bFlag, every other one unchanged
        {
            std::vector<bool> v = vBefore;
            if (key < kKeyOther) v[k] = bFlag;
            return v;
        };
        scene.KeyDown(key);
        EXPECT_EQ(Flags(j), expected(bSwitch ? !bBefore : true));
        scene.KeyDown(key);  // a repeat
        EXPECT_EQ(Flags(j), expected(bSwitch ? bBefore : true));
        scene.KeyUp(key);
        EXPECT_EQ(Flags(j), expected(bSwitch ? bBefore : false));
        scene.KeyDown(key);
        scene.ReleaseControls();  // the view lost the keyboard: switches are not controls
        EXPECT_EQ(Flags(j), expected(bSwitch ? !bBefore : false));
    }
}

// --- missing and damaged art --------------------------------------------------------------

enum class EDamage
{
    kRemove,    // the file is missing
    kCut,       // the file keeps its first pszArg bytes
    kCutAfter,  // the file ends just after the first occurrence of the text pszArg
    kConvert,   // the file is what `convert <pszArg><file>` makes
};
using enum EDamage;
constexpr bool kEnds = true, kPlaysOn = false;

struct SFaultCase
{
    const char* pszName;
    const char* pszFile;  // in the art directory
    EDamage damage;
    const char* pszArg;
    bool bEnds;              // kEnds: with status 1; kPlaysOn: the game goes on, perhaps untextured
    const char* pszMessage;  // kEnds: matches standard output and error together; kPlaysOn: found in
                             // the message boxes, traces, standard output or error (empty: no box)
};

const SFaultCase s_faultCases[] = {
    {"MarbleMissing", "Gfx/Marbre2.bmp", kRemove, "", kPlaysOn, "Unable to open file for reading"},
    {"MarbleEmpty", "Gfx/Marbre2.bmp", kCut, "0", kPlaysOn, "Invalid BMP file"},
    {"MarbleCutInHeader", "Gfx/Marbre2.bmp", kCut, "27", kPlaysOn, "Texture file must have 24 bits depth"},
    {"MarbleCutInPixels", "Gfx/Marbre2.bmp", kCut, "100000", kPlaysOn, ""},
    {"Marble32Bits", "Gfx/Marbre2.bmp", kConvert,
     "-size 64x64 xc:gray -define bmp:format=bmp4 -type TrueColorAlpha BMP3:", kPlaysOn,
     "Texture file must have 24 bits depth"},
    {"SpriteMissing", "Gfx/Shine3.bw", kRemove, "", kEnds,
     "Gfx.Shine3.bw: (.|\n)*Cubatro: cannot start: the flare's sprites"},
    {"SpriteEmpty", "Gfx/Shine3.bw", kCut, "0", kPlaysOn,
     "CFlare: Gfx\\Shine3.bw is not a single-channel image, its sprite stays empty"},
    {"SpriteCutInTables", "Gfx/Shine3.bw", kCut, "100", kPlaysOn,
     "Gfx\\Shine3.bw: row tables of 1024 bytes run past the end of the file (100 bytes)"},
    {"SpriteCutInRows", "Gfx/Shine3.bw", kCut, "4000", kPlaysOn, "lie outside the file (4000 bytes)"},
    {"SpriteRgb", "Gfx/Shine3.bw", kConvert, "-size 64x64 xc:gray -depth 8 -type TrueColor sgi:", kPlaysOn,
     "CFlare: Gfx\\Shine3.bw is not a single-channel image"},
    {"SpriteSixteenBits", "Gfx/Shine3.bw", kConvert, "-size 64x64 xc:gray -depth 16 -type Grayscale sgi:",
     kPlaysOn, "Gfx\\Shine3.bw: samples of 2 bytes are not supported"},
    {"ModelMissing", "cle.obj", kRemove, "", kEnds, "Cubatro: cannot start: the player's model \"cle.obj\""},
    {"ModelEmpty", "cle.obj", kCut, "0", kPlaysOn, "CJoueur: model \"cle.obj\" has no vertices"},
    {"ModelCutInLibraryName", "cle.obj", kCutAfter, "mtllib cle.m", kEnds,
     "can't open material file \"(.*/)?cle.m\""},
    {"ModelCutInVertex", "cle.obj", kCutAfter, "\nv ", kEnds, "\"cle.obj\" line [0-9]+: expected a number"},
    {"ModelCutBeforeFaces", "cle.obj", kCutAfter, "\ng", kPlaysOn, ""},
    {"ModelCutInFace", "cle.obj", kCutAfter, "\nf ", kEnds,
     "\"cle.obj\" line [0-9]+: a face needs at least three corners"},
    {"MaterialsMissing", "cle.mtl", kRemove, "", kEnds,
     "Cubatro: cannot start: the player's model \"cle.obj\": _glmReadMTL\\(\\) failed"},
    {"MaterialsEmpty", "cle.mtl", kCut, "0", kPlaysOn, "can't find material \"laiton\""},
    {"MaterialsCutInColour", "cle.mtl", kCutAfter, "Kd ", kEnds,
     "\"cle.mtl\" line [0-9]+: expected a number"},
};

void PrintTo(const SFaultCase& c, std::ostream* pOut)
{
    *pOut << c.pszName;
}

class SceneFaultTest : public SceneTest, public ::testing::WithParamInterface<SFaultCase>
{
};

TEST_P(SceneFaultTest, ClearMessageThenOrderlyEndOrPlayOn)
{
    const SFaultCase& c = GetParam();
    CTempDir dir;
    CopyArt(dir.Path());
    const std::string file = dir / c.pszFile;
    const std::vector<unsigned char> vBytes = CTempDir::ReadAll(file);
    const size_t nAfter = std::string(vBytes.begin(), vBytes.end()).find(c.pszArg);
    if (c.damage == kRemove) std::filesystem::remove(file);
    if (c.damage == kCut) std::filesystem::resize_file(file, std::stoul(c.pszArg));
    if (c.damage == kCutAfter) std::filesystem::resize_file(file, nAfter + std::strlen(c.pszArg));
    const std::string convert = std::string("convert ") + c.pszArg + "'" + file + "'";
    ASSERT_TRUE(c.damage != kConvert || cubatro::test::RunCommand(convert) == 0) << convert;
    ASSERT_TRUE(c.damage != kCutAfter || nAfter != std::string::npos);
    const CWorkingDirectory here(dir.Path());
    if (c.bEnds)
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        m_bQuiet = false;
        EXPECT_EXIT(
            {
                ::dup2(2, 1);
                if (__sanitizer_set_death_callback) __sanitizer_set_death_callback([] { ::_exit(99); });
                Scene();
                Frame(0);
                Frame(20);
            },
            ::testing::ExitedWithCode(1), c.pszMessage);
        return;
    }
    plat::CDiagnosticsCapture capture;
    testing::internal::CaptureStderr();
    Scene();
    Frame(0);
    const bool bDrew = Frame(20) && Frame(20);
    std::string strSaid = m_strOut + testing::internal::GetCapturedStderr() + capture.TraceText();
    for (const std::string& box : capture.Boxes())
        strSaid += box + "\n";
    EXPECT_TRUE(bDrew);
    EXPECT_NE(strSaid.find(c.pszMessage), std::string::npos) << strSaid;
    EXPECT_TRUE(*c.pszMessage != 0 || capture.Boxes().empty()) << strSaid;
    m_pScene.reset();
}

INSTANTIATE_TEST_SUITE_P(Art, SceneFaultTest, ::testing::ValuesIn(s_faultCases),
                         [](const ::testing::TestParamInfo<SFaultCase>& p)
                         { return std::string(p.param.pszName); });

TEST(FrameClockTest, StepsBetweenTheSecondReadingOfAFrameAndTheFirstOfTheNext)
{
    const struct
    {
        std::vector<uint32_t> vReadings;  // tick readings in the order the clock takes them
        std::vector<int> vSteps;          // steps expected
    } cases[] = {{{7, 7, 7}, {0}},        // the first step is back to back ...
                 {{7, 8, 8}, {1}},        // ... and may still tick
                 {{0, 0, 5, 30, 32, 40, 40}, {0, 25, 8}},
                 {{0xFFFFFFF0u, 0xFFFFFFF0u, 0xFFFFFFF0u, 0x10u, 0x10u}, {0, 32}}};  // across the wrap
    for (const auto& c : cases)
    {
        size_t nRead = 0;
        CFrameClock clock([&] { return nRead < c.vReadings.size() ? c.vReadings[nRead++] : 0u; });
        std::vector<int> vSteps;
        while (vSteps.size() < c.vSteps.size())
            vSteps.push_back(clock.Step());
        EXPECT_EQ(vSteps, c.vSteps);
        EXPECT_EQ(nRead, c.vReadings.size());
    }
}

TEST(FpsAverageTest, RunningAverageShownAsPercentG)
{
    const struct
    {
        std::vector<int> vSteps;
        const char* pszShown;
    } cases[] = {
        {{}, "0"}, {{1}, "62.5"}, {{0, 20, 0}, "3.125"}, {{20, 20}, "6.05469"}, {{1, 1000}, "58.6562"}};
    for (const auto& c : cases)
    {
        CFpsAverage average;
        for (int n : c.vSteps)
            average.Update(n);
        EXPECT_EQ(average.Text(), c.pszShown) << ::testing::PrintToString(c.vSteps);
    }
}

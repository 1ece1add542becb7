// SceneTest: the game frame against real OpenGL, with the generated art (whole or with a file
// missing or emptied) and a tick source of the test's own; the frame clock and the rate average.
#include "ArtFixture.h"       // GeneratedArt, CopyArt
#include "HeadlessGl.h"       // CGlTest, the OpenGL fixture
#include "RenderTestTools.h"  // CWorkingDir

#include "app/FpsAverage.h"        // CFpsAverage
#include "app/FrameClock.h"        // CFrameClock
#include "app/GameScene.h"         // CGameScene, the frame under test
#include "app/StartupGuard.h"      // CStartupGuard
#include "game/Joueur.h"           // CJoueur, the player's fields
#include "game/Sol.h"              // CSol::GetTime
#include "platform/Diagnostics.h"  // CDiagnosticsCapture
#include "render/Flare.h"          // CFlare::GetLight
#include "render/Light.h"          // CLight::GetSlot

#include <gtest/gtest.h>
#include <unistd.h>  // dup2: a dying game's standard output joins its standard error

#include <cmath>       // std::hypot
#include <filesystem>  // removing and emptying art files
#include <memory>      // std::unique_ptr for the scene
#include <vector>      // steps and flags

using cubatro::test::CTempDir;

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
    // A scene whose clock reads m_nTick and whose frame-rate feed goes to m_vFed, sized 64 × 64;
    // what the model reader writes on standard output is kept in m_strOut when m_bQuiet.
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
    bool Frame(int nStep)  // one frame after the clock moved on by nStep milliseconds
    {
        m_nTick += static_cast<uint32_t>(nStep);
        return Scene().RenderFrame();
    }

    uint32_t m_nTick = 1000;               // what the scene's clock reads
    std::vector<int> m_vFed;               // steps fed to the frame-rate sink
    bool m_bQuiet = true;                  // Scene() captures standard output
    std::string m_strOut;                  // what it captured
    std::unique_ptr<cubatro::test::CWorkingDir> m_pHere =
        std::make_unique<cubatro::test::CWorkingDir>(cubatro::test::GeneratedArt());  // the art is found from here
    std::unique_ptr<CGameScene> m_pScene;  // owned, made by Scene()
};
}  // namespace

TEST_F(SceneTest, ResizeBuildsTheObjectsOnceAndSetsAFortyFiveDegreeProjection)
{
    CGameScene& scene = Scene();
    ASSERT_TRUE(scene.IsComplete());
    CJoueur* pJoueur = scene.GetJoueur();
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && glIsEnabled(GL_TEXTURE_2D) && glIsEnabled(GL_DEPTH_TEST));
    // 1 / tan(22.5°) = 2.41421 over the aspect: 2 for 64 × 32; a height of 0 counts as 1.
    for (const auto& [cx, cy, fScaleX] : {std::tuple{64, 32, 1.20711f}, {10, 0, 0.241421f}, {64, 64, 2.41421f}})
    {
        scene.Resize(cx, cy);
        GLfloat m[16];
        glGetFloatv(GL_PROJECTION_MATRIX, m);
        EXPECT_NEAR(m[0], fScaleX, 1e-4) << cx << " x " << cy;
        EXPECT_NEAR(m[5], 2.41421f, 1e-4);
    }
    EXPECT_EQ(scene.GetJoueur(), pJoueur);
}

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
    // Heading 0 faces -z, so the eye is 3 units toward +z; at 90 the player faces -x.
    const struct
    {
        float fAngle, fEyeX, fEyeZ;
    } cases[] = {{0.0f, 2.0f, 0.0f}, {90.0f, 5.0f, -3.0f}, {180.0f, 2.0f, -6.0f}, {270.0f, -1.0f, -3.0f}};
    for (const auto& c : cases)
    {
        j.m_fAngle = c.fAngle;
        j.m_fX = 2.0f;
        j.m_fZ = -3.0f;
        ASSERT_TRUE(Frame(1)) << c.fAngle;
        EXPECT_NEAR(scene.GetEye()[0], c.fEyeX, 1e-5) << c.fAngle;
        EXPECT_NEAR(scene.GetEye()[1], fY + 1.0, 1e-5) << c.fAngle;
        EXPECT_NEAR(scene.GetEye()[2], c.fEyeZ, 1e-5) << c.fAngle;
        // The light, half a unit above the player, went through the look-at: in eye space it
        // lies straight ahead in the vertical plane, sqrt(3² + 0.5²) away.
        GLfloat light[4];
        glGetLightfv(GL_LIGHT0 + scene.GetLight()->GetSlot(), GL_POSITION, light);
        EXPECT_NEAR(light[0], 0.0f, 1e-4) << c.fAngle;
        EXPECT_LT(light[2], 0.0f) << c.fAngle;
        EXPECT_NEAR(std::hypot(light[0], light[1], light[2]), std::sqrt(9.25), 1e-4) << c.fAngle;
    }
}

TEST_F(SceneTest, ControlsHeldWhileDownSwitchesFlipOnEveryPress)
{
    CGameScene& scene = Scene();
    const CJoueur& j = *scene.GetJoueur();
    // The player's flags in the order of the keys that drive them (kKeyLeft .. kKeyF2).
    const auto flags = [&]
    {
        return std::vector<bool>{j.m_bTurnLeft, j.m_bTurnRight, j.m_bForward,     j.m_bBackward,
                                 j.m_bMark,     j.m_bTrigger,   j.m_bFloorBounds, j.m_bCubeCollision};
    };
    EXPECT_EQ(flags(), (std::vector<bool>{false, false, false, false, false, false, true, true}));
    using enum CGameScene::EKey;
    for (int k = kKeyLeft; k <= kKeyOther; k++)
    {
        SCOPED_TRACE("key " + std::to_string(k));
        const auto key = static_cast<CGameScene::EKey>(k);
        const std::vector<bool> vBefore = flags();
        const bool bSwitch = key >= kKeyF1, bBefore = key < kKeyOther && vBefore[k];
        const auto expected = [&](bool bFlag)  // the key's own flag at bFlag, every other one unchanged
        {
            std::vector<bool> v = vBefore;
            if (key < kKeyOther) v[k] = bFlag;
            return v;
        };
        scene.KeyDown(key);
        EXPECT_EQ(flags(), expected(bSwitch ? !bBefore : true));
        scene.KeyDown(key);  // a repeat
        EXPECT_EQ(flags(), expected(bSwitch ? bBefore : true));
        scene.KeyUp(key);
        EXPECT_EQ(flags(), expected(bSwitch ? bBefore : false));
        scene.KeyDown(key);
        scene.ReleaseControls();  // the view lost the keyboard: switches are not controls
        EXPECT_EQ(flags(), expected(bSwitch ? !bBefore : false));
    }
}

// --- missing and emptied art: the readers' own tests cover damaged files ---------------------

struct SFaultCase
{
    const char* pszName;
    const char* pszFile;     // in the art directory
    bool bEmptied;           // emptied, not removed
    bool bEnds;              // with status 1; otherwise the game goes on, perhaps untextured
    const char* pszMessage;  // bEnds: matches standard output and error together; otherwise
                             // found in the message boxes, traces, standard output or error
};

const SFaultCase s_faultCases[] = {
    {"MarbleMissing", "Gfx/Marbre2.bmp", false, false, "Unable to open file for reading"},
    {"SpriteMissing", "Gfx/Shine3.bw", false, true, "Gfx.Shine3.bw: (.|\n)*Cubatro: cannot start: the flare's sprites"},
    {"SpriteEmpty", "Gfx/Shine3.bw", true, false, "CFlare: Gfx\\Shine3.bw is not a single-channel image"},
    {"ModelMissing", "cle.obj", false, true, "Cubatro: cannot start: the player's model \"cle.obj\""},
    {"ModelEmpty", "cle.obj", true, false, "CJoueur: model \"cle.obj\" has no vertices"},
    {"MaterialsMissing", "cle.mtl", false, true, "cannot start: the player's model \"cle.obj\": _glmReadMTL\\(\\) failed"},
    {"MaterialsEmpty", "cle.mtl", true, false, "can't find material \"laiton\""},
};

class SceneFaultTest : public SceneTest, public ::testing::WithParamInterface<SFaultCase>
{
};

TEST_P(SceneFaultTest, ClearMessageThenOrderlyEndOrPlayOn)
{
    const SFaultCase& c = GetParam();
    CTempDir dir;
    cubatro::test::CopyArt(dir.Path());
    c.bEmptied ? std::filesystem::resize_file(dir / c.pszFile, 0) : void(std::filesystem::remove(dir / c.pszFile));
    m_pHere.reset();  // back first, so that the directories unwind in order
    m_pHere = std::make_unique<cubatro::test::CWorkingDir>(dir.Path());
    if (c.bEnds)
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        m_bQuiet = false;
        EXPECT_EXIT(
            {
                ::dup2(2, 1);
                if (__sanitizer_set_death_callback) __sanitizer_set_death_callback([] { ::_exit(99); });
                Frame(0);
                Frame(20);
            },
            ::testing::ExitedWithCode(1), c.pszMessage);
        return;
    }
    plat::CDiagnosticsCapture capture;
    testing::internal::CaptureStderr();
    Frame(0);
    const bool bDrew = Frame(20) && Frame(20);
    std::string strSaid = m_strOut + testing::internal::GetCapturedStderr() + capture.TraceText();
    for (const std::string& box : capture.Boxes())
        strSaid += box + "\n";
    EXPECT_TRUE(bDrew);
    EXPECT_NE(strSaid.find(c.pszMessage), std::string::npos) << strSaid;
    m_pScene.reset();
}

INSTANTIATE_TEST_SUITE_P(Art, SceneFaultTest, ::testing::ValuesIn(s_faultCases),
                         [](const ::testing::TestParamInfo<SFaultCase>& p) { return std::string(p.param.pszName); });

TEST(FrameClockTest, StepsBetweenTheSecondReadingOfAFrameAndTheFirstOfTheNext)
{
    const struct
    {
        std::vector<uint32_t> vReadings;  // tick readings in the order the clock takes them
        std::vector<int> vSteps;          // steps expected
    } cases[] = {{{7, 8, 8}, {1}},        // the first step is back to back, and may tick
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
    } cases[] = {{{}, "0"}, {{1}, "62.5"}, {{0, 20, 0}, "3.125"}, {{1, 1000}, "58.6562"}};
    for (const auto& c : cases)
    {
        CFpsAverage average;
        for (int n : c.vSteps)
            average.Update(n);
        EXPECT_EQ(average.Text(), c.pszShown) << ::testing::PrintToString(c.vSteps);
    }
}

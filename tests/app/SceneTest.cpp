// SceneTest: the game frame against real OpenGL, with the generated art and a tick source of
// the test's own.
#include "ArtFixture.h"  // GeneratedArt, CopyArt, CWorkingDirectory
#include "HeadlessGl.h"  // CGlTest, the OpenGL fixture
#include "TempDir.h"     // CTempDir

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

#include <cmath>
#include <memory>
#include <vector>

using cubatro::test::CopyArt;
using cubatro::test::CTempDir;
using cubatro::test::CWorkingDirectory;
using cubatro::test::GeneratedArt;

namespace
{
class SceneTest : public cubatro::test::CGlTest
{
protected:
    void SetUp() override
    {
        CGlTest::SetUp();
        m_pDirectory = std::make_unique<CWorkingDirectory>(GeneratedArt());
    }
    void TearDown() override
    {
        m_pScene.reset();
        m_pDirectory.reset();
        CGlTest::TearDown();
    }
    // A scene whose clock reads m_nTick and whose frame-rate feed goes to m_vFed, sized 64 × 64.
    CGameScene& Scene()
    {
        if (!m_pScene)
        {
            m_pScene = std::make_unique<CGameScene>([this] { return m_nTick; },
                                                    [this](int nStep) { m_vFed.push_back(nStep); });
            testing::internal::CaptureStdout();  // the model reader's counts
            m_pScene->Resize(s_nSize, s_nSize);
            testing::internal::GetCapturedStdout();
        }
        return *m_pScene;
    }
    // One frame after the clock moved on by nStep milliseconds.
    bool Frame(int nStep)
    {
        m_nTick += static_cast<uint32_t>(nStep);
        return Scene().RenderFrame();
    }

    uint32_t m_nTick = 1000;
    std::vector<int> m_vFed;
    std::unique_ptr<CWorkingDirectory> m_pDirectory;
    std::unique_ptr<CGameScene> m_pScene;
};

std::vector<int> Stages(const std::vector<cubatro::test::SFeedbackPrimitive>& vPrimitives)
{
    std::vector<int> v;
    for (const auto& p : vPrimitives)
        if (p.type == GL_PASS_THROUGH_TOKEN) v.push_back(static_cast<int>(p.vertices[0].pos[0]));
    return v;
}

// Polygons reported between the markers `from` and `to`.
int PolygonsBetween(const std::vector<cubatro::test::SFeedbackPrimitive>& vPrimitives, int from, int to)
{
    int nStage = 0, n = 0;
    for (const auto& p : vPrimitives)
    {
        if (p.type == GL_PASS_THROUGH_TOKEN)
            nStage = static_cast<int>(p.vertices[0].pos[0]);
        else if (nStage == from && p.type == GL_POLYGON_TOKEN)
            n++;
        if (nStage == to) break;
    }
    return n;
}
}  // namespace

TEST_F(SceneTest, ResizeBuildsTheObjectsOnceAndSetsTheState)
{
    CGameScene& scene = Scene();
    ASSERT_TRUE(scene.IsComplete());
    EXPECT_EQ(scene.GetLight()->GetSlot(), 0);
    CJoueur* pJoueur = scene.GetJoueur();
    scene.Resize(64, 32);
    EXPECT_EQ(scene.GetJoueur(), pJoueur);

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 64);
    EXPECT_EQ(viewport[3], 32);
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    const float f = 1.0f / std::tan(22.5f * 3.14159265f / 180.0f);
    EXPECT_NEAR(m[5], f, 1e-4);
    EXPECT_NEAR(m[0], f / 2.0f, 1e-4);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[0], 1.0f);
    EXPECT_EQ(m[12], 0.0f);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));

    scene.Resize(10, 0);  // a window of height 0 takes the width as its aspect
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_NEAR(m[0], f / 10.0f, 1e-4);
}

TEST_F(SceneTest, ZeroStepDrawsAndFeedsNothing)
{
    CGameScene& scene = Scene();
    const auto vPrimitives = Feedback([&] { EXPECT_FALSE(scene.RenderFrame()); });
    EXPECT_TRUE(vPrimitives.empty());
    EXPECT_FALSE(Frame(0));
    EXPECT_EQ(scene.GetFlare(), nullptr);
    EXPECT_TRUE(m_vFed.empty());
    EXPECT_EQ(scene.GetSol()->GetTime(), 0);
}

TEST_F(SceneTest, FirstStepBuildsTheFlareOnTheSecondLightUnit)
{
    CGameScene& scene = Scene();
    EXPECT_FALSE(Frame(0));
    ASSERT_TRUE(Frame(20));
    ASSERT_NE(scene.GetFlare(), nullptr);
    EXPECT_EQ(scene.GetLight()->GetSlot(), 0);
    EXPECT_EQ(scene.GetFlare()->GetLight()->GetSlot(), 1);
    const CFlare* pFlare = scene.GetFlare();
    EXPECT_TRUE(Frame(5));
    EXPECT_EQ(scene.GetFlare(), pFlare);  // built once
    EXPECT_EQ(m_vFed, (std::vector<int>{20, 5}));
    EXPECT_EQ(scene.GetSol()->GetTime(), 25);
}

TEST_F(SceneTest, FrameWorksInOrder)
{
    CGameScene& scene = Scene();
    Frame(0);
    m_nTick += 16;
    const auto vPrimitives = Feedback([&] { EXPECT_TRUE(scene.RenderFrame()); });
    EXPECT_EQ(Stages(vPrimitives),
              (std::vector<int>{CGameScene::kStageClear, CGameScene::kStageCamera, CGameScene::kStageLight,
                                CGameScene::kStageFlarePosition, CGameScene::kStageFloor,
                                CGameScene::kStageCubes, CGameScene::kStagePlayer, CGameScene::kStageFlare,
                                CGameScene::kStageOverlay, CGameScene::kStageDone}));
    EXPECT_GT(PolygonsBetween(vPrimitives, CGameScene::kStageFloor, CGameScene::kStageCubes), 0);
    EXPECT_GT(PolygonsBetween(vPrimitives, CGameScene::kStagePlayer, CGameScene::kStageFlare), 100);
    EXPECT_EQ(PolygonsBetween(vPrimitives, CGameScene::kStageOverlay, CGameScene::kStageDone), 0);
    // The model-view matrix is back to the identity after the frame.
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[14], 0.0f);
}

struct SCameraCase
{
    float fAngle, fX, fZ;
};

class SceneCameraTest : public SceneTest, public ::testing::WithParamInterface<SCameraCase>
{
};

TEST_P(SceneCameraTest, EyeThreeBehindAndOneAbove)
{
    CGameScene& scene = Scene();
    CJoueur& j = *scene.GetJoueur();
    j.m_fAngle = GetParam().fAngle;
    j.m_fX = GetParam().fX;
    j.m_fZ = GetParam().fZ;
    const float fY = j.m_fY;
    EXPECT_FALSE(Frame(0));  // the first frame measures two back-to-back readings
    ASSERT_TRUE(Frame(10));
    const double a = GetParam().fAngle * 3.1415927 / 180.0;
    EXPECT_NEAR(scene.GetEye()[0], GetParam().fX + 3.0 * std::sin(a), 1e-5);
    EXPECT_NEAR(scene.GetEye()[1], fY + 1.0, 1e-5);
    EXPECT_NEAR(scene.GetEye()[2], GetParam().fZ + 3.0 * std::cos(a), 1e-5);
    // The light, half a unit above the player, went through the look-at: in eye space it lies
    // straight ahead in the vertical plane, sqrt(3² + 0.5²) away.
    GLfloat light[4];
    glGetLightfv(GL_LIGHT0 + scene.GetLight()->GetSlot(), GL_POSITION, light);
    EXPECT_NEAR(light[0], 0.0f, 1e-4);
    EXPECT_LT(light[2], 0.0f);
    EXPECT_NEAR(std::sqrt(light[0] * light[0] + light[1] * light[1] + light[2] * light[2]), std::sqrt(9.25),
                1e-4);
}

INSTANTIATE_TEST_SUITE_P(Headings, SceneCameraTest,
                         ::testing::Values(SCameraCase{0.0f, 0.5f, -0.5f}, SCameraCase{90.0f, 2.0f, -3.0f},
                                           SCameraCase{200.0f, 4.5f, -20.0f},
                                           SCameraCase{359.0f, 1.0f, -1.0f}));

// --- keys ---------------------------------------------------------------------------------

struct SKeyCase
{
    const char* pszName;
    CGameScene::EKey key;
    bool CJoueur::*pFlag;
};

class SceneKeyTest : public SceneTest, public ::testing::WithParamInterface<SKeyCase>
{
};

TEST_P(SceneKeyTest, DownSetsUpClearsFocusLossReleases)
{
    CGameScene& scene = Scene();
    CJoueur& j = *scene.GetJoueur();
    bool CJoueur::*pFlag = GetParam().pFlag;
    EXPECT_FALSE(j.*pFlag);
    scene.KeyDown(GetParam().key);
    EXPECT_TRUE(j.*pFlag);
    scene.KeyDown(GetParam().key);  // a repeat keeps it held
    EXPECT_TRUE(j.*pFlag);
    scene.KeyUp(GetParam().key);
    EXPECT_FALSE(j.*pFlag);
    scene.KeyDown(GetParam().key);
    scene.ReleaseControls();
    EXPECT_FALSE(j.*pFlag);
    EXPECT_TRUE(j.m_bFloorBounds);
    EXPECT_TRUE(j.m_bCubeCollision);
}

INSTANTIATE_TEST_SUITE_P(Controls, SceneKeyTest,
                         ::testing::Values(SKeyCase{"Left", CGameScene::kKeyLeft, &CJoueur::m_bTurnLeft},
                                           SKeyCase{"Right", CGameScene::kKeyRight, &CJoueur::m_bTurnRight},
                                           SKeyCase{"Up", CGameScene::kKeyUp, &CJoueur::m_bForward},
                                           SKeyCase{"Down", CGameScene::kKeyDown, &CJoueur::m_bBackward},
                                           SKeyCase{"End", CGameScene::kKeyEnd, &CJoueur::m_bMark},
                                           SKeyCase{"Delete", CGameScene::kKeyDelete, &CJoueur::m_bTrigger}),
                         [](const ::testing::TestParamInfo<SKeyCase>& p)
                         { return std::string(p.param.pszName); });

TEST_F(SceneTest, FunctionKeysToggleOnEveryKeyDown)
{
    CGameScene& scene = Scene();
    CJoueur& j = *scene.GetJoueur();
    scene.KeyDown(CGameScene::kKeyF1);
    EXPECT_FALSE(j.m_bFloorBounds);
    scene.KeyUp(CGameScene::kKeyF1);
    EXPECT_FALSE(j.m_bFloorBounds);
    scene.KeyDown(CGameScene::kKeyF1);  // a repeat flips it again
    EXPECT_TRUE(j.m_bFloorBounds);
    scene.KeyDown(CGameScene::kKeyF2);
    EXPECT_FALSE(j.m_bCubeCollision);
    scene.ReleaseControls();
    EXPECT_FALSE(j.m_bCubeCollision);  // switches are not controls
    scene.KeyDown(CGameScene::kKeyOther);
    EXPECT_FALSE(j.m_bForward || j.m_bTurnLeft || j.m_bMark || j.m_bTrigger);
}

// --- missing art --------------------------------------------------------------------------

TEST_F(SceneTest, MissingMarbleIsReportedAndTheGameGoesOn)
{
    CTempDir dir;
    CopyArt(dir.Path(), {"Gfx/Marbre2.bmp"});
    const CWorkingDirectory here(dir.Path());
    plat::CDiagnosticsCapture capture;
    CGameScene& scene = Scene();
    ASSERT_FALSE(capture.Boxes().empty());
    for (const std::string& box : capture.Boxes())
        EXPECT_EQ(box, "Unable to open file for reading");
    EXPECT_TRUE(scene.IsComplete());
    Frame(0);
    EXPECT_TRUE(Frame(20));
    m_pScene.reset();
}

struct SMissingCase
{
    const char* pszName;
    const char* pszFile;     // left out of the art
    const char* pszMessage;  // expected on standard error
};

class SceneMissingTest : public SceneTest, public ::testing::WithParamInterface<SMissingCase>
{
};

TEST_P(SceneMissingTest, EndsWithStatusOneAndSaysWhy)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    CTempDir dir;
    CopyArt(dir.Path(), {GetParam().pszFile});
    const CWorkingDirectory here(dir.Path());
    EXPECT_EXIT(
        {
            Scene();
            Frame(0);
            Frame(20);
        },
        ::testing::ExitedWithCode(1), GetParam().pszMessage);
}

INSTANTIATE_TEST_SUITE_P(
    Art, SceneMissingTest,
    ::testing::Values(
        SMissingCase{"Model", "cle.obj", "Cubatro: cannot start: the player's model \"cle.obj\""},
        SMissingCase{"Materials", "cle.mtl", "Cubatro: cannot start: the player's model \"cle.obj\""},
        SMissingCase{"Sprite", "Gfx/Shine3.bw",
                     "Shine3.bw(.|\n)*Cubatro: cannot start: the flare's sprites"}),
    [](const ::testing::TestParamInfo<SMissingCase>& p) { return std::string(p.param.pszName); });

// --- clock, average, guard ------------------------------------------------------------------

struct SClockCase
{
    const char* pszName;
    std::vector<uint32_t> vReadings;  // tick readings in the order the clock takes them
    std::vector<int> vSteps;          // steps expected
};

class FrameClockTest : public ::testing::TestWithParam<SClockCase>
{
};

TEST_P(FrameClockTest, StepsBetweenReadings)
{
    size_t nRead = 0;
    const std::vector<uint32_t>& v = GetParam().vReadings;
    CFrameClock clock([&] { return nRead < v.size() ? v[nRead++] : v.back(); });
    std::vector<int> vSteps;
    for (size_t i = 0; i < GetParam().vSteps.size(); i++)
        vSteps.push_back(clock.Step());
    EXPECT_EQ(vSteps, GetParam().vSteps);
    EXPECT_EQ(nRead, v.size());
}

INSTANTIATE_TEST_SUITE_P(
    Readings, FrameClockTest,
    ::testing::Values(SClockCase{"FirstStepIsBackToBack", {7, 7, 7}, {0}},
                      SClockCase{"FirstStepCanTick", {7, 8, 8}, {1}},
                      SClockCase{"MeasuredFromTheSecondRead", {0, 0, 5, 30, 32, 40, 40}, {0, 25, 8}},
                      SClockCase{
                          "AcrossTheWrap", {0xFFFFFFF0u, 0xFFFFFFF0u, 0xFFFFFFF0u, 0x10u, 0x10u}, {0, 32}}),
    [](const ::testing::TestParamInfo<SClockCase>& p) { return std::string(p.param.pszName); });

struct SFpsCase
{
    const char* pszName;
    std::vector<int> vSteps;
    const char* pszShown;
};

class FpsAverageTest : public ::testing::TestWithParam<SFpsCase>
{
};

TEST_P(FpsAverageTest, RunningAverageShownAsPercentG)
{
    CFpsAverage average;
    for (int n : GetParam().vSteps)
        average.Update(n);
    EXPECT_EQ(average.Text(), GetParam().pszShown);
}

INSTANTIATE_TEST_SUITE_P(Steps, FpsAverageTest,
                         ::testing::Values(SFpsCase{"StartsAtZero", {}, "0"},
                                           SFpsCase{"OneTwentyMsStep", {20}, "3.125"},
                                           SFpsCase{"OneMsIsAThousand", {1}, "62.5"},
                                           SFpsCase{"ZeroStepsIgnored", {0, 20, 0}, "3.125"},
                                           SFpsCase{"TwoSteps", {20, 20}, "6.05469"},
                                           SFpsCase{"LongPausePullsDown", {1, 1000}, "58.6562"}),
                         [](const ::testing::TestParamInfo<SFpsCase>& p)
                         { return std::string(p.param.pszName); });

TEST(StartupGuardTest, ReportsOnlyWhileAlive)
{
    plat::CDiagnosticsCapture capture;
    EXPECT_EQ(CStartupGuard::Report(), "");
    {
        const CStartupGuard guard("the thing");
        EXPECT_EQ(CStartupGuard::Report(), "Cubatro: cannot start: the thing\n");
        plat::Trace("reader() failed: can't open file \"%s\".\n", "x.obj");
        EXPECT_EQ(CStartupGuard::Report(),
                  "Cubatro: cannot start: the thing: reader() failed: can't open file \"x.obj\".\n");
    }
    EXPECT_EQ(CStartupGuard::Report(), "");
    plat::Trace("after\n");
    EXPECT_EQ(capture.TraceText(),
              "reader() failed: can't open file \"x.obj\".\nafter\n");  // the trace still flows
}

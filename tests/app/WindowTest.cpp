// WindowTest: the real game program on a virtual X server, played with real key presses.
#include "ArtFixture.h"  // CopyArt, the generated art
#include "GameWindow.h"  // CXServer, CGameProcess, SShot
#include "TempDir.h"     // CTempDir

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

using cubatro::test::CGameProcess;
using cubatro::test::CopyArt;
using cubatro::test::CTempDir;
using cubatro::test::CXServer;
using cubatro::test::Pause;
using cubatro::test::SShot;

namespace
{
constexpr double kStartSeconds = 40.0;  // deadline for windows and exits: far beyond what they need
const char* const kGameWindow = "^Sans titre - Cubatro$";

// Fraction of pixels that look like the marble: light and grey.
double MarbleShare(const SShot& shot)
{
    long n = 0;
    for (int y = 0; y < shot.nHeight; y++)
        for (int x = 0; x < shot.nWidth; x++)
        {
            const auto p = shot.At(x, y);
            const int nMax = std::max({p[0], p[1], p[2]}), nMin = std::min({p[0], p[1], p[2]});
            n += nMin > 90 && nMax - nMin < 24;
        }
    return double(n) / (double(shot.nWidth) * shot.nHeight);
}

// Starts the program. Now and then, on a loaded machine, the toolkit cannot open a display that
// answers other clients; the program then ends at once saying so, and another start gets through.
std::unique_ptr<CGameProcess> StartGame(const CXServer& server, const std::string& strDirectory,
                                        const std::vector<std::string>& vArgs = {},
                                        const std::string& strProgram = "", const std::string& strOutput = "")
{
    std::unique_ptr<CGameProcess> pGame;
    for (int nTry = 0; nTry < 3; nTry++)
    {
        pGame = std::make_unique<CGameProcess>(server, strDirectory, vArgs, strProgram, strOutput);
        for (int nPoll = 0; nPoll < 30 && pGame->HasNotEnded(); nPoll++)
            Pause(0.05);
        if (pGame->Stderr().find("Unable to initialize GTK+") == std::string::npos) break;
        pGame->Wait(kStartSeconds);
    }
    return pGame;
}

class WindowTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_pServer = std::make_unique<CXServer>(); }
    static void TearDownTestSuite() { s_pServer.reset(); }
    void SetUp() override { ASSERT_FALSE(s_pServer->Display().empty()) << "Xvfb did not start"; }

    // Starts the game from a fresh directory whose "debug" holds the art minus the named files.
    CGameProcess& Start(const std::vector<std::string>& vLeftOut = {},
                        const std::vector<std::string>& vArgs = {})
    {
        CopyArt(m_dir.Path() / "debug", vLeftOut);
        m_pGame = StartGame(*s_pServer, m_dir.Path().string(), vArgs);
        return *m_pGame;
    }
    // Starts the game and waits for its window.
    std::string StartPlaying()
    {
        CGameProcess& game = Start();
        const auto window = game.WaitForWindow(kGameWindow, kStartSeconds);
        EXPECT_TRUE(window) << game.Stderr() << s_pServer->Health();
        return window.value_or("");
    }
    // Escape ends the game at once with status 0.
    void Quit(const std::string& window)
    {
        ASSERT_TRUE(m_pGame->Key(window, "Escape"));
        EXPECT_EQ(m_pGame->Wait(kStartSeconds), 0) << m_pGame->Stderr();
    }

    // Holds a key for a while, lets go and takes a picture of the window once it has settled.
    SShot Hold(const std::string& window, const std::string& key, double dSeconds)
    {
        EXPECT_TRUE(m_pGame->KeyDown(window, key));
        Pause(dSeconds);
        EXPECT_TRUE(m_pGame->KeyUp(key));
        Pause(0.3);
        return m_pGame->Shot(window).value_or(SShot{});
    }

    // Pictures of the window until one satisfies bDone, for up to kStartSeconds; the last one.
    SShot ShotWhen(const std::string& window, const std::function<bool(const SShot&)>& bDone)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(kStartSeconds);
        SShot shot;
        do
            shot = m_pGame->Shot(window).value_or(SShot{});
        while (!bDone(shot) && std::chrono::steady_clock::now() < deadline);
        return shot;
    }
    SShot ShotOfTheScene(const std::string& window)  // once the scene is drawn
    {
        return ShotWhen(window, [](const SShot& shot) { return MarbleShare(shot) > 0.10; });
    }

    static std::unique_ptr<CXServer> s_pServer;
    CTempDir m_dir;
    std::unique_ptr<CGameProcess> m_pGame;
};

std::unique_ptr<CXServer> WindowTest::s_pServer;

}  // namespace

TEST_F(WindowTest, GameAndFpsWindowsAppearAndEscapeQuits)
{
    const std::string window = StartPlaying();
    EXPECT_TRUE(m_pGame->WaitForWindow("^FPS$", kStartSeconds));
    Quit(window);
}

TEST_F(WindowTest, SceneIsDrawnAndUpArrowWalks)
{
    const std::string window = StartPlaying();
    Pause(1.0);
    const auto before = m_pGame->Shot(window);
    ASSERT_TRUE(before);
    EXPECT_GT(MarbleShare(*before), 0.10);  // floor and cubes in marble
    // The block stands at the far end, above the middle of the picture: marble there too.
    long nUpper = 0;
    for (int y = before->nHeight / 10; y < before->nHeight / 4; y++)
        for (int x = 0; x < before->nWidth; x++)
            nUpper += before->At(x, y)[0] > 90;
    EXPECT_GT(nUpper, 200);

    ASSERT_TRUE(m_pGame->KeyDown(window, "Up"));
    Pause(0.8);
    ASSERT_TRUE(m_pGame->KeyUp("Up"));
    Pause(0.3);
    const auto after = m_pGame->Shot(window);
    ASSERT_TRUE(after);
    EXPECT_GT(SShot::Difference(*before, *after, 0.6, 1.0), 5.0);  // the floor moved under the camera

    Pause(0.5);
    const auto later = m_pGame->Shot(window);
    ASSERT_TRUE(later);
    EXPECT_LT(SShot::Difference(*after, *later, 0.6, 1.0), 2.0);  // released: the player stands still
    Quit(window);
}

TEST_F(WindowTest, KeyReleasedElsewhereDoesNotKeepThePlayerWalking)
{
    const std::string window = StartPlaying();
    const auto fps = m_pGame->WaitForWindow("^FPS$", kStartSeconds);
    ASSERT_TRUE(fps);
    Pause(0.5);
    ASSERT_TRUE(m_pGame->KeyDown(window, "Up"));
    Pause(0.3);
    ASSERT_TRUE(m_pGame->Focus(*fps));  // the game loses the keyboard ...
    ASSERT_TRUE(m_pGame->KeyUp("Up"));  // ... and the key comes up over the other window
    ASSERT_TRUE(m_pGame->Focus(window));
    Pause(0.3);
    const auto first = m_pGame->Shot(window);
    Pause(0.5);
    const auto second = m_pGame->Shot(window);
    ASSERT_TRUE(first && second);
    EXPECT_LT(SShot::Difference(*first, *second, 0.6, 1.0), 2.0);
    Quit(window);
}

struct SMissingCase
{
    const char* pszName;
    const char* pszFile;     // left out of the art
    const char* pszMessage;  // on standard error
};

class WindowMissingTest : public WindowTest, public ::testing::WithParamInterface<SMissingCase>
{
};

TEST_P(WindowMissingTest, EndsWithStatusOneAndAClearMessage)
{
    CGameProcess& game = Start({GetParam().pszFile});
    EXPECT_EQ(game.Wait(kStartSeconds), 1);
    EXPECT_NE(game.Stderr().find(GetParam().pszMessage), std::string::npos) << game.Stderr();
}

INSTANTIATE_TEST_SUITE_P(
    Art, WindowMissingTest,
    ::testing::Values(SMissingCase{"Model", "cle.obj",
                                   "Cubatro: cannot start: the player's model \"cle.obj\""},
                      SMissingCase{"Sprite", "Gfx/Shine0.bw", "Cubatro: cannot start: the flare's sprites"}),
    [](const ::testing::TestParamInfo<SMissingCase>& p) { return std::string(p.param.pszName); });

TEST_F(WindowTest, MissingMarbleShowsItsBoxAndTheGameGoesOn)
{
    CGameProcess& game = Start({"Gfx/Marbre2.bmp"});
    // One box for each of the two names of the texture; each is answered with Return.
    int nBoxes = 0;
    while (nBoxes < 4)
    {
        const auto box = game.WaitForWindow("^Cubatro$", nBoxes == 0 ? kStartSeconds : 2.0);
        if (!box) break;
        nBoxes++;
        ASSERT_TRUE(game.Key(*box, "Return"));
        Pause(0.3);
    }
    EXPECT_GE(nBoxes, 1);
    EXPECT_NE(game.Stderr().find("Unable to open file for reading"), std::string::npos) << game.Stderr();
    const auto window = game.WaitForWindow(kGameWindow, kStartSeconds);
    ASSERT_TRUE(window);
    Pause(0.5);
    EXPECT_TRUE(game.IsRunning());
    Quit(*window);
}

TEST_F(WindowTest, SaveAsWritesAnEmptyFileAndTheGameGoesOn)
{
    const std::string window = StartPlaying();
    const std::string path = (m_dir.Path() / "partie.cub").string();
    ASSERT_TRUE(m_pGame->Key(window, "alt+f"));
    Pause(0.3);
    ASSERT_EQ(s_pServer->Run("xdotool key r"), 0);
    const auto dialog = m_pGame->WaitForWindow("^Enregistrer sous$", kStartSeconds);
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(m_pGame->Key(*dialog, "ctrl+a"));
    ASSERT_EQ(s_pServer->Run("xdotool type --delay 5 '" + path + "'"), 0);
    ASSERT_EQ(s_pServer->Run("xdotool key Return"), 0);
    const auto renamed = m_pGame->WaitForWindow("^partie.cub - Cubatro$", kStartSeconds);
    ASSERT_TRUE(renamed) << m_pGame->Stderr();
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    EXPECT_TRUE(m_pGame->IsRunning());
    Quit(*renamed);
}

TEST_F(WindowTest, UnreadableDocumentOnTheCommandLineEndsTheProgram)
{
    CGameProcess& game = Start({}, {"/nonexistent/partie.cub"});
    const auto box = game.WaitForWindow("^Cubatro$", kStartSeconds);
    ASSERT_TRUE(box) << game.Stderr();
    ASSERT_TRUE(game.Key(*box, "Return"));
    EXPECT_NE(game.Wait(kStartSeconds), 0);
    EXPECT_NE(game.Stderr().find("Impossible d'ouvrir le document /nonexistent/partie.cub."),
              std::string::npos);
}

TEST(WindowNoOpenGlTest, ReportsTheMissingPixelFormatAndIdles)
{
    CXServer server("-extension GLX");
    ASSERT_FALSE(server.Display().empty());
    CTempDir dir;
    CopyArt(dir.Path() / "debug");
    const std::unique_ptr<CGameProcess> pGame = StartGame(server, dir.Path().string());
    CGameProcess& game = *pGame;
    const auto box = game.WaitForWindow("^Cubatro$", kStartSeconds);
    ASSERT_TRUE(box) << game.Stderr();
    EXPECT_NE(game.Stderr().find("DescribePixelFormat returned error code "), std::string::npos)
        << game.Stderr();
    ASSERT_TRUE(game.Key(*box, "Return"));
    const auto window = game.WaitForWindow(kGameWindow, kStartSeconds);
    ASSERT_TRUE(window);
    Pause(1.0);
    EXPECT_TRUE(game.IsRunning());  // idling, not crashed
    EXPECT_FALSE(game.WaitForWindow("^FPS$", 0.5));
    // Without a view to take the keys the menu still works: Fichier > Quitter.
    ASSERT_TRUE(game.Key(*window, "alt+f"));
    Pause(0.3);
    ASSERT_EQ(server.Run("xdotool key q"), 0);
    EXPECT_EQ(game.Wait(kStartSeconds), 0) << game.Stderr();
}

TEST_F(WindowTest, InstalledGameStartsFromItsDesktopEntry)
{
    CTempDir prefix, output;
    std::string out;
    ASSERT_EQ(cubatro::test::RunCommand("cmake --install '" CUBATRO_BINARY_DIR "' --prefix '" +
                                            prefix.Path().string() + "' 2>&1",
                                        &out),
              0)
        << out;
    const std::filesystem::path share = prefix.Path() / "share";
    EXPECT_TRUE(std::filesystem::exists(share / "pixmaps/cubatro.xpm"));
    const std::vector<unsigned char> vEntry =
        CTempDir::ReadAll((share / "applications/cubatro.desktop").string());
    const std::string entry(vEntry.begin(), vEntry.end());
    const std::string art = (share / "cubatro").string();
    EXPECT_NE(entry.find("\nPath=" + art + "\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nExec=" + (prefix.Path() / "bin/cubatro").string() + "\n"), std::string::npos)
        << entry;
    EXPECT_NE(entry.find("\nIcon=cubatro\n"), std::string::npos) << entry;

    // Started in its Path= directory, which has no "debug", the game finds its art in place.
    m_pGame =
        StartGame(*s_pServer, art, {}, (prefix.Path() / "bin/cubatro").string(), output.Path().string());
    const auto window = m_pGame->WaitForWindow(kGameWindow, kStartSeconds);
    ASSERT_TRUE(window) << m_pGame->Stderr();
    Pause(1.0);
    const auto shot = m_pGame->Shot(*window);
    ASSERT_TRUE(shot);
    EXPECT_GT(MarbleShare(*shot), 0.10);
    Quit(*window);
}

TEST_F(WindowTest, F1TurnsTheFloorEdgeOffAndOnAgainAtEachPress)
{
    const std::string window = StartPlaying();
    // The player starts with its back to the near edge of the floor. Whole pictures are compared:
    // off the floor the floor rises out of the lower part. Only the far block rolls meanwhile.
    const SShot start = ShotOfTheScene(window);
    const SShot blocked = Hold(window, "Down", 0.8);
    EXPECT_LT(SShot::Difference(start, blocked, 0.0, 1.0), 2.0);
    ASSERT_TRUE(m_pGame->Key(window, "F1"));  // edges off: the player backs off the floor
    const SShot off = Hold(window, "Down", 0.8);
    EXPECT_GT(SShot::Difference(blocked, off, 0.0, 1.0), 5.0);
    ASSERT_TRUE(m_pGame->Key(window, "F1"));  // edges on: off the floor, every step is refused
    const SShot on = Hold(window, "Down", 0.8);
    EXPECT_LT(SShot::Difference(off, on, 0.0, 1.0), 2.0);
    Quit(window);
}

TEST_F(WindowTest, F2TurnsCubeCollisionOffAtEachPress)
{
    const std::string window = StartPlaying();
    ShotOfTheScene(window);
    // Without the floor's edges only the cubes can stop the walk toward the far end.
    ASSERT_TRUE(m_pGame->Key(window, "F1"));
    ASSERT_TRUE(m_pGame->Key(window, "F2"));
    ASSERT_TRUE(m_pGame->Key(window, "F2"));  // off and on again: the block stops the player
    const SShot stopped = Hold(window, "Up", 9.0);
    EXPECT_GT(MarbleShare(stopped), 0.10);
    ASSERT_TRUE(m_pGame->Key(window, "F2"));  // off: through the block into the dark beyond it
    const SShot through = Hold(window, "Up", 9.0);
    EXPECT_LT(MarbleShare(through), 0.08);  // only the player is left in sight
    Quit(window);
}

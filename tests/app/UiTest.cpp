// UiTest: the game's windows made in this process on a virtual X server: the frame's menus, its
// keyboard shortcuts pressed for real, the frame-rate window, the about box, the idle loop that
// stops while nothing can be seen, and the drawing context of the image code.
#include "ArtFixture.h"       // CopyArt: the art the shown view loads
#include "RenderTestTools.h"  // CWorkingDir

#include "app/CubatroApp.h"       // CCubatroApp, made here as the program would
#include "app/CubatroView.h"      // CCubatroView, the view the keys must not reach
#include "app/FpsDlg.h"           // CFpsDlg, the window that opens with the view's context
#include "app/MainFrame.h"        // CMainFrame
#include "app/WxDeviceContext.h"  // CWxDeviceContext
#include "image/Texture.h"        // CTexture, drawn through the context

#include <gtest/gtest.h>
#include <wx/button.h>    // wxButton, the about box's OK
#include <wx/dcmemory.h>  // wxMemoryDC over a bitmap
#include <wx/dialog.h>    // wxDialog, the box found among the top-level windows
#include <wx/evtloop.h>   // wxGUIEventLoop, run while waiting
#include <wx/frame.h>     // wxFrame, a window that covers the game
#include <wx/menu.h>      // wxMenuBar
#include <wx/statbmp.h>   // wxStaticBitmap
#include <wx/stattext.h>  // wxStaticText
#include <wx/timer.h>     // wxTimer, the safety deadline of a modal box
#include <wx/toplevel.h>  // wxTopLevelWindows

#include <X11/Xutil.h>  // XGetWMNormalHints, the window manager's view of a window
#include <gdk/gdkx.h>   // the X windows behind the toolkit's
#include <gtk/gtk.h>    // the menu items' shortcuts
#include <unistd.h>     // getpid: the frame's windows among the server's

#include <algorithm>   // std::count, std::find
#include <chrono>      // deadlines
#include <cstdlib>     // getenv, setenv for the display
#include <functional>  // std::function for the conditions waited on
#include <memory>      // std::unique_ptr
#include <string>      // std::string for commands
#include <tuple>       // std::tie for the activity counts
#include <vector>      // std::vector for the cases

// The program defines this with its entry point; the test makes the application object itself.
CCubatroApp& wxGetApp()
{
    return *static_cast<CCubatroApp*>(wxApp::GetInstance());
}

namespace
{
using namespace cubatro::test;

// The art as working directory and the toolkit for the whole process, on the X display the
// test run provides (tools/test.sh starts one; tests/app/with-display.sh when run alone).
class CWxEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        ASSERT_TRUE(std::getenv("DISPLAY")) << "no X display: run under xvfb-run -a";
        ::setenv("GDK_BACKEND", "x11", 1);
        ::setenv("NO_AT_BRIDGE", "1", 1);
        CopyArt(m_art.Path());
        m_pCwd = std::make_unique<CWorkingDir>(m_art.Path());
        wxApp::SetInstance(new CCubatroApp);
        int argc = 1;
        char name[] = "app_ui_tests", *argv[] = {name, nullptr};
        ASSERT_TRUE(wxEntryStart(argc, argv));
    }
    void TearDown() override
    {
        wxEntryCleanup();
        m_pCwd.reset();
    }

private:
    CTempDir m_art;
    std::unique_ptr<CWorkingDir> m_pCwd;
};
[[maybe_unused]] ::testing::Environment* const g_pEnvironment =
    ::testing::AddGlobalTestEnvironment(new CWxEnvironment);

// Runs the toolkit's event loop until bDone holds or 30 s have passed; whether it holds.
bool PumpUntil(const std::function<bool()>& bDone)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    wxGUIEventLoop loop;
    wxTimer timer;
    timer.Bind(wxEVT_TIMER,
               [&](wxTimerEvent&)
               {
                   if (bDone() || std::chrono::steady_clock::now() > deadline) loop.Exit();
               });
    timer.Start(10);
    loop.Run();
    return bDone();
}

wxDialog* ModalBox()  // the modal box that runs now, if any
{
    for (wxWindow* pWindow : wxTopLevelWindows)
        if (auto* pBox = dynamic_cast<wxDialog*>(pWindow); pBox && pBox->IsModal()) return pBox;
    return nullptr;
}

Window XWindow(const wxWindow* pWindow)
{
    return GDK_WINDOW_XID(gtk_widget_get_window(pWindow->GetHandle()));
}

class UiFrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_pFrame = new CMainFrame();
        wxTheApp->Bind(wxEVT_IDLE, &UiFrameTest::OnIdle, this);
    }
    void TearDown() override
    {
        wxTheApp->Unbind(wxEVT_IDLE, &UiFrameTest::OnIdle, this);
        m_pFrame->Destroy();
        PumpUntil([] { return wxTopLevelWindows.IsEmpty(); });
    }
    void OnIdle(wxIdleEvent& event)
    {
        m_nIdle++;
        event.Skip();
    }
    // What the game does while the loop runs 20 timer ticks, after 10 for what was asked before:
    // frames drawn and idle passes (a busy idle loop makes many a tick, a quiet one about one).
    std::pair<long, int> Activity(const CCubatroView* pView)
    {
        int nTicks = 0, nIdle = 0;
        long nFrames = 0;
        PumpUntil(
            [&]
            {
                if (++nTicks == 10) std::tie(nFrames, nIdle) = std::pair(pView->GetFramesDrawn(), m_nIdle);
                return nTicks > 30;
            });
        return {pView->GetFramesDrawn() - nFrames, m_nIdle - nIdle};
    }
    // Shows the frame and waits for drawn frames and the frame-rate window; the view.
    CCubatroView* ShowGame()
    {
        m_pFrame->Show();
        CCubatroView* pView = m_pFrame->GetView();
        EXPECT_TRUE(pView &&
                    PumpUntil([&] { return pView->GetFramesDrawn() > 0 && g_pFpsDlg->IsShownOnScreen(); }));
        return pView;
    }
    // An xdotool command line that first finds the shown window of this process titled strTitle.
    std::string XdoTool(const std::string& strTitle) const
    {
        return "xdotool search --sync --all --onlyvisible --pid " + std::to_string(::getpid()) +
               " --name '^" + strTitle + "$' ";
    }
    CMainFrame* m_pFrame = nullptr;  // destroyed through the toolkit
    int m_nIdle = 0;                 // the application's idle passes
};

TEST_F(UiFrameTest, MenusAreFrenchWithEditAndOpenGlItemsGreyed)
{
    const struct
    {
        const char* pszTitle;
        std::vector<wxString> vItems;  // as shown, with mnemonic and shortcut text; "" is a separator
        bool bEnabled;                 // every item of the menu
    } kMenus[] = {
        {"&Fichier",
         {"&Nouveau\tCtrl+N", "&Ouvrir...\tCtrl+O", "&Enregistrer\tCtrl+S", "En&registrer sous...", "",
          "&Quitter"},
         true},
        {"&Edition",
         {"&Annuler\tCtrl+Z", "", "&Couper\tCtrl+X", "&Copier\tCtrl+C", "C&oller\tCtrl+V"},
         false},
        {"&?", {"&A propos de Cubatro..."}, true},
        {"OpenGL", {"Blend", "Antialising", "Timer"}, false}};
    m_pFrame->UpdateWindowUI();  // the menus' enabling as the frame keeps it
    const wxMenuBar* pBar = m_pFrame->GetMenuBar();
    ASSERT_EQ(pBar->GetMenuCount(), std::size(kMenus));
    for (size_t m = 0; m < std::size(kMenus); m++)
    {
        EXPECT_EQ(pBar->GetMenuLabel(m), kMenus[m].pszTitle);
        std::vector<wxString> vLabels;
        for (const wxMenuItem* pItem : pBar->GetMenu(m)->GetMenuItems())
        {
            vLabels.push_back(pItem->IsSeparator() ? wxString() : pItem->GetItemLabel());
            EXPECT_TRUE(pItem->IsSeparator() || pItem->IsEnabled() == kMenus[m].bEnabled) << vLabels.back();
            // The toolkit shows and accepts the shortcuts of the label, and no others of its own.
            GList* pShortcuts = gtk_widget_list_accel_closures(pItem->GetMenuItem());
            EXPECT_EQ(pShortcuts != nullptr, vLabels.back().Contains('\t')) << vLabels.back();
            g_list_free(pShortcuts);
        }
        EXPECT_EQ(vLabels, kMenus[m].vItems);
    }
}

TEST_F(UiFrameTest, AboutBoxHoldsTheGameAndItsOkButtonClosesIt)
{
    const CCubatroView* pView = ShowGame();
    ASSERT_TRUE(pView);
    bool bTimedOut = false;
    wxTimer safety;  // a box that does not close is closed after 30 s, and the test fails
    safety.Bind(wxEVT_TIMER,
                [&](wxTimerEvent&)
                {
                    if (wxDialog* pBox = ModalBox())
                    {
                        bTimedOut = true;
                        pBox->EndModal(wxID_CANCEL);
                    }
                });
    safety.StartOnce(30000);
    // Once the box runs, look at it, then click its OK button with the X server's pointer.
    m_pFrame->CallAfter(
        [&]
        {
            const wxDialog* pBox = ModalBox();
            ASSERT_TRUE(pBox);
            const auto [nFrames, nIdle] = Activity(pView);
            EXPECT_EQ(nFrames, 0) << "frames drawn behind the box";
            EXPECT_LT(nIdle, 40) << "a busy idle loop";
            EXPECT_EQ(pBox->GetTitle(), "A propos de Cubatro");
            std::vector<wxString> vTexts;
            const wxStaticBitmap* pIcon = nullptr;
            const wxButton* pOk = nullptr;
            for (const wxWindow* pChild : pBox->GetChildren())
            {
                if (auto* p = dynamic_cast<const wxStaticText*>(pChild)) vTexts.push_back(p->GetLabel());
                if (auto* p = dynamic_cast<const wxStaticBitmap*>(pChild)) pIcon = p;
                if (auto* p = dynamic_cast<const wxButton*>(pChild)) pOk = p;
            }
            EXPECT_EQ(vTexts, (std::vector<wxString>{"Cubatro Alpha version 1.0",
                                                     wxString::FromUTF8("Cubes de marbre, une cl\u00e9 et "
                                                                        "un sol qui s\u2019effrite")}));
            ASSERT_TRUE(pIcon && pOk);
            EXPECT_EQ(pIcon->GetBitmap().GetSize(), wxSize(32, 32));
            EXPECT_TRUE(pOk->GetId() == wxID_OK && pOk->GetLabel() == "OK" && pBox->GetDefaultItem() == pOk);
            const wxPoint centre = pOk->GetScreenRect().GetPosition() + pOk->GetSize() / 2;
            RunCommand("xdotool search --sync --onlyvisible --name '^A propos de Cubatro$' mousemove " +
                       std::to_string(centre.x) + " " + std::to_string(centre.y) +
                       " sleep 0.2 click 1 >/dev/null 2>&1 &");
        });
    wxCommandEvent about(wxEVT_MENU, wxID_ABOUT);
    m_pFrame->ProcessWindowEvent(about);  // returns when the box has closed
    EXPECT_FALSE(bTimedOut) << "the about box did not close";
    EXPECT_GT(Activity(pView).first, 0) << "the game did not go on";
}

TEST_F(UiFrameTest, NoFramesAndAQuietIdleWhileMinimisedOrCovered)
{
    const CCubatroView* pView = ShowGame();
    ASSERT_TRUE(pView);
    const std::string strGame = std::to_string(XWindow(m_pFrame));
    wxFrame* pCover = nullptr;
    const struct
    {
        const char* pszName;
        std::function<void()> hide, show;
    } kCases[] = {
        // Without a window manager an unmapped window is a minimised one, as with one.
        {"Minimised", [&] { RunCommand("xdotool windowunmap --sync " + strGame); },
         [&] { RunCommand("xdotool windowmap --sync " + strGame); }},
        {"Covered",
         [&]
         {
             pCover = new wxFrame(nullptr, wxID_ANY, "", wxPoint(0, 0), wxGetDisplaySize(), wxBORDER_NONE);
             pCover->Show();
         },
         [&] { pCover->Destroy(); }}};
    for (const auto& c : kCases)
    {
        c.hide();
        const auto [nFrames, nIdle] = Activity(pView);
        EXPECT_EQ(nFrames, 0) << c.pszName;
        EXPECT_LT(nIdle, 40) << c.pszName << ": a busy idle loop";
        c.show();  // the frames go on by themselves
        EXPECT_GT(Activity(pView).first, 0) << c.pszName;
    }
}

TEST_F(UiFrameTest, FpsWindowAtTheTopLeftAboveTheGameClosedByEscapeOrEnter)
{
    ASSERT_TRUE(ShowGame());
    Display* pDisplay = GDK_WINDOW_XDISPLAY(gtk_widget_get_window(g_pFpsDlg->GetHandle()));
    const Window fps = XWindow(g_pFpsDlg), game = XWindow(m_pFrame);
    int x = 0, y = 0;
    Window child = 0, root = 0, owner = 0, *pChildren = nullptr;
    XTranslateCoordinates(pDisplay, fps, DefaultRootWindow(pDisplay), 0, 0, &x, &y, &child);
    EXPECT_EQ(wxPoint(x, y), wxPoint(1, 1));
    // A window manager keeps it there (the position is the user's) and above the game's window.
    XSizeHints hints{};
    long nSupplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(pDisplay, fps, &hints, &nSupplied));
    EXPECT_TRUE(hints.flags & USPosition);
    EXPECT_TRUE(XGetTransientForHint(pDisplay, fps, &owner) && owner == game);
    unsigned nChildren = 0;  // without a window manager: the stacking order, bottom first
    ASSERT_TRUE(XQueryTree(pDisplay, DefaultRootWindow(pDisplay), &root, &child, &pChildren, &nChildren));
    EXPECT_GT(std::find(pChildren, pChildren + nChildren, fps),
              std::find(pChildren, pChildren + nChildren, game));
    XFree(pChildren);
    for (const char* pszKey : {"Escape", "Return"})
    {
        g_pFpsDlg->Show();
        gdk_display_sync(gdk_display_get_default());  // on screen before xdotool looks for it
        ASSERT_EQ(RunCommand(XdoTool("FPS") + "windowfocus --sync key " + pszKey), 0) << pszKey;
        EXPECT_TRUE(PumpUntil([] { return !g_pFpsDlg->IsShown(); })) << pszKey;
    }
}

TEST_F(UiFrameTest, ShortcutsKeepTheirKeysFromTheViewAndEscapeQuitsUnlessAMenuIsOpen)
{
    // Keys pressed for real in the shown frame: whether each one reaches the view's key-down.
    const struct
    {
        const char* pszKeys;  // for xdotool
        int nKeyCode;         // what the view would see
        bool bReachesView;
    } kCases[] = {
        // clang-format off
        {"shift+Delete", WXK_DELETE, false}, {"ctrl+x", 'X', false}, {"ctrl+c", 'C', false},
        {"ctrl+v", 'V', false}, {"ctrl+z", 'Z', false}, {"alt+BackSpace", WXK_BACK, false},
        {"ctrl+Insert", WXK_INSERT, false}, {"shift+Insert", WXK_INSERT, false},
        {"KP_Add", WXK_NUMPAD_ADD, false}, {"KP_Subtract", WXK_NUMPAD_SUBTRACT, false},
        {"Delete", WXK_DELETE, true}, {"x", 'X', true}, {"Insert", WXK_INSERT, true}, {"BackSpace", WXK_BACK, true},
        {"ctrl+q", 'Q', true}};
    // clang-format on
    CCubatroView* pView = ShowGame();
    ASSERT_TRUE(pView);
    int nClosing = 0, nMenus = 0;  // close requests (counted, not done), menus open
    m_pFrame->Bind(wxEVT_CLOSE_WINDOW, [&](wxCloseEvent&) { nClosing++; });
    m_pFrame->Bind(wxEVT_MENU_OPEN, [&](wxMenuEvent&) { nMenus++; });
    m_pFrame->Bind(wxEVT_MENU_CLOSE, [&](wxMenuEvent&) { nMenus--; });
    std::vector<int> vSeen;
    pView->Bind(wxEVT_KEY_DOWN,
                [&](wxKeyEvent& event)
                {
                    vSeen.push_back(event.GetKeyCode());
                    event.Skip();
                });
    const std::string strFocus = XdoTool("Sans titre - Cubatro") + "windowfocus --sync ";
    for (const auto& c : kCases)
    {
        // Each case ends with "a", which the view always gets: once it is there, so is the case.
        vSeen.clear();
        ASSERT_EQ(RunCommand(strFocus + "key --clearmodifiers " + c.pszKeys + " a"), 0) << c.pszKeys;
        ASSERT_TRUE(PumpUntil([&] { return !vSeen.empty() && vSeen.back() == 'A'; }))
            << c.pszKeys << ::testing::PrintToString(vSeen);
        EXPECT_EQ(std::count(vSeen.begin(), vSeen.end(), c.nKeyCode), c.bReachesView ? 1 : 0) << c.pszKeys;
        EXPECT_EQ(nClosing, 0) << c.pszKeys;
    }
    // Escape in an open menu closes it, whether the menu takes the keyboard or, all greyed, not.
    for (const char* pszMenu : {"alt+f", "alt+e", "alt+question", "F10 Left"})
    {
        ASSERT_EQ(RunCommand(strFocus + "key --clearmodifiers " + pszMenu), 0) << pszMenu;
        ASSERT_TRUE(PumpUntil([&] { return nMenus > 0; })) << pszMenu;
        ASSERT_EQ(RunCommand("xdotool key Escape"), 0);
        EXPECT_TRUE(PumpUntil([&] { return nMenus == 0; })) << pszMenu;
        EXPECT_EQ(nClosing, 0) << pszMenu;
    }
    ASSERT_EQ(RunCommand(strFocus + "key Escape"), 0);
    EXPECT_TRUE(PumpUntil([&] { return nClosing == 1; }));
}

// A 2 × 2 24-bit picture (bottom row red, green; top row blue, white; bytes blue, green, red)
// drawn with CTexture::Draw at (1, 1) into a black 4 × 3 bitmap: upright, in its colours.
TEST(UiDeviceContextTest, TextureDrawsUprightInItsColoursAtTheDestination)
{
    const unsigned char pixels[] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255};
    CTexture texture;
    ASSERT_TRUE(texture.CreateFromBuffer(pixels, 2, 2, 24));
    wxBitmap bitmap(4, 3, 24);
    {
        wxMemoryDC dc(bitmap);
        dc.SetBackground(*wxBLACK_BRUSH);
        dc.Clear();
        CWxDeviceContext context(dc);
        EXPECT_EQ(texture.Draw(context, 1, 1, 2, 2), 2);  // rows drawn
    }
    const wxImage image = bitmap.ConvertToImage();
    std::string shown;  // top row first: k black, r red, g green, b blue, w white
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 4; x++)
            shown += "krgybmcw"[(image.GetRed(x, y) > 127) + 2 * (image.GetGreen(x, y) > 127) +
                                4 * (image.GetBlue(x, y) > 127)];
    EXPECT_EQ(shown, "kkkk" "kbwk" "krgk");
}
}  // namespace

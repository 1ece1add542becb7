// UiTest: the game's windows made in this process on a virtual X server: the frame's menus, its
// keyboard shortcuts pressed for real, the about box, and the drawing context of the image code.
#include "ArtFixture.h"       // CopyArt: the art the shown view loads
#include "RenderTestTools.h"  // CWorkingDir

#include "app/AppIcons.h"         // CubatroIcon32, the about box's picture
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
#include <wx/menu.h>      // wxMenuBar
#include <wx/statbmp.h>   // wxStaticBitmap
#include <wx/stattext.h>  // wxStaticText
#include <wx/timer.h>     // wxTimer, the safety deadline of a modal box
#include <wx/toplevel.h>  // wxTopLevelWindows

#include <unistd.h>  // getpid: the frame's windows among the server's

#include <algorithm>   // std::count
#include <chrono>      // deadlines
#include <cstdlib>     // getenv, setenv for the display
#include <cstring>     // std::memcmp for the icon's pixels
#include <functional>  // std::function for the conditions waited on
#include <memory>      // std::unique_ptr
#include <string>      // std::string for commands
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

class UiFrameTest : public ::testing::Test
{
protected:
    void SetUp() override { m_pFrame = new CMainFrame(); }
    void TearDown() override
    {
        m_pFrame->Destroy();
        PumpUntil([] { return wxTopLevelWindows.IsEmpty(); });
    }
    CMainFrame* m_pFrame = nullptr;  // destroyed through the toolkit
};

struct SMenu
{
    const char* pszTitle;
    std::vector<wxString> vItems;  // as shown, with mnemonic and shortcut text; "" is a separator
    bool bEnabled;                 // every item of the menu
};

TEST_F(UiFrameTest, MenusAreFrenchWithEditAndOpenGlItemsGreyed)
{
    const SMenu kMenus[] = {
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
        }
        EXPECT_EQ(vLabels, kMenus[m].vItems);
    }
}

TEST_F(UiFrameTest, AboutItemShowsTheBoxAndItsOkButtonClosesIt)
{
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
            ASSERT_TRUE(pIcon);
            const wxImage shown = pIcon->GetBitmap().ConvertToImage();
            const wxImage icon = wxBitmap(CubatroIcon32()).ConvertToImage();
            ASSERT_EQ(shown.GetSize(), wxSize(32, 32));
            EXPECT_EQ(0, std::memcmp(shown.GetData(), icon.GetData(), 32 * 32 * 3));
            ASSERT_TRUE(pOk);
            EXPECT_EQ(pOk->GetId(), wxID_OK);
            EXPECT_EQ(pOk->GetLabel(), "OK");
            EXPECT_EQ(pBox->GetDefaultItem(), pOk);
            const wxPoint centre = pOk->GetScreenRect().GetPosition() + pOk->GetSize() / 2;
            RunCommand("xdotool search --sync --onlyvisible --name '^A propos de Cubatro$' mousemove " +
                       std::to_string(centre.x) + " " + std::to_string(centre.y) +
                       " sleep 0.2 click 1 >/dev/null 2>&1 &");
        });
    wxCommandEvent about(wxEVT_MENU, wxID_ABOUT);
    m_pFrame->ProcessWindowEvent(about);  // returns when the box has closed
    EXPECT_FALSE(bTimedOut) << "the about box did not close";
}

// Keys pressed for real in the shown frame: whether each one reaches the view's key-down.
struct SKeyCase
{
    const char* pszKeys;  // for xdotool
    int nKeyCode;         // what the view would see
    bool bReachesView;
};

TEST_F(UiFrameTest, EditingAndNumericPadShortcutsNeverReachTheView)
{
    // clang-format off
    const SKeyCase kCases[] = {
        {"shift+Delete", WXK_DELETE, false}, {"ctrl+x", 'X', false}, {"ctrl+c", 'C', false},
        {"ctrl+v", 'V', false}, {"ctrl+z", 'Z', false}, {"alt+BackSpace", WXK_BACK, false},
        {"ctrl+Insert", WXK_INSERT, false}, {"shift+Insert", WXK_INSERT, false},
        {"KP_Add", WXK_NUMPAD_ADD, false}, {"KP_Subtract", WXK_NUMPAD_SUBTRACT, false},
        {"Delete", WXK_DELETE, true}, {"x", 'X', true}, {"Insert", WXK_INSERT, true}, {"BackSpace", WXK_BACK, true}};
    // clang-format on
    m_pFrame->Show();
    CCubatroView* pView = m_pFrame->GetView();
    ASSERT_TRUE(pView);
    std::vector<int> vSeen;
    pView->Bind(wxEVT_KEY_DOWN,
                [&](wxKeyEvent& event)
                {
                    vSeen.push_back(event.GetKeyCode());
                    event.Skip();
                });
    // The frame-rate window opens with the context and takes the keyboard; the keys go to the frame after it.
    ASSERT_TRUE(PumpUntil([&] { return pView->HasContext() && g_pFpsDlg && g_pFpsDlg->IsShownOnScreen(); }));
    const std::string strFocus = "xdotool search --all --onlyvisible --pid " + std::to_string(::getpid()) +
                                 " --name '^Sans titre - Cubatro$' windowfocus --sync ";
    for (const SKeyCase& c : kCases)
    {
        // Each case ends with "a", which the view always gets: once it is there, so is the case.
        vSeen.clear();
        ASSERT_EQ(RunCommand(strFocus + "key --clearmodifiers " + c.pszKeys + " a"), 0) << c.pszKeys;
        ASSERT_TRUE(PumpUntil([&] { return !vSeen.empty() && vSeen.back() == 'A'; }))
            << c.pszKeys << ::testing::PrintToString(vSeen);
        EXPECT_EQ(std::count(vSeen.begin(), vSeen.end(), c.nKeyCode), c.bReachesView ? 1 : 0) << c.pszKeys;
        EXPECT_TRUE(m_pFrame->IsShown()) << c.pszKeys;
    }
}

// A 3 × 2 24-bit picture (rows padded to 12 bytes) drawn into a white 8 × 6 bitmap.
struct SBlit
{
    const char* pszName;
    int xDest, yDest;
    unsigned nWidth, nHeight;
    int xSrc, ySrc;  // lower-left corner, rows counted from the bottom
    unsigned nStartScan, nScanLines;
    int nRows;  // the answer: rows drawn
};

void PrintTo(const SBlit& b, std::ostream* pOut)
{
    *pOut << b.pszName;
}
using UiDeviceContextTest = ::testing::TestWithParam<SBlit>;

TEST_P(UiDeviceContextTest, DrawsTheHeldRowsAtTheDestination)
{
    const SBlit& b = GetParam();
    auto texel = [](int x, int y) { return wxColour(40 * x + 10, 60 * y + 20, 200); };  // y from the bottom
    std::vector<unsigned char> vPixels;
    for (int y = 0; y < 2; y++)  // the texture's first row is the picture's bottom row
        for (int x = 0; x < 3; x++)
            vPixels.insert(vPixels.end(), {texel(x, y).Blue(), texel(x, y).Green(), texel(x, y).Red()});
    CTexture texture;
    ASSERT_TRUE(texture.CreateFromBuffer(vPixels.data(), 3, 2, 24));

    wxBitmap bitmap(8, 6, 24);
    {
        wxMemoryDC dc(bitmap);
        dc.SetBackground(*wxWHITE_BRUSH);
        dc.Clear();
        CWxDeviceContext context(dc);
        const unsigned char* pBits = texture.GetData() + size_t(b.nStartScan) * texture.GetWidthByte32();
        EXPECT_EQ(b.xSrc == 0 && b.ySrc == 0 && b.nStartScan == 0 && b.nScanLines == 2
                      ? texture.Draw(context, b.xDest, b.yDest, int(b.nWidth), int(b.nHeight))
                      : context.SetDIBitsToDevice(b.xDest, b.yDest, b.nWidth, b.nHeight, b.xSrc, b.ySrc,
                                                  b.nStartScan, b.nScanLines, pBits, texture.GetInfoHeader()),
                  b.nRows);
    }
    const wxImage image = bitmap.ConvertToImage();
    for (int y = 0; y < 6; y++)
        for (int x = 0; x < 8; x++)
        {
            const int c = x - b.xDest, r = y - b.yDest;  // place in the destination rectangle
            const int nRow = b.ySrc + int(b.nHeight) - 1 - r;
            const bool bDrawn = b.nRows > 0 && c >= 0 && c < int(b.nWidth) && r >= 0 && r < int(b.nHeight) &&
                                nRow >= int(b.nStartScan) && nRow < int(b.nStartScan + b.nScanLines);
            const wxColour expected = bDrawn ? texel(b.xSrc + c, nRow) : *wxWHITE;
            EXPECT_EQ(wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y)), expected)
                << "at " << x << ", " << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Blits, UiDeviceContextTest,
                         ::testing::Values(SBlit{"WholeTextureAtAnOffset", 2, 3, 3, 2, 0, 0, 0, 2, 2},
                                           SBlit{"SourceCorner", 4, 1, 2, 1, 1, 1, 0, 2, 1},
                                           SBlit{"OnlyTheHeldBand", 1, 1, 3, 2, 0, 0, 1, 1, 1},
                                           SBlit{"RectangleOutsideTheTexture", 0, 0, 2, 2, 2, 0, 0, 2, 0}),
                         [](const ::testing::TestParamInfo<SBlit>& p)
                         { return std::string(p.param.pszName); });
}  // namespace

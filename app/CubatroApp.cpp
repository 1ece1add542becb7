// CubatroApp: start-up and the idle loop (the entry point and the working-directory rule are
// in Main.cpp).
#include "app/CubatroApp.h"

#include "app/CubatroView.h"       // CCubatroView, repainted from idle time
#include "app/MainFrame.h"         // CMainFrame, the main window
#include "platform/Diagnostics.h"  // plat::SetMessageBoxSink for real boxes

#include <wx/cmdline.h>  // wxCmdLineParser for the optional document
#include <wx/msgdlg.h>   // wxMessageBox

#include <cstdio>  // std::fwrite to standard error

namespace
{
// A failed check inside the toolkit is written to standard error; a game never stops on it.
void AssertToStandardError(const wxString& file, int nLine, const wxString& func, const wxString& cond,
                           const wxString& msg)
{
    std::fprintf(stderr, "%s(%d): check \"%s\" failed in %s(): %s\n", file.utf8_str().data(), nLine,
                 cond.utf8_str().data(), func.utf8_str().data(), msg.utf8_str().data());
}
}  // namespace

CCubatroApp::CCubatroApp()
{
    wxSetAssertHandler(AssertToStandardError);
    SetVendorName("Local AppWizard-Generated Applications");
    SetAppName("Cubatro");
    Bind(wxEVT_IDLE, &CCubatroApp::OnIdle, this);
    m_modal.Register();
}

CCubatroApp::~CCubatroApp()
{
    m_modal.Unregister();
}

bool CCubatroApp::OnInit()
{
    plat::SetMessageBoxSink(
        [](std::string_view text)
        {
            // Also on standard error, so that a box nobody sees still leaves a trace.
            std::fwrite(text.data(), 1, text.size(), stderr);
            std::fputc('\n', stderr);
            wxMessageBox(wxString::FromUTF8(text.data(), text.size()), "Cubatro", wxOK);
        });

    wxCmdLineParser parser(argc, argv);
    parser.AddParam("document", wxCMD_LINE_VAL_STRING, wxCMD_LINE_PARAM_OPTIONAL);
    if (parser.Parse(false) != 0) return false;

    auto* pFrame = new CMainFrame();
    if (parser.GetParamCount() > 0 && !pFrame->OpenDocument(parser.GetParam(0)))
    {
        plat::MessageBox("Impossible d'ouvrir le document " + parser.GetParam(0).utf8_string() + ".");
        m_pView = nullptr;
        pFrame->Destroy();
        return false;
    }
    SetTopWindow(pFrame);
    pFrame->Show(true);
    return true;
}

int CCubatroApp::OnExit()
{
    plat::SetMessageBoxSink(nullptr);
    return wxApp::OnExit();
}

void CCubatroApp::OnIdle(wxIdleEvent& event)
{
    event.Skip();
    if (!m_pView || m_modal.m_nOpen > 0 || !m_pView->CanBeSeen()) return;  // until an event comes
    m_pView->Refresh(false);
}

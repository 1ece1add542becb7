// CubatroView: context, size and paint handlers, keys and focus.
#include "app/CubatroView.h"

#include "app/CubatroApp.h"        // wxGetApp().m_pView, the idle handler's view
#include "app/FpsDlg.h"            // CFpsDlg, fed with every drawn frame
#include "platform/Diagnostics.h"  // plat::MessageBox for the failure messages
#include "platform/Tick.h"         // plat::GetTickCount, the frame clock

#include <wx/cursor.h>    // wxCursor for the hidden pointer
#include <wx/dcclient.h>  // wxPaintDC
#include <wx/toplevel.h>  // wxTopLevelWindow, whether the frame is minimised

#include <gtk/gtk.h>  // the view's visibility on screen

#include <cerrno>  // errno, the code shown with a failure
#include <chrono>  // steady_clock for the time to the first frame
#include <ctime>   // clock_gettime for the frame's processor time
#include <string>  // std::string, std::to_string for the messages

CFpsDlg* g_pFpsDlg = nullptr;

namespace
{
const std::chrono::steady_clock::time_point g_start = std::chrono::steady_clock::now();  // near process start

// The X server tells whether the view is fully covered; the view keeps the answer.
gboolean OnVisibility(GtkWidget*, GdkEventVisibility* pEvent, gpointer pObscured)
{
    *static_cast<bool*>(pObscured) = pEvent->state == GDK_VISIBILITY_FULLY_OBSCURED;
    return FALSE;
}

double ThreadCpuMs()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

bool g_bFallbackFormat = false;  // the requested pixel format was not available
bool g_bNoFormat = false;        // not even the default pixel format is available

wxGLAttributes Requested()
{
    wxGLAttributes attributes;
    attributes.PlatformDefaults().RGBA().DoubleBuffer().Depth(24).Stencil(8).EndList();
    return attributes;
}

wxGLAttributes Chosen()
{
    const wxGLAttributes requested = Requested();
    if (wxGLCanvas::IsDisplaySupported(requested)) return requested;
    g_bFallbackFormat = true;
    wxGLAttributes fallback;
    fallback.Defaults().EndList();
    if (!wxGLCanvas::IsDisplaySupported(fallback)) g_bNoFormat = true;
    return fallback;
}
}  // namespace

wxGLAttributes CCubatroView::PixelFormat()
{
    return Requested();
}

CCubatroView::CCubatroView(wxWindow* pParent)
    : wxGLCanvas(pParent, Chosen(), wxID_ANY, wxDefaultPosition, wxDefaultSize,
                 wxFULL_REPAINT_ON_RESIZE | wxWANTS_CHARS)
{
    g_pFpsDlg = new CFpsDlg();
    m_pScene = std::make_unique<CGameScene>(plat::GetTickCount,
                                            [](int nStep)
                                            {
                                                if (g_pFpsDlg) g_pFpsDlg->UpdateFps(nStep);
                                            });
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetCursor(wxCursor(wxCURSOR_BLANK));
    Bind(wxEVT_PAINT, &CCubatroView::OnPaint, this);
    Bind(wxEVT_SIZE, &CCubatroView::OnSize, this);
    Bind(wxEVT_KEY_DOWN, &CCubatroView::OnKeyDown, this);
    Bind(wxEVT_KEY_UP, &CCubatroView::OnKeyUp, this);
    Bind(wxEVT_KILL_FOCUS, &CCubatroView::OnKillFocus, this);
    Bind(wxEVT_ERASE_BACKGROUND, &CCubatroView::OnEraseBackground, this);
    wxGetApp().m_pView = this;
    if (!GetHandle())
    {
        // The display offers no OpenGL pixel format: the window could not be made for OpenGL.
        m_bContextTried = true;
        Report(g_bNoFormat ? "DescribePixelFormat" : "SetPixelFormat", errno);
        return;
    }
    gtk_widget_add_events(GetHandle(), GDK_VISIBILITY_NOTIFY_MASK);
    g_signal_connect(GetHandle(), "visibility-notify-event", G_CALLBACK(OnVisibility), &m_bObscured);
}

CCubatroView::~CCubatroView()
{
    if (m_nFramesDrawn > 0)
        plat::Trace("CCubatroView : %ld frames drawn, %.3f ms of processor time per frame in RenderFrame\n",
                    m_nFramesDrawn, m_dFrameCpuMs / static_cast<double>(m_nFramesDrawn));
    if (wxTheApp && wxGetApp().m_pView == this) wxGetApp().m_pView = nullptr;
    if (g_pFpsDlg && g_pFpsDlg->HasWindow())
        g_pFpsDlg->Destroy();  // the window goes with its object, once the toolkit lets it go
    else
        delete g_pFpsDlg;
    g_pFpsDlg = nullptr;
    // The scene's objects release their OpenGL names while the context is still current.
    m_pScene.reset();
    m_hRC.reset();
}

void CCubatroView::Report(const char* pszCall, int nCode)
{
    plat::MessageBox(std::string(pszCall) + " returned error code " + std::to_string(nCode) + ".");
}

bool CCubatroView::CreateGLContext()
{
    if (g_bNoFormat)
    {
        Report("DescribePixelFormat", errno);
        return false;
    }
    if (!IsShownOnScreen())
    {
        Report("SetPixelFormat", errno);
        return false;
    }
    m_hRC = std::make_unique<wxGLContext>(this);
    if (!m_hRC->IsOK())
    {
        Report("wglCreateContext", errno);
        m_hRC.reset();
        return false;
    }
    if (!SetCurrent(*m_hRC))
    {
        Report("wglMakeCurrent", errno);
        m_hRC.reset();
        return false;
    }
    if (g_pFpsDlg && !g_pFpsDlg->HasWindow()) g_pFpsDlg->CreateWindow(wxGetTopLevelParent(this));
    return true;
}

bool CCubatroView::EnsureContext()
{
    if (m_bContextTried) return m_bContextReady;
    if (!IsShownOnScreen()) return false;
    m_bContextTried = true;
    m_bContextReady = CreateGLContext();
    return m_bContextReady;
}

bool CCubatroView::CanBeSeen() const
{
    const auto* pFrame = dynamic_cast<const wxTopLevelWindow*>(GetParent());
    return IsShownOnScreen() && !(pFrame && pFrame->IsIconized()) && !m_bObscured;
}

void CCubatroView::OnSize(wxSizeEvent& event)
{
    event.Skip();
    if (m_bBusy || !EnsureContext()) return;
    const wxSize size = GetClientSize();
    m_bBusy = true;
    SetCurrent(*m_hRC);
    m_pScene->Resize(size.GetWidth(), size.GetHeight());
    m_bBusy = false;
}

void CCubatroView::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(this);
    if (!m_bContextTried && EnsureContext())
    {
        // The window came on screen without a size event: set the scene up now.
        const wxSize size = GetClientSize();
        m_bBusy = true;
        m_pScene->Resize(size.GetWidth(), size.GetHeight());
        m_bBusy = false;
    }
    if (!m_bContextReady || m_bBusy) return;
    SetCurrent(*m_hRC);
    const double dCpu = ThreadCpuMs();
    m_bBusy = true;
    const bool bDrawn = m_pScene->RenderFrame();
    m_bBusy = false;
    if (bDrawn)
    {
        m_dFrameCpuMs += ThreadCpuMs() - dCpu;
        if (m_nFramesDrawn++ == 0)
            plat::Trace("CCubatroView : first frame drawn %.0f ms after start\n",
                        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - g_start)
                            .count());
    }
    SwapBuffers();
    wxWakeUpIdle();  // the next idle pass asks for the next frame
}

CGameScene::EKey CCubatroView::MapKey(int nKeyCode)
{
    switch (nKeyCode)
    {
    case WXK_LEFT:
        return CGameScene::kKeyLeft;
    case WXK_RIGHT:
        return CGameScene::kKeyRight;
    case WXK_UP:
        return CGameScene::kKeyUp;
    case WXK_DOWN:
        return CGameScene::kKeyDown;
    case WXK_END:
        return CGameScene::kKeyEnd;
    case WXK_DELETE:
        return CGameScene::kKeyDelete;
    case WXK_F1:
        return CGameScene::kKeyF1;
    case WXK_F2:
        return CGameScene::kKeyF2;
    default:
        return CGameScene::kKeyOther;
    }
}

void CCubatroView::OnKeyDown(wxKeyEvent& event)
{
    if (m_bContextReady) m_pScene->KeyDown(MapKey(event.GetKeyCode()));
    event.Skip();
}

void CCubatroView::OnKeyUp(wxKeyEvent& event)
{
    if (m_bContextReady) m_pScene->KeyUp(MapKey(event.GetKeyCode()));
    event.Skip();
}

void CCubatroView::OnKillFocus(wxFocusEvent& event)
{
    if (m_bContextReady) m_pScene->ReleaseControls();
    event.Skip();
}

void CCubatroView::OnEraseBackground(wxEraseEvent&)
{
    // Nothing is ever erased behind the OpenGL picture.
}

// CubatroView: the game's window, an OpenGL canvas that runs one frame per paint.
//
// The view owns the OpenGL context and the scene (CGameScene). Once the window is on screen
// its first paint or size event makes the context (reporting each failure in a message box)
// and opens the "FPS" window; every size event sets the projection, and the first one builds
// the scene. Each paint runs CGameScene::RenderFrame and swaps the buffers. Key-down and
// key-up steer the player; losing the keyboard releases every control. When the context
// could not be made the view only idles: it never calls into the scene. The view knows whether
// it can be seen (shown, its frame not minimised, not fully covered), which the idle loop asks.
#pragma once
#include "app/GameScene.h"  // CGameScene, the frame and the objects

#include <wx/glcanvas.h>  // wxGLCanvas, wxGLContext, wxGLAttributes

#include <memory>  // std::unique_ptr for the context and the scene

class CFpsDlg;

extern CFpsDlg*
    g_pFpsDlg;  // the frame-rate window, created by the view's constructor, deleted by its destructor

class CCubatroView : public wxGLCanvas
{
public:
    explicit CCubatroView(wxWindow* pParent);  // the window exists, the context not yet
    ~CCubatroView() override;  // deletes the frame-rate window, then the scene, then the context

    static wxGLAttributes PixelFormat();           // RGBA, double buffer, depth, stencil 8
    static CGameScene::EKey MapKey(int nKeyCode);  // wxWidgets key code to game key

    bool HasContext() const { return m_bContextReady; }
    CGameScene* GetScene() const { return m_pScene.get(); }
    bool CanBeSeen() const;                                 // on screen, not minimised nor fully covered
    long GetFramesDrawn() const { return m_nFramesDrawn; }  // frames RenderFrame drew so far

private:
    bool CreateGLContext();  // makes the context current and opens the FPS window; reports failures
    bool EnsureContext();    // CreateGLContext once the window is on screen
    void Report(const char* pszCall, int nCode);  // "<call> returned error code <code>."

    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnKeyUp(wxKeyEvent& event);
    void OnKillFocus(wxFocusEvent& event);
    void OnEraseBackground(wxEraseEvent& event);

    std::unique_ptr<wxGLContext> m_hRC;    // the view's context, owned
    std::unique_ptr<CGameScene> m_pScene;  // the objects and the frame, owned
    bool m_bContextTried = false;          // the context was attempted (once only)
    bool m_bContextReady = false;          // the context is current and usable
    bool m_bBusy = false;                  // the scene is being built or drawn (a message box may be up)
    bool m_bObscured = false;              // the X server reports the view fully covered
    long m_nFramesDrawn = 0;               // frames RenderFrame drew, for the trace
    double m_dFrameCpuMs = 0.0;            // this thread's processor time inside those frames
};

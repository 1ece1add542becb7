// FpsDlg: layout, place and updates of the frame-rate window.
#include "app/FpsDlg.h"

#include <wx/sizer.h>     // wxBoxSizer for the layout
#include <wx/stattext.h>  // wxStaticText for the label

#include <gtk/gtk.h>  // the window manager's hints: place, kind, owner

namespace
{
// Escape and Enter close the window, as its close box does: it is hidden for good.
gboolean OnEvent(GtkWidget*, GdkEvent* pAny, gpointer pDialog)
{
    if (pAny->type != GDK_KEY_PRESS) return FALSE;
    const GdkEventKey* pEvent = &pAny->key;
    const guint nKey = pEvent->keyval;
    if ((pEvent->state & gtk_accelerator_get_default_mod_mask()) != 0 ||
        (nKey != GDK_KEY_Escape && nKey != GDK_KEY_Return && nKey != GDK_KEY_KP_Enter))
        return FALSE;
    static_cast<CFpsDlg*>(pDialog)->Close();
    return TRUE;
}
}  // namespace

CFpsDlg::CFpsDlg() = default;

bool CFpsDlg::CreateWindow(wxWindow* pAbove)
{
    if (HasWindow()) return true;
    if (!Create(nullptr, wxID_ANY, "FPS", wxPoint(1, 1), wxDefaultSize,
                wxCAPTION | wxCLOSE_BOX | wxSYSTEM_MENU))
        return false;
    auto* pSizer = new wxBoxSizer(wxHORIZONTAL);
    pSizer->Add(new wxStaticText(this, wxID_ANY, "fps :"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 7);
    m_pField = new wxTextCtrl(this, 1001, m_average.Text(), wxDefaultPosition, wxSize(80, -1), wxTE_READONLY);
    m_pField->Disable();
    pSizer->Add(m_pField, 0, wxALIGN_CENTER_VERTICAL | wxTOP | wxBOTTOM | wxRIGHT, 7);
    SetSizerAndFit(pSizer);
    Bind(wxEVT_CLOSE_WINDOW, &CFpsDlg::OnClose, this);

    // A window manager keeps a program's own position only when it is marked as the user's. A
    // small window that belongs to another, like a torn-off toolbar, gets a caption and a close
    // box but no minimise or maximise button, and stays above the window it belongs to.
    GtkWindow* pWindow = GTK_WINDOW(GetHandle());
    GdkGeometry geometry{};
    gtk_window_set_geometry_hints(pWindow, nullptr, &geometry, GDK_HINT_USER_POS);
    gtk_window_move(pWindow, 1, 1);
    gtk_window_set_type_hint(pWindow, GDK_WINDOW_TYPE_HINT_TOOLBAR);
    if (pAbove) gtk_window_set_transient_for(pWindow, GTK_WINDOW(pAbove->GetHandle()));
    // Nothing inside the window takes the keyboard: its keys come to the window itself, whose
    // key handler in wxWidgets, which runs first, would keep Escape and Enter.
    g_signal_connect(pWindow, "event", G_CALLBACK(OnEvent), this);
    // Shown once the current event is handled, so that it comes after the game's window, which
    // may be on its way to the screen: without a window manager nothing restacks them. The game
    // keeps the keyboard.
    CallAfter([this] { ShowWithoutActivating(); });
    return true;
}

void CFpsDlg::UpdateFps(int nElapsedMs)
{
    m_average.Update(nElapsedMs);
    if (m_pField) m_pField->ChangeValue(m_average.Text());
}

wxString CFpsDlg::GetShownText() const
{
    return m_pField ? m_pField->GetValue() : wxString();
}

void CFpsDlg::OnClose(wxCloseEvent& event)
{
    if (event.CanVeto())
    {
        Hide();
        event.Veto();
        return;
    }
    event.Skip();
}

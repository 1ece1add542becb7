// FpsDlg: layout and updates of the frame-rate window.
#include "app/FpsDlg.h"

#include <wx/sizer.h>     // wxBoxSizer for the layout
#include <wx/stattext.h>  // wxStaticText for the label

CFpsDlg::CFpsDlg() = default;

bool CFpsDlg::CreateWindow()
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
    Move(1, 1);
    Show();
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

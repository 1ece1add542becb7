// AboutDlg: the about box's layout.
#include "app/AboutDlg.h"

#include "app/AppIcons.h"  // CubatroIcon for the picture

#include <wx/button.h>    // wxButton for OK
#include <wx/sizer.h>     // wxBoxSizer for the layout
#include <wx/statbmp.h>   // wxStaticBitmap for the icon
#include <wx/stattext.h>  // wxStaticText for the lines

CAboutDlg::CAboutDlg(wxWindow* pParent) : wxDialog(pParent, wxID_ANY, "A propos de Cubatro")
{
    auto* pRow = new wxBoxSizer(wxHORIZONTAL);
    pRow->Add(new wxStaticBitmap(this, wxID_ANY, wxBitmap(CubatroIcon32())), 0, wxALL, 11);
    auto* pText = new wxBoxSizer(wxVERTICAL);
    pText->Add(new wxStaticText(this, wxID_ANY, "Cubatro Alpha version 1.0"), 0, wxBOTTOM, 8);
    pText->Add(
        new wxStaticText(this, wxID_ANY,
                         wxString::FromUTF8("Cubes de marbre, une cl\u00e9 et un sol qui s\u2019effrite")),
        0);
    pRow->Add(pText, 1, wxTOP | wxBOTTOM, 11);
    auto* pOk = new wxButton(this, wxID_OK, "OK");
    pOk->SetDefault();
    pRow->Add(pOk, 0, wxALL, 8);
    SetSizerAndFit(pRow);
    CentreOnParent();
}

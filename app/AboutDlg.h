// AboutDlg: the "A propos de Cubatro" box.
#pragma once
#include <wx/dialog.h>  // wxDialog

class CAboutDlg : public wxDialog
{
public:
    explicit CAboutDlg(wxWindow* pParent);  // icon, two lines of text and OK
    ~CAboutDlg() override = default;
};

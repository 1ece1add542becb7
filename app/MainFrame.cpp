// MainFrame: menus, accelerators, file commands.
#include "app/MainFrame.h"

#include "app/AboutDlg.h"          // CAboutDlg for "A propos de Cubatro..."
#include "app/AppIcons.h"          // CubatroIcons, the frame's icon
#include "app/AppIds.h"            // command identifiers
#include "app/CubatroView.h"       // CCubatroView, the only child
#include "platform/Diagnostics.h"  // plat::MessageBox for file failures

#include <wx/accel.h>    // wxAcceleratorTable
#include <wx/filedlg.h>  // wxFileDialog for Open and Save As
#include <wx/menu.h>     // wxMenuBar, wxMenu
#include <wx/sizer.h>    // wxBoxSizer, the view filling the frame

#include <gtk/gtk.h>  // the open menus, the frame's first allocation

namespace
{
struct SAccelerator
{
    int nModifiers;  // wxMOD_* flags
    int nKeyCode;    // WXK_* or character
    int nCommand;    // command sent
};

// The accelerator table, as virtual keys with their modifiers.
const SAccelerator kAccelerators[] = {
    {wxMOD_CONTROL, 'N', wxID_NEW},
    {wxMOD_CONTROL, 'O', wxID_OPEN},
    {wxMOD_CONTROL, 'S', wxID_SAVE},
    {wxMOD_CONTROL, 'Z', wxID_UNDO},
    {wxMOD_ALT, WXK_BACK, wxID_UNDO},
    {wxMOD_CONTROL, 'X', wxID_CUT},
    {wxMOD_SHIFT, WXK_DELETE, wxID_CUT},
    {wxMOD_CONTROL, 'C', wxID_COPY},
    {wxMOD_CONTROL, WXK_INSERT, wxID_COPY},
    {wxMOD_CONTROL, 'V', wxID_PASTE},
    {wxMOD_SHIFT, WXK_INSERT, wxID_PASTE},
    {wxMOD_NONE, WXK_ESCAPE, ID_APP_QUIT},
    {wxMOD_NONE, WXK_NUMPAD_ADD, ID_NUMPAD_PLUS},
    {wxMOD_NONE, WXK_NUMPAD_SUBTRACT, ID_NUMPAD_MINUS},
};
}  // namespace

CMainFrame::CMainFrame() : wxFrame(nullptr, wxID_ANY, "Cubatro", wxDefaultPosition, wxSize(800, 600))
{
    SetIcons(CubatroIcons());
    BuildMenus();

    std::vector<wxAcceleratorEntry> vEntries;
    for (const SAccelerator& a : kAccelerators)
    {
        const int nFlags = (a.nModifiers & wxMOD_CONTROL ? wxACCEL_CTRL : 0) |
                           (a.nModifiers & wxMOD_ALT ? wxACCEL_ALT : 0) |
                           (a.nModifiers & wxMOD_SHIFT ? wxACCEL_SHIFT : 0);
        vEntries.emplace_back(nFlags, a.nKeyCode, a.nCommand);
    }
    SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(vEntries.size()), vEntries.data()));

    m_pView = new CCubatroView(this);
    if (m_pView->GetHandle())
    {
        auto* pSizer = new wxBoxSizer(wxVERTICAL);
        pSizer->Add(m_pView, 1, wxEXPAND);
        SetSizer(pSizer);
        m_pView->SetFocus();
    }
    else
    {
        // The view could not be made (its failure was reported): the frame idles without it.
        delete m_pView;
        m_pView = nullptr;
        SetFocus();
    }

    Bind(wxEVT_CHAR_HOOK, &CMainFrame::OnCharHook, this);
    Bind(wxEVT_MENU, &CMainFrame::OnNew, this, wxID_NEW);
    Bind(wxEVT_MENU, &CMainFrame::OnOpen, this, wxID_OPEN);
    Bind(wxEVT_MENU, &CMainFrame::OnSave, this, wxID_SAVE);
    Bind(wxEVT_MENU, &CMainFrame::OnSaveAs, this, wxID_SAVEAS);
    Bind(wxEVT_MENU, &CMainFrame::OnExit, this, ID_APP_QUIT);
    Bind(wxEVT_MENU, &CMainFrame::OnAbout, this, wxID_ABOUT);
    for (int nId : {int(wxID_UNDO), int(wxID_CUT), int(wxID_COPY), int(wxID_PASTE), int(ID_OPENGL_BLEND),
                    int(ID_OPENGL_ANTIALIAS), int(ID_OPENGL_TIMER)})
        Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateDisabled, this, nId);
    UpdateTitle();

    // Under a window manager wxWidgets realizes the frame before showing it, with a placeholder
    // allocation 2 pixels wide, and GTK's first layout after showing fits the menu bar into those
    // 2 pixels (and complains that the bar gets less than it needs). Given its own size
    // beforehand, the frame is made and first laid out at that size.
    GtkAllocation allocation = {0, 0, GetSize().x, GetSize().y};
    if (!gtk_widget_get_realized(GetHandle())) gtk_widget_set_allocation(GetHandle(), &allocation);
}

void CMainFrame::BuildMenus()
{
    auto* pFile = new wxMenu;
    pFile->Append(wxID_NEW, "&Nouveau\tCtrl+N");
    pFile->Append(wxID_OPEN, "&Ouvrir...\tCtrl+O");
    pFile->Append(wxID_SAVE, "&Enregistrer\tCtrl+S");
    pFile->Append(wxID_SAVEAS, "En&registrer sous...");
    pFile->AppendSeparator();
    pFile->Append(ID_APP_QUIT, "&Quitter");

    auto* pEdit = new wxMenu;
    pEdit->Append(wxID_UNDO, "&Annuler\tCtrl+Z");
    pEdit->AppendSeparator();
    pEdit->Append(wxID_CUT, "&Couper\tCtrl+X");
    pEdit->Append(wxID_COPY, "&Copier\tCtrl+C");
    pEdit->Append(wxID_PASTE, "C&oller\tCtrl+V");

    auto* pHelp = new wxMenu;
    pHelp->Append(wxID_ABOUT, "&A propos de Cubatro...");

    auto* pGl = new wxMenu;
    pGl->Append(ID_OPENGL_BLEND, "Blend");
    pGl->Append(ID_OPENGL_ANTIALIAS, "Antialising");
    pGl->Append(ID_OPENGL_TIMER, "Timer");

    auto* pBar = new wxMenuBar;
    pBar->Append(pFile, "&Fichier");
    pBar->Append(pEdit, "&Edition");
    pBar->Append(pHelp, "&?");
    pBar->Append(pGl, "OpenGL");
    SetMenuBar(pBar);
    for (int nId : {int(wxID_UNDO), int(wxID_CUT), int(wxID_COPY), int(wxID_PASTE), int(ID_OPENGL_BLEND),
                    int(ID_OPENGL_ANTIALIAS), int(ID_OPENGL_TIMER)})
        pBar->Enable(nId, false);
}

bool CMainFrame::IsAccelerator(int nKeyCode, int nModifiers, int* pnCommand)
{
    for (const SAccelerator& a : kAccelerators)
        if (a.nKeyCode == nKeyCode && a.nModifiers == nModifiers)
        {
            if (pnCommand) *pnCommand = a.nCommand;
            return true;
        }
    return false;
}

GtkWidget* CMainFrame::OpenMenuBar() const
{
    const wxMenuBar* pBar = GetMenuBar();
    for (size_t i = 0; pBar && i < pBar->GetMenuCount(); i++)
        if (GtkWidget* pMenu = pBar->GetMenu(i)->m_menu; gtk_widget_get_mapped(pMenu))
            return gtk_widget_get_parent(gtk_menu_get_attach_widget(GTK_MENU(pMenu)));
    return nullptr;
}

void CMainFrame::OnCharHook(wxKeyEvent& event)
{
    // A menu whose items are all greyed leaves the keys to the frame: Escape closes it, and no
    // shortcut runs while a menu is open.
    if (GtkWidget* pBar = OpenMenuBar())
    {
        if (event.GetKeyCode() == WXK_ESCAPE)
            gtk_menu_shell_cancel(GTK_MENU_SHELL(pBar));
        else
            event.Skip();
        return;
    }
    int nCommand = 0;
    if (!IsAccelerator(event.GetKeyCode(), event.GetModifiers(), &nCommand))
    {
        event.Skip();
        return;
    }
    // Only the handled commands run; the editing and numeric-pad commands are swallowed.
    if (nCommand == wxID_NEW || nCommand == wxID_OPEN || nCommand == wxID_SAVE || nCommand == ID_APP_QUIT)
    {
        wxCommandEvent command(wxEVT_MENU, nCommand);
        command.SetEventObject(this);
        ProcessWindowEvent(command);
    }
}

void CMainFrame::UpdateTitle()
{
    SetTitle(wxString::FromUTF8(m_doc.GetTitle()) + " - Cubatro");
}

bool CMainFrame::OpenDocument(const wxString& path)
{
    if (!m_doc.OnOpenDocument(path.utf8_string())) return false;
    UpdateTitle();
    return true;
}

void CMainFrame::OnNew(wxCommandEvent&)
{
    m_doc.OnNewDocument();
    UpdateTitle();
}

void CMainFrame::OnOpen(wxCommandEvent&)
{
    wxFileDialog dialog(this, "Ouvrir", "", "", "Tous les fichiers (*.*)|*", wxFD_OPEN);
    if (dialog.ShowModal() != wxID_OK) return;
    if (!OpenDocument(dialog.GetPath()))
        plat::MessageBox("Impossible d'ouvrir le document " + dialog.GetPath().utf8_string() + ".");
}

void CMainFrame::OnSave(wxCommandEvent& event)
{
    if (m_doc.GetPathName().empty())
    {
        OnSaveAs(event);
        return;
    }
    if (!m_doc.OnSaveDocument(m_doc.GetPathName()))
        plat::MessageBox("Impossible d'enregistrer le document " + m_doc.GetPathName() + ".");
}

void CMainFrame::OnSaveAs(wxCommandEvent&)
{
    wxFileDialog dialog(this, "Enregistrer sous", "", wxString::FromUTF8(m_doc.GetTitle()),
                        "Tous les fichiers (*.*)|*", wxFD_SAVE);
    if (dialog.ShowModal() != wxID_OK) return;
    if (!m_doc.OnSaveDocument(dialog.GetPath().utf8_string()))
        plat::MessageBox("Impossible d'enregistrer le document " + dialog.GetPath().utf8_string() + ".");
    UpdateTitle();
}

void CMainFrame::OnExit(wxCommandEvent&)
{
    Close(true);
}

void CMainFrame::OnAbout(wxCommandEvent&)
{
    CAboutDlg dialog(this);
    dialog.ShowModal();
}

void CMainFrame::OnUpdateDisabled(wxUpdateUIEvent& event)
{
    event.Enable(false);
}

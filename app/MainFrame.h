// MainFrame: the game's main window: French menus, accelerators, the icon, the view.
//
// The frame has no toolbar and no status bar; its only child is the game view. Its keyboard
// shortcuts are taken before any key reaches the view: Escape quits at once, the editing keys
// and the numeric-pad plus and minus are swallowed (their commands are handled nowhere). While
// a menu is open no shortcut runs, and Escape only closes the menu.
#pragma once
#include "app/CubatroDoc.h"  // CCubatroDoc, the document of the frame

#include <wx/frame.h>  // wxFrame

class CCubatroView;

class CMainFrame : public wxFrame
{
public:
    CMainFrame();  // menus, accelerators, icon and the view
    ~CMainFrame() override = default;

    CCubatroView* GetView() const { return m_pView; }
    CCubatroDoc& GetDocument() { return m_doc; }
    bool OpenDocument(const wxString& path);  // the command line's file; false when it cannot be opened
    void UpdateTitle();                       // "<document> - Cubatro"

    // Whether the key with these modifiers is one of the frame's accelerators; when it is, upon
    // exit *pnCommand holds its command.
    static bool IsAccelerator(int nKeyCode, int nModifiers, int* pnCommand);

private:
    void BuildMenus();
    GtkWidget* OpenMenuBar() const;  // the menu bar while one of its menus is open, else null
    void OnCharHook(wxKeyEvent& event);
    void OnNew(wxCommandEvent& event);
    void OnOpen(wxCommandEvent& event);
    void OnSave(wxCommandEvent& event);
    void OnSaveAs(wxCommandEvent& event);
    void OnExit(wxCommandEvent& event);
    void OnAbout(wxCommandEvent& event);
    void OnUpdateDisabled(wxUpdateUIEvent& event);

    CCubatroDoc m_doc;                // the document, owned
    CCubatroView* m_pView = nullptr;  // the view, owned by the window hierarchy
};

// CubatroApp: the application: start-up, the command line, and the idle-driven frames.
//
// Frames follow each other in a chain: each idle pass asks the view to repaint, and each paint
// wakes the idle loop for the next pass once it has drawn. The chain runs only while the frames
// can be seen: while a modal dialog is open, or while the view is hidden, minimised or covered,
// the application waits for events instead, and the next frame then gets the whole time that
// passed as its step, so the game keeps its pace. The idle handler never asks for more idle time
// itself: wxWidgets then polls GTK for pending events between passes, and with this GLib each
// poll keeps a reference to a repaint that is ready for good (a quarter of a kilobyte a frame).
#pragma once
#include <wx/app.h>        // wxApp
#include <wx/modalhook.h>  // wxModalDialogHook, which sees every modal dialog

class CCubatroView;
class CMainFrame;

class CCubatroApp : public wxApp
{
public:
    CCubatroApp();  // vendor name; the working directory was chosen during static initialisation
    ~CCubatroApp() override;

    bool OnInit() override;  // message box sink, main frame, command line; false ends the program
    int OnExit() override;   // back to the default message box

    CCubatroView* m_pView = nullptr;  // the game view while it exists; not owned

private:
    // Counts the modal dialogs that run now.
    class CModalCount : public wxModalDialogHook
    {
    public:
        int m_nOpen = 0;

    protected:
        int Enter(wxDialog*) override
        {
            ++m_nOpen;
            return wxID_NONE;  // the dialog runs
        }
        void Exit(wxDialog*) override { --m_nOpen; }
    };

    void OnIdle(wxIdleEvent& event);  // asks the view to repaint while it can be seen

    CModalCount m_modal;  // registered for the application's life
};

wxDECLARE_APP(CCubatroApp);

// CubatroApp: the application: start-up, the command line, and the idle-driven frames.
#pragma once
#include <wx/app.h>  // wxApp

class CCubatroView;
class CMainFrame;

class CCubatroApp : public wxApp
{
public:
    CCubatroApp();  // vendor name; the working directory was chosen during static initialisation
    ~CCubatroApp() override = default;

    bool OnInit() override;  // message box sink, main frame, command line; false ends the program
    int OnExit() override;   // back to the default message box

    CCubatroView* m_pView = nullptr;  // the game view while it exists; not owned

private:
    void OnIdle(wxIdleEvent& event);  // repaints the view and asks for more idle time
};

wxDECLARE_APP(CCubatroApp);

// FpsDlg: the small "FPS" window that shows the game's frame rate.
//
// A modeless top-level window at the top-left corner of the screen, above the game's window,
// with the label "fps :" and a read-only, disabled field. The object exists before its window:
// CreateWindow opens the window, UpdateFps folds a frame into the average and shows it when the
// window exists. Closing the window (its close box, Escape or Enter) hides it for good; the
// average keeps being updated.
#pragma once
#include "app/FpsAverage.h"  // CFpsAverage, the running average

#include <wx/dialog.h>    // wxDialog, the window
#include <wx/textctrl.h>  // wxTextCtrl, the value field

class CFpsDlg : public wxDialog
{
public:
    CFpsDlg();  // no window yet
    ~CFpsDlg() override = default;

    // Opens the window, shown above pAbove (may be null) without taking the keyboard, with the
    // value 0; false when it cannot.
    bool CreateWindow(wxWindow* pAbove);
    bool HasWindow() const { return m_pField != nullptr; }
    void UpdateFps(int nElapsedMs);  // one drawn frame of nElapsedMs
    float GetFps() const { return m_average.Value(); }
    wxString GetShownText() const;  // the field's text, empty without a window

private:
    void OnClose(wxCloseEvent& event);  // hides the window instead of destroying it

    CFpsAverage m_average;           // m_fps and its text
    wxTextCtrl* m_pField = nullptr;  // the value field, owned by the window
};

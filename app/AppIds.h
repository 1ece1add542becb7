// AppIds: command identifiers of the menus and the accelerator table.
#pragma once
#include <wx/defs.h>  // wxID_* standard identifiers

enum ECubatroId
{
    ID_OPENGL_BLEND = 0x8004,      // "Blend", never handled
    ID_OPENGL_ANTIALIAS = 0x8005,  // "Antialising", never handled
    ID_NUMPAD_PLUS = 0x8006,       // numeric-pad plus, never handled
    ID_NUMPAD_MINUS = 0x8007,      // numeric-pad minus, never handled
    ID_OPENGL_TIMER = 0x8008,      // "Timer", never handled
};

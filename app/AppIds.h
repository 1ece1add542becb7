// AppIds: command identifiers of the menus and the accelerator table.
//
// wxWidgets takes menu identifiers below 0x7FFF only, so the game's own commands are numbered
// from wxID_HIGHEST up, in the order of the program's command numbers 0x8004 to 0x8008. Quit has
// an identifier of its own too: the toolkit gives its stock Quit item a Ctrl+Q that the game has not.
#pragma once
#include <wx/defs.h>  // wxID_HIGHEST and the standard identifiers

enum ECubatroId
{
    ID_OPENGL_BLEND = wxID_HIGHEST + 4,      // "Blend", never handled
    ID_OPENGL_ANTIALIAS = wxID_HIGHEST + 5,  // "Antialising", never handled
    ID_NUMPAD_PLUS = wxID_HIGHEST + 6,       // numeric-pad plus, never handled
    ID_NUMPAD_MINUS = wxID_HIGHEST + 7,      // numeric-pad minus, never handled
    ID_OPENGL_TIMER = wxID_HIGHEST + 8,      // "Timer", never handled
    ID_APP_QUIT = wxID_HIGHEST + 9,          // "&Quitter" and Escape
};

// AppIcons: the application and document icons, compiled in from the generated pictures.
#pragma once
#include <wx/icon.h>      // wxIcon
#include <wx/iconbndl.h>  // wxIconBundle

wxIcon CubatroIcon32();          // application icon, 32 × 32
wxIconBundle CubatroIcons();     // application icon, 32 × 32 and 16 × 16
wxIconBundle CubatroDocIcons();  // document icon, 32 × 32 and 16 × 16

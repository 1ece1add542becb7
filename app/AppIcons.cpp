// AppIcons: the generated XPM pictures as wxWidgets icons.
#include "app/AppIcons.h"

#include "icons/cubatro16.xpm"   // cubatro16_xpm, made by the art generator
#include "icons/cubatro32.xpm"   // cubatro32_xpm
#include "icons/document16.xpm"  // document16_xpm
#include "icons/document32.xpm"  // document32_xpm

wxIcon CubatroIcon32()
{
    return wxIcon(cubatro32_xpm);
}

wxIconBundle CubatroIcons()
{
    wxIconBundle bundle;
    bundle.AddIcon(wxIcon(cubatro32_xpm));
    bundle.AddIcon(wxIcon(cubatro16_xpm));
    return bundle;
}

wxIconBundle CubatroDocIcons()
{
    wxIconBundle bundle;
    bundle.AddIcon(wxIcon(document32_xpm));
    bundle.AddIcon(wxIcon(document16_xpm));
    return bundle;
}

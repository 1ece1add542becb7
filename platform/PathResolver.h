// PathResolver: Windows-style file names on this file system.
//
// Every file the program opens goes through ResolvePath. A backslash separates directories as
// a slash does; a component that does not exist exactly as written is matched without regard
// to ASCII case among the entries of its directory (the first match in byte order when several
// differ only in case). A component with no match is kept as written, so that a file can be
// created under its own name. "GFx\Marbre2.bmp" and "Gfx\Marbre2.bmp" both name Gfx/Marbre2.bmp.
#pragma once

#include <cstdio>       // FILE for OpenFile
#include <string>       // std::string for the resolved path
#include <string_view>  // std::string_view for the name as the program spells it

namespace plat
{

std::string ResolvePath(std::string_view name);                // native path for a program file name
std::FILE* OpenFile(std::string_view name, const char* pszMode);  // fopen of the resolved path

}  // namespace plat

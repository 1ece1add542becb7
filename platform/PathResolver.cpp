// PathResolver: component-by-component resolution of Windows-style names.
#include "PathResolver.h"

#include <dirent.h>    // opendir/readdir to look for a case-insensitive match
#include <sys/stat.h>  // lstat to test whether a component exists as written

#include <algorithm>  // std::equal for the case-insensitive comparison
#include <cctype>     // std::tolower

namespace plat
{
namespace
{

bool Exists(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The entry of `dir` that equals `component` without regard to case, or the component itself.
std::string MatchInDirectory(const std::string& dir, std::string_view component)
{
    std::string best;
    if (DIR* pDir = ::opendir(dir.empty() ? "." : dir.c_str()))
    {
        while (const dirent* pEntry = ::readdir(pDir))
        {
            std::string_view entry(pEntry->d_name);
            if (EqualNoCase(entry, component) && (best.empty() || entry < best))
                best = entry;
        }
        ::closedir(pDir);
    }
    return best.empty() ? std::string(component) : best;
}

}  // namespace

std::string ResolvePath(std::string_view name)
{
    const bool bAbsolute = !name.empty() && (name[0] == '/' || name[0] == '\\');
    std::string resolved(bAbsolute ? 1 : 0, '/');
    size_t nPos = bAbsolute ? 1 : 0;
    while (nPos <= name.size())
    {
        size_t nEnd = name.find_first_of("/\\", nPos);
        if (nEnd == std::string_view::npos)
            nEnd = name.size();
        const std::string_view component = name.substr(nPos, nEnd - nPos);
        nPos = nEnd + 1;
        if (component.empty())
            continue;

        const std::string dir = resolved;
        std::string candidate = dir;
        if (!candidate.empty() && candidate.back() != '/')
            candidate += '/';
        const size_t nBase = candidate.size();
        candidate += component;
        if (component != "." && component != ".." && !Exists(candidate))
        {
            candidate.resize(nBase);
            candidate += MatchInDirectory(dir, component);
        }
        resolved = std::move(candidate);
    }
    return resolved;
}

std::FILE* OpenFile(std::string_view name, const char* pszMode)
{
    return std::fopen(ResolvePath(name).c_str(), pszMode);
}

}  // namespace plat

// ArtFixture: where the build's art is, and copies of it.
#include "ArtFixture.h"

namespace cubatro::test
{
const std::filesystem::path& GeneratedArt()
{
    static const std::filesystem::path art = CUBATRO_ART_DIR;
    return art;
}

void CopyArt(const std::filesystem::path& dir)
{
    std::filesystem::create_directories(dir);
    std::filesystem::copy(GeneratedArt(), dir, std::filesystem::copy_options::recursive);
}
}  // namespace cubatro::test

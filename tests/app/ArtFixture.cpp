// ArtFixture: generation and copies of the art.
#include "ArtFixture.h"

#include "tools/artgen/ArtWriter.h"  // CArtWriter, the generator

#include <gtest/gtest.h>  // ADD_FAILURE when the art cannot be made

#include <memory>  // std::unique_ptr for the directory kept for the run

namespace cubatro::test
{
const std::filesystem::path& GeneratedArt()
{
    static std::unique_ptr<CTempDir> pDir;
    if (!pDir)
    {
        pDir = std::make_unique<CTempDir>();
        CArtWriter writer(pDir->Path().string());
        if (!writer.WriteAll()) ADD_FAILURE() << writer.GetError();
    }
    return pDir->Path();
}

void CopyArt(const std::filesystem::path& dir)
{
    std::filesystem::create_directories(dir);
    std::filesystem::copy(GeneratedArt(), dir, std::filesystem::copy_options::recursive);
}
}  // namespace cubatro::test

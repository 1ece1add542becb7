// ArtFixture: generation, copies and directory changes.
#include "ArtFixture.h"

#include "tools/artgen/ArtWriter.h"  // CArtWriter, the generator under test

#include <gtest/gtest.h>  // ADD_FAILURE when the art cannot be made

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

void CopyArt(const std::filesystem::path& dir, const std::vector<std::string>& vLeftOut)
{
    std::filesystem::create_directories(dir);
    std::filesystem::copy(GeneratedArt(), dir,
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
    for (const std::string& name : vLeftOut)
        std::filesystem::remove(dir / name);
}

CWorkingDirectory::CWorkingDirectory(const std::filesystem::path& dir)
    : m_previous(std::filesystem::current_path())
{
    std::filesystem::current_path(dir);
}

CWorkingDirectory::~CWorkingDirectory()
{
    std::error_code error;
    std::filesystem::current_path(m_previous, error);
}
}  // namespace cubatro::test

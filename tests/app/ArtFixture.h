// ArtFixture: the game's art, generated once per test program into a scratch directory.
#pragma once
#include "TempDir.h"  // CTempDir for the art's directory

#include <filesystem>  // paths
#include <memory>      // std::unique_ptr for the shared directory
#include <string>      // std::string for names

namespace cubatro::test
{
// The art of the game, written by CArtWriter into a directory that lives for the whole run.
const std::filesystem::path& GeneratedArt();

// Copies the generated art into dir (creating it); the named files (relative paths) are left out.
void CopyArt(const std::filesystem::path& dir, const std::vector<std::string>& vLeftOut = {});

// Makes dir the working directory for the lifetime of the object.
class CWorkingDirectory
{
public:
    explicit CWorkingDirectory(const std::filesystem::path& dir);
    virtual ~CWorkingDirectory();
    CWorkingDirectory(const CWorkingDirectory&) = delete;
    CWorkingDirectory& operator=(const CWorkingDirectory&) = delete;

private:
    std::filesystem::path m_previous;  // restored on destruction
};
}  // namespace cubatro::test

// ArtFixture: the game's art, generated once per test program into a scratch directory.
#pragma once
#include "TempDir.h"  // CTempDir for the art's directory

#include <filesystem>  // paths

namespace cubatro::test
{
// The art of the game, written by CArtWriter into a directory that lives for the whole run.
const std::filesystem::path& GeneratedArt();

// Copies the generated art into dir (creating it).
void CopyArt(const std::filesystem::path& dir);
}  // namespace cubatro::test

// ArtFixture: the game's art as the build generated it, and copies of it for tests to change.
#pragma once
#include "TempDir.h"  // CTempDir, where tests put the copies they change

#include <filesystem>  // paths

namespace cubatro::test
{
// The art that the build generated for the program (never changed by a test).
const std::filesystem::path& GeneratedArt();

// Copies the generated art into dir (creating it).
void CopyArt(const std::filesystem::path& dir);
}  // namespace cubatro::test

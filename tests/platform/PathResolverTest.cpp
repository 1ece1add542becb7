// PathResolver: Windows-style names found on a case-sensitive file system.
#include "platform/PathResolver.h"

#include "RenderTestTools.h"  // CWorkingDir
#include "TempDir.h"          // CTempDir for the tree of files

#include <gtest/gtest.h>

namespace
{

using cubatro::test::CTempDir;

TEST(PathResolverTest, BackslashesAndCaseFindTheFileAnExactMatchFirst)
{
    CTempDir dir;
    dir.Write("Gfx/Marbre2.bmp", std::string("marble"));
    dir.Write("cle.obj", std::string("key"));
    const std::string root = dir.Path().string();
    const struct
    {
        std::string name, resolved;
    } cases[] = {
        {"\\Gfx\\Marbre2.bmp", "/Gfx/Marbre2.bmp"},
        {"\\gfx\\MARBRE2.BMP", "/Gfx/Marbre2.bmp"},
        {"/GFX/marbre2.bmp", "/Gfx/Marbre2.bmp"},
        {"\\\\gfx//marbre2.bmp", "/Gfx/Marbre2.bmp"},  // empty components are ignored
        {"\\GFX\\New.bmp", "/Gfx/New.bmp"},            // missing components stay as written
        {"\\Nowhere\\x.bmp", "/Nowhere/x.bmp"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(plat::ResolvePath(root + c.name), root + c.resolved) << c.name;
    EXPECT_EQ(plat::ResolvePath(""), "");

    dir.Write("gfx/Marbre2.bmp", std::string("other"));
    EXPECT_EQ(plat::ResolvePath(root + "\\gfx\\Marbre2.bmp"), root + "/gfx/Marbre2.bmp");
    EXPECT_EQ(plat::ResolvePath(root + "\\Gfx\\Marbre2.bmp"), root + "/Gfx/Marbre2.bmp");
    // Neither spelling exists exactly: the first in byte order is taken.
    EXPECT_EQ(plat::ResolvePath(root + "\\GFX\\Marbre2.bmp"), root + "/Gfx/Marbre2.bmp");

    const cubatro::test::CWorkingDir here(dir.Path());  // relative names start from the working directory
    EXPECT_EQ(plat::ResolvePath("CLE.OBJ"), "cle.obj");
    EXPECT_EQ(plat::ResolvePath(".\\GFx\\..\\Cle.obj"), "./Gfx/../cle.obj");
}

}  // namespace

// PathResolver: Windows-style names found on a case-sensitive file system.
#include "platform/PathResolver.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

namespace
{

using cubatro::test::CTempDir;

class PathResolverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir.Write("Gfx/Marbre2.bmp", std::string("marble"));
        m_dir.Write("cle.obj", std::string("key"));
        m_root = m_dir.Path().string();
    }

    CTempDir m_dir;
    std::string m_root;
};

TEST_F(PathResolverTest, BackslashesAndCaseFindTheSameFile)
{
    const std::string expected = m_root + "/Gfx/Marbre2.bmp";
    for (const char* name : {"\\Gfx\\Marbre2.bmp", "\\GFx\\Marbre2.bmp", "\\gfx\\MARBRE2.BMP", "/GFX/marbre2.bmp"})
        EXPECT_EQ(plat::ResolvePath(m_root + name), expected) << name;
}

TEST_F(PathResolverTest, RelativeNamesResolveFromTheWorkingDirectory)
{
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(m_dir.Path());
    EXPECT_EQ(plat::ResolvePath("GFx\\Marbre2.bmp"), "Gfx/Marbre2.bmp");
    EXPECT_EQ(plat::ResolvePath("Gfx\\Marbre2.bmp"), "Gfx/Marbre2.bmp");
    EXPECT_EQ(plat::ResolvePath("CLE.OBJ"), "cle.obj");
    EXPECT_EQ(plat::ResolvePath(".\\gfx\\..\\Cle.obj"), "./Gfx/../cle.obj");
    std::FILE* pFile = plat::OpenFile("GFx\\Marbre2.bmp", "rb");
    ASSERT_NE(pFile, nullptr);
    char text[7] = {};
    EXPECT_EQ(std::fread(text, 1, 6, pFile), 6u);
    EXPECT_STREQ(text, "marble");
    std::fclose(pFile);
    std::filesystem::current_path(previous);
}

TEST_F(PathResolverTest, MissingComponentsStayAsWritten)
{
    EXPECT_EQ(plat::ResolvePath(m_root + "\\GFX\\New.bmp"), m_root + "/Gfx/New.bmp");
    EXPECT_EQ(plat::ResolvePath(m_root + "\\Nowhere\\x.bmp"), m_root + "/Nowhere/x.bmp");
}

TEST_F(PathResolverTest, AnExactMatchWinsOverOtherCases)
{
    m_dir.Write("gfx/Marbre2.bmp", std::string("other"));
    EXPECT_EQ(plat::ResolvePath(m_root + "\\gfx\\Marbre2.bmp"), m_root + "/gfx/Marbre2.bmp");
    EXPECT_EQ(plat::ResolvePath(m_root + "\\Gfx\\Marbre2.bmp"), m_root + "/Gfx/Marbre2.bmp");
    // Neither spelling exists exactly: the first in byte order is taken.
    EXPECT_EQ(plat::ResolvePath(m_root + "\\GFX\\Marbre2.bmp"), m_root + "/Gfx/Marbre2.bmp");
}

TEST_F(PathResolverTest, EmptyComponentsAreIgnored)
{
    EXPECT_EQ(plat::ResolvePath(m_root + "\\\\gfx//marbre2.bmp"), m_root + "/Gfx/Marbre2.bmp");
    EXPECT_EQ(plat::ResolvePath(""), "");
}

}  // namespace

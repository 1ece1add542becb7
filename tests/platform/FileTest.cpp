// File: opening modes, short reads at the end, and the cause codes of failures.
#include "platform/File.h"

#include "TempDir.h"  // CTempDir for the files

#include <gtest/gtest.h>

#include <functional>  // std::function for the failing actions

namespace
{

using plat::CFile;
using plat::CFileException;
using cubatro::test::CTempDir;

class FileTest : public ::testing::Test
{
protected:
    // The cause of the exception that `action` throws, or none when it throws nothing.
    template <typename F>
    static CFileException::ECause CauseOf(F action)
    {
        try
        {
            action();
        }
        catch (const CFileException& e)
        {
            return e.m_cause;
        }
        return CFileException::none;
    }

    CTempDir m_dir;
};

TEST_F(FileTest, FailuresThrowWithTheirCauseAndTheFileName)
{
    m_dir.Write("plain", std::string("x"));
    const std::string dir = m_dir.Path().string();
    CFile closed, full("/dev/full", CFile::modeWrite), directory(dir, CFile::modeRead);
    char c = 0;
    const struct
    {
        std::function<void()> action;
        CFileException::ECause cause;
    } cases[] = {
        {[&] { CFile f(m_dir / "missing.bmp", CFile::modeRead); }, CFileException::fileNotFound},
        {[&] { CFile f(m_dir / "missing.raw", CFile::modeWrite); }, CFileException::fileNotFound},
        {[&] { CFile f(m_dir / "no/dir/x.bmp", CFile::modeWrite | CFile::modeCreate); }, CFileException::fileNotFound},
        {[&] { CFile f(m_dir / "plain/x.bmp", CFile::modeRead); }, CFileException::badPath},
        {[&] { CFile f(dir, CFile::modeWrite); }, CFileException::isDirectory},
        {[&] { directory.Read(&c, 1); }, CFileException::isDirectory},
        {[&] { full.Write("x", 1); }, CFileException::diskFull},
        {[&] { closed.Read(&c, 1); }, CFileException::invalidFile},
        {[&] { closed.Write(&c, 1); }, CFileException::invalidFile},
        {[&] { closed.Seek(0, CFile::begin); }, CFileException::invalidFile},
    };
    for (size_t i = 0; i < std::size(cases); i++)
        EXPECT_EQ(CauseOf(cases[i].action), cases[i].cause) << "case " << i;
    closed.Close();  // closing twice does nothing
    try
    {
        CFile f(m_dir / "missing.bmp", CFile::modeRead);
        FAIL() << "no exception";
    }
    catch (const CFileException& e)
    {
        EXPECT_EQ(e.m_strFileName, m_dir / "missing.bmp");
        EXPECT_NE(std::string(e.what()).find("missing.bmp"), std::string::npos);
    }
}

TEST_F(FileTest, ReadStopsShortAtTheEndSeekMovesWriteKeepsTheRestUnlessCreating)
{
    CFile f(m_dir.Write("five", std::string("abcde")), CFile::modeRead);
    char buffer[16] = {};
    EXPECT_EQ(f.Read(buffer, 3), 3u);
    EXPECT_EQ(f.Read(buffer, 16), 2u);
    EXPECT_EQ(std::string(buffer, 2), "de");
    EXPECT_EQ(f.Read(buffer, 16), 0u);
    EXPECT_EQ(f.GetLength(), 5);
    EXPECT_EQ(f.Seek(3, CFile::begin), 3);
    EXPECT_EQ(f.Read(buffer, 1), 1u);
    EXPECT_EQ(buffer[0], 'd');
    EXPECT_EQ(f.Seek(-1, CFile::current), 3);
    EXPECT_EQ(f.Seek(-1, CFile::end), 4);
    EXPECT_EQ(f.Seek(0, CFile::begin), 0);  // back to the start
    EXPECT_EQ(CauseOf([&] { f.Seek(-10, CFile::begin); }), CFileException::badSeek);
    // Writing without modeCreate keeps the rest of the file; with it the file starts empty.
    for (const unsigned nFlags : {unsigned(CFile::modeWrite), CFile::modeWrite | CFile::modeCreate})
    {
        const std::string path = m_dir.Write("long", std::string("0123456789"));
        CFile(path, nFlags).Write("ab", 2);
        const std::vector<unsigned char> vAll = CTempDir::ReadAll(path);
        EXPECT_EQ(std::string(vAll.begin(), vAll.end()), nFlags & CFile::modeCreate ? "ab" : "ab23456789");
    }
}

}  // namespace

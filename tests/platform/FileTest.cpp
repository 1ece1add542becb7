// File: opening modes, short reads at the end, and the cause codes of failures.
#include "platform/File.h"

#include "TempDir.h"

#include <gtest/gtest.h>

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

TEST_F(FileTest, CauseCodesAreStable)
{
    // Diagnostics print these numbers; they must never be renumbered.
    EXPECT_EQ(CFileException::fileNotFound, 2);
    EXPECT_EQ(CFileException::accessDenied, 4);
    EXPECT_EQ(CFileException::isDirectory, 6);
    EXPECT_EQ(CFileException::diskFull, 9);
    EXPECT_EQ(CFileException::invalidFile, 11);
}

TEST_F(FileTest, OpenFailuresThrowWithTheirCause)
{
    EXPECT_EQ(CauseOf([&] { CFile f(m_dir / "missing.bmp", CFile::modeRead); }), CFileException::fileNotFound);
    EXPECT_EQ(CauseOf([&] { CFile f(m_dir / "missing.raw", CFile::modeWrite); }), CFileException::fileNotFound);
    EXPECT_EQ(CauseOf([&] { CFile f(m_dir / "no/dir/x.bmp", CFile::modeWrite | CFile::modeCreate); }),
              CFileException::fileNotFound);
    m_dir.Write("plain", std::string("x"));
    EXPECT_EQ(CauseOf([&] { CFile f(m_dir / "plain/x.bmp", CFile::modeRead); }), CFileException::badPath);
    EXPECT_EQ(CauseOf([&] { CFile f(m_dir.Path().string(), CFile::modeWrite); }), CFileException::isDirectory);
}

TEST_F(FileTest, ExceptionNamesTheFile)
{
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

TEST_F(FileTest, ReadStopsShortAtTheEndWithoutError)
{
    const std::string path = m_dir.Write("five", std::string("abcde"));
    CFile f(path, CFile::modeRead);
    char buffer[16] = {};
    EXPECT_EQ(f.Read(buffer, 3), 3u);
    EXPECT_EQ(f.Read(buffer, 16), 2u);
    EXPECT_EQ(std::string(buffer, 2), "de");
    EXPECT_EQ(f.Read(buffer, 16), 0u);
    EXPECT_EQ(f.GetLength(), 5);
}

TEST_F(FileTest, ReadingADirectoryIsAReadError)
{
    CFile f(m_dir.Path().string(), CFile::modeRead);
    char buffer[4];
    EXPECT_EQ(CauseOf([&] { f.Read(buffer, sizeof buffer); }), CFileException::isDirectory);
}

TEST_F(FileTest, WriteWithoutCreateKeepsTheRest)
{
    const std::string path = m_dir.Write("long", std::string("0123456789"));
    {
        CFile f(path, CFile::modeWrite);
        f.Write("ab", 2);
    }
    EXPECT_EQ(CTempDir::ReadAll(path), (std::vector<unsigned char>{'a', 'b', '2', '3', '4', '5', '6', '7', '8', '9'}));
}

TEST_F(FileTest, CreateTruncatesAnExistingFile)
{
    const std::string path = m_dir.Write("long", std::string("0123456789"));
    {
        CFile f(path, CFile::modeWrite | CFile::modeCreate);
        f.Write("ab", 2);
    }
    EXPECT_EQ(CTempDir::ReadAll(path), (std::vector<unsigned char>{'a', 'b'}));
}

TEST_F(FileTest, WritingToAFullDeviceThrowsDiskFull)
{
    CFile f("/dev/full", CFile::modeWrite);
    EXPECT_EQ(CauseOf([&] { f.Write("x", 1); }), CFileException::diskFull);
}

TEST_F(FileTest, ClosedFileRefusesWork)
{
    CFile f;
    char c;
    EXPECT_EQ(CauseOf([&] { f.Read(&c, 1); }), CFileException::invalidFile);
    EXPECT_EQ(CauseOf([&] { f.Write(&c, 1); }), CFileException::invalidFile);
    EXPECT_EQ(CauseOf([&] { f.Seek(0, CFile::begin); }), CFileException::invalidFile);
    f.Close();  // closing twice does nothing
}

TEST_F(FileTest, SeekMovesAndRejectsNegativePositions)
{
    const std::string path = m_dir.Write("five", std::string("abcde"));
    CFile f(path, CFile::modeRead);
    EXPECT_EQ(f.Seek(3, CFile::begin), 3);
    char c = 0;
    f.Read(&c, 1);
    EXPECT_EQ(c, 'd');
    EXPECT_EQ(f.Seek(-1, CFile::end), 4);
    EXPECT_EQ(CauseOf([&] { f.Seek(-10, CFile::begin); }), CFileException::badSeek);
}

}  // namespace

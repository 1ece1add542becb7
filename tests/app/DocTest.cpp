// DocTest: the document that stores nothing.
#include "TempDir.h"  // CTempDir

#include "app/CubatroDoc.h"  // CCubatroDoc

#include <gtest/gtest.h>

using cubatro::test::CTempDir;

TEST(CubatroDocTest, SaveWritesAnEmptyFileOpenReadsNothingButNeedsAReadableFile)
{
    CTempDir dir;
    CCubatroDoc doc;
    EXPECT_EQ(doc.GetTitle(), "Sans titre");
    const std::string existing = dir.Write("partie.cub", std::string("old contents"));
    ASSERT_TRUE(doc.OnSaveDocument(existing));
    EXPECT_TRUE(CTempDir::ReadAll(existing).empty());
    ASSERT_TRUE(doc.OnSaveDocument(dir / "neuve.cub"));
    EXPECT_TRUE(std::filesystem::exists(dir / "neuve.cub"));
    EXPECT_EQ(doc.GetTitle(), "neuve.cub");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_FALSE(doc.OnSaveDocument(dir / "missing/folder.cub"));
    EXPECT_EQ(doc.GetPathName(), dir / "neuve.cub");  // a failed save keeps the document's name

    const std::string file = dir.Write("any.txt", std::string("anything at all"));
    ASSERT_TRUE(doc.OnOpenDocument(file));
    EXPECT_EQ(doc.GetPathName(), file);
    EXPECT_EQ(CTempDir::ReadAll(file).size(), 15u);  // untouched
    EXPECT_FALSE(doc.OnOpenDocument(dir / "nowhere.txt"));
    EXPECT_FALSE(doc.OnOpenDocument(dir.Path().string()));  // a directory
    EXPECT_EQ(doc.GetPathName(), file);
    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(doc.GetPathName(), "");
}

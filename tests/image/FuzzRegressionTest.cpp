// FuzzRegressionTest: image files the fuzz targets once found faults with, read again.
//
// Each file lies in tests/image/data/fuzz/ as the fuzzer wrote it. The cases say what the reader
// must make of it now; under the sanitizer build they also prove that reading it touches no
// memory it should not.
#include "image/Sgi.h"  // the SGI reader

#include <gtest/gtest.h>

#include <cctype>   // std::isalnum for test names
#include <cstdlib>  // std::getenv for the data directory
#include <string>   // std::string for paths and messages
#include <vector>   // std::vector for the row buffer

namespace
{

std::string DataFile(const std::string& name)
{
    const char* pszDir = std::getenv("CUBATRO_TEST_DATA");
    return std::string(pszDir ? pszDir : "data") + "/fuzz/" + name;
}

// An SGI file, what its header says, and the line that refuses its first row (after "<name>: ").
struct SSgiCase
{
    const char* pszFile;
    unsigned nX, nY, nZ;        // xsize, ysize, zsize the header gives
    const char* pszFault;       // the record's fault, "" when rows can be asked for
    const char* pszRowRefusal;  // the refusal of row 0 of channel 0
};

const SSgiCase s_sgiCases[] = {
    // A run-length file of no rows: its two row tables are empty.
    {"sgi-rle-without-rows.sgi", 0, 0, 0, "", "row 0 of channel 0 is outside the image (ysize 0, zsize 0)"},
};

class SgiFuzzRegressionTest : public ::testing::TestWithParam<SSgiCase>
{
};

TEST_P(SgiFuzzRegressionTest, OpensAndRefusesWhatItCannotDeliver)
{
    const SSgiCase& c = GetParam();
    const std::string path = DataFile(c.pszFile);
    SgiImagePtr pImage(SgiOpen(path));
    ASSERT_TRUE(pImage);
    EXPECT_EQ(pImage->xsize, c.nX);
    EXPECT_EQ(pImage->ysize, c.nY);
    EXPECT_EQ(pImage->zsize, c.nZ);
    EXPECT_EQ(pImage->fault, c.pszFault);

    std::vector<unsigned char> row(size_t(pImage->xsize) + 1, 0xA5);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(SgiGetRow(pImage.get(), row.data(), 0, 0));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), path + ": " + c.pszRowRefusal + "\n");
    EXPECT_EQ(row.back(), 0xA5) << "SgiGetRow wrote past xsize";
}

INSTANTIATE_TEST_SUITE_P(Found, SgiFuzzRegressionTest, ::testing::ValuesIn(s_sgiCases),
                         [](const ::testing::TestParamInfo<SSgiCase>& param)
                         {
                             std::string name;
                             for (const char* p = param.param.pszFile; *p && *p != '.'; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

}  // namespace

// Diagnostics: what each channel delivers, captured and by default.
#include "platform/Diagnostics.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{

TEST(Diagnostics, CaptureCollectsEachChannelSeparately)
{
    plat::CDiagnosticsCapture capture;
    plat::Trace("FileHeader.bfType : %d\n", 19778);
    plat::Dump() << "File could not be opened " << 2 << "\n";
    plat::MessageBox("Unable to open file for reading");
    plat::MessageBox("Invalid BMP file");

    EXPECT_EQ(capture.TraceText(), "FileHeader.bfType : 19778\n");
    EXPECT_EQ(capture.DumpText(), "File could not be opened 2\n");
    EXPECT_EQ(capture.Boxes(), (std::vector<std::string>{"Unable to open file for reading", "Invalid BMP file"}));
}

TEST(Diagnostics, LongTraceLinesAreNotCut)
{
    plat::CDiagnosticsCapture capture;
    const std::string longName(3000, 'x');
    plat::Trace("CTexture::ReadFile : file : %s\n", longName.c_str());
    EXPECT_EQ(capture.TraceText(), "CTexture::ReadFile : file : " + longName + "\n");
}

TEST(Diagnostics, DumpFormatsNumbersAndTexts)
{
    plat::CDiagnosticsCapture capture;
    plat::Dump() << "a" << -3 << 4u << 5L << 6UL << 0.5 << std::string("b") << std::string_view("c");
    EXPECT_EQ(capture.DumpText(), "a-3456" "0.5" "bc");
}

TEST(Diagnostics, CaptureRestoresThePreviousSinks)
{
    plat::CDiagnosticsCapture outer;
    {
        plat::CDiagnosticsCapture inner;
        plat::Trace("inner");
        plat::MessageBox("inner box");
    }
    plat::Trace("outer");
    plat::MessageBox("outer box");
    EXPECT_EQ(outer.TraceText(), "outer");
    EXPECT_EQ(outer.Boxes(), std::vector<std::string>{"outer box"});
}

using DiagnosticsDeathTest = ::testing::Test;

TEST_F(DiagnosticsDeathTest, DefaultMessageBoxWritesToStandardError)
{
    EXPECT_EXIT(
        {
            plat::ResetSinks();
            plat::MessageBox("Invalid BMP file");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "^Invalid BMP file\n$");
}

TEST_F(DiagnosticsDeathTest, TraceAndDumpAreSilentWithoutTheVariable)
{
    EXPECT_EXIT(
        {
            ::unsetenv("CUBATRO_TRACE");
            plat::ResetSinks();
            plat::Trace("hidden %d\n", 1);
            plat::Dump() << "hidden too\n";
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "^$");
}

TEST_F(DiagnosticsDeathTest, TraceAndDumpReachStandardErrorWithTheVariable)
{
    EXPECT_EXIT(
        {
            ::setenv("CUBATRO_TRACE", "1", 1);
            plat::ResetSinks();
            plat::Trace("shown %d\n", 1);
            plat::Dump() << "dumped " << 7 << "\n";
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "^shown 1\ndumped 7\n$");
}

}  // namespace

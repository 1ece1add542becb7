// Diagnostics: what each channel delivers, captured and by default.
#include "platform/Diagnostics.h"

#include <gtest/gtest.h>

#include <cstdlib>  // setenv, unsetenv for CUBATRO_TRACE

namespace
{

TEST(Diagnostics, CaptureCollectsEachChannelAndRestoresThePreviousSinks)
{
    plat::CDiagnosticsCapture outer;
    {
        plat::CDiagnosticsCapture inner;
        const std::string longName(3000, 'x'), exact(512, 'y');  // no line is cut, whatever its length
        plat::Trace("file : %s %d\n", longName.c_str(), 19778);
        plat::Trace("%s", exact.c_str());
        plat::Dump() << "a" << -3 << 4u << 5L << 6UL << 0.5 << std::string("b") << std::string_view("c");
        plat::MessageBox("Unable to open file for reading");
        plat::MessageBox("Invalid BMP file");
        EXPECT_EQ(inner.TraceText(), "file : " + longName + " 19778\n" + exact);
        EXPECT_EQ(inner.DumpText(), "a-3456" "0.5" "bc");
        EXPECT_EQ(inner.Boxes(), (std::vector<std::string>{"Unable to open file for reading", "Invalid BMP file"}));
    }
    plat::Trace("outer");
    plat::Dump() << "dumped";
    plat::MessageBox("outer box");
    EXPECT_EQ(outer.TraceText(), "outer");
    EXPECT_EQ(outer.DumpText(), "dumped");
    EXPECT_EQ(outer.Boxes(), std::vector<std::string>{"outer box"});
}

// The default sinks, in a child process: what reaches standard error with and without the variable.
TEST(DiagnosticsDeathTest, DefaultSinksWriteToStandardErrorTracingOnlyWithTheVariable)
{
    for (const bool bTrace : {false, true})
        EXPECT_EXIT(
            {
                bTrace ? ::setenv("CUBATRO_TRACE", "1", 1) : ::unsetenv("CUBATRO_TRACE");
                plat::ResetSinks();
                plat::Trace("traced %d\n", 1);
                plat::Dump() << "dumped " << 7 << "\n";
                plat::MessageBox("Invalid BMP file");
                std::exit(0);
            },
            ::testing::ExitedWithCode(0),
            bTrace ? "^traced 1\ndumped 7\nInvalid BMP file\n$" : "^Invalid BMP file\n$");
}

}  // namespace

// GlmTestSupport: what the model tests share: a fixture that writes files into a scratch
// directory and reads models from them with what the read printed, and the headers the tests
// use throughout.
#pragma once

#include "TempDir.h"               // cubatro::test::CTempDir for scratch files
#include "model/GlmModel.h"        // CGlmModel under test
#include "platform/Diagnostics.h"  // plat::CDiagnosticsCapture for the trace

#include <gmock/gmock.h>  // matchers for arrays
#include <gtest/gtest.h>  // the fixture base class, stdout capture

#include <array>    // std::array for values compared together
#include <cstdlib>  // strtof
#include <memory>   // std::unique_ptr for models
#include <string>   // std::string for texts
#include <vector>   // std::vector for arrays compared

namespace cubatro::test
{

class CModelFileTest : public ::testing::Test
{
protected:
    // Writes `text` as the file `name` of the scratch directory; returns its full path.
    std::string Put(const std::string& name, const std::string& text) { return m_dir.Write(name, text); }

    // Reads the model file `name` of the scratch directory (`text` written there first unless
    // empty); what the read printed on standard output and on the trace is kept.
    std::unique_ptr<CGlmModel> Load(const std::string& name, const std::string& text = "")
    {
        if (!text.empty()) Put(name, text);
        auto pModel = std::make_unique<CGlmModel>();
        plat::CDiagnosticsCapture diagnostics;
        ::testing::internal::CaptureStdout();
        pModel->glmReadOBJ(m_dir / name);
        m_strOutput = ::testing::internal::GetCapturedStdout();
        m_strTrace = diagnostics.TraceText();
        return pModel;
    }

    CTempDir m_dir;           // scratch directory of the test
    std::string m_strOutput;  // standard output of the last Load
    std::string m_strTrace;   // trace of the last Load
};

}  // namespace cubatro::test

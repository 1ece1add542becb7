// GlmTestSupport: what the model tests share: a fixture that writes files into a scratch
// directory and reads models from them with what the read printed, and the headers the tests
// use throughout.
#pragma once

#include "TempDir.h"               // cubatro::test::CTempDir for scratch files
#include "model/GlmModel.h"        // CGlmModel under test
#include "platform/Diagnostics.h"  // plat::CDiagnosticsCapture for the trace

#include <gmock/gmock.h>  // matchers for arrays
#include <gtest/gtest.h>  // the fixture base class, stdout capture

#include <array>       // std::array for values compared together
#include <cstdlib>     // strtof
#include <filesystem>  // create_directories for written files
#include <memory>      // std::unique_ptr for models
#include <string>      // std::string for texts
#include <vector>      // std::vector for arrays compared

namespace cubatro::test
{

class CModelFileTest : public ::testing::Test
{
protected:
    // Writes `text` as the file `name` of the scratch directory; returns its full path.
    std::string Put(const std::string& name, const std::string& text) { return m_dir.Write(name, text); }

    // Reads the model file `name` of the scratch directory (`text` written there first unless
    // empty) into a model the test keeps; what the read printed on standard output and on the
    // trace is kept.
    CGlmModel& Load(const std::string& name, const std::string& text = "")
    {
        if (!text.empty()) Put(name, text);
        CGlmModel& model = *m_vModels.emplace_back(std::make_unique<CGlmModel>());
        plat::CDiagnosticsCapture diagnostics;
        ::testing::internal::CaptureStdout();
        model.glmReadOBJ(m_dir / name);
        m_strOutput = ::testing::internal::GetCapturedStdout();
        m_strTrace = diagnostics.TraceText();
        return model;
    }

    // Writes `model` as `name` with `mode`; returns the text written and keeps the trace.
    std::string Write(CGlmModel& model, unsigned mode, const std::string& name)
    {
        std::filesystem::create_directories((m_dir.Path() / name).parent_path());
        plat::CDiagnosticsCapture diagnostics;
        model.glmWriteOBJ(m_dir / name, mode);
        m_strTrace = diagnostics.TraceText();
        const std::vector<unsigned char> bytes = CTempDir::ReadAll(m_dir / name);
        return std::string(bytes.begin(), bytes.end());
    }

    CTempDir m_dir;                                     // scratch directory of the test
    std::vector<std::unique_ptr<CGlmModel>> m_vModels;  // the models read
    std::string m_strOutput;                            // standard output of the last Load
    std::string m_strTrace;                             // trace of the last Load
};

}  // namespace cubatro::test

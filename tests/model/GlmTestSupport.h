// GlmTestSupport: what the model reader and writer tests share: a capture of standard output,
// the routing of one channel to standard error inside death tests, a fixture that writes and
// reads model files in a scratch directory, and views of a model's groups.
#pragma once

#include "TempDir.h"               // cubatro::test::CTempDir for scratch files
#include "model/GlmModel.h"        // CGlmModel under test
#include "platform/Diagnostics.h"  // plat::SetTraceSink, CDiagnosticsCapture

#include <gtest/gtest.h>  // the fixture base class

#include <unistd.h>  // dup, dup2 to redirect standard output

#include <cstdio>       // FILE, tmpfile, fflush
#include <memory>       // std::unique_ptr for models
#include <string>       // std::string for texts
#include <string_view>  // std::string_view for trace text
#include <vector>       // std::vector for group listings

namespace cubatro::test
{

// Upon construction everything printed on standard output goes to a scratch file until
// destruction; Text() returns what was printed so far.
class CStdoutCapture
{
public:
    CStdoutCapture()
    {
        std::fflush(stdout);
        m_nSaved = ::dup(1);
        m_pFile = std::tmpfile();
        ::dup2(fileno(m_pFile), 1);
    }
    virtual ~CStdoutCapture()
    {
        std::fflush(stdout);
        ::dup2(m_nSaved, 1);
        ::close(m_nSaved);
        std::fclose(m_pFile);
    }
    CStdoutCapture(const CStdoutCapture&) = delete;
    CStdoutCapture& operator=(const CStdoutCapture&) = delete;

    std::string Text() const
    {
        std::fflush(stdout);
        std::string text;
        std::rewind(m_pFile);
        char buffer[4096];
        std::size_t nGot;
        while ((nGot = std::fread(buffer, 1, sizeof buffer, m_pFile)) > 0)
            text.append(buffer, nGot);
        return text;
    }

private:
    int m_nSaved = -1;             // owned duplicate of the real standard output
    std::FILE* m_pFile = nullptr;  // owned scratch file behind standard output
};

// The two channels of the model code.
enum class EChannel
{
    output,  // standard output
    trace,   // the debug trace
};

// Inside a death test: sends the messages of `channel`, and only those, to standard error,
// where the death test looks for them.
inline void RouteToStderr(EChannel channel)
{
    if (channel == EChannel::output)
    {
        std::fflush(stdout);
        ::dup2(2, 1);
        plat::SetTraceSink([](std::string_view) {});
    }
    else
    {
        std::fflush(stdout);
        std::freopen("/dev/null", "w", stdout);
        plat::SetTraceSink([](std::string_view s) { std::fwrite(s.data(), 1, s.size(), stderr); });
    }
}

// A regular expression that matches `text` literally.
inline std::string Literal(const std::string& text)
{
    std::string pattern;
    for (char c : text)
    {
        if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) pattern += '\\';
        pattern += c;
    }
    return pattern;
}

// Scratch directory with models written into it and read back.
class CModelFileTest : public ::testing::Test
{
protected:
    // Writes `text` as the file `name` of the scratch directory; returns its full path.
    std::string Put(const std::string& name, const std::string& text) { return m_dir.Write(name, text); }

    // Reads the model file `name` of the scratch directory; standard output and the trace of
    // the read are kept in m_strOutput and m_strTrace.
    std::unique_ptr<CGlmModel> Load(const std::string& name)
    {
        auto pModel = std::make_unique<CGlmModel>();
        plat::CDiagnosticsCapture diagnostics;
        CStdoutCapture output;
        pModel->glmReadOBJ(m_dir / name);
        m_strOutput = output.Text();
        m_strTrace = diagnostics.TraceText();
        return pModel;
    }

    // Writes `text` as "model.obj" and reads it.
    std::unique_ptr<CGlmModel> LoadText(const std::string& text)
    {
        Put("model.obj", text);
        return Load("model.obj");
    }

    CTempDir m_dir;           // scratch directory of the test
    std::string m_strOutput;  // standard output of the last Load
    std::string m_strTrace;   // trace of the last Load
};

}  // namespace cubatro::test

// Diagnostics: default sinks, channel plumbing and the capture helper.
#include "Diagnostics.h"

#include <cstdarg>  // va_list for the printf-style trace
#include <cstdio>   // vsnprintf, fwrite to standard error
#include <cstdlib>  // getenv for CUBATRO_TRACE

namespace plat
{
namespace
{

bool TraceEnabled()
{
    return std::getenv("CUBATRO_TRACE") != nullptr;
}

void WriteStderr(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stderr);
}

void DefaultTraceOrDump(std::string_view text)
{
    if (TraceEnabled())
        WriteStderr(text);
}

void DefaultMessageBox(std::string_view text)
{
    WriteStderr(text);
    WriteStderr("\n");
}

struct SSinks
{
    TextSink trace = DefaultTraceOrDump;
    TextSink dump = DefaultTraceOrDump;
    TextSink box = DefaultMessageBox;
};

SSinks& Sinks()
{
    static SSinks s_sinks;
    return s_sinks;
}

TextSink Replace(TextSink& slot, TextSink sink, TextSink fallback)
{
    TextSink previous = std::move(slot);
    slot = sink ? std::move(sink) : std::move(fallback);
    return previous;
}

}  // namespace

TextSink SetTraceSink(TextSink sink) { return Replace(Sinks().trace, std::move(sink), DefaultTraceOrDump); }
TextSink SetDumpSink(TextSink sink) { return Replace(Sinks().dump, std::move(sink), DefaultTraceOrDump); }
TextSink SetMessageBoxSink(TextSink sink) { return Replace(Sinks().box, std::move(sink), DefaultMessageBox); }

void ResetSinks()
{
    Sinks() = SSinks{};
}

void Trace(const char* pszFormat, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, pszFormat);
    va_list copy;
    va_copy(copy, args);
    const int nLength = std::vsnprintf(buffer, sizeof buffer, pszFormat, args);
    va_end(args);
    if (nLength < 0)
    {
        va_end(copy);
        return;
    }
    if (static_cast<size_t>(nLength) < sizeof buffer)
    {
        va_end(copy);
        Sinks().trace(std::string_view(buffer, static_cast<size_t>(nLength)));
        return;
    }
    std::string text(static_cast<size_t>(nLength) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), pszFormat, copy);
    va_end(copy);
    text.resize(static_cast<size_t>(nLength));
    Sinks().trace(text);
}

void MessageBox(std::string_view text)
{
    Sinks().box(text);
}

CDumpContext& CDumpContext::operator<<(std::string_view s)
{
    Sinks().dump(s);
    return *this;
}

CDumpContext& CDumpContext::operator<<(int n) { return *this << std::to_string(n); }
CDumpContext& CDumpContext::operator<<(unsigned n) { return *this << std::to_string(n); }
CDumpContext& CDumpContext::operator<<(long n) { return *this << std::to_string(n); }
CDumpContext& CDumpContext::operator<<(unsigned long n) { return *this << std::to_string(n); }

CDumpContext& CDumpContext::operator<<(double d)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", d);
    return *this << std::string_view(buffer);
}

CDumpContext& CDumpContext::operator<<(const void* p)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%p", p);
    return *this << std::string_view(buffer);
}

CDumpContext& Dump()
{
    static CDumpContext s_dump;
    return s_dump;
}

CDiagnosticsCapture::CDiagnosticsCapture()
{
    m_prevTrace = SetTraceSink([this](std::string_view s) { m_sTrace.append(s); });
    m_prevDump = SetDumpSink([this](std::string_view s) { m_sDump.append(s); });
    m_prevBox = SetMessageBoxSink([this](std::string_view s) { m_vBoxes.emplace_back(s); });
}

CDiagnosticsCapture::~CDiagnosticsCapture()
{
    SetTraceSink(std::move(m_prevTrace));
    SetDumpSink(std::move(m_prevDump));
    SetMessageBoxSink(std::move(m_prevBox));
}

void CDiagnosticsCapture::Clear()
{
    m_sTrace.clear();
    m_sDump.clear();
    m_vBoxes.clear();
}

}  // namespace plat

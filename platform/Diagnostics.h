// Diagnostics: the three reporting channels of the program.
//
//   Trace       printf-style progress and header listings (the debug trace)
//   Dump()      stream-style lines for file errors and the texture bank
//   MessageBox  what the user must see, modal, with an OK button
//
// Each channel writes through a replaceable sink. By default trace and dump reach standard
// error only when the environment variable CUBATRO_TRACE is set; the message box writes its
// text and a line break to standard error until the shell installs a sink that shows a real
// box. Tests install capturing sinks (see CDiagnosticsCapture below).
#pragma once

#include <functional>   // std::function for the sinks
#include <string>       // std::string for captured text
#include <string_view>  // std::string_view for the text handed to a sink
#include <vector>       // std::vector for captured message boxes

namespace plat
{

using TextSink = std::function<void(std::string_view)>;  // receives one piece of text

// --- sinks --------------------------------------------------------------------------------
TextSink SetTraceSink(TextSink sink);       // installs a trace sink, returns the previous one
TextSink SetDumpSink(TextSink sink);        // installs a dump sink, returns the previous one
TextSink SetMessageBoxSink(TextSink sink);  // installs a message-box sink, returns the previous one
void ResetSinks();                          // back to the default sinks of all three channels

// --- channels -----------------------------------------------------------------------------
void Trace(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));  // formatted trace
void MessageBox(std::string_view text);                                        // modal box, OK only

// The dump stream: each inserted value goes to the dump sink as one piece of text.
class CDumpContext
{
public:
    CDumpContext& operator<<(std::string_view s);                          // text as it stands
    CDumpContext& operator<<(const char* psz) { return *this << std::string_view(psz ? psz : "(null)"); }
    CDumpContext& operator<<(const std::string& s) { return *this << std::string_view(s); }
    CDumpContext& operator<<(int n);                                       // decimal
    CDumpContext& operator<<(unsigned n);                                  // decimal
    CDumpContext& operator<<(long n);                                      // decimal
    CDumpContext& operator<<(unsigned long n);                             // decimal
    CDumpContext& operator<<(double d);                                    // as %g prints it
    CDumpContext& operator<<(const void* p);                               // hexadecimal address
};
CDumpContext& Dump();  // the one dump stream of the process

// --- capture for tests and tools ----------------------------------------------------------
// Upon construction all three channels are captured into strings; upon destruction the
// sinks that were installed before are put back.
class CDiagnosticsCapture
{
public:
    CDiagnosticsCapture();
    virtual ~CDiagnosticsCapture();
    CDiagnosticsCapture(const CDiagnosticsCapture&) = delete;
    CDiagnosticsCapture& operator=(const CDiagnosticsCapture&) = delete;

    const std::string& TraceText() const { return m_sTrace; }  // everything traced so far
    const std::string& DumpText() const { return m_sDump; }    // everything dumped so far
    const std::vector<std::string>& Boxes() const { return m_vBoxes; }  // one entry per message box
    void Clear();                                              // forget what was captured

private:
    std::string m_sTrace;               // concatenated trace text
    std::string m_sDump;                // concatenated dump text
    std::vector<std::string> m_vBoxes;  // message-box texts in order
    TextSink m_prevTrace, m_prevDump, m_prevBox;  // sinks to restore
};

}  // namespace plat

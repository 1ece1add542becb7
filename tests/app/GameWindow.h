// GameWindow: the real game program under a virtual X server, driven by xdotool.
//
// CXServer starts Xvfb on a free display (a number drawn from the process id, the next one when
// it is taken; Xvfb tells through -displayfd when it listens) and stops it at the end. CGameProcess starts
// the game in a directory of its own, with the X server as its display, and collects its standard output and
// error. Every wait has a deadline, so that a test that goes wrong fails instead of hanging.
#pragma once
#include "TempDir.h"  // CTempDir for the server's log

#include <sys/types.h>  // pid_t

#include <array>     // std::array for a pixel
#include <cstdint>   // uint8_t for pixels
#include <optional>  // std::optional for a window that may not be there
#include <string>    // std::string for commands and names
#include <vector>    // std::vector for pixels

namespace cubatro::test
{
class CXServer
{
public:
    explicit CXServer(
        const std::string& strExtraOptions = "");  // upon exit the server runs, or Display() is empty
    virtual ~CXServer();                           // stops the server
    CXServer(const CXServer&) = delete;
    CXServer& operator=(const CXServer&) = delete;

    const std::string& Display() const { return m_strDisplay; }  // ":N", empty when it failed
    // Runs a shell command with DISPLAY set to this server; returns its exit status.
    int Run(const std::string& command, std::string* pOutput = nullptr) const;
    std::string Health() const;  // whether the server answers now, and what it logged

private:
    bool Launch(int nDisplay, const std::string& strExtraOptions);  // a server on :nDisplay once it listens

    CTempDir m_dir;            // holds the server's log
    pid_t m_pid = -1;          // the Xvfb process
    std::string m_strDisplay;  // its display name
};

// A picture of a window, RGB, top row first.
struct SShot
{
    int nWidth = 0;
    int nHeight = 0;
    std::vector<uint8_t> vRgb;
    std::array<uint8_t, 3> At(int x, int y) const;
    // Mean absolute difference per channel between two shots of the same size, over the rows
    // from fTop to fBottom (fractions of the height).
    static double Difference(const SShot& a, const SShot& b, double fTop, double fBottom);
};

class CGameProcess
{
public:
    // Starts the program (the built game unless strProgram is given) in strDirectory on the server;
    // standard output and error go to files in strOutput (strDirectory when empty).
    CGameProcess(const CXServer& server, const std::string& strDirectory,
                 const std::vector<std::string>& vArgs = {}, const std::string& strProgram = "",
                 const std::string& strOutput = "");
    virtual ~CGameProcess();  // kills the program if it still runs
    CGameProcess(const CGameProcess&) = delete;
    CGameProcess& operator=(const CGameProcess&) = delete;

    // Waits up to nSeconds for the program to end; its exit status, or -1 when it did not end
    // (it is then killed) or ended by a signal.
    int Wait(double dSeconds);
    bool IsRunning();
    bool HasNotEnded() const;    // like IsRunning, but leaves an ended program to Wait
    std::string Stderr() const;  // what the program wrote to standard error so far

    // The first window of this program whose name matches the regular expression, waiting up to
    // dSeconds for it, or until the program ends.
    std::optional<std::string> WaitForWindow(const std::string& strName, double dSeconds) const;
    bool Key(const std::string& strWindow, const std::string& strKeys) const;  // focus and press keys
    bool KeyDown(const std::string& strWindow, const std::string& strKey) const;
    bool KeyUp(const std::string& strKey) const;  // released wherever the focus is
    bool Focus(const std::string& strWindow) const;
    std::optional<SShot> Shot(const std::string& strWindow) const;  // via ImageMagick import

private:
    const CXServer& m_server;    // the display, not owned
    pid_t m_pid = -1;            // the program
    std::string m_strErr;        // file that receives its standard error
    std::string m_strDirectory;  // where it runs
};

void Pause(double dSeconds);  // lets the game run for a while
}  // namespace cubatro::test

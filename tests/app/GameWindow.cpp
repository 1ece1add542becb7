// GameWindow: processes, windows, keys and screenshots.
#include "GameWindow.h"

#include "TempDir.h"  // RunCommand, CTempDir::ReadAll

#include <csignal>     // kill, SIGTERM, SIGKILL
#include <cstdio>      // std::sscanf
#include <cstdlib>     // std::getenv
#include <fcntl.h>     // open for the output files
#include <sys/wait.h>  // waitpid
#include <thread>      // std::this_thread::sleep_for
#include <unistd.h>    // fork, exec, pipe

#include <chrono>   // deadlines
#include <fstream>  // reading the screenshot
#include <regex>    // window names
#include <sstream>  // reading the screenshot header

namespace cubatro::test
{
namespace
{
using Clock = std::chrono::steady_clock;

std::string Quote(const std::string& s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}
}  // namespace

void Pause(double dSeconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(dSeconds));
}

CXServer::CXServer(const std::string& strExtraOptions)
{
    // Xvfb's own search for a free display starts at 0 and races with servers started at the same
    // time by other tests; each server here asks for a number of its own, drawn from the process
    // id, and takes the next one when that is taken (the server then ends without telling it).
    for (int nAttempt = 0; nAttempt < 20 && m_strDisplay.empty(); nAttempt++)
    {
        const int nDisplay = 100 + (int(::getpid()) * 7 + nAttempt) % 900;
        if (!Launch(nDisplay, strExtraOptions)) continue;
        // The number comes when the server listens; wait until it also answers a client, so that
        // a loaded machine does not start the game before the display can take it.
        const std::string display = ":" + std::to_string(nDisplay);
        const auto deadline = Clock::now() + std::chrono::seconds(30);
        while (Clock::now() < deadline && m_strDisplay.empty())
        {
            if (RunCommand("xdpyinfo -display " + display + " >/dev/null 2>&1") == 0)
                m_strDisplay = display;
            else
                Pause(0.1);
        }
    }
}

bool CXServer::Launch(int nDisplay, const std::string& strExtraOptions)
{
    if (m_pid > 0)
    {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    int fds[2];
    if (::pipe(fds) != 0) return false;
    m_pid = ::fork();
    if (m_pid == 0)
    {
        ::close(fds[0]);
        const int nNull = ::open("/dev/null", O_WRONLY);
        const int nLog = ::open((m_dir / "xvfb.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        ::dup2(nNull, 1);
        ::dup2(nLog, 2);
        const std::string command = "exec Xvfb :" + std::to_string(nDisplay) + " -displayfd " +
                                    std::to_string(fds[1]) + " -screen 0 1024x768x24 -nolisten tcp " +
                                    strExtraOptions;
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string number;
    char c;
    while (::read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(fds[0]);
    return number == std::to_string(nDisplay);
}

std::string CXServer::Health() const
{
    const std::vector<unsigned char> v = CTempDir::ReadAll(m_dir / "xvfb.log");
    const bool bAnswers =
        !m_strDisplay.empty() && RunCommand("xdpyinfo -display " + m_strDisplay + " >/dev/null 2>&1") == 0;
    return "X server " + m_strDisplay + (bAnswers ? " answers" : " does not answer") + "; its log:\n" +
           std::string(v.begin(), v.end());
}

CXServer::~CXServer()
{
    if (m_pid > 0)
    {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
}

int CXServer::Run(const std::string& command, std::string* pOutput) const
{
    // No tool may wait for ever (import, for one, waits for a click when given no window).
    return RunCommand("DISPLAY=" + m_strDisplay + " timeout 10 sh -c " + Quote(command), pOutput);
}

std::array<uint8_t, 3> SShot::At(int x, int y) const
{
    const size_t i = (size_t(y) * nWidth + x) * 3;
    return {vRgb[i], vRgb[i + 1], vRgb[i + 2]};
}

double SShot::Difference(const SShot& a, const SShot& b, double fTop, double fBottom)
{
    if (a.nWidth != b.nWidth || a.nHeight != b.nHeight || a.vRgb.empty()) return 1e9;
    const size_t nFrom = size_t(fTop * a.nHeight) * a.nWidth * 3;
    const size_t nTo = size_t(fBottom * a.nHeight) * a.nWidth * 3;
    double dSum = 0.0;
    for (size_t i = nFrom; i < nTo; i++)
        dSum += std::abs(int(a.vRgb[i]) - int(b.vRgb[i]));
    return nTo > nFrom ? dSum / double(nTo - nFrom) : 0.0;
}

CGameProcess::CGameProcess(const CXServer& server, const std::string& strDirectory,
                           const std::vector<std::string>& vArgs, const std::string& strProgram,
                           const std::string& strOutput)
    : m_server(server), m_strErr((strOutput.empty() ? strDirectory : strOutput) + "/stderr.txt"),
      m_strDirectory(strOutput.empty() ? strDirectory : strOutput)
{
    const std::string strOut = m_strDirectory;
    m_pid = ::fork();
    if (m_pid == 0)
    {
        if (::chdir(strDirectory.c_str()) != 0) ::_exit(126);
        const int nOut = ::open((strOut + "/stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int nErr = ::open((strOut + "/stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(nOut, 1);
        ::dup2(nErr, 2);
        ::setenv("DISPLAY", server.Display().c_str(), 1);
        ::setenv("GDK_BACKEND", "x11", 1);
        ::setenv("NO_AT_BRIDGE", "1", 1);
        // Under the leak checker, the desktop libraries' own allocations kept until exit are not ours.
        const char* pszLsan = std::getenv("LSAN_OPTIONS");
        const std::string strLsan =
            std::string(pszLsan ? pszLsan : "") + ":suppressions=" CUBATRO_GUI_LSAN_SUPP;
        ::setenv("LSAN_OPTIONS", strLsan.c_str(), 1);
        std::vector<char*> vArgv;
        std::string program = strProgram.empty() ? std::string(CUBATRO_PROGRAM) : strProgram;
        vArgv.push_back(program.data());
        std::vector<std::string> vCopy = vArgs;
        for (std::string& s : vCopy)
            vArgv.push_back(s.data());
        vArgv.push_back(nullptr);
        ::execv(program.c_str(), vArgv.data());
        ::_exit(127);
    }
}

CGameProcess::~CGameProcess()
{
    if (IsRunning())
    {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
}

bool CGameProcess::IsRunning()
{
    if (m_pid <= 0) return false;
    int nStatus = 0;
    const pid_t p = ::waitpid(m_pid, &nStatus, WNOHANG);
    if (p == 0) return true;
    m_pid = -1;
    return false;
}

int CGameProcess::Wait(double dSeconds)
{
    if (m_pid <= 0) return -1;
    const auto deadline = Clock::now() + std::chrono::duration<double>(dSeconds);
    while (Clock::now() < deadline)
    {
        int nStatus = 0;
        const pid_t p = ::waitpid(m_pid, &nStatus, WNOHANG);
        if (p == m_pid)
        {
            m_pid = -1;
            return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
        }
        Pause(0.05);
    }
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
    return -1;
}

std::string CGameProcess::Stderr() const
{
    const std::vector<unsigned char> v = CTempDir::ReadAll(m_strErr);
    return std::string(v.begin(), v.end());
}

bool CGameProcess::HasNotEnded() const
{
    // WNOWAIT leaves an ended program for Wait to collect.
    siginfo_t info{};
    return m_pid > 0 && ::waitid(P_PID, id_t(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
}

std::optional<std::string> CGameProcess::WaitForWindow(const std::string& strName, double dSeconds) const
{
    const std::regex name(strName);
    const auto deadline = Clock::now() + std::chrono::duration<double>(dSeconds);
    while (Clock::now() < deadline && HasNotEnded())
    {
        // Every visible window of the program, with its name, one per line: "<id> <name>".
        std::string out;
        m_server.Run("for w in $(xdotool search --onlyvisible --pid " + std::to_string(m_pid) +
                         " '' 2>/dev/null); do echo \"$w $(xdotool getwindowname $w 2>/dev/null)\"; done",
                     &out);
        std::istringstream lines(out);
        std::string line;
        while (std::getline(lines, line))
        {
            const size_t nSpace = line.find(' ');
            if (nSpace != std::string::npos && std::regex_match(line.substr(nSpace + 1), name))
                return line.substr(0, nSpace);
        }
        Pause(0.1);
    }
    return std::nullopt;
}

bool CGameProcess::Focus(const std::string& strWindow) const
{
    return !strWindow.empty() && m_server.Run("xdotool windowfocus --sync " + strWindow) == 0;
}

bool CGameProcess::Key(const std::string& strWindow, const std::string& strKeys) const
{
    return Focus(strWindow) && m_server.Run("xdotool key --clearmodifiers " + strKeys) == 0;
}

bool CGameProcess::KeyDown(const std::string& strWindow, const std::string& strKey) const
{
    return Focus(strWindow) && m_server.Run("xdotool keydown " + strKey) == 0;
}

bool CGameProcess::KeyUp(const std::string& strKey) const
{
    return m_server.Run("xdotool keyup " + strKey) == 0;
}

std::optional<SShot> CGameProcess::Shot(const std::string& strWindow) const
{
    if (strWindow.empty()) return std::nullopt;
    const std::string file = m_strDirectory + "/shot.ppm";
    if (m_server.Run("import -window " + strWindow + " -depth 8 ppm:" + Quote(file)) != 0)
        return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    std::string magic;
    SShot shot;
    int nMax = 0;
    in >> magic >> shot.nWidth >> shot.nHeight >> nMax;
    in.get();
    if (magic != "P6" || nMax != 255 || shot.nWidth <= 0 || shot.nHeight <= 0) return std::nullopt;
    shot.vRgb.resize(size_t(shot.nWidth) * shot.nHeight * 3);
    in.read(reinterpret_cast<char*>(shot.vRgb.data()), static_cast<std::streamsize>(shot.vRgb.size()));
    if (!in) return std::nullopt;
    return shot;
}
}  // namespace cubatro::test

// TempDir: scratch directories and shell commands for tests.
#include "TempDir.h"

#include <sys/wait.h>  // WEXITSTATUS for RunCommand

#include <cstdio>      // popen for RunCommand
#include <cstdlib>     // mkdtemp
#include <fstream>     // writing and reading test files
#include <iterator>    // istreambuf_iterator
#include <stdexcept>   // std::runtime_error when no directory can be made

namespace cubatro::test
{

CTempDir::CTempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "cubatro-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary directory");
    m_path = pattern;
}

CTempDir::~CTempDir()
{
    std::error_code error;
    std::filesystem::remove_all(m_path, error);
}

std::string CTempDir::Write(const std::string& name, const std::vector<unsigned char>& bytes) const
{
    const std::filesystem::path path = m_path / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

std::string CTempDir::Write(const std::string& name, const std::string& text) const
{
    return Write(name, std::vector<unsigned char>(text.begin(), text.end()));
}

std::vector<unsigned char> CTempDir::ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int RunCommand(const std::string& command, std::string* pOutput)
{
    FILE* pPipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pPipe)
        return -1;
    char buffer[4096];
    size_t nGot;
    while ((nGot = std::fread(buffer, 1, sizeof buffer, pPipe)) > 0)
        if (pOutput)
            pOutput->append(buffer, nGot);
    const int nStatus = ::pclose(pPipe);
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
}

}  // namespace cubatro::test

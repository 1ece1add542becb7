// TempDir: a scratch directory for one test, removed with everything in it afterwards.
#pragma once

#include <filesystem>  // paths and recursive removal
#include <string>      // std::string for file contents
#include <vector>      // std::vector for binary contents

namespace cubatro::test
{

class CTempDir
{
public:
    CTempDir();           // upon exit the directory exists and is empty
    virtual ~CTempDir();  // removes the directory and its contents
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

    // Writes a file below the directory (creating subdirectories) and returns its full path.
    std::string Write(const std::string& name, const std::vector<unsigned char>& bytes) const;
    std::string Write(const std::string& name, const std::string& text) const;
    static std::vector<unsigned char> ReadAll(const std::string& path);  // empty when missing

private:
    std::filesystem::path m_path;  // owned directory
};

// Runs a shell command, returns its exit status; the output of the command goes to `output`.
int RunCommand(const std::string& command, std::string* pOutput = nullptr);

}  // namespace cubatro::test

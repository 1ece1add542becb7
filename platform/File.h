// File: binary files whose failures are exceptions with stable cause codes.
//
// CFile opens a program file name through the path resolver and moves raw bytes. Every
// failure (open, read, write, seek) throws a CFileException carrying one of the ECause codes
// below; the numbers are stable and are what diagnostics print. Reaching the end of a file is
// not a failure: Read returns the number of bytes obtained, which may be fewer than asked.
#pragma once

#include <cstddef>    // size_t for byte counts
#include <cstdint>    // int64_t for offsets
#include <exception>  // std::exception as the base of CFileException
#include <string>     // std::string for the file name

namespace plat
{

class CFileException : public std::exception
{
public:
    enum ECause : int
    {
        none = 0,              // no error
        generic = 1,           // an error that fits none of the others
        fileNotFound = 2,      // no such file
        badPath = 3,           // a directory of the path is missing or not a directory
        accessDenied = 4,      // permissions forbid the operation
        tooManyOpenFiles = 5,  // the process or system is out of file descriptors
        isDirectory = 6,       // the name is a directory
        badSeek = 7,           // the position cannot be set
        hardIO = 8,            // the device reported an input/output error
        diskFull = 9,          // no space left to write
        endOfFile = 10,        // an attempt to go past the end
        invalidFile = 11,      // the file is not open or the handle is bad
    };

    CFileException(ECause cause, int nOsError, std::string fileName);
    const char* what() const noexcept override { return m_strWhat.c_str(); }

    static ECause CauseFromErrno(int nErrno);  // maps an errno value to a cause code

    ECause m_cause;             // why the operation failed
    int m_nOsError;             // errno at the failure, 0 when none
    std::string m_strFileName;  // the name as the program gave it

private:
    std::string m_strWhat;  // text for what()
};

class CFile
{
public:
    enum EOpenFlags : unsigned
    {
        modeRead = 0x0,     // reading only
        modeWrite = 0x1,    // writing only; an existing file is neither created nor truncated
        modeCreate = 0x10,  // with modeWrite: create the file or truncate an existing one
    };
    enum ESeekFrom
    {
        begin = 0,    // from the start of the file
        current = 1,  // from the current position
        end = 2,      // from the end of the file
    };

    CFile() = default;
    CFile(const std::string& name, unsigned nFlags) { Open(name, nFlags); }  // throws on failure
    virtual ~CFile();  // closes the file when open
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    void Open(const std::string& name, unsigned nFlags);   // throws CFileException on failure
    size_t Read(void* pBuffer, size_t nCount);             // bytes read, fewer at end; throws on error
    void Write(const void* pBuffer, size_t nCount);        // all bytes or throws
    int64_t Seek(int64_t nOffset, ESeekFrom from);         // new position; throws on error
    int64_t GetLength() const;                             // size in bytes; throws on error
    void Close();                                          // closes; no effect when not open
    bool IsOpen() const { return m_hFile >= 0; }
    const std::string& GetFileName() const { return m_strFileName; }

private:
    [[noreturn]] void Throw(int nErrno) const;

    int m_hFile = -1;           // owned file descriptor, -1 when closed
    std::string m_strFileName;  // the name as given to Open
};

}  // namespace plat

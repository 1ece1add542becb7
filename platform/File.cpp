// File: POSIX descriptors behind CFile, errno mapped to stable cause codes.
#include "File.h"

#include "PathResolver.h"  // every open goes through the Windows-style name resolution

#include <fcntl.h>     // open flags
#include <sys/stat.h>  // fstat for GetLength
#include <unistd.h>    // read, write, lseek, close

#include <cerrno>   // errno values
#include <cstring>  // strerror for the exception text

namespace plat
{

CFileException::CFileException(ECause cause, int nOsError, std::string fileName)
    : m_cause(cause), m_nOsError(nOsError), m_strFileName(std::move(fileName))
{
    m_strWhat = "file error " + std::to_string(static_cast<int>(m_cause)) + " on \"" + m_strFileName + "\"";
    if (m_nOsError != 0)
        m_strWhat += std::string(": ") + std::strerror(m_nOsError);
}

CFileException::ECause CFileException::CauseFromErrno(int nErrno)
{
    switch (nErrno)
    {
    case 0: return none;
    case ENOENT: return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return badPath;
    case EACCES:
    case EPERM:
    case EROFS: return accessDenied;
    case EMFILE:
    case ENFILE: return tooManyOpenFiles;
    case EISDIR: return isDirectory;
    case ESPIPE:
    case EOVERFLOW: return badSeek;
    case EIO: return hardIO;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return diskFull;
    case EBADF: return invalidFile;
    default: return generic;
    }
}

CFile::~CFile()
{
    Close();
}

void CFile::Throw(int nErrno) const
{
    throw CFileException(CFileException::CauseFromErrno(nErrno), nErrno, m_strFileName);
}

void CFile::Open(const std::string& name, unsigned nFlags)
{
    Close();
    m_strFileName = name;
    int nOpen = O_RDONLY;
    if (nFlags & modeWrite)
        nOpen = O_WRONLY | ((nFlags & modeCreate) ? O_CREAT | O_TRUNC : 0);
    const int hFile = ::open(ResolvePath(name).c_str(), nOpen | O_CLOEXEC, 0666);
    if (hFile < 0)
        Throw(errno);
    m_hFile = hFile;
}

size_t CFile::Read(void* pBuffer, size_t nCount)
{
    if (!IsOpen())
        throw CFileException(CFileException::invalidFile, 0, m_strFileName);
    auto* pBytes = static_cast<unsigned char*>(pBuffer);
    size_t nDone = 0;
    while (nDone < nCount)
    {
        const ssize_t nGot = ::read(m_hFile, pBytes + nDone, nCount - nDone);
        if (nGot < 0)
        {
            if (errno == EINTR)
                continue;
            Throw(errno);
        }
        if (nGot == 0)
            break;
        nDone += static_cast<size_t>(nGot);
    }
    return nDone;
}

void CFile::Write(const void* pBuffer, size_t nCount)
{
    if (!IsOpen())
        throw CFileException(CFileException::invalidFile, 0, m_strFileName);
    const auto* pBytes = static_cast<const unsigned char*>(pBuffer);
    size_t nDone = 0;
    while (nDone < nCount)
    {
        const ssize_t nPut = ::write(m_hFile, pBytes + nDone, nCount - nDone);
        if (nPut < 0)
        {
            if (errno == EINTR)
                continue;
            Throw(errno);
        }
        if (nPut == 0)
            throw CFileException(CFileException::diskFull, 0, m_strFileName);
        nDone += static_cast<size_t>(nPut);
    }
}

int64_t CFile::Seek(int64_t nOffset, ESeekFrom from)
{
    if (!IsOpen())
        throw CFileException(CFileException::invalidFile, 0, m_strFileName);
    const int nWhence = from == begin ? SEEK_SET : from == current ? SEEK_CUR : SEEK_END;
    const off_t nPos = ::lseek(m_hFile, static_cast<off_t>(nOffset), nWhence);
    if (nPos < 0)
        throw CFileException(errno == EINVAL ? CFileException::badSeek : CFileException::CauseFromErrno(errno),
                             errno, m_strFileName);
    return nPos;
}

int64_t CFile::GetLength() const
{
    struct stat info;
    if (!IsOpen() || ::fstat(m_hFile, &info) != 0)
        throw CFileException(IsOpen() ? CFileException::CauseFromErrno(errno) : CFileException::invalidFile,
                             IsOpen() ? errno : 0, m_strFileName);
    return info.st_size;
}

void CFile::Close()
{
    if (m_hFile >= 0)
    {
        ::close(m_hFile);
        m_hFile = -1;
    }
}

}  // namespace plat

// GlmRead: the OBJ reader and the MTL reader.
//
// The file is read into memory once. The first pass counts the elements, creates the groups and
// reads the material library; every array is then allocated at its exact size and the second
// pass fills it. Both passes walk the text with the same cursor rules, so they see the same
// statements:
//   - a statement is decided by the first character of its first word;
//   - a skipped statement is skipped to the end of its line, however long the line is;
//   - the lines that name something (mtllib, usemtl, g, newmtl) have the rest of their line read
//     up to 127 characters; the name is the first word of that, and anything beyond those 127
//     characters is read as further words;
//   - a face takes the corners of its own line; corner numbers are checked against the elements
//     read so far (a negative number counts back from the last one) before they are stored.
#include "model/GlmModel.h"

#include "platform/Diagnostics.h"   // plat::Trace for file failures
#include "platform/PathResolver.h"  // plat::OpenFile for the model and library files

#include <cfloat>        // FLT_MIN, FLT_MAX for the fast float path
#include <charconv>      // std::from_chars for the numbers the fast path leaves
#include <cinttypes>     // PRId64 for corner numbers in messages
#include <cstdarg>       // va_list for the message of a malformed statement
#include <cstdint>       // fixed-width counters
#include <cstdio>        // FILE, fread, printf
#include <cstdlib>       // std::exit, strtof
#include <cstring>       // memchr, memcpy
#include <limits>        // numeric limits of the counters
#include <memory>        // std::unique_ptr for the open file
#include <string>        // std::string for file text and names
#include <system_error>  // std::errc from std::from_chars

#include <sys/stat.h>  // fstat: the size of a regular file before reading it

namespace
{

// Ends the process after a fatal message; standard output is flushed first.
[[noreturn]] void EndProcess()
{
    std::fflush(stdout);
    std::exit(1);
}

// The whole text of a file, held in memory.
class CFileText
{
public:
    // Reads the file `name` (through the path resolver); false when it cannot be opened or read.
    bool Read(std::string_view name)
    {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> pFile(plat::OpenFile(name, "rb"), &std::fclose);
        if (!pFile) return false;
        struct stat info;
        std::size_t nCapacity = 1 << 16;
        if (::fstat(fileno(pFile.get()), &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0)
            nCapacity = static_cast<std::size_t>(info.st_size) + 1;
        m_pText = std::make_unique_for_overwrite<char[]>(nCapacity);
        m_nSize = 0;
        for (;;)
        {
            m_nSize += std::fread(m_pText.get() + m_nSize, 1, nCapacity - m_nSize, pFile.get());
            if (m_nSize < nCapacity) break;
            // The file is longer than it was said to be: grow and go on.
            auto pLarger = std::make_unique_for_overwrite<char[]>(nCapacity * 2);
            std::memcpy(pLarger.get(), m_pText.get(), m_nSize);
            m_pText = std::move(pLarger);
            nCapacity *= 2;
        }
        return !std::ferror(pFile.get());
    }
    std::string_view View() const { return std::string_view(m_pText.get(), m_nSize); }

private:
    std::unique_ptr<char[]> m_pText;  // owned text of the file
    std::size_t m_nSize = 0;          // bytes of text
};

inline bool IsSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}
inline bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Whether `word` begins with a number: an optional sign and a digit.
inline bool StartsNumber(std::string_view word)
{
    std::size_t i = 0;
    if (i < word.size() && (word[i] == '-' || word[i] == '+')) i++;
    return i < word.size() && IsDigit(word[i]);
}

// The first whitespace-separated word of `text`, empty when there is none.
std::string_view FirstWord(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        i++;
    std::size_t j = i;
    while (j < text.size() && !IsSpace(text[j]))
        j++;
    return text.substr(i, j - i);
}

// Parses all of `word` as a float. The common forms ([sign] digits [. digits] [e [sign] digits]
// with at most 19 significant digits and a small exponent) are converted exactly in double
// precision and rounded once to float; everything else goes through std::from_chars.
bool ParseFloat(std::string_view word, float& fValue)
{
    static constexpr double s_dPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                           1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                           1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* p = word.data();
    const char* const pEnd = p + word.size();
    bool bNegative = false;
    if (p < pEnd && (*p == '-' || *p == '+')) bNegative = *p++ == '-';
    std::uint64_t nMantissa = 0;
    int nDigits = 0;    // significant digits taken into the mantissa
    int nExponent = 0;  // power of ten applied to the mantissa
    bool bAnyDigit = false;
    bool bExact = true;
    for (; p < pEnd && IsDigit(*p); p++)
    {
        bAnyDigit = true;
        if (nMantissa == 0 && *p == '0') continue;
        if (nDigits < 19)
            nMantissa = nMantissa * 10 + static_cast<unsigned>(*p - '0'), nDigits++;
        else
            bExact = false;
    }
    if (p < pEnd && *p == '.')
    {
        for (p++; p < pEnd && IsDigit(*p); p++)
        {
            bAnyDigit = true;
            if (nMantissa == 0 && *p == '0')
            {
                nExponent--;
                continue;
            }
            if (nDigits < 19)
                nMantissa = nMantissa * 10 + static_cast<unsigned>(*p - '0'), nDigits++, nExponent--;
            else
                bExact = false;
        }
    }
    if (bAnyDigit && p < pEnd && (*p == 'e' || *p == 'E'))
    {
        const char* q = p + 1;
        bool bExpNegative = false;
        if (q < pEnd && (*q == '-' || *q == '+')) bExpNegative = *q++ == '-';
        if (q < pEnd && IsDigit(*q))
        {
            int nExp = 0;
            for (; q < pEnd && IsDigit(*q); q++)
                if (nExp < 100000) nExp = nExp * 10 + (*q - '0');
            nExponent += bExpNegative ? -nExp : nExp;
            p = q;
        }
    }
    if (bAnyDigit && p == pEnd && bExact && nMantissa < (std::uint64_t(1) << 53) && nExponent >= -22 &&
        nExponent <= 22)
    {
        double d = static_cast<double>(nMantissa);
        d = nExponent < 0 ? d / s_dPowers[-nExponent] : d * s_dPowers[nExponent];
        // The double is correctly rounded; rounding it to float is exact unless it lies on a
        // float midpoint or outside the normal float range.
        std::uint64_t nBits;
        std::memcpy(&nBits, &d, sizeof nBits);
        if ((d == 0.0 || (d >= FLT_MIN && d <= FLT_MAX)) && (nBits & 0x1FFFFFFFu) != 0x10000000u)
        {
            fValue = static_cast<float>(bNegative ? -d : d);
            return true;
        }
    }
    // The general path.
    const char* pFirst = word.data();
    if (pFirst < pEnd && *pFirst == '+') pFirst++;
    if (pFirst == pEnd || *pFirst == '+') return false;
    float f = 0.0f;
    const std::from_chars_result result = std::from_chars(pFirst, pEnd, f);
    if (result.ptr != pEnd) return false;
    if (result.ec == std::errc::result_out_of_range)
    {
        // Too large or too small for a float: take the value strtof rounds it to (infinity or 0).
        const std::string copy(pFirst, pEnd);
        f = std::strtof(copy.c_str(), nullptr);
    }
    else if (result.ec != std::errc())
        return false;
    fValue = f;
    return true;
}

// Parses all of `word` as a decimal integer with an optional sign; values beyond the int64
// range saturate (they are out of range for every array anyway).
bool ParseInteger(std::string_view word, std::int64_t& nValue)
{
    std::size_t i = 0;
    bool bNegative = false;
    if (i < word.size() && (word[i] == '-' || word[i] == '+')) bNegative = word[i++] == '-';
    if (i == word.size()) return false;
    std::int64_t n = 0;
    for (; i < word.size(); i++)
    {
        if (!IsDigit(word[i])) return false;
        if (n < (std::numeric_limits<std::int64_t>::max() - 9) / 10)
            n = n * 10 + (word[i] - '0');
        else
            n = std::numeric_limits<std::int64_t>::max();
    }
    nValue = bNegative ? -n : n;
    return true;
}

// A read position in text held in memory.
class CTextCursor
{
public:
    explicit CTextCursor(std::string_view text)
        : m_pBegin(text.data()), m_p(text.data()), m_pEnd(text.data() + text.size())
    {
    }

    // Upon exit the cursor is just after the next word; the result is empty at the end of the text.
    std::string_view NextWord()
    {
        while (m_p < m_pEnd && IsSpace(*m_p))
            m_p++;
        const char* pStart = m_p;
        while (m_p < m_pEnd && !IsSpace(*m_p))
            m_p++;
        return std::string_view(pStart, static_cast<std::size_t>(m_p - pStart));
    }

    // The next word of the current line, empty at its end; the cursor stays on the line.
    std::string_view NextWordOnLine()
    {
        while (m_p < m_pEnd && *m_p != '\n' && IsSpace(*m_p))
            m_p++;
        const char* pStart = m_p;
        while (m_p < m_pEnd && !IsSpace(*m_p))
            m_p++;
        return std::string_view(pStart, static_cast<std::size_t>(m_p - pStart));
    }

    // Upon exit the cursor is at the start of the next line (or the end of the text).
    void SkipLine()
    {
        const void* pNewline = std::memchr(m_p, '\n', static_cast<std::size_t>(m_pEnd - m_p));
        m_p = pNewline ? static_cast<const char*>(pNewline) + 1 : m_pEnd;
    }

    // The rest of the current line, its line end included, but at most 127 characters; upon
    // exit the cursor is just after what was returned.
    std::string_view ReadRest()
    {
        constexpr std::size_t nLimit = 127;
        const std::size_t nLeft = static_cast<std::size_t>(m_pEnd - m_p);
        const std::size_t nScan = nLeft < nLimit ? nLeft : nLimit;
        const void* pNewline = std::memchr(m_p, '\n', nScan);
        const std::size_t nTake =
            pNewline ? static_cast<std::size_t>(static_cast<const char*>(pNewline) - m_p) + 1 : nScan;
        const std::string_view rest(m_p, nTake);
        m_p += nTake;
        return rest;
    }

    // Line number (from 1) of a position within the text.
    unsigned LineOf(const char* p) const
    {
        unsigned nLine = 1;
        for (const char* q = m_pBegin; q < p && q < m_pEnd; q++)
            nLine += *q == '\n';
        return nLine;
    }

private:
    const char* m_pBegin;  // start of the text (not owned)
    const char* m_p;       // current position
    const char* m_pEnd;    // end of the text
};

// The numbers a face corner carries, decided by the face's first corner.
enum class ECornerForm
{
    vertex,               // v
    vertexTexture,        // v/t
    vertexNormal,         // v//n
    vertexTextureNormal,  // v/t/n
};

ECornerForm FormOf(std::string_view corner)
{
    if (corner.find("//") != std::string_view::npos) return ECornerForm::vertexNormal;
    const std::size_t nSlash = corner.find('/');
    if (nSlash == std::string_view::npos) return ECornerForm::vertex;
    return corner.find('/', nSlash + 1) == std::string_view::npos ? ECornerForm::vertexTexture
                                                                  : ECornerForm::vertexTextureNormal;
}

// Splits `corner` in the given form; false when it does not have exactly that form.
bool ParseCorner(std::string_view corner, ECornerForm form, std::int64_t& v, std::int64_t& t, std::int64_t& n)
{
    switch (form)
    {
    case ECornerForm::vertex:
        return ParseInteger(corner, v);
    case ECornerForm::vertexTexture:
    {
        const std::size_t s = corner.find('/');
        return s != std::string_view::npos && ParseInteger(corner.substr(0, s), v) &&
               ParseInteger(corner.substr(s + 1), t);
    }
    case ECornerForm::vertexNormal:
    {
        const std::size_t s = corner.find("//");
        return s != std::string_view::npos && ParseInteger(corner.substr(0, s), v) &&
               ParseInteger(corner.substr(s + 2), n);
    }
    case ECornerForm::vertexTextureNormal:
    {
        const std::size_t s1 = corner.find('/');
        const std::size_t s2 = s1 == std::string_view::npos ? s1 : corner.find('/', s1 + 1);
        return s2 != std::string_view::npos && ParseInteger(corner.substr(0, s1), v) &&
               ParseInteger(corner.substr(s1 + 1, s2 - s1 - 1), t) && ParseInteger(corner.substr(s2 + 1), n);
    }
    }
    return false;
}

// Reports a malformed statement of the file `file` at the line of `pAt` and ends the process.
[[noreturn]] void __attribute__((format(printf, 4, 5)))
Malformed(const char* pszReader, const std::string& file, unsigned nLine, const char* pszFormat, ...)
{
    std::printf("%s: \"%s\" line %u: ", pszReader, file.c_str(), nLine);
    va_list args;
    va_start(args, pszFormat);
    std::vprintf(pszFormat, args);
    va_end(args);
    EndProcess();
}

// The passes disagree about the text: it cannot happen for one text read once, but nothing is
// ever written beyond an array.
[[noreturn]] void Overrun(const std::string& file, unsigned nLine)
{
    Malformed("glmReadOBJ()", file, nLine, "the counting and filling passes disagree.\n");
}

int Len(std::string_view s)
{
    return static_cast<int>(s.size() < 100000 ? s.size() : 100000);
}

// Reads `nCount` numbers of the current line into pValues; a missing or malformed one ends the
// process with a message naming the file and the line.
void ReadFloats(CTextCursor& cursor, float* pValues, int nCount, const char* pszReader,
                const std::string& file)
{
    for (int i = 0; i < nCount; i++)
    {
        const std::string_view word = cursor.NextWordOnLine();
        if (!ParseFloat(word, pValues[i]))
            Malformed(pszReader, file, cursor.LineOf(word.data()), "expected a number, found \"%.*s\".\n",
                      Len(word), word.data());
    }
}

}  // namespace

void CGlmModel::glmReadOBJ(std::string_view filename)
{
    CFileText file;
    if (!file.Read(filename))
    {
        plat::Trace("glmReadOBJ() failed: can't open data file \"%s\".\n", std::string(filename).c_str());
        EndProcess();
    }
    pathname = filename;
    const std::string_view text = file.View();

    _glmFirstPass(text);

    vertices.assign((std::size_t(numvertices) + 1) * 3, 0.0f);
    triangles.assign(numtriangles, GlmTriangle());
    if (numnormals) normals.assign((std::size_t(numnormals) + 1) * 3, 0.0f);
    if (numtexcoords) texcoords.assign((std::size_t(numtexcoords) + 1) * 2, 0.0f);

    _glmSecondPass(text);
}

void CGlmModel::_glmFirstPass(std::string_view text)
{
    constexpr std::uint64_t nMax = std::numeric_limits<std::uint32_t>::max() - 1;
    GlmGroup* pGroup = _glmAddGroup("default");
    std::uint64_t nVertices = 0, nNormals = 0, nTexcoords = 0, nTriangles = 0;

    CTextCursor cursor(text);
    for (std::string_view word = cursor.NextWord(); !word.empty(); word = cursor.NextWord())
    {
        switch (word[0])
        {
        case 'v':
            if (word.size() == 1)
                nVertices++;
            else if (word[1] == 'n')
                nNormals++;
            else if (word[1] == 't')
                nTexcoords++;
            else
            {
                std::printf("_glmFirstPass(): Unknown token \"%.*s\".\n", Len(word), word.data());
                EndProcess();
            }
            cursor.SkipLine();
            break;
        case 'm':
        {
            const std::string_view name = FirstWord(cursor.ReadRest());
            if (!name.empty())
            {
                mtllibname = std::string(name);
                _glmReadMTL(name);
            }
            break;
        }
        case 'u':
            cursor.ReadRest();  // the material is resolved in the second pass
            break;
        case 'g':
        {
            const std::string_view name = FirstWord(cursor.ReadRest());
            pGroup = _glmAddGroup(name.empty() ? std::string_view("default") : name);
            break;
        }
        case 'f':
        {
            std::uint64_t nCorners = 0;
            for (std::string_view corner = cursor.NextWordOnLine(); StartsNumber(corner);
                 corner = cursor.NextWordOnLine())
                nCorners++;
            if (nCorners < 3)
                Malformed("glmReadOBJ()", pathname, cursor.LineOf(word.data()),
                          "a face needs at least three corners.\n");
            nTriangles += nCorners - 2;
            if (nTriangles > nMax)
                Malformed("glmReadOBJ()", pathname, cursor.LineOf(word.data()), "too many triangles.\n");
            pGroup->numtriangles += static_cast<std::uint32_t>(nCorners - 2);
            cursor.SkipLine();
            break;
        }
        default:  // comments and statements without effect
            cursor.SkipLine();
            break;
        }
        if (nVertices > nMax || nNormals > nMax || nTexcoords > nMax)
            Malformed("glmReadOBJ()", pathname, cursor.LineOf(word.data()), "too many elements.\n");
    }

    numvertices = static_cast<std::uint32_t>(nVertices);
    numnormals = static_cast<std::uint32_t>(nNormals);
    numtexcoords = static_cast<std::uint32_t>(nTexcoords);
    numtriangles = static_cast<std::uint32_t>(nTriangles);
    for (GlmGroup* p = groups.get(); p; p = p->next.get())
    {
        p->triangles.assign(p->numtriangles, 0);
        p->numtriangles = 0;
    }
}

void CGlmModel::_glmSecondPass(std::string_view text)
{
    static const char* const s_pszReader = "glmReadOBJ()";
    GlmGroup* pGroup = _glmFindGroup("default");
    if (!pGroup) pGroup = _glmAddGroup("default");
    std::uint32_t nMaterial = 0;
    std::uint32_t nVertices = 0, nNormals = 0, nTexcoords = 0, nTriangles = 0;  // read so far

    CTextCursor cursor(text);
    // Turns a corner number of the file into an index within the elements of its kind read
    // so far; 0 and numbers beyond them end the read.
    const auto resolve = [&](std::int64_t nNumber, std::uint32_t nRead, const char* pszKind,
                             std::string_view corner) -> std::uint32_t
    {
        const std::int64_t nIndex = nNumber < 0 ? std::int64_t(nRead) + 1 + nNumber : nNumber;
        if (nNumber == 0 || nIndex < 1 || nIndex > std::int64_t(nRead))
            Malformed(s_pszReader, pathname, cursor.LineOf(corner.data()),
                      "%s number %" PRId64 " in corner \"%.*s\" is out of range (%u read so far).\n", pszKind,
                      nNumber, Len(corner), corner.data(), nRead);
        return static_cast<std::uint32_t>(nIndex);
    };
    const auto line = [&](std::string_view word) { return cursor.LineOf(word.data()); };

    for (std::string_view word = cursor.NextWord(); !word.empty(); word = cursor.NextWord())
    {
        switch (word[0])
        {
        case 'v':
            if (word.size() == 1)
            {
                if (nVertices >= numvertices || vertices.size() < (std::size_t(nVertices) + 2) * 3)
                    Overrun(pathname, line(word));
                nVertices++;
                ReadFloats(cursor, &vertices[std::size_t(nVertices) * 3], 3, s_pszReader, pathname);
            }
            else if (word[1] == 'n')
            {
                if (nNormals >= numnormals || normals.size() < (std::size_t(nNormals) + 2) * 3)
                    Overrun(pathname, line(word));
                nNormals++;
                ReadFloats(cursor, &normals[std::size_t(nNormals) * 3], 3, s_pszReader, pathname);
            }
            else if (word[1] == 't')
            {
                if (nTexcoords >= numtexcoords || texcoords.size() < (std::size_t(nTexcoords) + 2) * 2)
                    Overrun(pathname, line(word));
                nTexcoords++;
                ReadFloats(cursor, &texcoords[std::size_t(nTexcoords) * 2], 2, s_pszReader, pathname);
            }
            cursor.SkipLine();
            break;
        case 'g':
        {
            const std::string_view name = FirstWord(cursor.ReadRest());
            pGroup = _glmFindGroup(name.empty() ? std::string_view("default") : name);
            if (!pGroup) Overrun(pathname, line(word));
            pGroup->material = nMaterial;
            break;
        }
        case 'u':
        {
            const std::string_view name = FirstWord(cursor.ReadRest());
            nMaterial = _glmFindMaterial(name);
            pGroup->material = nMaterial;
            break;
        }
        case 'm':
            cursor.ReadRest();  // the library was read in the first pass
            break;
        case 'f':
        {
            const std::string_view first = cursor.NextWordOnLine();
            const ECornerForm form = FormOf(first);
            const bool bTexture =
                form == ECornerForm::vertexTexture || form == ECornerForm::vertexTextureNormal;
            const bool bNormal =
                form == ECornerForm::vertexNormal || form == ECornerForm::vertexTextureNormal;
            std::uint32_t v[3] = {0, 0, 0}, t[3] = {0, 0, 0}, n[3] = {0, 0, 0};  // first, previous, current
            int nCorner = 0;
            for (std::string_view corner = first; StartsNumber(corner); corner = cursor.NextWordOnLine())
            {
                std::int64_t nv = 0, nt = 0, nn = 0;
                if (!ParseCorner(corner, form, nv, nt, nn))
                    Malformed(s_pszReader, pathname, cursor.LineOf(corner.data()),
                              "corner \"%.*s\" does not have the form of the face's first corner \"%.*s\".\n",
                              Len(corner), corner.data(), Len(first), first.data());
                const int k = nCorner < 2 ? nCorner : 2;
                if (nCorner >= 3)
                {
                    v[1] = v[2], t[1] = t[2], n[1] = n[2];
                }
                v[k] = resolve(nv, nVertices, "vertex", corner);
                if (bTexture) t[k] = resolve(nt, nTexcoords, "texture coordinate", corner);
                if (bNormal) n[k] = resolve(nn, nNormals, "normal", corner);
                if (++nCorner < 3) continue;
                if (nTriangles >= numtriangles || nTriangles >= triangles.size() ||
                    pGroup->numtriangles >= pGroup->triangles.size())
                    Overrun(pathname, line(word));
                GlmTriangle& triangle = triangles[nTriangles];
                for (int c = 0; c < 3; c++)
                {
                    triangle.vindices[c] = v[c];
                    if (bTexture) triangle.tindices[c] = t[c];
                    if (bNormal) triangle.nindices[c] = n[c];
                }
                pGroup->triangles[pGroup->numtriangles++] = nTriangles++;
            }
            if (nCorner < 3) Overrun(pathname, line(word));
            cursor.SkipLine();
            break;
        }
        default:  // comments and statements without effect
            cursor.SkipLine();
            break;
        }
    }
    if (nVertices != numvertices || nNormals != numnormals || nTexcoords != numtexcoords ||
        nTriangles != numtriangles)
        Overrun(pathname, cursor.LineOf(text.data() + text.size()));
}

void CGlmModel::_glmReadMTL(std::string_view name)
{
    static const char* const s_pszReader = "_glmReadMTL()";
    const std::string filename = _glmDirectoryOf(pathname) + std::string(name);
    CFileText file;
    if (!file.Read(filename))
    {
        plat::Trace("_glmReadMTL() failed: can't open material file \"%s\".\n", filename.c_str());
        EndProcess();
    }
    const std::string_view text = file.View();

    // Counting pass, with the same line rules as the filling pass.
    std::uint64_t nMaterials = 1;
    {
        CTextCursor cursor(text);
        for (std::string_view word = cursor.NextWord(); !word.empty(); word = cursor.NextWord())
        {
            if (word[0] == 'n')
            {
                cursor.ReadRest();
                if (++nMaterials > std::numeric_limits<std::uint32_t>::max() - 1)
                    Malformed(s_pszReader, filename, cursor.LineOf(word.data()), "too many materials.\n");
            }
            else
                cursor.SkipLine();
        }
    }

    // A library read before (a second mtllib line) is released here.
    nummaterials = static_cast<std::uint32_t>(nMaterials);
    materials.assign(nummaterials, GlmMaterial());
    materials[0].name = "default";

    std::uint32_t nCurrent = 0;
    CTextCursor cursor(text);
    for (std::string_view word = cursor.NextWord(); !word.empty(); word = cursor.NextWord())
    {
        switch (word[0])
        {
        case 'n':
        {
            const std::string_view materialName = FirstWord(cursor.ReadRest());
            if (nCurrent + 1 < nummaterials) materials[++nCurrent].name = materialName;
            break;
        }
        case 'K':
        {
            GlmMaterial& material = materials[nCurrent];
            float* pColour = word.size() < 2  ? nullptr
                             : word[1] == 'd' ? material.diffuse
                             : word[1] == 'a' ? material.ambient
                             : word[1] == 's' ? material.specular
                                              : nullptr;
            if (pColour) ReadFloats(cursor, pColour, 3, s_pszReader, filename);
            cursor.SkipLine();
            break;
        }
        case 'N':
        {
            float fShininess = 0.0f;
            ReadFloats(cursor, &fShininess, 1, s_pszReader, filename);
            fShininess = static_cast<float>(fShininess / 1000.0);
            fShininess = static_cast<float>(fShininess * 128.0);
            materials[nCurrent].shininess = fShininess;
            cursor.SkipLine();
            break;
        }
        default:  // comments, texture maps, transparency, illumination
            cursor.SkipLine();
            break;
        }
    }
}

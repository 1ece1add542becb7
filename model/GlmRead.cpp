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

#include <algorithm>     // std::min
#include <array>         // std::array for the character classes
#include <bit>           // std::endian: eight characters read as one number need the byte order
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

#if defined(__SSE2__)
#include <emmintrin.h>  // SSE2: sixteen characters at a time for line ends and corner counts
#endif
#include <sys/mman.h>  // madvise: large pages for large buffers
#include <sys/stat.h>  // fstat: whether a file is regular, and its size

namespace
{

// Ends the process after a fatal message; standard output is flushed first.
[[noreturn]] void EndProcess()
{
    std::fflush(stdout);
    std::exit(1);
}

// Asks the system to back the large buffer at p with large pages, so that a fresh buffer of
// many megabytes is faulted in a few hundred steps rather than in tens of thousands. Only a hint:
// nothing changes for the program if it is not followed.
void AdviseLargePages(void* p, std::size_t nSize)
{
#if defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t nLarge = std::uintptr_t(2) << 20;
    if (nSize < 2 * nLarge) return;
    const std::uintptr_t nBegin = (reinterpret_cast<std::uintptr_t>(p) + nLarge - 1) & ~(nLarge - 1);
    const std::uintptr_t nEnd = (reinterpret_cast<std::uintptr_t>(p) + nSize) & ~(nLarge - 1);
    if (nEnd > nBegin) ::madvise(reinterpret_cast<void*>(nBegin), nEnd - nBegin, MADV_HUGEPAGE);
#else
    (void)p;
    (void)nSize;
#endif
}

// The whole text of a file, read into an owned buffer. The text is copied rather than mapped: a
// mapped file that another process shortens while it is read would end this one with a bus
// error, whereas a copy holds what the file held when it was read.
class CFileText
{
public:
    CFileText() = default;
    virtual ~CFileText() = default;
    CFileText(const CFileText&) = delete;
    CFileText& operator=(const CFileText&) = delete;

    // Reads the file `name` (through the path resolver); false when it cannot be opened or read.
    // A regular file is read with one call of its whole size; anything else, or a file that
    // grows meanwhile, in larger and larger steps until its end.
    bool Read(std::string_view name)
    {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> pFile(plat::OpenFile(name, "rb"), &std::fclose);
        if (!pFile) return false;
        struct stat info;
        std::size_t nCapacity = 1 << 16;
        if (::fstat(fileno(pFile.get()), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
            static_cast<std::uint64_t>(info.st_size) < std::numeric_limits<std::size_t>::max() / 4)
            nCapacity = static_cast<std::size_t>(info.st_size) + 1;  // one more: the end is seen at once
        m_pText = Allocate(nCapacity);
        m_nSize = 0;
        for (;;)
        {
            m_nSize += std::fread(m_pText.get() + m_nSize, 1, nCapacity - m_nSize, pFile.get());
            if (m_nSize < nCapacity) break;
            // The file is longer than it was said to be: grow and go on.
            auto pLarger = Allocate(nCapacity * 2);
            std::memcpy(pLarger.get(), m_pText.get(), m_nSize);
            m_pText = std::move(pLarger);
            nCapacity *= 2;
        }
        return !std::ferror(pFile.get());
    }

    std::string_view View() const { return std::string_view(m_pText.get(), m_nSize); }

private:
    // A buffer of nSize characters, not initialised (the read fills what is used).
    static std::unique_ptr<char[]> Allocate(std::size_t nSize)
    {
        auto pBuffer = std::make_unique_for_overwrite<char[]>(nSize);
        AdviseLargePages(pBuffer.get(), nSize);
        return pBuffer;
    }

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

// Reads the run of digits at p into nValue (after what it held) and moves p past it; returns
// the number of digits. Past 19 digits the value is not meaningful.
[[gnu::always_inline]] inline unsigned ReadDigits(const char*& p, const char* pEnd, std::uint64_t& nValue)
{
    const char* const pStart = p;
    std::uint64_t n = nValue;
    // Two digits per step: the chain of multiplications is half as long.
    for (; pEnd - p >= 2; p += 2)
    {
        const unsigned d0 = static_cast<unsigned>(p[0] - '0'), d1 = static_cast<unsigned>(p[1] - '0');
        if (d0 >= 10u || d1 >= 10u) break;
        n = n * 100 + (d0 * 10 + d1);
    }
    if (p < pEnd && static_cast<unsigned>(*p - '0') < 10u) n = n * 10 + static_cast<unsigned>(*p++ - '0');
    nValue = n;
    return static_cast<unsigned>(p - pStart);
}

// The number of digits before the first other character among eight characters read as one
// number (the first in the lowest byte) and given as offsets from '0'.
[[gnu::always_inline]] inline unsigned LeadingDigits(std::uint64_t nOffsets)
{
    const std::uint64_t nOthers =
        (((nOffsets & 0x7F7F7F7F7F7F7F7Full) + 0x7676767676767676ull) | nOffsets) & 0x8080808080808080ull;
    return nOthers ? static_cast<unsigned>(__builtin_ctzll(nOthers)) / 8 : 8;
}

// The value of the first nCount (0 to 8) of eight digits given as for LeadingDigits.
[[gnu::always_inline]] inline std::uint64_t DigitsValue(std::uint64_t nOffsets, unsigned nCount)
{
    // The digits to the high bytes, the low bytes become leading zeros.
    std::uint64_t v = nCount ? nOffsets << (8 * (8 - nCount)) : 0;
    v = v * 10 + (v >> 8);
    return (((v & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
            (((v >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
           32;
}

// Reads the digits among the eight characters at p (pEnd - p >= 8) up to the first other
// character at once; returns how many there are, 8 when all eight are digits, and their value.
[[gnu::always_inline]] inline unsigned ReadEightDigits(const char* p, std::uint64_t& nValue)
{
    if constexpr (std::endian::native != std::endian::little)
    {
        unsigned nCount = 0;
        std::uint64_t v = 0;
        for (; nCount < 8 && IsDigit(p[nCount]); nCount++)
            v = v * 10 + static_cast<unsigned>(p[nCount] - '0');
        nValue = v;
        return nCount;
    }
    std::uint64_t nChunk;
    std::memcpy(&nChunk, p, sizeof nChunk);                         // the first character in the lowest byte
    const std::uint64_t nOffsets = nChunk ^ 0x3030303030303030ull;  // digits become 0 to 9
    const std::uint64_t nOthers =
        (((nOffsets & 0x7F7F7F7F7F7F7F7Full) + 0x7676767676767676ull) | nOffsets) & 0x8080808080808080ull;
    const unsigned nCount = nOthers ? static_cast<unsigned>(__builtin_ctzll(nOthers)) / 8 : 8;
    // The digits to the high bytes, the low bytes become leading zeros.
    std::uint64_t v = nCount ? nOffsets << (8 * (8 - nCount)) : 0;
    v = v * 10 + (v >> 8);
    v = (((v & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
         (((v >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
        32;
    nValue = v;
    return nCount;
}

// Converts the number at p when it has the common form ([sign] digits [. digits] [e [sign]
// digits], at most 19 digits, a small exponent) and ends at a blank or at pEnd. The mantissa
// is exact; scaling it by a power of ten in double precision is off by at most two units of
// the last place, so rounding that double to float gives the correctly rounded float unless it
// lies within a few units of a float midpoint, or outside the normal float range: those cases
// are left to the general conversion. Returns the position after the number, or null when
// the general conversion is needed (or there is no number).
[[gnu::always_inline]] inline const char* FastFloat(const char* p, const char* const pEnd, float& fValue)
{
    static constexpr double s_dPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                           1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                           1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    static constexpr double s_dInverses[] = {1e-0,  1e-1,  1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7,
                                             1e-8,  1e-9,  1e-10, 1e-11, 1e-12, 1e-13, 1e-14, 1e-15,
                                             1e-16, 1e-17, 1e-18, 1e-19, 1e-20, 1e-21, 1e-22};
    const bool bNegative = p < pEnd && *p == '-';
    p += p < pEnd && (*p == '-' || *p == '+');
    std::uint64_t nMantissa = 0;
    unsigned nDigits = ReadDigits(p, pEnd, nMantissa);
    int nExponent = 0;  // power of ten applied to the mantissa
    if (p < pEnd && *p == '.')
    {
        ++p;
        unsigned nFraction;
        std::uint64_t nPart;
        if (pEnd - p >= 8 && (nFraction = ReadEightDigits(p, nPart)) < 8)
        {
            static constexpr std::uint64_t s_nTens[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};
            nMantissa = nMantissa * s_nTens[nFraction] + nPart;
            p += nFraction;
        }
        else
            nFraction = ReadDigits(p, pEnd, nMantissa);
        nDigits += nFraction;
        nExponent = -static_cast<int>(nFraction);
    }
    if (nDigits == 0 || nDigits > 19) return nullptr;
    if (p < pEnd && (*p == 'e' || *p == 'E'))
    {
        const char* q = p + 1;
        bool bExpNegative = false;
        if (q < pEnd && (*q == '-' || *q == '+')) bExpNegative = *q++ == '-';
        if (q == pEnd || !IsDigit(*q)) return nullptr;
        int nExp = 0;
        for (; q < pEnd && IsDigit(*q); q++)
            if (nExp < 100000) nExp = nExp * 10 + (*q - '0');
        nExponent += bExpNegative ? -nExp : nExp;
        p = q;
    }
    if ((p < pEnd && !IsSpace(*p)) || nMantissa >= (std::uint64_t(1) << 53) || nExponent < -22 ||
        nExponent > 22)
        return nullptr;
    const double d =
        static_cast<double>(nMantissa) * (nExponent < 0 ? s_dInverses[-nExponent] : s_dPowers[nExponent]);
    std::uint64_t nBits;
    std::memcpy(&nBits, &d, sizeof nBits);
    const unsigned nBinary = static_cast<unsigned>(nBits >> 52) & 0x7FFu;  // biased binary exponent
    if (d != 0.0 && nBinary - (1023u - 126u) > 253u)                       // below FLT_MIN or above FLT_MAX
        return nullptr;
    if ((nBits & 0x1FFFFFFFu) - (0x10000000u - 8u) <= 16u)  // within 8 units of a float midpoint
        return nullptr;
    fValue = static_cast<float>(bNegative ? -d : d);
    return p;
}

// Converts the number at p when it has the form most programs print, [-] 1 to 8 digits, a
// point and 1 to 8 digits, followed by a blank, and at least 20 characters of text remain.
// Like the corner numbers, the fractions of a file seldom change length: when a fraction has
// the length of the one before (nExpected, kept by the caller), the position after it is taken
// from nExpected behind a predicted branch, so that the next number can be read before this one
// is converted.
//   - One whole digit and up to six fraction digits (the most common form) are read as one
//     eight-character number with the point taken out.
//   - Otherwise the whole digits are read one by one (there are seldom more than two or three)
//     and the fraction digits eight characters at once.
// A mantissa below 2^24 and the power of ten (at most 10^8) are both exact floats, so their
// quotient is the correctly rounded value. A larger mantissa is exact in double precision;
// multiplied by the nearest double to the power of ten it is within two units of the last place
// of the exact value, so rounding that to float gives the correctly rounded float unless it lies
// within a few units of a float midpoint: those rare cases are left to the general conversion.
// Returns the position after the number, or null.
[[gnu::always_inline]] inline const char* FastFixedFloat(const char* p, const char* const pEnd, float& fValue,
                                                         unsigned& nExpected)
{
    static constexpr double s_dInverses[] = {1e-0, 1e-1, 1e-2, 1e-3, 1e-4, 1e-5, 1e-6, 1e-7, 1e-8};
    static constexpr float s_fPowers[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f};
    static constexpr std::uint64_t s_nTens[] = {1,      10,      100,      1000,     10000,
                                                100000, 1000000, 10000000, 100000000};
    if (pEnd - p < 20) return nullptr;
    const bool bNegative = *p == '-';
    p += bNegative;
    if constexpr (std::endian::native == std::endian::little)
    {
        if (p[1] == '.')  // one whole digit, the most common form: all digits as one number
        {
            std::uint64_t nChunk;
            std::memcpy(&nChunk, p, sizeof nChunk);
            // The whole digit and the fraction digits after it; the top byte, 0, is no digit.
            const std::uint64_t nOffsets = ((nChunk & 0xFF) | ((nChunk >> 16) << 8)) ^ 0x3030303030303030ull;
            unsigned nCount = LeadingDigits(nOffsets);  // at most 7
            if (nCount == nExpected + 1) [[likely]]
            {
                unsigned nAdvance = nExpected + 1;
                __asm__ volatile("" : "+r"(nAdvance));  // keeps the branch: the advance is known early
                nCount = nAdvance;
            }
            else
            {
                if (nCount < 2) return nullptr;
                nExpected = nCount - 1;
            }
            p += nCount + 1;
            if (!IsSpace(*p)) return nullptr;
            const float f = static_cast<float>(DigitsValue(nOffsets, nCount)) / s_fPowers[nCount - 1];
            fValue = bNegative ? -f : f;
            return p;
        }
    }
    std::uint64_t nWhole = 0;
    const char* const pWhole = p;
    for (unsigned d; p < pWhole + 9 && (d = static_cast<unsigned>(*p - '0')) < 10u; p++)
        nWhole = nWhole * 10 + d;
    if (static_cast<std::size_t>(p - pWhole) - 1 >= 8u || *p != '.') return nullptr;
    ++p;  // at most ten characters read so far: eight more and the one after them are in the text
    std::uint64_t nPart;
    unsigned nFraction = ReadEightDigits(p, nPart);
    if (nFraction == nExpected) [[likely]]
    {
        unsigned nAdvance = nExpected;
        __asm__ volatile("" : "+r"(nAdvance));  // keeps the branch: the advance is known early
        p += nAdvance;
        nFraction = nAdvance;
    }
    else
    {
        if (nFraction == 0) return nullptr;
        nExpected = nFraction;
        p += nFraction;
    }
    if (!IsSpace(*p)) return nullptr;
    const std::uint64_t nMantissa = nWhole * s_nTens[nFraction] + nPart;
    if (nMantissa < (std::uint64_t(1) << 24)) [[likely]]
    {
        // Both the mantissa and the power of ten are exact floats, so their quotient is the
        // correctly rounded value.
        const float f = static_cast<float>(nMantissa) / s_fPowers[nFraction];
        fValue = bNegative ? -f : f;
        return p;
    }
    if (nMantissa >= (std::uint64_t(1) << 53)) return nullptr;
    const double d = static_cast<double>(nMantissa) * s_dInverses[nFraction];
    std::uint64_t nBits;
    std::memcpy(&nBits, &d, sizeof nBits);
    if ((nBits & 0x1FFFFFFFu) - (0x10000000u - 8u) <= 16u) [[unlikely]]  // within 8 units of a float midpoint
        return nullptr;
    const float f = static_cast<float>(d);
    fValue = bNegative ? -f : f;
    return p;
}

// Parses all of `word` as a float: the fast conversion when it applies, std::from_chars
// (correctly rounded) otherwise.
bool ParseFloat(std::string_view word, float& fValue)
{
    const char* const pEnd = word.data() + word.size();
    if (!word.empty() && FastFloat(word.data(), pEnd, fValue) == pEnd) return true;
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

// The first line feed at or after p, or pEnd when there is none. Sixteen characters at a time
// where the machine allows: most lines are short, and a call per line would cost more than
// the search.
[[gnu::always_inline]] inline const char* LineEnd(const char* p, const char* const pEnd)
{
#if defined(__SSE2__)
    const __m128i newline = _mm_set1_epi8('\n');
    for (; pEnd - p >= 16; p += 16)
        if (const unsigned nFound = static_cast<unsigned>(_mm_movemask_epi8(
                _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), newline))))
            return p + __builtin_ctz(nFound);
#endif
    while (p < pEnd && *p != '\n')
        p++;
    return p;
}

// The first character at or after p that is not a blank of the current line (the line end, or
// pEnd, at the latest).
[[gnu::always_inline]] inline const char* SkipLineBlanks(const char* p, const char* const pEnd)
{
    while (p < pEnd && *p != '\n' && IsSpace(*p))
        p++;
    return p;
}

// The start of the line after the one p lies on (pEnd after the last line).
[[gnu::always_inline]] inline const char* NextLine(const char* p, const char* const pEnd)
{
    if (p < pEnd && *p == '\n') return p + 1;  // already at the line end, as after a whole statement
    p = LineEnd(p, pEnd);
    return p < pEnd ? p + 1 : pEnd;
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

    // Upon exit the cursor is on the first character of the current line that is not a blank
    // (the line end or the end of the text at the latest).
    void SkipBlanks()
    {
        while (m_p < m_pEnd && *m_p != '\n' && IsSpace(*m_p))
            m_p++;
    }

    const char* Pos() const { return m_p; }     // current position
    const char* End() const { return m_pEnd; }  // end of the text
    void SetPos(const char* p) { m_p = p; }     // moves within the text

    // The word that starts at p (up to the next whitespace).
    std::string_view WordAt(const char* p) const
    {
        const char* q = p;
        while (q < m_pEnd && !IsSpace(*q))
            q++;
        return std::string_view(p, static_cast<std::size_t>(q - p));
    }

    // Upon exit the cursor is at the start of the next line (or the end of the text).
    void SkipLine() { m_p = NextLine(m_p, m_pEnd); }

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

// Whether a number begins at p: an optional sign and a digit.
inline bool StartsNumberAt(const char* p, const char* pEnd)
{
    if (p < pEnd && (*p == '-' || *p == '+')) p++;
    return p < pEnd && IsDigit(*p);
}

// Character classes for counting the corners of a face line.
enum : unsigned char
{
    s_cOther = 0,    // anything else
    s_cBlank = 1,    // space, tab, vertical tab, form feed, carriage return
    s_cNewline = 2,  // line feed
    s_cDigit = 4,    // 0 to 9
    s_cInner = 8,    // '/', '-', '+': inside a corner
};

constexpr std::array<unsigned char, 256> MakeClasses()
{
    std::array<unsigned char, 256> classes{};
    for (int c : {' ', '\t', '\v', '\f', '\r'})
        classes[static_cast<unsigned char>(c)] = s_cBlank;
    classes['\n'] = s_cNewline;
    for (int c = '0'; c <= '9'; c++)
        classes[static_cast<unsigned char>(c)] = s_cDigit;
    for (int c : {'/', '-', '+'})
        classes[static_cast<unsigned char>(c)] = s_cInner;
    return classes;
}
constexpr std::array<unsigned char, 256> s_classes = MakeClasses();

// The number of bits set in n (without the population-count instruction, which not every
// machine of the target has).
inline unsigned CountBits(std::uint64_t n)
{
    n = n - ((n >> 1) & 0x5555555555555555ull);
    n = (n & 0x3333333333333333ull) + ((n >> 2) & 0x3333333333333333ull);
    n = (n + (n >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<unsigned>((n * 0x0101010101010101ull) >> 56);
}

// The number of words on the line from p when every word of the line begins with a digit (the
// usual face line), which is then the number of corners that counting word by word finds; 0
// otherwise, when the caller counts word by word. Upon exit pLineEnd is the line's end (its
// line feed, or pEnd) when the count is not 0. Sixteen characters at a time where the machine
// allows (the characters of the last few are checked more strictly, one by one).
inline std::uint64_t CountSimpleCorners(const char* p, const char* pEnd, const char*& pLineEnd)
{
    std::uint64_t nWords = 0;
    unsigned nPreviousBlank = 1, nBad = 0;
#if defined(__SSE2__)
    // The word starts of four blocks of sixteen characters are counted at once.
    std::uint64_t nStartBits = 0;
    unsigned nShift = 0;
    const __m128i space = _mm_set1_epi8(' '), newline = _mm_set1_epi8('\n');
    // Ranges by signed comparison after a shift that moves the range's start to -128.
    const __m128i controlShift = _mm_set1_epi8(static_cast<char>(0x80 - '\t'));  // tab to carriage return
    const __m128i controlLimit = _mm_set1_epi8(static_cast<char>(0x80 + ('\r' - '\t') + 1 - 256));
    const __m128i digitShift = _mm_set1_epi8(static_cast<char>(0x80 - '0'));
    const __m128i digitLimit = _mm_set1_epi8(static_cast<char>(0x80 + ('9' - '0') + 1 - 256));
    for (; pEnd - p >= 16; p += 16)
    {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned nNewlines = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, newline)));
        // Blanks as IsSpace has them (the line feed among them ends the line anyway).
        const __m128i blank = _mm_or_si128(_mm_cmpeq_epi8(v, space),
                                           _mm_cmplt_epi8(_mm_add_epi8(v, controlShift), controlLimit));
        const __m128i digit = _mm_cmplt_epi8(_mm_add_epi8(v, digitShift), digitLimit);
        const unsigned nBlanks = static_cast<unsigned>(_mm_movemask_epi8(blank));
        const unsigned nDigits = static_cast<unsigned>(_mm_movemask_epi8(digit));
        const unsigned nLine =
            nNewlines ? (nNewlines & (0u - nNewlines)) - 1 : 0xFFFFu;  // before the line end
        const unsigned nStarts = ~nBlanks & nLine & ((nBlanks << 1) | nPreviousBlank);
        nStartBits |= std::uint64_t(nStarts) << nShift;
        nBad |= nStarts & ~nDigits;
        if (nNewlines)
        {
            pLineEnd = p + __builtin_ctz(nNewlines);
            return nBad ? 0 : nWords + CountBits(nStartBits);
        }
        nPreviousBlank = (nBlanks >> 15) & 1u;
        nShift += 16;
        if (nShift == 64)
        {
            nWords += CountBits(nStartBits);
            nStartBits = 0;
            nShift = 0;
        }
    }
    nWords += CountBits(nStartBits);
#endif
    for (; p < pEnd; p++)
    {
        const unsigned c = s_classes[static_cast<unsigned char>(*p)];
        if (c == s_cNewline) break;
        const unsigned nBlank = c & s_cBlank;
        const unsigned nStart = nPreviousBlank & (nBlank ^ 1u);
        nWords += nStart;
        nBad |= (nStart & (c != s_cDigit)) | (c == s_cOther);
        nPreviousBlank = nBlank;
    }
    pLineEnd = p;
    return nBad ? 0 : nWords;
}

// Reads a decimal integer with an optional sign at p and moves p past it; a number of more than
// 18 digits saturates at the int64 maximum (it is out of range for every array anyway).
// nExpected is the number of digits the numbers before had (1 to 7, kept by the caller): the
// numbers of a file seldom change length, and when a number has that length, the position
// after it is taken from nExpected behind a predicted branch rather than from the count of its
// digits. The next number can then be read at once instead of after the counting, which makes
// reading corners about a third faster.
[[gnu::always_inline]] inline bool ScanInteger(const char*& p, const char* pEnd, std::int64_t& nValue,
                                               unsigned& nExpected)
{
    if (pEnd - p >= 8)  // the usual corner number: one to seven digits without a sign
    {
        std::uint64_t nShort;
        const unsigned nShortDigits = ReadEightDigits(p, nShort);
        if (nShortDigits == nExpected) [[likely]]
        {
            unsigned nAdvance = nExpected;
            __asm__ volatile("" : "+r"(nAdvance));  // keeps the branch: the advance is known early
            p += nAdvance;
            nValue = static_cast<std::int64_t>(nShort);
            return true;
        }
        if (nShortDigits - 1 < 7u)
        {
            nExpected = nShortDigits;
            p += nShortDigits;
            nValue = static_cast<std::int64_t>(nShort);
            return true;
        }
    }
    const bool bNegative = p < pEnd && *p == '-';
    p += p < pEnd && (*p == '-' || *p == '+');
    std::uint64_t n = 0;
    unsigned nDigits;
    if (pEnd - p >= 8 && (nDigits = ReadEightDigits(p, n)) < 8)
        p += nDigits;
    else
    {
        n = 0;
        nDigits = ReadDigits(p, pEnd, n);
    }
    if (nDigits == 0) return false;
    if (nDigits > 18)  // beyond every array: saturate
        n = std::numeric_limits<std::int64_t>::max();
    nValue = bNegative ? -static_cast<std::int64_t>(n) : static_cast<std::int64_t>(n);
    return true;
}

// Reads the corner at p in the form `form` (nExpected as for ScanInteger); returns the position
// after it, or null when the word there does not have exactly that form.
template <ECornerForm form>
[[gnu::always_inline]] inline const char* ScanCorner(const char* p, const char* pEnd, unsigned& nExpected,
                                                     std::int64_t& v, std::int64_t& t, std::int64_t& n)
{
    if (!ScanInteger(p, pEnd, v, nExpected)) return nullptr;
    if constexpr (form == ECornerForm::vertexTexture)
    {
        if (p == pEnd || *p++ != '/' || !ScanInteger(p, pEnd, t, nExpected)) return nullptr;
    }
    else if constexpr (form == ECornerForm::vertexNormal)
    {
        if (pEnd - p < 2 || p[0] != '/' || p[1] != '/') return nullptr;
        p += 2;
        if (!ScanInteger(p, pEnd, n, nExpected)) return nullptr;
    }
    else if constexpr (form == ECornerForm::vertexTextureNormal)
    {
        if (p == pEnd || *p++ != '/' || !ScanInteger(p, pEnd, t, nExpected) || p == pEnd || *p++ != '/' ||
            !ScanInteger(p, pEnd, n, nExpected))
            return nullptr;
    }
    return p == pEnd || IsSpace(*p) ? p : nullptr;
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
[[gnu::always_inline]] inline void ReadFloats(CTextCursor& cursor, float* pValues, int nCount,
                                              const char* pszReader, const std::string& file)
{
    for (int i = 0; i < nCount; i++)
    {
        cursor.SkipBlanks();
        if (const char* pAfter = FastFloat(cursor.Pos(), cursor.End(), pValues[i]))
        {
            cursor.SetPos(pAfter);
            continue;
        }
        const std::string_view word = cursor.NextWordOnLine();
        if (!ParseFloat(word, pValues[i]))
            Malformed(pszReader, file, cursor.LineOf(word.data()), "expected a number, found \"%.*s\".\n",
                      Len(word), word.data());
    }
}

// Reads the word at p as a number when the fast conversion left it (another form, or a malformed
// word); a malformed one ends the process with a message naming the file and the line. Returns
// the position after the word.
[[gnu::noinline]] const char* ReadOtherFloat(const char* p, std::string_view text, float& fValue,
                                             const char* pszReader, const std::string& file)
{
    CTextCursor cursor(text);
    cursor.SetPos(p);
    const std::string_view word = cursor.NextWordOnLine();
    if (!ParseFloat(word, fValue))
        Malformed(pszReader, file, cursor.LineOf(word.data()), "expected a number, found \"%.*s\".\n",
                  Len(word), word.data());
    return cursor.Pos();
}

// Reads the nCount numbers of the current line from p into pValues, as ReadFloats does; returns
// the position after the last.
template <int nCount>
[[gnu::always_inline]] inline const char* ReadFloatsAt(const char* p, std::string_view text, float* pValues,
                                                       unsigned& nExpected, const char* pszReader,
                                                       const std::string& file)
{
    const char* const pEnd = text.data() + text.size();
    for (int i = 0; i < nCount; i++)
    {
        p = SkipLineBlanks(p, pEnd);
        if (const char* pFixed = FastFixedFloat(p, pEnd, pValues[i], nExpected))
            p = pFixed;
        else if (const char* pAfter = FastFloat(p, pEnd, pValues[i]))
            p = pAfter;
        else
            p = ReadOtherFloat(p, text, pValues[i], pszReader, file);
    }
    return p;
}

// Where the filling pass writes, and what it has read so far. The limits are the smaller of
// the counts of the first pass and the sizes of the arrays, so nothing is written beyond them.
struct FillState
{
    std::uint32_t nVertices = 0, nNormals = 0, nTexcoords = 0;  // elements read so far
    GlmTriangle* pTriangles = nullptr;                          // the model's triangles (not owned)
    std::uint32_t nTriangles = 0, nTriangleLimit = 0;           // triangles filled, room for them
    std::uint32_t* pGroupTriangles = nullptr;                   // the current group's indices (not owned)
    std::uint32_t nGroupTriangles = 0, nGroupLimit = 0;         // indices filled, room for them
    unsigned nExpectedDigits = 1;                               // digits of the corner numbers before
    unsigned nExpectedFraction = 6;                             // fraction digits of the numbers before
    std::uint32_t nRoom = 0;  // triangles that fit in both the model's and the group's array
};

// The text of the face being read, for its messages.
struct FaceText
{
    std::string_view text;     // the whole file text (not owned)
    const std::string* pFile;  // the file name (not owned)
    const char* pStatement;    // the face's first word
    const char* pFirst;        // its first corner
};

[[noreturn, gnu::noinline, gnu::cold]] void CornerOutOfRange(const FaceText& face, const char* pCorner,
                                                             const char* pszKind, std::int64_t nNumber,
                                                             std::uint32_t nRead)
{
    const CTextCursor cursor(face.text);
    const std::string_view corner = cursor.WordAt(pCorner);
    Malformed("glmReadOBJ()", *face.pFile, cursor.LineOf(pCorner),
              "%s number %" PRId64 " in corner \"%.*s\" is out of range (%u read so far).\n", pszKind,
              nNumber, Len(corner), corner.data(), nRead);
}

[[noreturn, gnu::noinline, gnu::cold]] void CornerOfOtherForm(const FaceText& face, const char* pCorner)
{
    const CTextCursor cursor(face.text);
    const std::string_view corner = cursor.WordAt(pCorner), first = cursor.WordAt(face.pFirst);
    Malformed("glmReadOBJ()", *face.pFile, cursor.LineOf(pCorner),
              "corner \"%.*s\" does not have the form of the face's first corner \"%.*s\".\n", Len(corner),
              corner.data(), Len(first), first.data());
}

[[noreturn, gnu::noinline, gnu::cold]] void OverrunAt(std::string_view text, const std::string& file,
                                                      const char* pAt)
{
    Overrun(file, CTextCursor(text).LineOf(pAt));
}

// Turns a corner number of the file into an element number among the nRead elements of its
// kind read so far; 0 and numbers beyond them end the read.
[[gnu::always_inline]] inline std::uint32_t Resolve(std::int64_t nNumber, std::uint32_t nRead,
                                                    const char* pszKind, const FaceText& face,
                                                    const char* pCorner)
{
    const std::int64_t nIndex = nNumber < 0 ? std::int64_t(nRead) + 1 + nNumber : nNumber;
    if (static_cast<std::uint64_t>(nIndex - 1) >= nRead)
        [[unlikely]]  // 0, before the first or beyond the last
        CornerOutOfRange(face, pCorner, pszKind, nNumber, nRead);
    return static_cast<std::uint32_t>(nIndex);
}

// Reads the corners of a face in the form `form` of its first corner, which was scanned already
// (its numbers nv, nt, nn; pAfter just after it), fanning them into triangles of the current
// group. Returns the position after the last corner.
template <ECornerForm form>
[[gnu::always_inline]] inline const char* ReadFace(const char* pAfter, std::int64_t nv, std::int64_t nt,
                                                   std::int64_t nn, FillState& s, const FaceText& face)
{
    constexpr bool bTexture = form == ECornerForm::vertexTexture || form == ECornerForm::vertexTextureNormal;
    constexpr bool bNormal = form == ECornerForm::vertexNormal || form == ECornerForm::vertexTextureNormal;
    const char* const pEnd = face.text.data() + face.text.size();
    // The corner's numbers as element numbers.
    const auto resolve = [&](const char* pCorner, std::uint32_t& v, std::uint32_t& t, std::uint32_t& n)
        __attribute__((always_inline))
    {
        v = Resolve(nv, s.nVertices, "vertex", face, pCorner);
        if constexpr (bTexture) t = Resolve(nt, s.nTexcoords, "texture coordinate", face, pCorner);
        if constexpr (bNormal) n = Resolve(nn, s.nNormals, "normal", face, pCorner);
    };
    std::uint32_t v0 = 0, t0 = 0, n0 = 0, v1 = 0, t1 = 0, n1 = 0, v2 = 0, t2 = 0,
                  n2 = 0;  // first, previous, current
    resolve(face.pFirst, v0, t0, n0);
    const char* p = SkipLineBlanks(pAfter, pEnd);
    if (!StartsNumberAt(p, pEnd)) OverrunAt(face.text, *face.pFile, face.pStatement);
    pAfter = ScanCorner<form>(p, pEnd, s.nExpectedDigits, nv, nt, nn);
    if (!pAfter) [[unlikely]]
        CornerOfOtherForm(face, p);
    resolve(p, v1, t1, n1);
    p = SkipLineBlanks(pAfter, pEnd);
    if (!StartsNumberAt(p, pEnd)) OverrunAt(face.text, *face.pFile, face.pStatement);
    do
    {
        pAfter = ScanCorner<form>(p, pEnd, s.nExpectedDigits, nv, nt, nn);
        if (!pAfter) [[unlikely]]
            CornerOfOtherForm(face, p);
        resolve(p, v2, t2, n2);
        if (s.nRoom == 0) [[unlikely]]
            OverrunAt(face.text, *face.pFile, face.pStatement);
        s.nRoom--;
        GlmTriangle& triangle = s.pTriangles[s.nTriangles];
        triangle.vindices[0] = v0;
        triangle.vindices[1] = v1;
        triangle.vindices[2] = v2;
        if constexpr (bTexture)
        {
            triangle.tindices[0] = t0;
            triangle.tindices[1] = t1;
            triangle.tindices[2] = t2;
        }
        if constexpr (bNormal)
        {
            triangle.nindices[0] = n0;
            triangle.nindices[1] = n1;
            triangle.nindices[2] = n2;
        }
        s.pGroupTriangles[s.nGroupTriangles++] = s.nTriangles++;
        v1 = v2;
        t1 = t2;
        n1 = n2;
        p = SkipLineBlanks(pAfter, pEnd);
    } while (StartsNumberAt(p, pEnd));
    return p;
}

// Skips the blanks and empty lines before the next statement.
[[gnu::always_inline]] inline const char* SkipSpace(const char* p, const char* const pEnd)
{
    while (p < pEnd && IsSpace(*p))
        p++;
    return p;
}

// Reads the run of element lines of one kind from p (a statement's first word), as the filling
// pass reads them one by one: vertices (`cKind` 'v', the word "v"), normals ('n', a word that
// begins with "vn") or texture coordinates ('t', "vt"). Upon exit nCount counts them and p (the
// result) is at the first statement of another kind. Each kind of line has a loop of its own,
// apart from the rest of the pass, so that its values stay in registers.
template <char cKind>
[[gnu::noinline]] const char* ReadElementRun(const char* p, std::string_view text, float* pArray,
                                             std::uint32_t& nCount, std::uint32_t nLimit, unsigned& nExpected,
                                             const std::string& file)
{
    constexpr int nPer = cKind == 't' ? 2 : 3;
    const char* const pEnd = text.data() + text.size();
    std::uint32_t n = nCount;
    unsigned nFraction = nExpected;
    for (;;)
    {
        const char* q = p + 1;  // after the word
        if constexpr (cKind == 'v')
        {
            if (pEnd - p < 2 || p[0] != 'v' || !IsSpace(p[1])) break;
        }
        else
        {
            if (pEnd - p < 2 || p[0] != 'v' || p[1] != cKind) break;
            while (++q < pEnd && !IsSpace(*q))
            {
            }
        }
        if (n >= nLimit) OverrunAt(text, file, p);
        n++;
        p = SkipSpace(NextLine(ReadFloatsAt<nPer>(q, text, pArray + std::size_t(n) * nPer, nFraction,
                                                  "glmReadOBJ()", file),
                               pEnd),
                      pEnd);
    }
    nCount = n;
    nExpected = nFraction;
    return p;
}

// Reads the run of faces (statements whose first word begins with 'f') from p whose first
// corners have the form `form`, as the filling pass reads them one by one; returns the position
// of the first statement that is not such a face (p itself when the first is not). Each form
// has a loop of its own, apart from the rest of the pass, so that its values stay in registers.
template <ECornerForm form>
[[gnu::noinline]] const char* ReadFacesOfForm(const char* p, FillState& sShared, std::string_view text,
                                              const std::string& file)
{
    const char* const pEnd = text.data() + text.size();
    FillState s = sShared;  // a copy of its own, which the stores into the arrays cannot touch
    s.nRoom = std::min(s.nTriangleLimit - s.nTriangles, s.nGroupLimit - s.nGroupTriangles);
    while (p < pEnd && *p == 'f')
    {
        const char* q = p;
        while (++q < pEnd && !IsSpace(*q))
        {
        }
        const FaceText face{text, &file, p, SkipLineBlanks(q, pEnd)};
        if (!StartsNumberAt(face.pFirst, pEnd)) OverrunAt(text, file, p);
        std::int64_t nv = 0, nt = 0, nn = 0;
        const char* const pAfter = ScanCorner<form>(face.pFirst, pEnd, s.nExpectedDigits, nv, nt, nn);
        if (!pAfter) break;  // another form
        p = SkipSpace(NextLine(ReadFace<form>(pAfter, nv, nt, nn, s, face), pEnd), pEnd);
    }
    sShared = s;
    return p;
}

// Reads the run of faces from p (a statement whose first word begins with 'f'); `form` is the
// form of the face before, and upon exit that of the last face read. A first corner that has
// exactly the form of the face before has no other; otherwise the form is decided by the whole
// word, as a malformed word is reported against the form it resembles. Returns the position of
// the first statement that is not a face.
const char* ReadFaces(const char* p, FillState& s, ECornerForm& form, std::string_view text,
                      const std::string& file)
{
    const char* const pStart = p;
    const auto read = [&](ECornerForm inForm)
    {
        switch (inForm)
        {
        case ECornerForm::vertex:
            return ReadFacesOfForm<ECornerForm::vertex>(pStart, s, text, file);
        case ECornerForm::vertexTexture:
            return ReadFacesOfForm<ECornerForm::vertexTexture>(pStart, s, text, file);
        case ECornerForm::vertexNormal:
            return ReadFacesOfForm<ECornerForm::vertexNormal>(pStart, s, text, file);
        case ECornerForm::vertexTextureNormal:
            break;
        }
        return ReadFacesOfForm<ECornerForm::vertexTextureNormal>(pStart, s, text, file);
    };
    p = read(form);
    if (p != pStart) return p;
    const char* const pEnd = text.data() + text.size();
    const char* q = p;
    while (++q < pEnd && !IsSpace(*q))
    {
    }
    const FaceText face{text, &file, p, SkipLineBlanks(q, pEnd)};
    form = FormOf(CTextCursor(text).WordAt(face.pFirst));
    p = read(form);
    if (p == pStart) CornerOfOtherForm(face, face.pFirst);
    return p;
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

    // Each array at its exact size, set to zero (the "none" of the corner numbers); large pages
    // where the system offers them, as the arrays of a large model take many megabytes.
    const auto allocate = [](auto& vArray, std::size_t nSize, const auto& zero)
    {
        vArray.reserve(nSize);
        AdviseLargePages(vArray.data(), nSize * sizeof zero);
        vArray.assign(nSize, zero);
    };
    allocate(vertices, (std::size_t(numvertices) + 1) * 3, 0.0f);
    allocate(triangles, numtriangles, GlmTriangle());
    if (numnormals) allocate(normals, (std::size_t(numnormals) + 1) * 3, 0.0f);
    if (numtexcoords) allocate(texcoords, (std::size_t(numtexcoords) + 1) * 2, 0.0f);

    _glmSecondPass(text);
}

void CGlmModel::_glmFirstPass(std::string_view text)
{
    constexpr std::uint64_t nMax = std::numeric_limits<std::uint32_t>::max() - 1;
    GlmGroup* pGroup = _glmAddGroup("default");
    std::uint64_t nVertices = 0, nNormals = 0, nTexcoords = 0, nTriangles = 0;

    // Counts the run of lines from p (a line start, or a position where the next word begins at
    // once) whose first word is "v" or begins with "vn" or "vt", or that are plain faces, as the
    // statements below would; returns the position after the run. Most of a large file is such
    // runs: the line feeds are found sixteen characters at a time and each line costs a few
    // instructions.
    const char* const pEnd = text.data() + text.size();
    const auto countElements = [&](const char* p)
    {
#if defined(__SSE2__)
        const __m128i newline = _mm_set1_epi8('\n');
        const char* pWindow = p;  // sixteen characters whose line feeds are in nFeeds
        unsigned nFeeds = 0;      // line feeds in the window not passed yet, one bit each
        bool bWindow = false;     // whether pWindow holds a window
        while (pEnd - p >= 2)
        {
            if (p[0] == 'f' && p[1] == ' ')  // a face whose corners can be counted at once
            {
                const char* pLineEnd = nullptr;
                const std::uint64_t nCorners = CountSimpleCorners(p + 1, pEnd, pLineEnd);
                if (nCorners < 3 || nTriangles + (nCorners - 2) > nMax)
                    break;  // left to the statements below
                nTriangles += nCorners - 2;
                pGroup->numtriangles += static_cast<std::uint32_t>(nCorners - 2);
                p = pLineEnd < pEnd ? pLineEnd + 1 : pEnd;
                nFeeds = 0;  // a new window from the next line
                bWindow = false;
                continue;
            }
            if (p[0] != 'v') break;
            if (p[1] == ' ' || p[1] == '\t')
                nVertices++;
            else if (p[1] == 'n')
                nNormals++;
            else if (p[1] == 't')
                nTexcoords++;
            else
                break;
            if (nVertices > nMax || nNormals > nMax || nTexcoords > nMax)
                Malformed("glmReadOBJ()", pathname, CTextCursor(text).LineOf(p), "too many elements.\n");
            while (nFeeds == 0)
            {
                pWindow = bWindow ? pWindow + 16 : p;
                bWindow = true;
                if (pEnd - pWindow < 16) break;
                nFeeds = static_cast<unsigned>(_mm_movemask_epi8(
                    _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pWindow)), newline)));
            }
            if (nFeeds == 0)  // near the end of the text
            {
                p = NextLine(p, pEnd);
                bWindow = false;
                continue;
            }
            p = pWindow + __builtin_ctz(nFeeds) + 1;
            nFeeds &= nFeeds - 1;
        }
#endif
        return p;
    };

    CTextCursor cursor(text);
    for (;;)
    {
        cursor.SetPos(countElements(cursor.Pos()));
        const std::string_view word = cursor.NextWord();
        if (word.empty()) break;
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
            const char* pLineEnd = nullptr;
            std::uint64_t nCorners = CountSimpleCorners(cursor.Pos(), cursor.End(), pLineEnd);
            if (nCorners != 0)
                cursor.SetPos(pLineEnd);
            else  // not a plain line: count word by word
                for (cursor.SkipBlanks(); StartsNumberAt(cursor.Pos(), cursor.End()); cursor.SkipBlanks())
                {
                    nCorners++;
                    cursor.NextWordOnLine();
                }
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

    // Room in each array: the first pass's count, and never more than the array holds.
    const auto room = [](std::uint32_t nCount, std::size_t nSize, std::size_t nPer) -> std::uint32_t
    {
        return nSize / nPer > nCount ? nCount
               : nSize / nPer > 0    ? static_cast<std::uint32_t>(nSize / nPer - 1)
                                     : 0;
    };
    const std::uint32_t nVertexLimit = room(numvertices, vertices.size(), 3);
    const std::uint32_t nNormalLimit = room(numnormals, normals.size(), 3);
    const std::uint32_t nTexcoordLimit = room(numtexcoords, texcoords.size(), 2);
    float* const pVertices = vertices.data();
    float* const pNormals = normals.data();
    float* const pTexcoords = texcoords.data();
    FillState s;
    s.pTriangles = triangles.data();
    s.nTriangleLimit =
        triangles.size() < numtriangles ? static_cast<std::uint32_t>(triangles.size()) : numtriangles;
    // The current group's indices are filled through s; its count is stored back when it changes.
    const auto enterGroup = [&](GlmGroup* pEntered)
    {
        pGroup->numtriangles = s.nGroupTriangles;
        pGroup = pEntered;
        s.pGroupTriangles = pGroup->triangles.data();
        s.nGroupTriangles = pGroup->numtriangles;
        s.nGroupLimit = static_cast<std::uint32_t>(pGroup->triangles.size());
    };
    s.nGroupTriangles = pGroup->numtriangles;
    enterGroup(pGroup);

    const char* const pEnd = text.data() + text.size();
    ECornerForm form = ECornerForm::vertex;  // the form of the face before
    for (const char* p = text.data();;)
    {
        p = SkipSpace(p, pEnd);
        if (p == pEnd) break;
        // The statements a large file is made of, in runs of their own.
        switch (*p)
        {
        case 'v':
            if (pEnd - p >= 2)
            {
                if (IsSpace(p[1]))
                {
                    p = ReadElementRun<'v'>(p, text, pVertices, s.nVertices, nVertexLimit,
                                            s.nExpectedFraction, pathname);
                    continue;
                }
                if (p[1] == 'n')
                {
                    p = ReadElementRun<'n'>(p, text, pNormals, s.nNormals, nNormalLimit, s.nExpectedFraction,
                                            pathname);
                    continue;
                }
                if (p[1] == 't')
                {
                    p = ReadElementRun<'t'>(p, text, pTexcoords, s.nTexcoords, nTexcoordLimit,
                                            s.nExpectedFraction, pathname);
                    continue;
                }
            }
            break;
        case 'f':
            p = ReadFaces(p, s, form, text, pathname);
            continue;
        default:
            break;
        }
        const char* const pWord = p;  // the statement's first word
        while (++p < pEnd && !IsSpace(*p))
        {
        }
        const std::size_t nWord = static_cast<std::size_t>(p - pWord);
        switch (*pWord)
        {
        case 'v':
            if (nWord == 1)
            {
                if (s.nVertices >= nVertexLimit) OverrunAt(text, pathname, pWord);
                s.nVertices++;
                p = ReadFloatsAt<3>(p, text, pVertices + std::size_t(s.nVertices) * 3, s.nExpectedFraction,
                                    s_pszReader, pathname);
            }
            p = NextLine(p, pEnd);
            break;
        case 'g':
        {
            CTextCursor cursor(text);
            cursor.SetPos(p);
            const std::string_view name = FirstWord(cursor.ReadRest());
            p = cursor.Pos();
            GlmGroup* pFound = _glmFindGroup(name.empty() ? std::string_view("default") : name);
            if (!pFound) OverrunAt(text, pathname, pWord);
            enterGroup(pFound);
            pGroup->material = nMaterial;
            break;
        }
        case 'u':
        {
            CTextCursor cursor(text);
            cursor.SetPos(p);
            const std::string_view name = FirstWord(cursor.ReadRest());
            p = cursor.Pos();
            nMaterial = _glmFindMaterial(name);
            pGroup->material = nMaterial;
            break;
        }
        case 'm':  // the library was read in the first pass
        {
            CTextCursor cursor(text);
            cursor.SetPos(p);
            cursor.ReadRest();
            p = cursor.Pos();
            break;
        }
        default:  // comments and statements without effect
            p = NextLine(p, pEnd);
            break;
        }
    }
    pGroup->numtriangles = s.nGroupTriangles;
    if (s.nVertices != numvertices || s.nNormals != numnormals || s.nTexcoords != numtexcoords ||
        s.nTriangles != numtriangles)
        OverrunAt(text, pathname, pEnd);
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

// GlmReadNumbers: the numbers of OBJ and MTL text: runs of digits eight characters at a time,
// floats in the forms programs print (correctly rounded, with the general conversion for the
// rest), and the integers of face corners.
#pragma once

#include "model/GlmReadText.h"  // IsSpace, IsWordEnd, IsDigit

#include <bit>           // std::endian: eight characters read as one number need the byte order
#include <charconv>      // std::from_chars for the numbers the fast paths leave
#include <cstdint>       // fixed-width values
#include <cstdlib>       // strtof
#include <cstring>       // memcpy
#include <limits>        // the saturated corner number
#include <string>        // a copy for strtof
#include <string_view>   // words
#include <system_error>  // std::errc from std::from_chars

namespace glmread
{

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

// The value of eight digits given as offsets from '0', the first in the lowest byte.
[[gnu::always_inline]] inline std::uint64_t EightDigitsValue(std::uint64_t v)
{
    v = v * 10 + (v >> 8);
    return (((v & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
            (((v >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
           32;
}

// The value of the first nCount (0 to 8) of eight digits given as for LeadingDigits.
[[gnu::always_inline]] inline std::uint64_t DigitsValue(std::uint64_t nOffsets, unsigned nCount)
{
    // The digits to the high bytes, the low bytes become leading zeros.
    return EightDigitsValue(nCount ? nOffsets << (8 * (8 - nCount)) : 0);
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
    // LeadingDigits and DigitsValue written out: through them the compiler lays out the corner
    // loops of the filling pass differently (0.3% more instructions for a plain file).
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
// digits], at most 19 digits, a small exponent) and ends at a word end or at pEnd. The mantissa
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
    if ((p < pEnd && !IsWordEnd(*p)) || nMantissa >= (std::uint64_t(1) << 53) || nExponent < -22 ||
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

// Ends the conversion of a number of FastFixedFloat whose digits make nMantissa (below 2^24) and
// whose fraction has nFraction digits, at p, an 'e' or 'E': a sign and one to three exponent
// digits and a word end make the value nMantissa × 10^(exponent - nFraction). When that power
// lies within 10^±10 it is an exact float, as the mantissa is, so one multiplication or
// division gives the correctly rounded value. Returns the position after the number, or null
// for the general conversion.
[[gnu::always_inline]] inline const char* FixedExponent(const char* p, const char* const pEnd,
                                                        std::uint64_t nMantissa, int nFraction,
                                                        bool bNegative, float& fValue)
{
    static constexpr float s_fTens[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    if (pEnd - p < 6 || nMantissa >= (std::uint64_t(1) << 24)) return nullptr;
    const bool bExpNegative = p[1] == '-';
    int nExp = 0, nDigits = 0;
    if ((p[1] == '-' || p[1] == '+') && IsDigit(p[2]) && IsDigit(p[3]) && !IsDigit(p[4]))
    {
        nExp = (p[2] - '0') * 10 + (p[3] - '0');  // a sign and two digits, as printf writes them
        nDigits = 2;
        p += 4;
    }
    else
        for (p += 1 + (p[1] == '-' || p[1] == '+'); nDigits < 4 && p < pEnd && IsDigit(*p); nDigits++)
            nExp = nExp * 10 + (*p++ - '0');
    if (nDigits == 0 || nDigits == 4 || (p < pEnd && !IsWordEnd(*p))) return nullptr;
    const int nPower = (bExpNegative ? -nExp : nExp) - nFraction;
    if (nPower < -10 || nPower > 10) return nullptr;
    const float f = nPower < 0 ? static_cast<float>(nMantissa) / s_fTens[-nPower]
                               : static_cast<float>(nMantissa) * s_fTens[nPower];
    fValue = bNegative ? -f : f;
    return p;
}

// Converts the number at p when it has the form most programs print, [-] 1 to 8 digits, a
// point and 1 to 8 digits, followed by a word end or an exponent (see FixedExponent), and at
// least 20 characters of text remain.
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
            if (!IsWordEnd(*p)) [[unlikely]]
                return (*p | 0x20) == 'e' ? FixedExponent(p, pEnd, DigitsValue(nOffsets, nCount),
                                                          static_cast<int>(nCount) - 1, bNegative, fValue)
                                          : nullptr;
            // nCount is 2 to 7 here: the digits move to the top bytes as they are.
            const float f =
                static_cast<float>(EightDigitsValue(nOffsets << (8 * (8 - nCount)))) / s_fPowers[nCount - 1];
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
    const std::uint64_t nMantissa = nWhole * s_nTens[nFraction] + nPart;
    if (!IsWordEnd(*p)) [[unlikely]]
        return (*p | 0x20) == 'e'
                   ? FixedExponent(p, pEnd, nMantissa, static_cast<int>(nFraction), bNegative, fValue)
                   : nullptr;
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

// Reads the nCount numbers of an element line at p (just after its first word) when each is a
// single blank and a number of the form of the numbers before: [-], one whole digit, a point,
// nFraction (1 to 6) fraction digits and at most an exponent of a sign and two digits, as
// printf writes them; at least 64 characters of text remain. The values are those of
// FastFixedFloat and FixedExponent, without their checks of every other form. Returns the
// position after the last number, or null when the line is not such (nothing is then known).
template <int nCount>
[[gnu::always_inline]] inline const char* ReadShapedFloats(const char* p, float* pValues, unsigned nFraction)
{
    static constexpr float s_fTens[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    if constexpr (std::endian::native != std::endian::little) return nullptr;
    if (nFraction - 1 >= 6u) return nullptr;
    const unsigned nShift = 8 * (7 - nFraction);                      // moves the digits to the top
    const std::uint64_t nMask = 0x8080808080808080ull >> nShift;       // the high bits of the digits
    for (int i = 0; i < nCount; i++)
    {
        if (*p != ' ' && *p != '\t') return nullptr;
        const bool bNegative = p[1] == '-';
        p += 1 + bNegative;
        std::uint64_t nChunk;
        std::memcpy(&nChunk, p, sizeof nChunk);
        const std::uint64_t nOffsets = ((nChunk & 0xFF) | ((nChunk >> 16) << 8)) ^ 0x3030303030303030ull;
        if (p[1] != '.' || ((((nOffsets & 0x7F7F7F7F7F7F7F7Full) + 0x7676767676767676ull) | nOffsets) & nMask))
            return nullptr;
        p += nFraction + 2;
        const auto fMantissa = static_cast<float>(EightDigitsValue(nOffsets << nShift));
        float f;
        if (IsWordEnd(*p)) [[likely]]
            f = fMantissa / s_fTens[nFraction];
        else
        {
            if ((*p | 0x20) != 'e' || (p[1] != '-' && p[1] != '+') || !IsDigit(p[2]) || !IsDigit(p[3]) ||
                !IsWordEnd(p[4]))
                return nullptr;
            const int nExp = (p[2] - '0') * 10 + (p[3] - '0');
            const int nPower = (p[1] == '-' ? -nExp : nExp) - static_cast<int>(nFraction);
            if (nPower < -10 || nPower > 10) return nullptr;
            f = nPower < 0 ? fMantissa / s_fTens[-nPower] : fMantissa * s_fTens[nPower];
            p += 4;
        }
        pValues[i] = bNegative ? -f : f;
    }
    return p;
}

// Parses all of `word` as a float: the fast conversion when it applies, std::from_chars
// (correctly rounded) otherwise.
inline bool ParseFloat(std::string_view word, float& fValue)
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

}  // namespace glmread

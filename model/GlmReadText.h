// GlmReadText: how the OBJ and MTL readers walk their text: the characters that separate words,
// lines and their ends, the read cursor with its word and name rules, and the count of the
// corners of a face line sixteen characters at a time.
//
// Rules both passes of the OBJ reader and the MTL reader share, so that they see the same
// statements:
//   - a statement is decided by the first character of its first word;
//   - a word ends at a blank or at '#', which ends the statement wherever it stands;
//   - a skipped statement is skipped to the end of its line, however long the line is;
//   - the lines that name something (mtllib, usemtl, g, newmtl) have the rest of their line read
//     up to 127 characters; the name is the first word of that, and anything beyond those 127
//     characters is read as further words unless a '#' among them ended the statement.
// A statement never reaches past its line, so every line start is the start of a statement:
// the text can be read in pieces cut at line starts, by one thread or several.
#pragma once

#include <array>        // std::array for the character classes
#include <cstddef>      // std::size_t
#include <cstdint>      // fixed-width counters
#include <cstring>      // memchr
#include <string_view>  // std::string_view for words and text

#if defined(__SSE2__)
#include <emmintrin.h>  // SSE2: sixteen characters at a time for line ends and corner counts
#endif

namespace glmread
{

// Blanks as the C library has them: space, tab, line feed, vertical tab, form feed, carriage return.
inline bool IsSpace(char c)
{
    const unsigned u = static_cast<unsigned char>(c);
    return u < 64 && ((0x0000000100003E00ull >> u) & 1u);
}

// A blank or '#': where a word ends.
inline bool IsWordEnd(char c)
{
    const unsigned u = static_cast<unsigned char>(c);
    return u < 64 && ((0x0000000900003E00ull >> u) & 1u);
}

inline bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The first word of `text`, empty when there is none or when a '#' comes first.
inline std::string_view FirstWord(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        i++;
    std::size_t j = i;
    while (j < text.size() && !IsWordEnd(text[j]))
        j++;
    return text.substr(i, j - i);
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
// pEnd, at the latest). The usual single space or tab before a word is passed at once.
[[gnu::always_inline]] inline const char* SkipLineBlanks(const char* p, const char* const pEnd)
{
    if (pEnd - p >= 2 && (*p == ' ' || *p == '\t') && static_cast<unsigned char>(p[1]) > ' ') [[likely]]
        return p + 1;
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

// Skips the blanks and empty lines before the next statement.
[[gnu::always_inline]] inline const char* SkipSpace(const char* p, const char* const pEnd)
{
    while (p < pEnd && IsSpace(*p))
        p++;
    return p;
}

// A read position in a piece of text held in memory. The piece starts at the start of the file
// text (so that line numbers count from there) and ends where the reading stops.
class CTextCursor
{
public:
    explicit CTextCursor(std::string_view text)
        : m_pBegin(text.data()), m_p(text.data()), m_pEnd(text.data() + text.size())
    {
    }

    // Upon exit the cursor is just after the next word; the result is empty at the end of the
    // text. A '#' where a word begins is a word of its own, the start of a comment.
    std::string_view NextWord()
    {
        while (m_p < m_pEnd && IsSpace(*m_p))
            m_p++;
        const char* pStart = m_p;
        if (m_p < m_pEnd && *m_p == '#') return std::string_view(m_p++, 1);
        while (m_p < m_pEnd && !IsWordEnd(*m_p))
            m_p++;
        return std::string_view(pStart, static_cast<std::size_t>(m_p - pStart));
    }

    // The next word of the current line, empty at its end or at a '#'; the cursor stays on the line.
    std::string_view NextWordOnLine()
    {
        SkipBlanks();
        const char* pStart = m_p;
        while (m_p < m_pEnd && !IsWordEnd(*m_p))
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

    // The characters from p up to the next blank, as messages quote a word.
    std::string_view WordAt(const char* p) const
    {
        const char* q = p;
        while (q < m_pEnd && !IsSpace(*q))
            q++;
        return std::string_view(p, static_cast<std::size_t>(q - p));
    }

    // The word that starts at p, up to the next blank or '#'.
    std::string_view TokenAt(const char* p) const
    {
        const char* q = p;
        while (q < m_pEnd && !IsWordEnd(*q))
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

    // The name of a naming line (the first word of ReadRest); when a '#' in what was read ended
    // the statement before its line did, the rest of the line is skipped.
    std::string_view ReadName()
    {
        const std::string_view rest = ReadRest();
        if (!rest.empty() && rest.back() != '\n' && rest.find('#') != std::string_view::npos) SkipLine();
        return FirstWord(rest);
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

// Whether a number begins at p: an optional sign and a digit.
inline bool StartsNumberAt(const char* p, const char* pEnd)
{
    if (p < pEnd && (*p == '-' || *p == '+')) p++;
    return p < pEnd && IsDigit(*p);
}

// Character classes for counting the corners of a face line.
enum : unsigned char
{
    s_cOther = 0,    // anything else, '#' among them
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
inline constexpr std::array<unsigned char, 256> s_classes = MakeClasses();

// The number of bits set in n (without the population-count instruction, which not every
// machine of the target has).
inline unsigned CountBits(std::uint64_t n)
{
    n = n - ((n >> 1) & 0x5555555555555555ull);
    n = (n & 0x3333333333333333ull) + ((n >> 2) & 0x3333333333333333ull);
    n = (n + (n >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<unsigned>((n * 0x0101010101010101ull) >> 56);
}

// The number of words on the line from p when every word of the line begins with a digit and
// the line holds no '#' (the usual face line), which is then the number of corners that counting word by word
// finds; 0 otherwise, when the caller counts word by word. Upon exit pLineEnd is the line's end (its line
// feed, or pEnd) when the count is not 0. Sixteen characters at a time where the machine allows (the
// characters of the last few are checked more strictly, one by one).
inline std::uint64_t CountSimpleCorners(const char* p, const char* pEnd, const char*& pLineEnd)
{
    std::uint64_t nWords = 0;
    unsigned nPreviousBlank = 1, nBad = 0;
#if defined(__SSE2__)
    // The word starts of four blocks of sixteen characters are counted at once.
    std::uint64_t nStartBits = 0;
    unsigned nShift = 0;
    const __m128i space = _mm_set1_epi8(' '), newline = _mm_set1_epi8('\n'), hash = _mm_set1_epi8('#');
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
        nBad |= (nStarts & ~nDigits) |
                (static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, hash))) & nLine);
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

}  // namespace glmread

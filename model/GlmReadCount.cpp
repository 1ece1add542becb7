// GlmReadCount: the counting pass of the OBJ reader over one window of a part: elements,
// triangles, and the group, usemtl and mtllib lines; the runs of element lines and plain faces
// that most of a large file is, 64 characters at a time.
#include "model/GlmReadPasses.h"
#include "model/GlmReadText.h"  // CTextCursor, CountSimpleCorners, the line scanners

#include <algorithm>  // std::max, std::min for the blocks to read
#include <cstdlib>    // std::getenv: CUBATRO_OBJ_NO_AVX2 keeps the 16-byte scan

#if defined(__x86_64__)
#include <immintrin.h>  // AVX2 for the machines that have it, chosen as the reader runs
#endif

namespace glmread
{

namespace
{

// The kind of the line that starts at p, as the statements below would count it: a vertex
// ('v': "v" and a blank), a normal ('n': a word beginning with "vn"), a texture coordinate ('t':
// "vt"), a face ('f': "f" and a blank, corners still to be checked), or 0 for any other line.
inline char KindAt(const char* p)
{
    if (p[0] == 'v') return p[1] == ' ' || p[1] == '\t' ? 'v' : p[1] == 'n' ? 'n' : p[1] == 't' ? 't' : 0;
    return p[0] == 'f' && (p[1] == ' ' || p[1] == '\t') ? 'f' : 0;
}

// The bits below bit n of a 64-bit mask (all of them from n = 64 on).
inline std::uint64_t Below(unsigned n)
{
    return n >= 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << n) - 1;
}

#if defined(__SSE2__)
// What the counting of plain faces needs of a block of 64 characters, one bit per character:
// blanks (line feeds among them), digits and '#' (the line feeds come from Newlines). CMasks16
// finds them sixteen characters at a time on every machine of the target, CMasks32 thirty-two at
// a time on the machines that have the instructions for it.
struct CBlockMasks
{
    std::uint64_t nBlanks = 0, nDigits = 0, nHashes = 0;
};

struct CMasks16
{
    // Ranges by signed comparison after a shift that moves the range's start to -128.
    [[gnu::always_inline]] static __m128i InRange(__m128i v, char cLow, char cHigh)
    {
        return _mm_cmplt_epi8(_mm_add_epi8(v, _mm_set1_epi8(static_cast<char>(0x80 - cLow))),
                              _mm_set1_epi8(static_cast<char>(0x80 + (cHigh - cLow) + 1 - 256)));
    }
    [[gnu::always_inline]] static std::uint64_t Bits(__m128i v, int i)
    {
        return std::uint64_t(static_cast<unsigned>(_mm_movemask_epi8(v))) << (16 * i);
    }
    [[gnu::always_inline]] static std::uint64_t Newlines(const char* p)
    {
        std::uint64_t n = 0;
        for (int i = 0; i < 4; i++)
            n |= Bits(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i)),
                                     _mm_set1_epi8('\n')),
                      i);
        return n;
    }
    // Bit i: the line after character i starts with "v" and c1 or c2 (see KindAt).
    [[gnu::always_inline]] static std::uint64_t KindAfter(const char* p, char c1, char c2)
    {
        std::uint64_t n = 0;
        for (int i = 0; i < 4; i++)
        {
            const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1 + 16 * i));
            const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 + 16 * i));
            n |= Bits(_mm_and_si128(_mm_cmpeq_epi8(v1, _mm_set1_epi8('v')),
                                    _mm_or_si128(_mm_cmpeq_epi8(v2, _mm_set1_epi8(c1)),
                                                 _mm_cmpeq_epi8(v2, _mm_set1_epi8(c2)))),
                      i);
        }
        return n;
    }
    [[gnu::always_inline]] static void Words(const char* p, CBlockMasks& m)
    {
        for (int i = 0; i < 4; i++)
        {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
            m.nBlanks |= Bits(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')), InRange(v, '\t', '\r')), i);
            m.nDigits |= Bits(InRange(v, '0', '9'), i);
            m.nHashes |= Bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('#')), i);
        }
    }
    [[gnu::always_inline]] static unsigned Count(std::uint64_t n) { return CountBits(n); }
};

#if defined(__x86_64__)
struct CMasks32
{
    [[gnu::target("avx2")]] static __m256i InRange(__m256i v, char cLow, char cHigh)
    {
        return _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(0x80 + (cHigh - cLow) + 1 - 256)),
                                 _mm256_add_epi8(v, _mm256_set1_epi8(static_cast<char>(0x80 - cLow))));
    }
    [[gnu::target("avx2")]] static std::uint64_t Bits(__m256i v, int i)
    {
        return std::uint64_t(static_cast<unsigned>(_mm256_movemask_epi8(v))) << (32 * i);
    }
    [[gnu::target("avx2")]] static std::uint64_t Newlines(const char* p)
    {
        std::uint64_t n = 0;
        for (int i = 0; i < 2; i++)
            n |= Bits(_mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * i)),
                                        _mm256_set1_epi8('\n')),
                      i);
        return n;
    }
    [[gnu::target("avx2")]] static std::uint64_t KindAfter(const char* p, char c1, char c2)
    {
        std::uint64_t n = 0;
        for (int i = 0; i < 2; i++)
        {
            const __m256i v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1 + 32 * i));
            const __m256i v2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 2 + 32 * i));
            n |= Bits(_mm256_and_si256(_mm256_cmpeq_epi8(v1, _mm256_set1_epi8('v')),
                                       _mm256_or_si256(_mm256_cmpeq_epi8(v2, _mm256_set1_epi8(c1)),
                                                       _mm256_cmpeq_epi8(v2, _mm256_set1_epi8(c2)))),
                      i);
        }
        return n;
    }
    [[gnu::target("avx2")]] static void Words(const char* p, CBlockMasks& m)
    {
        for (int i = 0; i < 2; i++)
        {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * i));
            m.nBlanks |=
                Bits(_mm256_or_si256(_mm256_cmpeq_epi8(v, _mm256_set1_epi8(' ')), InRange(v, '\t', '\r')), i);
            m.nDigits |= Bits(InRange(v, '0', '9'), i);
            m.nHashes |= Bits(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('#')), i);
        }
    }
    [[gnu::target("popcnt")]] static unsigned Count(std::uint64_t n)
    {
        return static_cast<unsigned>(__builtin_popcountll(n));
    }
};
#endif

// Counts the lines from p (a line start) that are elements or faces of plain corners (every
// word a number that begins with a digit, no '#', three corners or more), as the statements
// below count them, 64 characters at a time: each line costs a few instructions, and only the
// blocks that hold faces are searched for words. Returns the start of the first line left to the
// statements: another line, one whose count would pass nMax, or one that ends within the last
// 66 characters before pEnd.
template <class Masks>
[[gnu::always_inline]] inline const char* CountPlainLinesWith(const char* p, const char* pEnd, CCounts& c,
                                                              std::uint64_t nMax)
{
    const char* pLine = p;  // the line counted
    char cKind = KindAt(p);
    if (pEnd - p < 66 || !cKind) return p;
    std::uint64_t nWords = 0, nBad = 0;  // corners of a face so far, and what makes it no plain face
    unsigned nFrom = 2;                  // its first character in the block still to be searched
    // The blocks to read: those that start 66 characters or more before pEnd, and no more than keep
    // every count within nMax, as a block ends 64 lines at most.
    const std::uint64_t nMost = std::max({c.nVertices, c.nNormals, c.nTexcoords});
    const std::uint64_t nBlocks = std::min<std::uint64_t>(nMost < nMax ? (nMax - nMost) / 64 : 0,
                                                          static_cast<std::uint64_t>(pEnd - p - 66) / 64 + 1);
    for (const char *pBlock = p, *pStop = p + 64 * nBlocks; pBlock != pStop; pBlock += 64, nFrom = 0)
    {
        std::uint64_t nNewlines = Masks::Newlines(pBlock);
        // In a run of element lines of one kind (most of a file's elements), a block whose line
        // feeds are each followed by a line of that kind has its lines counted at once.
        if (cKind != 'f' && nNewlines != 0 &&
            (nNewlines &
             ~Masks::KindAfter(pBlock, cKind == 'v' ? ' ' : cKind, cKind == 'v' ? '\t' : cKind)) == 0)
        {
            (cKind == 'v'   ? c.nVertices
             : cKind == 'n' ? c.nNormals
                            : c.nTexcoords) += Masks::Count(nNewlines);
            pLine = pBlock + (64 - __builtin_clzll(nNewlines));
            continue;
        }
        std::uint64_t nStarts = 0, nOthers = 0;  // word starts, and what no plain corner holds
        bool bWords = false;                     // whether they are known for this block
        for (;;)
        {
            const unsigned nEnd = nNewlines ? static_cast<unsigned>(__builtin_ctzll(nNewlines)) : 64;
            if (cKind == 'f' && nFrom < nEnd)
            {
                if (!bWords)
                {
                    CBlockMasks m;
                    Masks::Words(pBlock, m);
                    const std::uint64_t nBefore = pBlock == p || IsSpace(pBlock[-1]) ? 1 : 0;
                    nStarts = ~m.nBlanks & ((m.nBlanks << 1) | nBefore);
                    nOthers = (nStarts & ~m.nDigits) | m.nHashes;
                    bWords = true;
                }
                const std::uint64_t nPart = Below(nEnd) & ~Below(nFrom);
                nWords += Masks::Count(nStarts & nPart);
                nBad |= nOthers & nPart;
            }
            if (!nNewlines) break;
            nNewlines &= nNewlines - 1;
            // The line ends here.
            if (cKind == 'f')
            {
                if (nBad || nWords < 3 || c.nTriangles + (nWords - 2) > nMax) return pLine;
                c.nTriangles += nWords - 2;
            }
            else
                (cKind == 'v' ? c.nVertices : cKind == 'n' ? c.nNormals : c.nTexcoords)++;
            pLine = pBlock + nEnd + 1;
            cKind = KindAt(pLine);
            if (!cKind) return pLine;
            nWords = 0;
            nBad = 0;
            nFrom = nEnd + 3;  // after the 'f' and the blank
        }
    }
    return pLine;
}

#if defined(__x86_64__)
[[gnu::target("avx2,popcnt")]] const char* CountPlainLines32(const char* p, const char* pEnd, CCounts& c,
                                                             std::uint64_t nMax)
{
    return CountPlainLinesWith<CMasks32>(p, pEnd, c, nMax);
}
#endif

const char* CountPlainLines(const char* p, const char* pEnd, CCounts& c, std::uint64_t nMax)
{
#if defined(__x86_64__)
    // CUBATRO_OBJ_NO_AVX2 set keeps the 16-byte scan of machines without AVX2 (the tests run it).
    static const bool s_bWide = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt") &&
                                !std::getenv("CUBATRO_OBJ_NO_AVX2");
    if (s_bWide) return CountPlainLines32(p, pEnd, c, nMax);
#endif
    return CountPlainLinesWith<CMasks16>(p, pEnd, c, nMax);
}
#else
const char* CountPlainLines(const char* p, const char*, CCounts&, std::uint64_t)
{
    return p;
}
#endif

}  // namespace

void CountWindow(CGlmModel& model, CPart& part, CReadPlan* pPlan, std::string_view text, const char* pBegin)
{
    CCounts c = part.counts;
    const std::string& file = model.pathname;
    // A group, usemtl or mtllib line: to the plan at once, or recorded for it.
    const auto statement = [&](char cKind, std::string_view name)
    {
        if (!pPlan)
            part.statements.push_back(CStatement{cKind, std::string(name), c.nTriangles, nullptr});
        else if (cKind != 'u')
        {
            CStatement line{cKind, std::string(name), c.nTriangles, nullptr};
            pPlan->Apply(part, line);
        }
    };

    CTextCursor cursor(text);
    cursor.SetPos(pBegin);
    for (;;)
    {
        // Most of a large file is runs of element lines and plain faces.
        if (cursor.Pos() == text.data() || cursor.Pos()[-1] == '\n')
            cursor.SetPos(CountPlainLines(cursor.Pos(), cursor.End(), c, s_nMaxCount));
        const std::string_view word = cursor.NextWord();
        if (word.empty()) break;
        switch (word[0])
        {
        case 'v':
            if (word.size() == 1)
                c.nVertices++;
            else if (word[1] == 'n')
                c.nNormals++;
            else if (word[1] == 't')
                c.nTexcoords++;
            else
                UnknownToken(word);
            cursor.SkipLine();
            break;
        case 'm':
        {
            const std::string_view name = cursor.ReadName();
            if (!name.empty()) statement('m', name);
            break;
        }
        case 'u':
            statement('u', cursor.ReadName());  // the material is looked up in the second pass
            break;
        case 'g':
        {
            const std::string_view name = cursor.ReadName();
            statement('g', name.empty() ? std::string_view("default") : name);
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
                Malformed("glmReadOBJ()", file, cursor.LineOf(word.data()),
                          "a face needs at least three corners.\n");
            c.nTriangles += nCorners - 2;
            if (c.nTriangles > s_nMaxCount)
                Malformed("glmReadOBJ()", file, cursor.LineOf(word.data()), "too many triangles.\n");
            cursor.SkipLine();
            break;
        }
        default:  // comments and statements without effect
            cursor.SkipLine();
            break;
        }
        if (c.nVertices > s_nMaxCount || c.nNormals > s_nMaxCount || c.nTexcoords > s_nMaxCount)
            Malformed("glmReadOBJ()", file, cursor.LineOf(word.data()), "too many elements.\n");
    }
    part.counts = c;
}

}  // namespace glmread

// GlmReadCount: the counting pass of the OBJ reader over one window of a part: elements,
// triangles, and the group, usemtl and mtllib lines.
#include "model/GlmReadPasses.h"
#include "model/GlmReadText.h"  // CTextCursor, CountSimpleCorners, the line scanners

#include <limits>  // the largest count

namespace glmread
{

void CountWindow(CGlmModel& model, CPart& part, CReadPlan* pPlan, std::string_view text, const char* pBegin)
{
    constexpr std::uint64_t nMax = std::numeric_limits<std::uint32_t>::max() - 1;
    std::uint64_t nVertices = part.counts.nVertices, nNormals = part.counts.nNormals,
                  nTexcoords = part.counts.nTexcoords, nTriangles = part.counts.nTriangles;
    const std::string& file = model.pathname;
    // A group, usemtl or mtllib line: to the plan at once, or recorded for it.
    const auto statement = [&](char cKind, std::string_view name)
    {
        if (!pPlan)
            part.statements.push_back(CStatement{cKind, std::string(name), nTriangles, nullptr});
        else if (cKind != 'u')
        {
            CStatement line{cKind, std::string(name), nTriangles, nullptr};
            pPlan->Apply(part, line);
        }
    };

    // Counts the run of lines from p (a line start, or a position where the next word begins at
    // once) whose first word is "v" or begins with "vn" or "vt", or that are plain faces, as the
    // statements below would; returns the position after the run. Most of a large file is such
    // runs. Element lines are told apart sixteen characters at a time: a line feed at q[i]
    // starts a line whose first two characters are q[i + 1] and q[i + 2], and the lines of each
    // kind are counted in sixteen byte counters at once.
    const char* const pEnd = text.data() + text.size();
    const auto countElements = [&](const char* p)
    {
#if defined(__SSE2__)
        const __m128i newline = _mm_set1_epi8('\n'), zero = _mm_setzero_si128();
        const auto load = [](const char* q) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q)); };
        const auto sum = [&](__m128i counters)
        {
            const __m128i sums = _mm_sad_epu8(counters, zero);
            return static_cast<std::uint64_t>(_mm_cvtsi128_si64(sums)) +
                   static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
        };
        while (pEnd - p >= 2)
        {
            if (p[0] == 'f' && p[1] == ' ')  // a face whose corners can be counted at once
            {
                const char* pLineEnd = nullptr;
                const std::uint64_t nCorners = CountSimpleCorners(p + 1, pEnd, pLineEnd);
                if (nCorners < 3 || nTriangles + (nCorners - 2) > nMax)
                    break;  // left to the statements below
                nTriangles += nCorners - 2;
                p = pLineEnd < pEnd ? pLineEnd + 1 : pEnd;
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
                Malformed("glmReadOBJ()", file, CTextCursor(text).LineOf(p), "too many elements.\n");
            // The lines after this one (each of at least two characters, so the counts stay in range).
            const char* q = p;
            unsigned nStop = 0;  // line feeds before lines of another kind, one bit each
            if (nVertices + nNormals + nTexcoords + static_cast<std::uint64_t>(pEnd - p) <= nMax)
            {
                __m128i vertices = zero, normals = zero, texcoords = zero;  // byte counters
                for (unsigned nRound = 0; pEnd - q >= 18; q += 16)
                {
                    const __m128i b = load(q + 1), c = load(q + 2);
                    const __m128i v = _mm_and_si128(_mm_cmpeq_epi8(load(q), newline),
                                                    _mm_cmpeq_epi8(b, _mm_set1_epi8('v')));
                    const __m128i isVertex =
                        _mm_and_si128(v, _mm_or_si128(_mm_cmpeq_epi8(c, _mm_set1_epi8(' ')),
                                                      _mm_cmpeq_epi8(c, _mm_set1_epi8('\t'))));
                    const __m128i isNormal = _mm_and_si128(v, _mm_cmpeq_epi8(c, _mm_set1_epi8('n')));
                    const __m128i isTexcoord = _mm_and_si128(v, _mm_cmpeq_epi8(c, _mm_set1_epi8('t')));
                    const unsigned nFeeds =
                        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(load(q), newline)));
                    nStop = nFeeds & ~static_cast<unsigned>(_mm_movemask_epi8(
                                         _mm_or_si128(isVertex, _mm_or_si128(isNormal, isTexcoord))));
                    if (nStop)  // the element lines before the first other one
                    {
                        const unsigned nBefore = (nStop & (0u - nStop)) - 1;
                        nVertices += CountBits(static_cast<unsigned>(_mm_movemask_epi8(isVertex)) & nBefore);
                        nNormals += CountBits(static_cast<unsigned>(_mm_movemask_epi8(isNormal)) & nBefore);
                        nTexcoords +=
                            CountBits(static_cast<unsigned>(_mm_movemask_epi8(isTexcoord)) & nBefore);
                        break;
                    }
                    vertices = _mm_sub_epi8(vertices, isVertex);
                    normals = _mm_sub_epi8(normals, isNormal);
                    texcoords = _mm_sub_epi8(texcoords, isTexcoord);
                    if (++nRound == 255)  // before a byte counter overflows
                    {
                        nVertices += sum(vertices);
                        nNormals += sum(normals);
                        nTexcoords += sum(texcoords);
                        vertices = normals = texcoords = zero;
                        nRound = 0;
                    }
                }
                nVertices += sum(vertices);
                nNormals += sum(normals);
                nTexcoords += sum(texcoords);
            }
            // At the line after the run, or near the end of the text at the line after q's.
            p = nStop ? q + __builtin_ctz(nStop) + 1 : NextLine(q, pEnd);
        }
#endif
        return p;
    };

    CTextCursor cursor(text);
    cursor.SetPos(pBegin);
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
            nTriangles += nCorners - 2;
            if (nTriangles > nMax)
                Malformed("glmReadOBJ()", file, cursor.LineOf(word.data()), "too many triangles.\n");
            cursor.SkipLine();
            break;
        }
        default:  // comments and statements without effect
            cursor.SkipLine();
            break;
        }
        if (nVertices > nMax || nNormals > nMax || nTexcoords > nMax)
            Malformed("glmReadOBJ()", file, cursor.LineOf(word.data()), "too many elements.\n");
    }
    part.counts = CCounts{nVertices, nNormals, nTexcoords, nTriangles};
}

}  // namespace glmread

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
                Malformed("glmReadOBJ()", file, CTextCursor(text).LineOf(p), "too many elements.\n");
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

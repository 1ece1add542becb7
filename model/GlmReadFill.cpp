// GlmReadFill: the filling pass of the OBJ reader over one window of a part: the elements in runs
// of their own kind, the faces in runs of their own corner form, and the group and usemtl lines
// that move the part on to its next share and material.
#include "model/GlmReadNumbers.h"  // ReadShapedFloats, FastFixedFloat, FastFloat, ParseFloat, ScanInteger
#include "model/GlmReadPasses.h"
#include "model/GlmReadText.h"  // CTextCursor, the line scanners

#include <algorithm>  // std::min
#include <bit>        // std::endian: eight characters read as one number need the byte order
#include <cinttypes>  // PRId64 for corner numbers in messages
#include <cstdint>    // fixed-width counters
#include <cstring>    // memcpy for eight characters at a time

namespace glmread
{

namespace
{

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
    return p == pEnd || IsWordEnd(*p) ? p : nullptr;
}

// Reads the corner at p in the form `form` when its numbers have the digit counts s.nCornerDigits of
// the corner before (most corners of a file do), 1 to 7 each and no sign, and at least 32
// characters of text remain: the numbers are checked and converted eight characters at a time
// each, without a branch per number. Returns the position after the corner, or null when the
// corner is not such (ScanCorner then reads it).
template <ECornerForm form>
[[gnu::always_inline]] inline const char* ScanCornerAs(const char* p, const char* pEnd, const CFillState& s,
                                                       std::int64_t& v, std::int64_t& t, std::int64_t& n)
{
    if constexpr (std::endian::native != std::endian::little) return nullptr;
    const unsigned* const nDigits = s.nCornerDigits;
    if (pEnd - p < 32 || nDigits[0] == 0) return nullptr;
    std::uint64_t nOthers = 0;  // the high bit of each character among the digits that is none
    const auto number = [&](const char* q, int i) __attribute__((always_inline))
    {
        std::uint64_t nChunk;
        std::memcpy(&nChunk, q, sizeof nChunk);
        const std::uint64_t nOffsets = nChunk ^ 0x3030303030303030ull;
        nOthers |=
            (((nOffsets & 0x7F7F7F7F7F7F7F7Full) + 0x7676767676767676ull) | nOffsets) & s.nCornerMasks[i];
        return static_cast<std::int64_t>(EightDigitsValue(nOffsets << s.nCornerShifts[i]));
    };
    const unsigned a = nDigits[0], b = nDigits[1], c = nDigits[2];
    v = number(p, 0);
    if constexpr (form == ECornerForm::vertex)
        p += a;
    else if constexpr (form == ECornerForm::vertexTexture)
    {
        if (p[a] != '/') return nullptr;
        t = number(p + a + 1, 1);
        p += a + 1 + b;
    }
    else if constexpr (form == ECornerForm::vertexNormal)
    {
        if (p[a] != '/' || p[a + 1] != '/') return nullptr;
        n = number(p + a + 2, 2);
        p += a + 2 + c;
    }
    else
    {
        if (p[a] != '/' || p[a + 1 + b] != '/') return nullptr;
        t = number(p + a + 1, 1);
        n = number(p + a + b + 2, 2);
        p += a + b + c + 2;
    }
    return nOthers == 0 && IsWordEnd(*p) ? p : nullptr;
}

// Reads the corner at p in the form `form`, as ScanCorner does, the usual corners through
// ScanCornerAs; keeps the digit counts of its numbers for the next.
template <ECornerForm form>
[[gnu::always_inline]] inline const char* ScanCornerOf(const char* p, const char* pEnd, CFillState& s,
                                                       std::int64_t& v, std::int64_t& t, std::int64_t& n)
{
    if (const char* pAfter = ScanCornerAs<form>(p, pEnd, s, v, t, n)) [[likely]]
        return pAfter;
    const char* const pAfter = ScanCorner<form>(p, pEnd, s.nExpectedDigits, v, t, n);
    if (!pAfter) return nullptr;
    // The digit counts, number by number (1 for a number the form has not); the first 0 when one
    // is not 1 to 7 plain digits.
    constexpr bool bTexture = form == ECornerForm::vertexTexture || form == ECornerForm::vertexTextureNormal;
    constexpr bool bNormal = form == ECornerForm::vertexNormal || form == ECornerForm::vertexTextureNormal;
    unsigned nCounts[3] = {1, 1, 1};
    bool bPlain = true;
    for (int i = 0; i < 3; i++)
    {
        if ((i == 1 && !bTexture) || (i == 2 && !bNormal)) continue;
        p += i == 0 ? 0 : i == 2 && !bTexture ? 2 : 1;  // the '/' before, or the "//" of v//n
        unsigned nCount = 0;
        for (; p < pAfter && IsDigit(*p); p++)
            nCount++;
        bPlain = bPlain && nCount >= 1 && nCount <= 7;
        nCounts[i] = nCount >= 1 && nCount <= 7 ? nCount : 1;
    }
    s.nCornerDigits[0] = bPlain ? nCounts[0] : 0;
    s.nCornerDigits[1] = nCounts[1];
    s.nCornerDigits[2] = nCounts[2];
    for (int i = 0; i < 3; i++)
    {
        s.nCornerShifts[i] = 64 - 8 * nCounts[i];
        s.nCornerMasks[i] = 0x8080808080808080ull >> s.nCornerShifts[i];
    }
    return pAfter;
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

// The text of the face being read, for its messages.
struct CFaceText
{
    std::string_view text;     // the whole file text (not owned)
    const std::string* pFile;  // the file name (not owned)
    const char* pStatement;    // the face's first word
    const char* pFirst;        // its first corner
};

[[noreturn, gnu::noinline, gnu::cold]] void CornerOutOfRange(const CFaceText& face, const char* pCorner,
                                                             const char* pszKind, std::int64_t nNumber,
                                                             std::uint32_t nRead)
{
    const CTextCursor cursor(face.text);
    const std::string_view corner = cursor.WordAt(pCorner);
    Malformed("glmReadOBJ()", *face.pFile, cursor.LineOf(pCorner),
              "%s number %" PRId64 " in corner \"%.*s\" is out of range (%u read so far).\n", pszKind,
              nNumber, Len(corner), corner.data(), nRead);
}

[[noreturn, gnu::noinline, gnu::cold]] void CornerOfOtherForm(const CFaceText& face, const char* pCorner)
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
                                                    const char* pszKind, const CFaceText& face,
                                                    const char* pCorner)
{
    if (static_cast<std::uint64_t>(nNumber - 1) < nRead) [[likely]]  // 1 to nRead: the number as it stands
        return static_cast<std::uint32_t>(nNumber);
    const std::int64_t nIndex = nNumber < 0 ? std::int64_t(nRead) + 1 + nNumber : nNumber;
    if (static_cast<std::uint64_t>(nIndex - 1) >= nRead)
        [[unlikely]]  // 0, before the first or beyond the last
        CornerOutOfRange(face, pCorner, pszKind, nNumber, nRead);
    return static_cast<std::uint32_t>(nIndex);
}

// Moves p from the end of a corner to the next corner of the line, as SkipLineBlanks and
// StartsNumberAt find it; false when none follows. The usual single blank before a digit is
// passed at once.
[[gnu::always_inline]] inline bool NextCorner(const char*& p, const char* pEnd)
{
    if (pEnd - p >= 2 && (*p == ' ' || *p == '\t') && IsDigit(p[1])) [[likely]]
    {
        ++p;
        return true;
    }
    p = SkipLineBlanks(p, pEnd);
    return StartsNumberAt(p, pEnd);
}

// Reads the corners of a face in the form `form` of its first corner, which was scanned already
// (its numbers nv, nt, nn; pAfter just after it), fanning them into triangles of the current
// group. Returns the position after the last corner.
template <ECornerForm form>
[[gnu::always_inline]] inline const char* ReadFace(const char* pAfter, std::int64_t nv, std::int64_t nt,
                                                   std::int64_t nn, CFillState& s, const CFaceText& face)
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
    const char* p = pAfter;
    if (!NextCorner(p, pEnd)) OverrunAt(face.text, *face.pFile, face.pStatement);
    pAfter = ScanCornerOf<form>(p, pEnd, s, nv, nt, nn);
    if (!pAfter) [[unlikely]]
        CornerOfOtherForm(face, p);
    resolve(p, v1, t1, n1);
    p = pAfter;
    if (!NextCorner(p, pEnd)) OverrunAt(face.text, *face.pFile, face.pStatement);
    do
    {
        pAfter = ScanCornerOf<form>(p, pEnd, s, nv, nt, nn);
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
        p = pAfter;
    } while (NextCorner(p, pEnd));
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
            while (++q < pEnd && !IsWordEnd(*q))
            {
            }
        }
        if (n >= nLimit) OverrunAt(text, file, p);
        n++;
        float* const pValues = pArray + std::size_t(n) * nPer;
        const char* pAfter = pEnd - q >= 64 ? ReadShapedFloats<nPer>(q, pValues, nFraction) : nullptr;
        if (!pAfter) [[unlikely]]
            pAfter = ReadFloatsAt<nPer>(q, text, pValues, nFraction, "glmReadOBJ()", file);
        p = SkipSpace(NextLine(pAfter, pEnd), pEnd);
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
[[gnu::noinline]] const char* ReadFacesOfForm(const char* p, CFillState& sShared, std::string_view text,
                                              const std::string& file)
{
    const char* const pEnd = text.data() + text.size();
    CFillState s = sShared;  // a copy of its own, which the stores into the arrays cannot touch
    s.nRoom = std::min(s.nTriangleLimit - s.nTriangles, s.nGroupLimit - s.nGroupTriangles);
    while (p < pEnd && *p == 'f')
    {
        const char* pFirst = p + 2;  // the first corner, after "f" and a blank as a rule
        if (pEnd - p < 3 || (p[1] != ' ' && p[1] != '\t') || !IsDigit(p[2])) [[unlikely]]
        {
            const char* q = p;
            while (++q < pEnd && !IsWordEnd(*q))
            {
            }
            pFirst = SkipLineBlanks(q, pEnd);
            if (!StartsNumberAt(pFirst, pEnd)) OverrunAt(text, file, p);
        }
        const CFaceText face{text, &file, p, pFirst};
        std::int64_t nv = 0, nt = 0, nn = 0;
        const char* const pAfter = ScanCornerOf<form>(face.pFirst, pEnd, s, nv, nt, nn);
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
const char* ReadFaces(const char* p, CFillState& s, ECornerForm& form, std::string_view text,
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
    while (++q < pEnd && !IsWordEnd(*q))
    {
    }
    const CFaceText face{text, &file, p, SkipLineBlanks(q, pEnd)};
    form = FormOf(CTextCursor(text).TokenAt(face.pFirst));
    p = read(form);
    if (p == pStart) CornerOfOtherForm(face, face.pFirst);
    return p;
}

// The share `nShare` of the part becomes the current one.
void EnterShare(CFillState& s, std::size_t nShare)
{
    const CGroupShare& share = s.pPart->shares[nShare];
    s.nShare = nShare;
    s.pGroupTriangles = nullptr;
    s.nGroupTriangles = 0;
    s.nGroupLimit = 0;
    if (share.nCount == 0) return;  // the group's array is not looked at, as in StartFill
    s.pGroupTriangles = share.pGroup->triangles.data() + share.nStart;
    s.nGroupLimit = share.nStart <= share.pGroup->triangles.size() &&
                            share.nCount <= share.pGroup->triangles.size() - share.nStart
                        ? share.nCount
                        : 0;
}

}  // namespace

const char* ReadOtherFloat(const char* p, std::string_view text, float& fValue, const char* pszReader,
                           const std::string& file)
{
    CTextCursor cursor(text);
    cursor.SetPos(p);
    const std::string_view word = cursor.NextWordOnLine();
    if (!ParseFloat(word, fValue))
    {
        const std::string_view quoted =
            word.empty() ? cursor.WordAt(word.data()) : word;  // "#..." as it stands
        Malformed(pszReader, file, cursor.LineOf(word.data()), "expected a number, found \"%.*s\".\n",
                  Len(quoted), quoted.data());
    }
    return cursor.Pos();
}

CFillState StartFill(CGlmModel& model, const CPart& part, CReadPlan* pPlan)
{
    // Room in each array the part fills: up to the part's last element, and never more than the
    // array holds. The others are not looked at: on several threads they may be being allocated.
    const auto limit = [](std::uint64_t nBefore, std::uint64_t nCount, auto& array, std::size_t nPer,
                          auto*& pArray) -> std::uint32_t
    {
        if (nCount == 0) return static_cast<std::uint32_t>(nBefore);
        pArray = array.data();
        const std::uint64_t nRoom = array.size() / nPer > 0 ? array.size() / nPer - 1 : 0;
        return static_cast<std::uint32_t>(nBefore + nCount < nRoom ? nBefore + nCount : nRoom);
    };
    CFillState s;
    const CCounts& before = part.before;
    const CCounts& counts = part.counts;
    s.nVertices = static_cast<std::uint32_t>(before.nVertices);
    s.nNormals = static_cast<std::uint32_t>(before.nNormals);
    s.nTexcoords = static_cast<std::uint32_t>(before.nTexcoords);
    s.nTriangles = static_cast<std::uint32_t>(before.nTriangles);
    s.nVertexLimit = limit(before.nVertices, counts.nVertices, model.vertices, 3, s.pVertices);
    s.nNormalLimit = limit(before.nNormals, counts.nNormals, model.normals, 3, s.pNormals);
    s.nTexcoordLimit = limit(before.nTexcoords, counts.nTexcoords, model.texcoords, 2, s.pTexcoords);
    s.nTriangleLimit = counts.nTriangles == 0 ? s.nTriangles
                       : before.nTriangles + counts.nTriangles < model.triangles.size()
                           ? static_cast<std::uint32_t>(before.nTriangles + counts.nTriangles)
                           : static_cast<std::uint32_t>(model.triangles.size());
    if (counts.nTriangles != 0) s.pTriangles = model.triangles.data();
    s.pPart = &part;
    s.pPlan = pPlan;
    EnterShare(s, 0);
    return s;
}

void FillWindow(CGlmModel& model, CFillState& s, std::string_view text, const char* pBegin)
{
    static const char* const s_pszReader = "glmReadOBJ()";
    const std::string& file = model.pathname;
    float* const pVertices = s.pVertices;
    float* const pNormals = s.pNormals;
    float* const pTexcoords = s.pTexcoords;
    const char* const pEnd = text.data() + text.size();
    ECornerForm form = static_cast<ECornerForm>(s.nForm);  // the form of the face before
    for (const char* p = pBegin;;)
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
                    p = ReadElementRun<'v'>(p, text, pVertices, s.nVertices, s.nVertexLimit,
                                            s.nExpectedFraction, file);
                    continue;
                }
                if (p[1] == 'n')
                {
                    p = ReadElementRun<'n'>(p, text, pNormals, s.nNormals, s.nNormalLimit,
                                            s.nExpectedFraction, file);
                    continue;
                }
                if (p[1] == 't')
                {
                    p = ReadElementRun<'t'>(p, text, pTexcoords, s.nTexcoords, s.nTexcoordLimit,
                                            s.nExpectedFraction, file);
                    continue;
                }
            }
            break;
        case 'f':
            p = ReadFaces(p, s, form, text, file);
            continue;
        default:
            break;
        }
        const char* const pWord = p;  // the statement's first word
        while (++p < pEnd && !IsWordEnd(*p))
        {
        }
        const std::size_t nWord = static_cast<std::size_t>(p - pWord);
        CTextCursor cursor(text);
        cursor.SetPos(p);
        switch (*pWord)
        {
        case 'v':  // the element lines the runs leave: "v" before a '#' or at the end of the text
            if (nWord == 1)
            {
                if (s.nVertices >= s.nVertexLimit) OverrunAt(text, file, pWord);
                s.nVertices++;
                p = ReadFloatsAt<3>(p, text, pVertices + std::size_t(s.nVertices) * 3, s.nExpectedFraction,
                                    s_pszReader, file);
            }
            p = NextLine(p, pEnd);
            break;
        case 'g':
            cursor.ReadName();
            p = cursor.Pos();
            if (s.nGroupTriangles != s.nGroupLimit || s.nShare + 1 >= s.pPart->shares.size())
                OverrunAt(text, file, pWord);
            EnterShare(s, s.nShare + 1);
            if (s.pPlan) s.pPart->shares[s.nShare].pGroup->material = s.nMaterial;
            break;
        case 'u':
        {
            const std::string_view name = cursor.ReadName();
            p = cursor.Pos();
            if (s.pPlan)
            {
                s.nMaterial = s.pPlan->FindMaterial(name);
                s.pPart->shares[s.nShare].pGroup->material = s.nMaterial;
            }
            break;
        }
        case 'm':  // the library was read in the first pass
            cursor.ReadName();
            p = cursor.Pos();
            break;
        default:  // comments and statements without effect
            p = NextLine(p, pEnd);
            break;
        }
    }
    s.nForm = static_cast<int>(form);
}

void EndFill(const CGlmModel& model, const CFillState& s, std::string_view text)
{
    const CCounts& before = s.pPart->before;
    const CCounts& counts = s.pPart->counts;
    if (s.nVertices != before.nVertices + counts.nVertices ||
        s.nNormals != before.nNormals + counts.nNormals ||
        s.nTexcoords != before.nTexcoords + counts.nTexcoords ||
        s.nTriangles != before.nTriangles + counts.nTriangles || s.nGroupTriangles != s.nGroupLimit ||
        s.nShare + 1 != s.pPart->shares.size())
        OverrunAt(text, model.pathname, s.pPart->pEnd);
}

}  // namespace glmread

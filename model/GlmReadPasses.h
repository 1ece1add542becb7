// GlmReadPasses: what the pieces of the OBJ reader share: the faults, the text of the file and
// its windows, the parts a file is cut into, the plan that turns the counts of the first pass
// into places in the arrays, and the two passes over a window of text.
//
// A read cuts the file into parts at line starts (one part on one thread) and walks each part in
// windows, also cut at line starts, so that a mapped file never has more than a window per
// thread resident:
//   1. the counting pass counts the elements and triangles of each part and its group, usemtl
//      and mtllib lines (GlmReadCount.cpp);
//   2. the plan takes those lines in file order: it creates the groups, reads the library and
//      gives each run of a part's triangles between two group lines its share of its group's
//      index array; the arrays are then allocated at their exact sizes (GlmRead.cpp);
//   3. the filling pass fills each part's elements, triangles and shares (GlmReadFill.cpp).
// On one thread the plan takes each line as the counting pass meets it and the filling pass
// looks materials up as it meets them, so that every message comes where a plain walk through
// the file would print it. The parallel read (GlmReadParallel.cpp) records the lines instead and
// gives them to the plan afterwards.
#pragma once

#include "model/GlmModel.h"  // CGlmModel, GlmGroup

#include <atomic>         // the flag of a mapped file that got shorter
#include <cstddef>        // std::size_t
#include <cstdint>        // counts
#include <functional>     // std::function for the windows of a part
#include <limits>         // the largest count
#include <memory>         // std::unique_ptr for the copied text
#include <string>         // names
#include <string_view>    // text
#include <unordered_map>  // the name indexes
#include <vector>         // parts, lines, shares

namespace glmread
{

// --- faults ---------------------------------------------------------------------------------

// Flushes standard output and ends the process with status 1.
[[noreturn]] void EndProcess();

// Prints "<reader>: "<file>" line <line>: " and the message, and ends the process.
[[noreturn]] void __attribute__((format(printf, 4, 5)))
Malformed(const char* pszReader, const std::string& file, unsigned nLine, const char* pszFormat, ...);

// The passes disagree about the text: it cannot happen for one text read once, but nothing is
// ever written beyond an array.
[[noreturn]] void Overrun(const std::string& file, unsigned nLine);

// The first pass's message for a word it does not know.
[[noreturn]] void UnknownToken(std::string_view word);

// The length of s for a "%.*s", bounded.
int Len(std::string_view s);

// Thrown instead of a fault message on a thread of the parallel read, which then reads the file
// again on one thread for the message.
struct CReadFault
{
};

// Thrown when the mapped file got shorter while it was read: the read starts again from a copy.
struct CFileChanged
{
};

// How the faults of the current thread end while it lives: with a CReadFault (bThrow) or with
// their message; and first, with a CFileChanged when *pShortened (if given) is set.
class CFaultScope
{
public:
    CFaultScope(bool bThrow, const std::atomic<bool>* pShortened);
    virtual ~CFaultScope();
    CFaultScope(const CFaultScope&) = delete;
    CFaultScope& operator=(const CFaultScope&) = delete;

private:
    bool m_bThrow;                          // the scope's mode before this one
    const std::atomic<bool>* m_pShortened;  // and its flag
};

// --- the text of a file -----------------------------------------------------------------------

// The text of an OBJ file: mapped where the file allows it, so that its pages can be dropped
// once read, or else copied into memory. A mapped file that another process shortens meanwhile
// shows zeros where its lost pages were and sets Shortened(), instead of ending this process with
// a bus error; the reader then starts again from a copy.
class CObjText
{
public:
    CObjText() = default;
    virtual ~CObjText();
    CObjText(const CObjText&) = delete;
    CObjText& operator=(const CObjText&) = delete;

    // Opens the file `name` through the path resolver, mapped unless bCopy; false when it cannot
    // be opened or read.
    bool Open(std::string_view name, bool bCopy);

    std::string_view View() const { return std::string_view(m_pText, m_nSize); }  // the whole text
    const std::atomic<bool>* Shortened() const { return &m_bShortened; }          // set by the guard

    // Hands the text [pBegin, pEnd) (pBegin a line start) to `read` in windows of about nWindow
    // characters cut at line starts, as the text from the start of the file to the window's end
    // and the window's start; the pages of a mapped window are dropped after it, but for those
    // of the last nKeep characters, which a pass that follows finds mapped. Throws CFileChanged
    // after a window when the file got shorter.
    void ForEachWindow(const char* pBegin, const char* pEnd, std::size_t nWindow,
                       const std::function<void(std::string_view, const char*)>& read,
                       std::size_t nKeep = 0) const;

    // Drops the mapped pages that [pBegin, pEnd) touches (none of a copy); the pages are read
    // again from the file when the text there is read again.
    void Drop(const char* pBegin, const char* pEnd) const;

private:
    const char* m_pText = nullptr;    // the text, mapped or in m_pCopy
    std::size_t m_nSize = 0;          // its size
    std::size_t m_nMapped = 0;        // bytes mapped, 0 when copied
    int m_nSlot = -1;                 // the bus-error guard's slot of the mapping
    std::unique_ptr<char[]> m_pCopy;  // the copied text
    std::atomic<bool> m_bShortened{false};
};

// The first line start at or after p within [pBegin, pEnd] (pEnd when there is none).
const char* LineStartFrom(const char* p, const char* pBegin, const char* pEnd);

// --- parts, lines and shares --------------------------------------------------------------------

// The most elements, triangles or materials a model holds: its counts are 32 bits, and an array
// of elements has one more than its count.
inline constexpr std::uint64_t s_nMaxCount = std::numeric_limits<std::uint32_t>::max() - 1;

// Elements and triangles counted in a part, or before it.
struct CCounts
{
    std::uint64_t nVertices = 0, nNormals = 0, nTexcoords = 0, nTriangles = 0;

    CCounts& operator+=(const CCounts& c)
    {
        nVertices += c.nVertices;
        nNormals += c.nNormals;
        nTexcoords += c.nTexcoords;
        nTriangles += c.nTriangles;
        return *this;
    }
};

// A group, usemtl or mtllib line ('g', 'u', 'm'), with the triangles its part held before it.
struct CStatement
{
    char cKind = 'g';
    std::string name;
    std::uint64_t nTriangles = 0;
    GlmGroup* pGroup = nullptr;  // the group of a group line, once the plan took it
};

// Where a run of a part's triangles goes: nCount indices from nStart of its group's array.
struct CGroupShare
{
    GlmGroup* pGroup = nullptr;
    std::uint32_t nStart = 0;
    std::uint32_t nCount = 0;
};

// One part of the file, read by one thread in each pass.
struct CPart
{
    const char* pBegin = nullptr;        // first character, a line start
    const char* pEnd = nullptr;          // after the last, a line start or the end of the text
    CCounts counts;                      // what the counting pass found in it
    CCounts before;                      // elements and triangles of the parts before it
    std::vector<CStatement> statements;  // its lines for the plan, when recorded
    std::vector<CGroupShare> shares;     // one share at its start and one after each group line
};

// The arrays of a model as bits, for the parts that wait for them on several threads.
inline constexpr unsigned s_nVertexArray = 1;
inline constexpr unsigned s_nTexcoordArray = 2;
inline constexpr unsigned s_nNormalArray = 4;
inline constexpr unsigned s_nTriangleArrays = 8;  // the triangles and the index arrays of the groups
inline constexpr unsigned s_nArraysFailed = 16;   // the allocation failed: none will come

// Takes the group and library lines in file order and lays the arrays out.
class CReadPlan
{
public:
    explicit CReadPlan(CGlmModel& model);  // creates the group "default", the current group
    virtual ~CReadPlan() = default;
    CReadPlan(const CReadPlan&) = delete;
    CReadPlan& operator=(const CReadPlan&) = delete;

    GlmGroup* AddGroup(std::string_view name);          // found (first match) or created at the head
    std::uint32_t FindMaterial(std::string_view name);  // first match, else 0 with the message
    void OpenPart(CPart& part);                         // the part's first share
    void Apply(CPart& part, CStatement& statement);     // a group line: a new share; mtllib: the library
    void ClosePart(CPart& part);                        // the part's last share
    // The counts, and every array at its size, in the order of the array bits above; with pReady, the
    // bit of each array is set (and waiters woken) as soon as it is allocated, so that other
    // threads can fill the parts that need only the arrays allocated so far meanwhile. With
    // bGrow, the arrays of elements and triangles are only reserved, empty, for Grow.
    void Allocate(const CCounts& totals, std::atomic<unsigned>* pReady = nullptr, bool bGrow = false);

private:
    void CloseShare(CPart& part, std::uint64_t nTriangles);  // the current share ends before nTriangles

    CGlmModel& m_model;
    std::unordered_map<std::string_view, GlmGroup*> m_groups;         // names of the groups
    std::unordered_map<std::string_view, std::uint32_t> m_materials;  // names of the materials
    std::size_t m_nIndexed = 0;                                       // materials in m_materials
    const GlmMaterial* m_pIndexed = nullptr;                          // and the array they are in
    GlmGroup* m_pCurrent = nullptr;                                   // the group of the last group line
    std::uint64_t m_nLast = 0;  // triangles of the open part before the current share
};

// --- the passes ---------------------------------------------------------------------------------

// The counting pass over the window from pBegin to the end of `text` (which starts at the start
// of the file): adds to part.counts; group and library lines go to pPlan at once, or when it is
// null to part.statements with the usemtl lines.
void CountWindow(CGlmModel& model, CPart& part, CReadPlan* pPlan, std::string_view text, const char* pBegin);

// Where the filling pass of a part writes, and what it has read so far. The limits are the
// smaller of the counts of the first pass and the sizes of the arrays, so nothing is written
// beyond them; the arrays the part has nothing for are not looked at, and have no room.
struct CFillState
{
    float* pVertices = nullptr;  // the model's arrays (not owned)
    float* pNormals = nullptr;
    float* pTexcoords = nullptr;
    std::uint32_t nVertices = 0, nNormals = 0, nTexcoords = 0;             // elements read so far
    std::uint32_t nVertexLimit = 0, nNormalLimit = 0, nTexcoordLimit = 0;  // room for them
    GlmTriangle* pTriangles = nullptr;                   // the model's triangles (not owned)
    std::uint32_t nTriangles = 0, nTriangleLimit = 0;    // triangles filled, room for them
    std::uint32_t* pGroupTriangles = nullptr;            // the current share (not owned)
    std::uint32_t nGroupTriangles = 0, nGroupLimit = 0;  // indices filled, room for them
    unsigned nExpectedDigits = 1;                        // digits of the corner numbers before
    unsigned nCornerDigits[3] = {0, 0, 0};      // those of the corner before, number by number (0: unknown)
    unsigned nCornerShifts[3] = {0, 0, 0};      // 64 - 8 × each: what moves a number's digits to the top
    std::uint64_t nCornerMasks[3] = {0, 0, 0};  // the high bits of each number's characters, at the bottom
    unsigned nExpectedFraction = 6;             // fraction digits of the numbers before
    std::uint32_t nRoom = 0;                    // triangles that fit in both the model's array and the share
    const CPart* pPart = nullptr;               // the part filled
    std::size_t nShare = 0;                     // its current share
    CReadPlan* pPlan = nullptr;                 // looks materials up as they come, on one thread
    std::uint32_t nMaterial = 0;                // the current material, with pPlan
    int nForm = 0;                              // the form of the face before
};

// Reads the word at p in `text` as a number when the fast conversions left it (another form, or a
// malformed word); a malformed one ends the process with a message naming the file and the line.
// Returns the position after the word.
[[gnu::noinline]] const char* ReadOtherFloat(const char* p, std::string_view text, float& fValue,
                                             const char* pszReader, const std::string& file);

// Starts filling `part` of `model`; pPlan as for CFillState.
CFillState StartFill(CGlmModel& model, const CPart& part, CReadPlan* pPlan);

// The filling pass over the window from pBegin to the end of `text`, as for CountWindow.
void FillWindow(CGlmModel& model, CFillState& s, std::string_view text, const char* pBegin);

// Ends filling a part: its counts and shares must have been filled exactly.
void EndFill(const CGlmModel& model, const CFillState& s, std::string_view text);

// Reads the file on nThreads threads (2 or more) in parts of about nPartBytes; false when it
// found a fault, which a read on one thread then reports.
bool ReadParallel(CGlmModel& model, const CObjText& text, const GlmReadOptions& options, unsigned nThreads);

// Window size of a read, when the options leave it open.
inline constexpr std::size_t s_nDefaultWindow = std::size_t(4) << 20;

// The window size of a read with `options`.
inline std::size_t WindowOf(const GlmReadOptions& options)
{
    return options.nWindowBytes ? options.nWindowBytes : s_nDefaultWindow;
}

// The text beyond a window that the counting pass on one thread may leave mapped for the filling
// pass (which then need not fault its pages in again) besides the room of the arrays not yet
// filled: with a window it stays well within 32 MiB.
inline constexpr std::size_t s_nKeptTail = std::size_t(12) << 20;

}  // namespace glmread

// GLFont: glyph lists built with fontconfig and FreeType, and printing with them.
#include "render/GLFont.h"  // the class defined here

#include "platform/Diagnostics.h"  // plat::Trace when no face can be loaded

#include <fontconfig/fontconfig.h>  // finding the font file for a family name
#include <ft2build.h>               // FreeType's configuration, needed before its headers
#include FT_FREETYPE_H              // faces, sizes and rendered glyphs

#include <cstring>  // std::strlen for the string length
#include <limits>   // std::numeric_limits for the largest list count of one call
#include <memory>   // std::unique_ptr for the library handles
#include <string>   // std::string for the file name and filtered text
#include <vector>   // std::vector for one glyph's rows

namespace
{

// The font file and face index that fontconfig picks for a request; empty when none.
struct SFontFile
{
    std::string strPath;  // file of the face
    int nIndex = 0;       // face index within the file
};

struct SPatternFree
{
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using PatternPtr = std::unique_ptr<FcPattern, SPatternFree>;

SFontFile FindFontFile(const std::string& strFace, int nWeight, bool bItalic)
{
    SFontFile file;
    if (!FcInit()) return file;
    PatternPtr pattern(FcPatternCreate());
    if (!pattern) return file;
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(strFace.c_str()));
    if (nWeight > 0)
        FcPatternAddInteger(pattern.get(), FC_WEIGHT, FcWeightFromOpenType(nWeight > 1000 ? 1000 : nWeight));
    if (bItalic) FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ITALIC);
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
    if (!match) return file;
    FcChar8* pszPath = nullptr;
    if (FcPatternGetString(match.get(), FC_FILE, 0, &pszPath) == FcResultMatch && pszPath)
        file.strPath = reinterpret_cast<const char*>(pszPath);
    int nIndex = 0;
    if (FcPatternGetInteger(match.get(), FC_INDEX, 0, &nIndex) == FcResultMatch) file.nIndex = nIndex;
    return file;
}

struct SLibraryDone
{
    void operator()(FT_Library p) const { FT_Done_FreeType(p); }
};
struct SFaceDone
{
    void operator()(FT_Face p) const { FT_Done_Face(p); }
};

// Compiles one list that only moves the raster position (a glyph that cannot be drawn).
void CompileAdvanceOnly(GLuint nList, float fAdvance)
{
    glNewList(nList, GL_COMPILE);
    glBitmap(0, 0, 0.0f, 0.0f, fAdvance, 0.0f, nullptr);
    glEndList();
}

}  // namespace

CGLFont::CGLFont(const std::string& strFace, int nHeight, int nWeight, bool bItalic)
{
    m_nListBase = glGenLists(s_nGlyphs);
    if (m_nListBase == 0) return;
    BuildGlyphs(strFace, nHeight, nWeight, bItalic);
}

CGLFont::~CGLFont()
{
    if (m_nListBase != 0) glDeleteLists(m_nListBase, s_nGlyphs);
}

void CGLFont::BuildGlyphs(const std::string& strFace, int nHeight, int nWeight, bool bItalic)
{
    FT_Library pRawLibrary = nullptr;
    FT_Face pRawFace = nullptr;
    const SFontFile file = FindFontFile(strFace, nWeight, bItalic);
    if (!file.strPath.empty() && FT_Init_FreeType(&pRawLibrary) != 0) pRawLibrary = nullptr;
    std::unique_ptr<FT_LibraryRec_, SLibraryDone> library(pRawLibrary);
    if (library && FT_New_Face(library.get(), file.strPath.c_str(), file.nIndex, &pRawFace) != 0)
        pRawFace = nullptr;
    std::unique_ptr<FT_FaceRec_, SFaceDone> face(pRawFace);
    if (face)
    {
        FT_Size_RequestRec request{};
        request.type = nHeight > 0 ? FT_SIZE_REQUEST_TYPE_CELL : FT_SIZE_REQUEST_TYPE_NOMINAL;
        const long nPixels = nHeight > 0 ? nHeight : (nHeight < 0 ? -static_cast<long>(nHeight) : 16L);
        request.height = nPixels * 64;
        if (FT_Request_Size(face.get(), &request) != 0) face.reset();
    }
    if (!face) plat::Trace("CGLFont: no face for \"%s\", the glyphs stay blank\n", strFace.c_str());

    // Rows are repacked bottom first with single-byte alignment; the client pixel state is
    // saved around the compilation, which reads it.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    std::vector<GLubyte> rows;
    for (unsigned c = s_nFirstChar; c <= s_nLastChar; ++c)
    {
        const GLuint nList = m_nListBase + (c - s_nFirstChar);
        if (!face || FT_Load_Char(face.get(), c, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0)
        {
            CompileAdvanceOnly(nList, 0.0f);
            continue;
        }
        const FT_GlyphSlot pGlyph = face->glyph;
        const FT_Bitmap& bitmap = pGlyph->bitmap;
        const float fAdvance = static_cast<float>(pGlyph->advance.x) / 64.0f;
        if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO || bitmap.width == 0 || bitmap.rows == 0 ||
            !bitmap.buffer)
        {
            CompileAdvanceOnly(nList, fAdvance);
            continue;
        }
        const size_t nStride = (static_cast<size_t>(bitmap.width) + 7) / 8;
        const size_t nRows = bitmap.rows;
        const size_t nPitch = static_cast<size_t>(bitmap.pitch < 0 ? -bitmap.pitch : bitmap.pitch);
        rows.assign(nStride * nRows, 0);
        for (size_t y = 0; y < nRows; ++y)
        {
            // FreeType's rows run top first for a positive pitch; OpenGL's bitmaps bottom first.
            const size_t nSource = bitmap.pitch >= 0 ? nRows - 1 - y : y;
            const GLubyte* pSource = bitmap.buffer + nSource * nPitch;
            for (size_t x = 0; x < nStride; ++x)
                rows[y * nStride + x] = pSource[x];
        }
        const auto fXOrig = static_cast<float>(-pGlyph->bitmap_left);
        const auto fYOrig = static_cast<float>(static_cast<int>(bitmap.rows) - pGlyph->bitmap_top);
        glNewList(nList, GL_COMPILE);
        glBitmap(static_cast<GLsizei>(bitmap.width), static_cast<GLsizei>(bitmap.rows), fXOrig, fYOrig,
                 fAdvance, 0.0f, rows.data());
        glEndList();
    }
    glPopClientAttrib();
}

void CGLFont::Print(const char* pszText, const float* pfRasterPos) const
{
    if (m_nListBase == 0 || !pszText || !pfRasterPos) return;
    glRasterPos3f(pfRasterPos[0], pfRasterPos[1], pfRasterPos[2]);

    // Bytes outside the font's range would select lists the font does not own: leave them out.
    const size_t nLength = std::strlen(pszText);
    const char* pszDraw = pszText;
    std::string strKept;
    for (size_t i = 0; i < nLength; ++i)
    {
        const auto c = static_cast<unsigned char>(pszText[i]);
        if (c < s_nFirstChar || c > s_nLastChar)
        {
            strKept.reserve(nLength);
            strKept.assign(pszText, i);
            for (size_t k = i + 1; k < nLength; ++k)
            {
                const auto d = static_cast<unsigned char>(pszText[k]);
                if (d >= s_nFirstChar && d <= s_nLastChar) strKept.push_back(static_cast<char>(d));
            }
            pszDraw = strKept.c_str();
            break;
        }
    }
    const size_t nDraw = pszDraw == pszText ? nLength : strKept.size();

    glPushAttrib(GL_LIST_BIT);
    glListBase(m_nListBase - s_nFirstChar);
    constexpr size_t nMaxCall = static_cast<size_t>(std::numeric_limits<GLsizei>::max());
    for (size_t nDone = 0; nDone < nDraw; nDone += nMaxCall)  // one call for any text shorter than 2 GiB
    {
        const size_t nCall = nDraw - nDone < nMaxCall ? nDraw - nDone : nMaxCall;
        glCallLists(static_cast<GLsizei>(nCall), GL_UNSIGNED_BYTE, pszDraw + nDone);
    }
    glPopAttrib();
}

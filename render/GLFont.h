// GLFont: short texts drawn into the OpenGL scene with bitmap glyphs.
//
// At construction the font named is found through fontconfig and FreeType renders its
// characters 32 to 127 as 1-bit bitmaps; each becomes one display list that draws the glyph
// with glBitmap at the current raster position and moves the raster position on by the glyph's
// advance, so that consecutive lists draw a line of text. Print places the raster position and
// replays the lists of a string's characters with one call.
#pragma once

#include <GL/gl.h>  // GLuint for the list base

#include <string>  // std::string for the face name

class CGLFont
{
public:
    static constexpr unsigned s_nFirstChar = 32;  // code of the first glyph held
    static constexpr unsigned s_nLastChar = 127;  // code of the last glyph held
    static constexpr int s_nGlyphs = 96;          // glyph lists held: codes 32 to 127

    // Needs a current OpenGL context. `strFace` is a family name ("arial"), resolved by fontconfig
    // to the closest installed face; `nHeight` > 0 is the cell height (ascent + descent) in pixels,
    // < 0 the em height, 0 a default of 16 pixels; `nWeight` is 1 to 1000 (0: any) and `bItalic`
    // asks for a slanted face. Upon exit the font owns 96 consecutive display lists, code c in
    // GetListBase() + c - 32, each drawing its glyph (or only moving the raster position when
    // the glyph could not be rendered); or, when OpenGL gave no lists, GetListBase() is 0 and
    // the font draws nothing.
    CGLFont(const std::string& strFace, int nHeight, int nWeight, bool bItalic);
    virtual ~CGLFont();  // deletes the 96 lists when the list base is not 0
    CGLFont(const CGLFont&) = delete;
    CGLFont& operator=(const CGLFont&) = delete;

    // Draws `pszText` with its first character at the raster position `pfRasterPos` (x, y, z,
    // transformed by the current matrices like a vertex), in the current raster colour. Bytes
    // outside 32 to 127 draw nothing and move nothing. Does nothing at all when the font is
    // empty or either pointer is null. The list base of the context is saved and restored.
    void Print(const char* pszText, const float* pfRasterPos) const;

    GLuint GetListBase() const { return m_nListBase; }  // first of the 96 glyph lists, 0 when empty

private:
    void BuildGlyphs(const std::string& strFace, int nHeight, int nWeight,
                     bool bItalic);  // compiles the lists

    GLuint m_nListBase = 0;  // owned: first of 96 consecutive display lists, 0 when none
};

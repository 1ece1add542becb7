// GlmReadMtl: the MTL reader: a counting pass for the number of materials, then their colours
// and shininess, with the line rules of the OBJ reader.
#include "model/GlmModel.h"
#include "model/GlmReadNumbers.h"  // FastFloat
#include "model/GlmReadPasses.h"   // CObjText, the faults, ReadOtherFloat
#include "model/GlmReadText.h"     // CTextCursor

#include "platform/Diagnostics.h"  // plat::Trace for the file failure

namespace
{

using namespace glmread;

// Reads `nCount` numbers of the current line of `text` into pValues; a missing or malformed one
// ends the process with a message naming the file and the line.
void ReadFloats(CTextCursor& cursor, std::string_view text, float* pValues, int nCount, const char* pszReader,
                const std::string& file)
{
    for (int i = 0; i < nCount; i++)
    {
        cursor.SkipBlanks();
        const char* pAfter = FastFloat(cursor.Pos(), cursor.End(), pValues[i]);
        cursor.SetPos(pAfter ? pAfter : ReadOtherFloat(cursor.Pos(), text, pValues[i], pszReader, file));
    }
}

}  // namespace

void CGlmModel::_glmReadMTL(std::string_view name)
{
    static const char* const s_pszReader = "_glmReadMTL()";
    const std::string filename = _glmDirectoryOf(pathname) + std::string(name);
    CObjText file;
    if (!file.Open(filename, true))
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
                cursor.ReadName();
                if (++nMaterials > s_nMaxCount)
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
            const std::string_view materialName = cursor.ReadName();
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
            if (pColour) ReadFloats(cursor, text, pColour, 3, s_pszReader, filename);
            cursor.SkipLine();
            break;
        }
        case 'N':
        {
            float fShininess = 0.0f;
            ReadFloats(cursor, text, &fShininess, 1, s_pszReader, filename);
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

// ArtWriter: the directory layout of the art and the order it is written in.
#include "tools/artgen/ArtWriter.h"

#include "tools/artgen/IconArt.h"    // CIconArt, the icons
#include "tools/artgen/KeyModel.h"   // CKeyModel, the player's key
#include "tools/artgen/MarbleArt.h"  // CMarbleArt, the floor and cube texture
#include "tools/artgen/ShineArt.h"   // CShineArt, the flare sprites
#include "tools/artgen/SgiWriter.h"  // CSgiWriter, the sprites' file format

#include <filesystem>    // create_directories
#include <system_error>  // std::error_code for directory failures
#include <utility>       // std::move

CArtWriter::CArtWriter(std::string strDirectory) : m_strDirectory(std::move(strDirectory)) {}

bool CArtWriter::Fail(const std::string& strWhat)
{
    m_strError = "cannot write " + strWhat;
    return false;
}

bool CArtWriter::WriteAll()
{
    const std::filesystem::path root(m_strDirectory);
    std::error_code error;
    std::filesystem::create_directories(root / "Gfx", error);
    std::filesystem::create_directories(root / "icons", error);
    if (!std::filesystem::is_directory(root / "Gfx") || !std::filesystem::is_directory(root / "icons"))
        return Fail((root / "Gfx").string());

    const std::string strMarble = (root / "Gfx" / "Marbre2.bmp").string();
    if (!CMarbleArt(s_nMarbleSize, 17).SaveBMP(strMarble)) return Fail(strMarble);

    for (int i = 0; i < s_nShineCount; i++)
    {
        const std::string strName = "Shine" + std::to_string(i) + ".bw";
        const std::string strPath = (root / "Gfx" / strName).string();
        const CShineArt shine(s_nShineSize, i);
        if (!CSgiWriter::Save(strPath, shine.GetSamples(), s_nShineSize, s_nShineSize, strName))
            return Fail(strPath);
    }

    CKeyModel key;
    key.Save((root / "cle.obj").string());

    const struct
    {
        CIconArt::EKind kind;
        int nSize;
        const char* pszName;
    } icons[] = {{CIconArt::kApplication, 32, "cubatro32"},
                 {CIconArt::kApplication, 16, "cubatro16"},
                 {CIconArt::kDocument, 32, "document32"},
                 {CIconArt::kDocument, 16, "document16"}};
    for (const auto& icon : icons)
    {
        const std::string strPath = (root / "icons" / (std::string(icon.pszName) + ".xpm")).string();
        if (!CIconArt(icon.kind, icon.nSize).SaveXpm(strPath, std::string(icon.pszName) + "_xpm"))
            return Fail(strPath);
    }
    // The application icon for the desktop's icon theme, at the sizes the theme asks for most.
    for (const int nSize : s_nPngSizes)
    {
        const std::string strPath = (root / "icons" / ("cubatro" + std::to_string(nSize) + ".png")).string();
        if (!CIconArt(CIconArt::kApplication, nSize).SavePng(strPath)) return Fail(strPath);
    }
    return true;
}

// BindTextureTest: the texture bank against real OpenGL, with a BMP file made by ImageMagick.
#include "image/BindTexture.h"

#include "HeadlessGl.h"      // the real-OpenGL fixture
#include "ImageTestTools.h"  // shell, byte helpers

#include <filesystem>  // removing a loaded file
#include <optional>    // the bank, deleted while the context is current

namespace
{

using namespace cubatro::test;
using BindTextureTest = CGlTest;

GLint Integer(GLenum pname)
{
    GLint nValue = -1;
    glGetIntegerv(pname, &nValue);
    return nValue;
}

// Names are compared exactly ("GFX" sorts before "Gfx": releasing the later name passes the other);
// the first request decides RGB or RGBA; the texels are the pixels ImageMagick reads, bottom row
// first, unskewed whatever unpack state the caller set, which is there again afterwards. A file
// that cannot be read is recorded with no texture. The bank deletes what is left, whatever the counts.
TEST_F(BindTextureTest, EachNameIsLoadedOnceIntoAMipmappedTextureAndDeletedWithItsLastReference)
{
    CTempDir dir;
    plat::CDiagnosticsCapture capture;
    ASSERT_TRUE(Shell(dir,
                      "mkdir Gfx && convert -size 2x4 -seed 3 plasma: -type TrueColor bmp3:Gfx/Marbre.bmp && "
                      "convert Gfx/Marbre.bmp -flip -depth 8 rgb:rgb"));
    const Bytes rgb = CTempDir::ReadAll(dir / "rgb");
    Bytes rgba;  // with alpha 9
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
        rgba.insert(rgba.end(), {rgb[i], rgb[i + 1], rgb[i + 2], 9});
    const std::string first = dir.Path().string() + "\\Gfx\\Marbre.bmp",
                      second = dir.Path().string() + "\\GFX\\Marbre.bmp", missing = dir / "missing.bmp";
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // rows of 6 bytes padded to 8 would come out skewed
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 3);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 1);
    std::optional<CBindTexture> bank(std::in_place);  // reset while the context is current
    const GLuint nFirst = bank->GetTexture(first, false, 0);
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), GLint(nFirst)) << "a new load stays bound";
    GLint nMin = 0, nLevel2 = 0;  // 2 × 4, then 1 × 2, then 1 × 1
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &nMin);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 2, GL_TEXTURE_HEIGHT, &nLevel2);
    EXPECT_EQ(std::tuple(nMin, nLevel2), std::tuple(GL_LINEAR_MIPMAP_LINEAR, 1));
    const GLuint nSecond = bank->GetTexture(second, true, 9);
    EXPECT_EQ(std::tuple(Integer(GL_UNPACK_ALIGNMENT), Integer(GL_UNPACK_ROW_LENGTH),
                         Integer(GL_UNPACK_SKIP_PIXELS)),
              std::tuple(1, 3, 1));
    glBindTexture(GL_TEXTURE_2D, 0);
    std::filesystem::remove(dir / "Gfx/Marbre.bmp");  // a name already loaded needs no file
    EXPECT_EQ(bank->GetTexture(first, true, 255), nFirst);
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), 0) << "a name found binds nothing";
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (const auto& [nId, texels] : {std::pair(nFirst, rgb), std::pair(nSecond, rgba)})
    {
        Bytes got(texels.size());
        glBindTexture(GL_TEXTURE_2D, nId);
        glGetTexImage(GL_TEXTURE_2D, 0, nId == nFirst ? GL_RGB : GL_RGBA, GL_UNSIGNED_BYTE, got.data());
        EXPECT_EQ(got, texels) << nId;
    }
    EXPECT_TRUE(bank->GetTexture(missing, true, 9) == 0 && bank->GetTexture(missing, false, 0) == 0);
    EXPECT_EQ(capture.DumpText(), "Nouvelle texture " + first + ". Nouvelle texture " + second +
                                      ". Texture " + first + " deja chargee. Nouvelle texture " + missing +
                                      ". File could not be opened 2\nTexture " + missing + " deja chargee. ");
    EXPECT_EQ(std::tuple(capture.Boxes(), bank->textures.at(missing)->count, glGetError(), nFirst != nSecond),
              std::tuple(Strings{"Unable to open file for reading"}, 2, GL_NO_ERROR, true));
    bank->ReleaseTexture(0xFFFFFFFFu);  // a texture the bank does not hold
    bank->ReleaseTexture(nFirst);
    EXPECT_TRUE(glIsTexture(nFirst) && bank->textures.at(first)->count == 1);
    bank->ReleaseTexture(nFirst);
    EXPECT_TRUE(!glIsTexture(nFirst) && bank->textures.size() == 2) << "deleted with its last reference";
    bank.reset();  // the bank deletes what is left, whatever the counts
    EXPECT_EQ(glIsTexture(nSecond), GL_FALSE);
}

}  // namespace

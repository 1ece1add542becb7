// BindTextureTest: the texture bank against real OpenGL, with BMP files made by ImageMagick.
#include "image/BindTexture.h"

#include "HeadlessGl.h"            // the real-OpenGL fixture
#include "TempDir.h"               // scratch directories and the ImageMagick command line
#include "platform/Diagnostics.h"  // capture of the dump stream, trace and message boxes

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace
{

using Bytes = std::vector<unsigned char>;
using Strings = std::vector<std::string>;

class BindTextureTest : public cubatro::test::CGlTest
{
protected:
    void TearDown() override
    {
        m_bank.reset();  // deletes its textures while the context still exists
        CGlTest::TearDown();
    }
    static unsigned char Sample(int i) { return static_cast<unsigned char>(17 * (i / 3) + 71 * (i % 3) + 5); }
    // The w × h picture of Sample bytes (red, green, blue, top row first) as a 24-bit BMP made by
    // ImageMagick; returns the path.
    std::string MakeBmp(const std::string& name, int nWidth, int nHeight)
    {
        std::string ppm = "P6\n" + std::to_string(nWidth) + " " + std::to_string(nHeight) + "\n255\n";
        for (int i = 0; i < nWidth * nHeight * 3; ++i)
            ppm += char(Sample(i));
        const std::string path = m_dir / name, source = m_dir.Write("source.ppm", ppm);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        EXPECT_EQ(cubatro::test::RunCommand("convert " + source + " -type TrueColor bmp3:" + path), 0);
        return path;
    }
    // The texels OpenGL should hold for that picture: bottom row first, alpha appended.
    static Bytes Expected(int nWidth, int nHeight, bool bAlpha, unsigned char nAlpha = 0)
    {
        Bytes texels;
        for (int y = nHeight - 1; y >= 0; --y)
            for (int i = y * nWidth * 3; i < (y + 1) * nWidth * 3; ++i)
            {
                texels.push_back(Sample(i));
                if (bAlpha && i % 3 == 2) texels.push_back(nAlpha);
            }
        return texels;
    }
    static GLint Level(GLuint nId, int nLevel, GLenum pname)  // binds texture nId
    {
        GLint nValue = -1;
        glBindTexture(GL_TEXTURE_2D, nId);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, nLevel, pname, &nValue);
        return nValue;
    }
    static Bytes Texels(GLuint nId, bool bAlpha)  // level 0, tightly packed RGB or RGBA, bottom row first
    {
        Bytes texels(
            size_t(Level(nId, 0, GL_TEXTURE_WIDTH) * Level(nId, 0, GL_TEXTURE_HEIGHT) * (bAlpha ? 4 : 3)));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, bAlpha ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        return texels;
    }
    static GLint Integer(GLenum pname)
    {
        GLint nValue = -1;
        glGetIntegerv(pname, &nValue);
        return nValue;
    }

    cubatro::test::CTempDir m_dir;
    plat::CDiagnosticsCapture m_capture;
    std::optional<CBindTexture> m_bank{std::in_place};
};

TEST_F(BindTextureTest, EachFileIsLoadedOnceAndDeletedWithItsLastReference)
{
    const std::string name = MakeBmp("Marbre.bmp", 4, 4);
    const GLuint nId = m_bank->GetTexture(name, false, 0);
    ASSERT_NE(nId, 0u);
    EXPECT_EQ(m_capture.DumpText(), "Nouvelle texture " + name + ". ");
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), GLint(nId));  // a new load stays bound

    std::filesystem::remove(name);  // the second request must not need the file
    glBindTexture(GL_TEXTURE_2D, 0);
    m_capture.Clear();
    EXPECT_EQ(m_bank->GetTexture(name, true, 255), nId);
    EXPECT_EQ(m_capture.DumpText(), "Texture " + name + " deja chargee. ");
    EXPECT_EQ(m_capture.Boxes(), Strings{});
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), 0);  // a found name binds nothing
    EXPECT_EQ(m_bank->textures.at(name)->count, 2);

    for (const GLuint nOther : {nId + 1, 0u, 0xFFFFFFFFu})  // textures the bank does not hold
        m_bank->ReleaseTexture(nOther);
    m_bank->ReleaseTexture(nId);
    EXPECT_EQ(std::pair(glIsTexture(nId), m_bank->textures.at(name)->count),
              std::pair(GLboolean(GL_TRUE), 1));
    m_bank->ReleaseTexture(nId);
    EXPECT_EQ(glIsTexture(nId), GL_FALSE);
    EXPECT_TRUE(m_bank->textures.empty());
}

TEST_F(BindTextureTest, NamesDifferingInCaseAreTwoTexturesAndTheBankDeletesAll)
{
    MakeBmp("Gfx/Marbre2.bmp", 2, 2);
    const std::string first = m_dir.Path().string() + "\\Gfx\\Marbre2.bmp",
                      second = m_dir.Path().string() + "\\GFx\\Marbre2.bmp";
    const GLuint nFirst = m_bank->GetTexture(first, false, 0), nSecond = m_bank->GetTexture(second, true, 9);
    m_bank->GetTexture(second, true, 9);
    EXPECT_TRUE(nFirst != 0 && nSecond != 0 && nFirst != nSecond) << nFirst << " " << nSecond;
    EXPECT_EQ(m_capture.DumpText(), "Nouvelle texture " + first + ". Nouvelle texture " + second +
                                        ". Texture " + second + " deja chargee. ");
    m_bank.reset();  // whatever the counts
    EXPECT_EQ(glIsTexture(nFirst) + glIsTexture(nSecond), GL_FALSE);
}

TEST_F(BindTextureTest, UnreadableFileIsRecordedWithNoTexture)
{
    const std::string name = m_dir / "missing.bmp";
    EXPECT_EQ(m_bank->GetTexture(name, true, 128), 0u);
    EXPECT_EQ(m_capture.Boxes(), Strings{"Unable to open file for reading"});
    EXPECT_EQ(m_capture.DumpText(), "Nouvelle texture " + name + ". File could not be opened 2\n");
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), 0);  // nothing generated or bound
    m_capture.Clear();                             // later requests count as already loaded and read nothing
    EXPECT_EQ(m_bank->GetTexture(name, false, 0), 0u);
    EXPECT_EQ(m_capture.DumpText(), "Texture " + name + " deja chargee. ");
    EXPECT_TRUE(m_capture.Boxes().empty());
    EXPECT_EQ(std::pair(m_bank->textures.at(name)->id, m_bank->textures.at(name)->count), std::pair(0u, 2));
}

// The first request decides RGB or RGBA; rows whose bytes are not a multiple of the unpack
// alignment in force come out unskewed, and the caller's unpack state is there afterwards.
TEST_F(BindTextureTest, FirstRequestDecidesTheFormatOfAFullMipmapChainOfUnskewedRows)
{
    const std::tuple<int, int, bool> cases[] = {{1, 2, false},
                                                {8, 1, true}};  // alignment, width, alpha first
    for (const auto& [nAlignment, nWidth, bAlpha] : cases)
    {
        glPixelStorei(GL_UNPACK_ALIGNMENT, nAlignment);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 3);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, 1);
        const std::string name = MakeBmp(std::to_string(nWidth) + ".bmp", nWidth, 4);
        const GLuint nId = m_bank->GetTexture(name, bAlpha, 200);
        EXPECT_EQ(m_bank->GetTexture(name, !bAlpha, 100), nId);
        EXPECT_EQ(std::tuple(Integer(GL_UNPACK_ALIGNMENT), Integer(GL_UNPACK_ROW_LENGTH),
                             Integer(GL_UNPACK_SKIP_PIXELS)),
                  std::tuple(nAlignment, 3, 1));
        EXPECT_EQ(Texels(nId, bAlpha), Expected(nWidth, 4, bAlpha, 200));
        EXPECT_EQ(std::tuple(Level(nId, 0, GL_TEXTURE_ALPHA_SIZE), Level(nId, 0, GL_TEXTURE_RED_SIZE)),
                  std::tuple(bAlpha ? 8 : 0, 8));
        EXPECT_EQ((std::vector<GLint>{Level(nId, 1, GL_TEXTURE_WIDTH), Level(nId, 1, GL_TEXTURE_HEIGHT),
                                      Level(nId, 2, GL_TEXTURE_WIDTH), Level(nId, 2, GL_TEXTURE_HEIGHT)}),
                  (std::vector<GLint>{1, 2, 1, 1}))
            << "down to 1 x 1";
        GLint nMag = 0, nMin = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &nMag);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &nMin);
        EXPECT_EQ(std::tuple(nMag, nMin, glGetError()),
                  std::tuple(GL_LINEAR, GL_LINEAR_MIPMAP_LINEAR, GLenum(GL_NO_ERROR)));
    }
}

// The format follows the block the image holds: a 24-bit image (as after an alpha layer could
// not be added) is built as RGB from rows padded to 4 bytes, a 32-bit one as RGBA.
TEST_F(BindTextureTest, BuildFollowsTheDepthOfTheBlock)
{
    for (const bool bAlpha : {false, true})
    {
        const Bytes packed = Expected(2, 2, bAlpha, 77);
        CTexture image;
        ASSERT_TRUE(image.CreateFromBuffer(packed.data(), 2, 2, bAlpha ? 32 : 24));
        GLuint nId = 0;
        glGenTextures(1, &nId);
        glBindTexture(GL_TEXTURE_2D, nId);
        CBindTexture::BuildMipmaps(image);
        EXPECT_EQ(Level(nId, 0, GL_TEXTURE_ALPHA_SIZE), bAlpha ? 8 : 0);
        EXPECT_EQ(Texels(nId, bAlpha), packed);
        glDeleteTextures(1, &nId);
    }
}

}  // namespace

// BindTextureTest: the texture bank against real OpenGL, with BMP files made by ImageMagick.
#include "image/BindTexture.h"

#include "HeadlessGl.h"            // the real-OpenGL fixture
#include "TempDir.h"               // scratch directories and the ImageMagick command line
#include "platform/Diagnostics.h"  // capture of the dump stream, trace and message boxes

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace
{

using cubatro::test::CTempDir;
using Bytes = std::vector<unsigned char>;
using Strings = std::vector<std::string>;

class BindTextureTest : public cubatro::test::CGlTest
{
protected:
    void SetUp() override
    {
        CGlTest::SetUp();
        m_pBank = std::make_unique<CBindTexture>();
    }
    void TearDown() override
    {
        m_pBank.reset();  // deletes its textures while the context still exists
        CGlTest::TearDown();
    }

    // Writes a w × h picture whose pixels all differ as a 24-bit BMP made by ImageMagick; returns
    // the path. *pRgb gets the picture: red, green, blue, top row first.
    std::string MakeBmp(const std::string& name, int nWidth, int nHeight, Bytes* pRgb = nullptr)
    {
        Bytes rgb;
        for (int i = 0; i < nWidth * nHeight * 3; ++i)
            rgb.push_back(static_cast<unsigned char>(17 * (i / 3) + 71 * (i % 3) + 5));
        std::string ppm = "P6\n" + std::to_string(nWidth) + " " + std::to_string(nHeight) + "\n255\n";
        ppm.append(rgb.begin(), rgb.end());
        const std::string source = m_dir.Write("source.ppm", ppm), path = m_dir / name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::string output;
        EXPECT_EQ(cubatro::test::RunCommand("convert " + source + " -type TrueColor bmp3:" + path, &output),
                  0)
            << output;
        if (pRgb) *pRgb = rgb;
        return path;
    }

    // The texels OpenGL should hold for rgb (top row first): bottom row first, alpha appended.
    static Bytes Expected(const Bytes& rgb, int nWidth, int nHeight, bool bAlpha, unsigned char nAlpha = 0)
    {
        Bytes texels;
        for (int y = nHeight - 1; y >= 0; --y)
            for (int x = 0; x < nWidth; ++x)
            {
                const auto pAt = rgb.begin() + (long(y) * nWidth + x) * 3;
                texels.insert(texels.end(), pAt, pAt + 3);
                if (bAlpha) texels.push_back(nAlpha);
            }
        return texels;
    }

    static GLint Level(GLuint nId, int nLevel, GLenum pname)
    {
        glBindTexture(GL_TEXTURE_2D, nId);
        GLint nValue = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, nLevel, pname, &nValue);
        return nValue;
    }

    // Level 0 of texture nId as tightly packed RGB or RGBA bytes, bottom row first.
    static Bytes Texels(GLuint nId, bool bAlpha)
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

    CTempDir m_dir;
    plat::CDiagnosticsCapture m_capture;
    std::unique_ptr<CBindTexture> m_pBank;
};

TEST_F(BindTextureTest, EachFileIsLoadedOnceAndDeletedWithItsLastReference)
{
    const std::string name = MakeBmp("Marbre.bmp", 4, 4);
    const GLuint nId = m_pBank->GetTexture(name, false, 0);
    ASSERT_NE(nId, 0u);
    EXPECT_EQ(m_capture.DumpText(), "Nouvelle texture " + name + ". ");
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), GLint(nId));  // a new load stays bound

    std::filesystem::remove(name);  // the second request must not need the file
    glBindTexture(GL_TEXTURE_2D, 0);
    m_capture.Clear();
    EXPECT_EQ(m_pBank->GetTexture(name, true, 255), nId);
    EXPECT_EQ(m_capture.DumpText(), "Texture " + name + " deja chargee. ");
    EXPECT_EQ(m_capture.Boxes(), Strings{});
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), 0);  // a found name binds nothing
    EXPECT_EQ(m_pBank->textures.at(name)->count, 2);

    for (const GLuint nOther : {nId + 1, 0u, 0xFFFFFFFFu})  // textures the bank does not hold
        m_pBank->ReleaseTexture(nOther);
    m_pBank->ReleaseTexture(nId);
    EXPECT_EQ(glIsTexture(nId), GL_TRUE);
    EXPECT_EQ(m_pBank->textures.at(name)->count, 1);
    m_pBank->ReleaseTexture(nId);
    EXPECT_EQ(glIsTexture(nId), GL_FALSE);
    EXPECT_TRUE(m_pBank->textures.empty());
}

TEST_F(BindTextureTest, NamesDifferingInCaseAreTwoTexturesAndTheBankDeletesAll)
{
    MakeBmp("Gfx/Marbre2.bmp", 2, 2);
    const std::string first = m_dir.Path().string() + "\\Gfx\\Marbre2.bmp",
                      second = m_dir.Path().string() + "\\GFx\\Marbre2.bmp";
    const GLuint nFirst = m_pBank->GetTexture(first, false, 0),
                 nSecond = m_pBank->GetTexture(second, true, 9);
    m_pBank->GetTexture(second, true, 9);
    EXPECT_NE(nFirst, 0u);
    EXPECT_NE(nSecond, 0u);
    EXPECT_NE(nFirst, nSecond);
    EXPECT_EQ(m_capture.DumpText(), "Nouvelle texture " + first + ". Nouvelle texture " + second +
                                        ". Texture " + second + " deja chargee. ");
    m_pBank.reset();  // whatever the counts
    EXPECT_EQ(glIsTexture(nFirst), GL_FALSE);
    EXPECT_EQ(glIsTexture(nSecond), GL_FALSE);
}

TEST_F(BindTextureTest, UnreadableFileIsRecordedWithNoTexture)
{
    const std::string name = m_dir / "missing.bmp";
    EXPECT_EQ(m_pBank->GetTexture(name, true, 128), 0u);
    EXPECT_EQ(m_capture.Boxes(), Strings{"Unable to open file for reading"});
    EXPECT_EQ(m_capture.DumpText(), "Nouvelle texture " + name + ". File could not be opened 2\n");
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), 0);  // nothing generated or bound
    ASSERT_EQ(m_pBank->textures.count(name), 1u);
    EXPECT_EQ(m_pBank->textures.at(name)->id, 0u);

    m_capture.Clear();  // later requests count as already loaded and read nothing
    EXPECT_EQ(m_pBank->GetTexture(name, false, 0), 0u);
    EXPECT_EQ(m_capture.DumpText(), "Texture " + name + " deja chargee. ");
    EXPECT_TRUE(m_capture.Boxes().empty());
    EXPECT_EQ(m_pBank->textures.at(name)->count, 2);
}

TEST_F(BindTextureTest, FirstRequestDecidesRgbOrRgbaOfAFullMipmapChain)
{
    for (const auto& [bFirst, bSecond] : {std::pair{false, true}, std::pair{true, false}})
    {
        Bytes rgb;
        const std::string name = MakeBmp(bFirst ? "rgba.bmp" : "rgb.bmp", 8, 4, &rgb);
        const GLuint nId = m_pBank->GetTexture(name, bFirst, 200);
        EXPECT_EQ(m_pBank->GetTexture(name, bSecond, 100), nId);
        EXPECT_EQ(Level(nId, 0, GL_TEXTURE_ALPHA_SIZE), bFirst ? 8 : 0);
        EXPECT_EQ(Level(nId, 0, GL_TEXTURE_RED_SIZE), 8);
        EXPECT_EQ(Texels(nId, bFirst), Expected(rgb, 8, 4, bFirst, 200));
        const int sizes[][2] = {{8, 4}, {4, 2}, {2, 1}, {1, 1}};  // down to 1 × 1, with linear filters
        for (int nLevel = 0; nLevel < 4; ++nLevel)
            EXPECT_EQ(std::tuple(Level(nId, nLevel, GL_TEXTURE_WIDTH), Level(nId, nLevel, GL_TEXTURE_HEIGHT)),
                      std::tuple(sizes[nLevel][0], sizes[nLevel][1]));
        GLint nMag = 0, nMin = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &nMag);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &nMin);
        EXPECT_EQ(std::tuple(nMag, nMin), std::tuple(GL_LINEAR, GL_LINEAR_MIPMAP_LINEAR));
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
}

// Rows whose bytes are not a multiple of the alignment in force: no skew, and the unpack state
// the caller set is there afterwards.
TEST_F(BindTextureTest, RowsAreNotSkewedAndTheUnpackStateIsKept)
{
    const std::tuple<int, int, int> cases[] = {{1, 2, 4}, {8, 1, 4}, {4, 16, 8}};  // alignment, width, height
    for (const auto& [nAlignment, nWidth, nHeight] : cases)
    {
        glPixelStorei(GL_UNPACK_ALIGNMENT, nAlignment);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 3);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, 1);
        Bytes rgb;
        const GLuint nId = m_pBank->GetTexture(
            MakeBmp(std::to_string(nAlignment) + ".bmp", nWidth, nHeight, &rgb), false, 0);
        EXPECT_EQ(std::tuple(Integer(GL_UNPACK_ALIGNMENT), Integer(GL_UNPACK_ROW_LENGTH),
                             Integer(GL_UNPACK_SKIP_PIXELS)),
                  std::tuple(nAlignment, 3, 1));
        EXPECT_EQ(Texels(nId, false), Expected(rgb, nWidth, nHeight, false)) << nAlignment;
    }
}

// The format follows the block the image holds: a 24-bit image (as after an alpha layer could
// not be added) is built as RGB, a 32-bit one as RGBA.
TEST_F(BindTextureTest, BuildFollowsTheDepthOfTheBlock)
{
    const Bytes rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    for (const bool bAlpha : {false, true})
    {
        Bytes packed;
        for (size_t i = 0; i < rgb.size(); i += 3)
        {
            packed.insert(packed.end(), rgb.begin() + long(i), rgb.begin() + long(i) + 3);
            if (bAlpha) packed.push_back(77);
        }
        CTexture image;
        ASSERT_TRUE(image.CreateFromBuffer(packed.data(), 2, 2, bAlpha ? 32 : 24));
        GLuint nId = 0;
        glGenTextures(1, &nId);
        glBindTexture(GL_TEXTURE_2D, nId);
        CBindTexture::BuildMipmaps(image);
        EXPECT_EQ(Level(nId, 0, GL_TEXTURE_ALPHA_SIZE), bAlpha ? 8 : 0);
        EXPECT_EQ(Texels(nId, bAlpha), packed) << "24-bit rows of 6 bytes padded to 8 come back packed";
        glDeleteTextures(1, &nId);
    }
}

}  // namespace

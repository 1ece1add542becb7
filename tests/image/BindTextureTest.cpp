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

using cubatro::test::CGlTest;
using cubatro::test::CTempDir;
using cubatro::test::RunCommand;
using Bytes = std::vector<unsigned char>;

class BindTextureTest : public CGlTest
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

    // A picture whose pixels all differ: RGB, top row first.
    static Bytes Picture(int nWidth, int nHeight)
    {
        Bytes rgb;
        for (int i = 0; i < nWidth * nHeight; ++i)
            for (int c = 0; c < 3; ++c)
                rgb.push_back(static_cast<unsigned char>(17 * i + 71 * c + 5));
        return rgb;
    }

    // Writes `rgb` (top row first) as a 24-bit BMP made by ImageMagick; returns the path.
    std::string MakeBmp(const std::string& name, int nWidth, int nHeight, const Bytes& rgb)
    {
        std::string ppm = "P6\n" + std::to_string(nWidth) + " " + std::to_string(nHeight) + "\n255\n";
        ppm.append(rgb.begin(), rgb.end());
        const std::string source = m_dir.Write("source.ppm", ppm);
        const std::string path = m_dir / name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::string output;
        EXPECT_EQ(RunCommand("convert " + source + " -type TrueColor bmp3:" + path, &output), 0) << output;
        return path;
    }

    std::string MakeBmp(const std::string& name, int nWidth, int nHeight)
    {
        return MakeBmp(name, nWidth, nHeight, Picture(nWidth, nHeight));
    }

    // The texels OpenGL expects from `rgb` (top row first): bottom row first, nComponents each,
    // with `nAlpha` as the fourth component.
    static Bytes Expected(const Bytes& rgb, int nWidth, int nHeight, int nComponents,
                          unsigned char nAlpha = 0)
    {
        Bytes texels;
        for (int y = nHeight - 1; y >= 0; --y)
            for (int x = 0; x < nWidth; ++x)
            {
                const size_t nAt = (static_cast<size_t>(y) * nWidth + x) * 3;
                texels.insert(texels.end(), rgb.begin() + static_cast<long>(nAt),
                              rgb.begin() + static_cast<long>(nAt + 3));
                if (nComponents == 4) texels.push_back(nAlpha);
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

    // Level 0 of texture nId as tightly packed bytes of `format`, bottom row first.
    static Bytes Texels(GLuint nId, GLenum format)
    {
        const GLint nWidth = Level(nId, 0, GL_TEXTURE_WIDTH), nHeight = Level(nId, 0, GL_TEXTURE_HEIGHT);
        Bytes texels(static_cast<size_t>(nWidth) * nHeight * (format == GL_RGBA ? 4 : 3));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, texels.data());
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

// --- loading once, counting references ---------------------------------------------------------

TEST_F(BindTextureTest, SecondRequestGetsTheSameTextureWithoutReadingTheFile)
{
    const std::string name = MakeBmp("Marbre.bmp", 4, 4);
    const GLuint nId = m_pBank->GetTexture(name, false, 0);
    ASSERT_NE(nId, 0u);
    EXPECT_EQ(m_capture.DumpText(), "Nouvelle texture " + name + ". ");
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(nId));  // a new load stays bound

    std::filesystem::remove(name);  // the second request must not need the file
    glBindTexture(GL_TEXTURE_2D, 0);
    m_capture.Clear();
    EXPECT_EQ(m_pBank->GetTexture(name, true, 255), nId);
    EXPECT_EQ(m_capture.DumpText(), "Texture " + name + " deja chargee. ");
    EXPECT_EQ(m_capture.Boxes(), std::vector<std::string>{});
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), 0);  // a found name binds nothing
    ASSERT_EQ(m_pBank->textures.count(name), 1u);
    EXPECT_EQ(m_pBank->textures.at(name)->count, 2);
}

TEST_F(BindTextureTest, DumpLinesArriveAsThreePieces)
{
    std::vector<std::string> pieces;
    const std::string name = MakeBmp("a.bmp", 2, 2);
    plat::TextSink previous =
        plat::SetDumpSink([&pieces](std::string_view piece) { pieces.emplace_back(piece); });
    m_pBank->GetTexture(name, false, 0);
    m_pBank->GetTexture(name, false, 0);
    plat::SetDumpSink(std::move(previous));
    EXPECT_EQ(pieces, (std::vector<std::string>{"Nouvelle texture ", name, ". ", "Texture ", name,
                                                " deja chargee. "}));
}

TEST_F(BindTextureTest, LastReleaseDeletesTheTexture)
{
    const std::string name = MakeBmp("b.bmp", 4, 2);
    const GLuint nId = m_pBank->GetTexture(name, false, 0);
    m_pBank->GetTexture(name, false, 0);

    m_pBank->ReleaseTexture(nId);
    EXPECT_EQ(glIsTexture(nId), GL_TRUE);
    EXPECT_EQ(m_pBank->textures.at(name)->count, 1);

    m_pBank->ReleaseTexture(nId);
    EXPECT_EQ(glIsTexture(nId), GL_FALSE);
    EXPECT_TRUE(m_pBank->textures.empty());

    m_capture.Clear();  // an absent name is loaded afresh
    const GLuint nAgain = m_pBank->GetTexture(name, false, 0);
    EXPECT_EQ(glIsTexture(nAgain), GL_TRUE);
    EXPECT_EQ(m_capture.DumpText(), "Nouvelle texture " + name + ". ");
}

TEST_F(BindTextureTest, ReleaseOfAnUnknownTextureChangesNothing)
{
    const GLuint nId = m_pBank->GetTexture(MakeBmp("c.bmp", 2, 2), false, 0);
    for (const GLuint nOther : {nId + 1, 0u, 0xFFFFFFFFu})
        m_pBank->ReleaseTexture(nOther);
    ASSERT_EQ(m_pBank->textures.size(), 1u);
    EXPECT_EQ(m_pBank->textures.begin()->second->count, 1);
    EXPECT_EQ(glIsTexture(nId), GL_TRUE);
}

TEST_F(BindTextureTest, NamesDifferingInCaseAreTwoTextures)
{
    MakeBmp("Gfx/Marbre2.bmp", 2, 2);
    const std::string root = m_dir.Path().string();
    const GLuint nFirst = m_pBank->GetTexture(root + "\\Gfx\\Marbre2.bmp", false, 0);
    const GLuint nSecond = m_pBank->GetTexture(root + "\\GFx\\Marbre2.bmp", false, 0);
    EXPECT_NE(nFirst, 0u);
    EXPECT_NE(nSecond, 0u);
    EXPECT_NE(nFirst, nSecond);
    EXPECT_EQ(m_pBank->textures.size(), 2u);
    EXPECT_EQ(m_capture.DumpText(), "Nouvelle texture " + root + "\\Gfx\\Marbre2.bmp. Nouvelle texture " +
                                        root + "\\GFx\\Marbre2.bmp. ");
}

TEST_F(BindTextureTest, DestructorDeletesEveryTextureWhateverItsCount)
{
    const GLuint nA = m_pBank->GetTexture(MakeBmp("d.bmp", 2, 2), false, 0);
    const GLuint nB = m_pBank->GetTexture(MakeBmp("e.bmp", 2, 2), true, 9);
    m_pBank->GetTexture(m_dir / "e.bmp", true, 9);
    m_pBank.reset();
    EXPECT_EQ(glIsTexture(nA), GL_FALSE);
    EXPECT_EQ(glIsTexture(nB), GL_FALSE);
}

TEST_F(BindTextureTest, TheProgramHasOneGlobalBank)
{
    const std::string name = MakeBmp("global.bmp", 2, 2);
    const GLuint nId = theBindTexture.GetTexture(name, false, 0);
    EXPECT_EQ(glIsTexture(nId), GL_TRUE);
    EXPECT_EQ(theBindTexture.GetTexture(name, false, 0), nId);
    theBindTexture.ReleaseTexture(nId);
    theBindTexture.ReleaseTexture(nId);
    EXPECT_EQ(glIsTexture(nId), GL_FALSE);
    EXPECT_TRUE(theBindTexture.textures.empty());
}

// --- a file that cannot be read ---------------------------------------------------------------

TEST_F(BindTextureTest, UnreadableFileIsRecordedWithNoTexture)
{
    const std::string name = m_dir / "missing.bmp";
    EXPECT_EQ(m_pBank->GetTexture(name, true, 128), 0u);
    EXPECT_EQ(m_capture.Boxes(), std::vector<std::string>{"Unable to open file for reading"});
    EXPECT_NE(m_capture.TraceText().find("\nInvalid texture\nWidth  : 0\nHeight : 0\nDepth  : 0\n"),
              std::string::npos)
        << m_capture.TraceText();
    EXPECT_EQ(m_capture.DumpText().rfind("Nouvelle texture " + name + ". ", 0), 0u) << m_capture.DumpText();
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), 0);  // nothing generated or bound
    ASSERT_EQ(m_pBank->textures.count(name), 1u);
    EXPECT_EQ(m_pBank->textures.at(name)->id, 0u);
    EXPECT_EQ(m_pBank->textures.at(name)->count, 1);

    m_capture.Clear();  // later requests count as already loaded and read nothing
    EXPECT_EQ(m_pBank->GetTexture(name, false, 0), 0u);
    EXPECT_EQ(m_capture.DumpText(), "Texture " + name + " deja chargee. ");
    EXPECT_TRUE(m_capture.Boxes().empty());
    EXPECT_EQ(m_pBank->textures.at(name)->count, 2);
}

// --- formats, levels and pixels -----------------------------------------------------------------

// (alpha on the first request, alpha on the second, components expected)
using SFormatCase = std::tuple<bool, bool, int>;

class BindTextureFormatTest : public BindTextureTest, public ::testing::WithParamInterface<SFormatCase>
{
};

TEST_P(BindTextureFormatTest, FirstRequestDecidesRgbOrRgba)
{
    const auto [bFirst, bSecond, nComponents] = GetParam();
    const Bytes rgb = Picture(8, 4);
    const std::string name = MakeBmp("f.bmp", 8, 4, rgb);
    const GLuint nId = m_pBank->GetTexture(name, bFirst, 200);
    EXPECT_EQ(m_pBank->GetTexture(name, bSecond, 100), nId);

    EXPECT_EQ(Level(nId, 0, GL_TEXTURE_ALPHA_SIZE), nComponents == 4 ? 8 : 0);
    EXPECT_EQ(Level(nId, 0, GL_TEXTURE_RED_SIZE), 8);
    EXPECT_EQ(Texels(nId, nComponents == 4 ? GL_RGBA : GL_RGB), Expected(rgb, 8, 4, nComponents, 200));

    // A full mipmap chain down to 1 × 1, with linear filters.
    const std::vector<std::pair<int, int>> sizes = {{8, 4}, {4, 2}, {2, 1}, {1, 1}};
    for (size_t nLevel = 0; nLevel < sizes.size(); ++nLevel)
    {
        EXPECT_EQ(Level(nId, static_cast<int>(nLevel), GL_TEXTURE_WIDTH), sizes[nLevel].first) << nLevel;
        EXPECT_EQ(Level(nId, static_cast<int>(nLevel), GL_TEXTURE_HEIGHT), sizes[nLevel].second) << nLevel;
    }
    GLint nMag = 0, nMin = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &nMag);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &nMin);
    EXPECT_EQ(nMag, GL_LINEAR);
    EXPECT_EQ(nMin, GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

INSTANTIATE_TEST_SUITE_P(Requests, BindTextureFormatTest,
                         ::testing::Values(SFormatCase{false, false, 3}, SFormatCase{false, true, 3},
                                           SFormatCase{true, true, 4}, SFormatCase{true, false, 4}));

TEST_F(BindTextureTest, SizesThatAreNotPowersOfTwoAreAccepted)
{
    for (const auto& [nWidth, nHeight] : std::vector<std::pair<int, int>>{{5, 3}, {3, 17}, {100, 1}})
    {
        const std::string name = MakeBmp("npot" + std::to_string(nWidth) + ".bmp", nWidth, nHeight);
        const GLuint nId = m_pBank->GetTexture(name, false, 0);
        ASSERT_EQ(glIsTexture(nId), GL_TRUE) << name;
        const GLint nLevelWidth = Level(nId, 0, GL_TEXTURE_WIDTH),
                    nLevelHeight = Level(nId, 0, GL_TEXTURE_HEIGHT);
        EXPECT_GT(nLevelWidth, 0);
        EXPECT_GT(nLevelHeight, 0);
        EXPECT_EQ(nLevelWidth & (nLevelWidth - 1), 0) << nLevelWidth;  // scaled to a power of two
        EXPECT_EQ(nLevelHeight & (nLevelHeight - 1), 0) << nLevelHeight;
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

// --- unpack state ---------------------------------------------------------------------------

// (unpack alignment in force before the load, width, height)
using SAlignmentCase = std::tuple<int, int, int>;

class BindTextureAlignmentTest : public BindTextureTest, public ::testing::WithParamInterface<SAlignmentCase>
{
};

TEST_P(BindTextureAlignmentTest, RowsAreNotSkewedAndTheUnpackStateIsKept)
{
    const auto [nAlignment, nWidth, nHeight] = GetParam();
    glPixelStorei(GL_UNPACK_ALIGNMENT, nAlignment);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 3);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 1);
    const Bytes rgb = Picture(nWidth, nHeight);
    const GLuint nId = m_pBank->GetTexture(MakeBmp("g.bmp", nWidth, nHeight, rgb), false, 0);
    EXPECT_EQ(Integer(GL_UNPACK_ALIGNMENT), nAlignment);
    EXPECT_EQ(Integer(GL_UNPACK_ROW_LENGTH), 3);
    EXPECT_EQ(Integer(GL_UNPACK_SKIP_PIXELS), 1);
    EXPECT_EQ(Texels(nId, GL_RGB), Expected(rgb, nWidth, nHeight, 3));
}

INSTANTIATE_TEST_SUITE_P(Rows, BindTextureAlignmentTest,
                         ::testing::Values(SAlignmentCase{1, 2, 4}, SAlignmentCase{1, 1, 2},
                                           SAlignmentCase{2, 2, 2}, SAlignmentCase{8, 1, 4},
                                           SAlignmentCase{4, 16, 8}));

// The format follows the block the image holds: a 24-bit image (as after an alpha layer could
// not be added) is built as RGB, a 32-bit one as RGBA.
TEST_F(BindTextureTest, BuildFollowsTheDepthOfTheBlock)
{
    const Bytes rgb = Picture(2, 2);
    for (const int nDepth : {24, 32})
    {
        Bytes packed;
        for (size_t i = 0; i < 4; ++i)
        {
            packed.insert(packed.end(), rgb.begin() + static_cast<long>(3 * i),
                          rgb.begin() + static_cast<long>(3 * i + 3));
            if (nDepth == 32) packed.push_back(77);
        }
        CTexture image;
        ASSERT_TRUE(image.CreateFromBuffer(packed.data(), 2, 2, nDepth));
        GLuint nId = 0;
        glGenTextures(1, &nId);
        glBindTexture(GL_TEXTURE_2D, nId);
        CBindTexture::BuildMipmaps(image);
        EXPECT_EQ(Level(nId, 0, GL_TEXTURE_ALPHA_SIZE), nDepth == 32 ? 8 : 0) << nDepth;
        Bytes expected = packed;
        if (nDepth == 24)  // block rows of 6 bytes padded to 8: read back packed
            expected = rgb;
        EXPECT_EQ(Texels(nId, nDepth == 32 ? GL_RGBA : GL_RGB), expected) << nDepth;
        glDeleteTextures(1, &nId);
    }
}

}  // namespace

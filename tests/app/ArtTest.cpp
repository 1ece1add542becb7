// ArtTest: the generated art, read back by the game's own readers and by other tools.
#include "ArtFixture.h"  // GeneratedArt, the art under test
#include "TempDir.h"     // CTempDir, RunCommand

#include "image/Sgi.h"               // SgiReadLuminance, the flare's reader
#include "image/Texture.h"           // CTexture, the marble's reader
#include "model/GlmModel.h"          // CGlmModel, the key's reader
#include "platform/Diagnostics.h"    // CDiagnosticsCapture keeps the readers' traces quiet
#include "tools/artgen/IconArt.h"    // CIconArt
#include "tools/artgen/KeyModel.h"   // CKeyModel
#include "tools/artgen/SgiWriter.h"  // CSgiWriter
#include "tools/artgen/ShineArt.h"   // CShineArt

#include <gtest/gtest.h>

#include <cmath>    // std::abs
#include <fstream>  // std::ifstream for file bytes
#include <string>
#include <vector>

using cubatro::test::CTempDir;
using cubatro::test::GeneratedArt;
using cubatro::test::RunCommand;

namespace
{
std::string Art(const std::string& name)
{
    return (GeneratedArt() / name).string();
}

// Grey level of every pixel of an image as another tool decodes it, top row first.
std::vector<unsigned char> DecodeGrey(const std::string& source, int* pnWidth, int* pnHeight)
{
    std::string size;
    if (RunCommand("identify -format '%w %h' '" + source + "'", &size) != 0) return {};
    if (std::sscanf(size.c_str(), "%d %d", pnWidth, pnHeight) != 2) return {};
    CTempDir dir;
    const std::string out = dir / "grey.gray";
    if (RunCommand("convert '" + source + "' -depth 8 gray:'" + out + "'") != 0) return {};
    return CTempDir::ReadAll(out);
}
}  // namespace

// --- the marble ---------------------------------------------------------------------------

class MarbleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        plat::CDiagnosticsCapture capture;
        ASSERT_TRUE(m_texture.ReadFileBMP(Art("Gfx/Marbre2.bmp")));
    }
    // Brightness 0..765 of pixel (x, y).
    int Sum(int x, int y) const
    {
        const unsigned char* p = m_texture.GetData() + size_t(m_texture.GetWidthByte32()) * y + size_t(x) * 3;
        return p[0] + p[1] + p[2];
    }
    CTexture m_texture;
};

TEST_F(MarbleTest, TwentyFourBitsPowerOfTwo)
{
    EXPECT_EQ(m_texture.GetDepth(), 24u);
    EXPECT_EQ(m_texture.GetWidth(), 256);
    EXPECT_EQ(m_texture.GetHeight(), 256);
    std::string out;
    ASSERT_EQ(RunCommand("identify -format '%w %h %[channels] %z' '" + Art("Gfx/Marbre2.bmp") + "'", &out),
              0);
    EXPECT_EQ(out, "256 256 srgb 8");
}

TEST_F(MarbleTest, PaleStoneWithDarkVeins)
{
    const int n = m_texture.GetWidth();
    int nPale = 0, nVein = 0;
    long nSaturation = 0;
    for (int y = 0; y < n; y++)
        for (int x = 0; x < n; x++)
        {
            const int s = Sum(x, y);
            nPale += s > 3 * 200;
            nVein += s < 3 * 150;
            const unsigned char* p =
                m_texture.GetData() + size_t(m_texture.GetWidthByte32()) * y + size_t(x) * 3;
            nSaturation += std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]});
        }
    const double dPixels = double(n) * n;
    EXPECT_GT(nPale / dPixels, 0.5);         // mostly pale stone
    EXPECT_GT(nVein / dPixels, 0.01);        // veins are there ...
    EXPECT_LT(nVein / dPixels, 0.15);        // ... and thin
    EXPECT_LT(nSaturation / dPixels, 20.0);  // stone greys, no bright colours
}

TEST_F(MarbleTest, TilesWithoutSeams)
{
    // The step across the wrap (last column to first) is no larger than a step inside.
    const int n = m_texture.GetWidth();
    long nInside = 0, nAcrossColumns = 0, nAcrossRows = 0;
    for (int i = 0; i < n; i++)
    {
        nInside += std::abs(Sum(n / 2, i) - Sum(n / 2 + 1, i));
        nAcrossColumns += std::abs(Sum(n - 1, i) - Sum(0, i));
        nAcrossRows += std::abs(Sum(i, n - 1) - Sum(i, 0));
    }
    EXPECT_LT(nAcrossColumns, 2 * nInside + 2000);
    EXPECT_LT(nAcrossRows, 2 * nInside + 2000);
}

// --- the flare sprites --------------------------------------------------------------------

class ShineTest : public ::testing::TestWithParam<int>
{
protected:
    std::string Name() const { return Art("Gfx/Shine" + std::to_string(GetParam()) + ".bw"); }
};

TEST_P(ShineTest, RunLengthSingleChannelReadByUsAndByImageMagick)
{
    std::ifstream in(Name(), std::ios::binary);
    unsigned char header[12] = {};
    in.read(reinterpret_cast<char*>(header), sizeof header);
    EXPECT_EQ(header[0] * 256 + header[1], 474);  // magic
    EXPECT_EQ(header[2], 1);                      // run-length storage
    EXPECT_EQ(header[3], 1);                      // one byte per sample
    EXPECT_EQ(header[10] * 256 + header[11], 1);  // one channel

    int w = 0, h = 0, c = 0;
    SgiPixels pixels(SgiReadLuminance(Name(), w, h, c));
    ASSERT_TRUE(pixels);
    ASSERT_EQ(w, 128);
    ASSERT_EQ(h, 128);
    int wTool = 0, hTool = 0;
    const std::vector<unsigned char> vTool = DecodeGrey("sgi:" + Name(), &wTool, &hTool);
    ASSERT_EQ(vTool.size(), size_t(w) * h);
    // ImageMagick gives the top row first; the file stores the bottom row first.
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            ASSERT_EQ(pixels[size_t(y) * w + x], vTool[size_t(h - 1 - y) * w + x]) << x << "," << y;
}

TEST_P(ShineTest, BrightCoreDarkBorder)
{
    const CShineArt shine(128, GetParam());
    EXPECT_EQ(shine.At(64, 64), 255);
    for (int i = 0; i < 128; i++)
    {
        ASSERT_EQ(shine.At(i, 0), 0);
        ASSERT_EQ(shine.At(0, i), 0);
        ASSERT_EQ(shine.At(i, 127), 0);
        ASSERT_EQ(shine.At(127, i), 0);
    }
}

TEST_P(ShineTest, RaysDifferFromTheNextSprite)
{
    const CShineArt a(128, GetParam());
    const CShineArt b(128, (GetParam() + 1) % 10);
    // On a ring a third of the way out, where only rays are bright, the two sprites disagree.
    int nDiffer = 0, nBright = 0;
    for (int k = 0; k < 360; k++)
    {
        const int x = 64 + int(std::lround(20 * std::cos(k * 3.14159265 / 180)));
        const int y = 64 + int(std::lround(20 * std::sin(k * 3.14159265 / 180)));
        nDiffer += std::abs(a.At(x, y) - b.At(x, y)) > 40;
        nBright += a.At(x, y) > 70;
    }
    EXPECT_GT(nDiffer, 10);
    EXPECT_GT(nBright, 5);    // thin rays ...
    EXPECT_LT(nBright, 180);  // ... not a filled disc
}

INSTANTIATE_TEST_SUITE_P(EverySprite, ShineTest, ::testing::Range(0, 10));

// --- the run-length encoder ---------------------------------------------------------------

struct SRowCase
{
    const char* pszName;
    std::vector<uint8_t> vRow;
    size_t nMaxPackets;  // upper bound of the encoded size, closing zero included
};

class SgiRowTest : public ::testing::TestWithParam<SRowCase>
{
};

TEST_P(SgiRowTest, DecodesToTheRowByOurReader)
{
    const std::vector<uint8_t>& vRow = GetParam().vRow;
    const std::vector<uint8_t> vPackets = CSgiWriter::EncodeRow(vRow.data(), int(vRow.size()));
    EXPECT_EQ(vPackets.back(), 0);
    EXPECT_LE(vPackets.size(), GetParam().nMaxPackets);

    CTempDir dir;
    const int w = int(vRow.size());
    std::vector<uint8_t> vImage;
    for (int y = 0; y < 3; y++)
        vImage.insert(vImage.end(), vRow.begin(), vRow.end());
    ASSERT_TRUE(CSgiWriter::Save(dir / "row.bw", vImage, w, 3, "row"));
    int nw = 0, nh = 0, nc = 0;
    SgiPixels pixels(SgiReadLuminance(dir / "row.bw", nw, nh, nc));
    ASSERT_TRUE(pixels);
    ASSERT_EQ(nw, w);
    ASSERT_EQ(nh, 3);
    EXPECT_EQ(std::vector<uint8_t>(pixels.get(), pixels.get() + vImage.size()), vImage);
}

std::vector<uint8_t> Ramp(int n)
{
    std::vector<uint8_t> v;
    for (int i = 0; i < n; i++)
        v.push_back(uint8_t(i * 7));
    return v;
}

INSTANTIATE_TEST_SUITE_P(Rows, SgiRowTest,
                         ::testing::Values(SRowCase{"OneSample", {9}, 3},
                                           SRowCase{"AllEqual", std::vector<uint8_t>(100, 5), 3},
                                           SRowCase{"LongerThanOnePacket", std::vector<uint8_t>(300, 7), 7},
                                           SRowCase{"AllDifferent", Ramp(200), 204},
                                           SRowCase{"PairsStayLiteral", {1, 1, 2, 2, 3, 3}, 8},
                                           SRowCase{"RunInsideLiterals", {1, 2, 3, 3, 3, 3, 4, 5}, 9}),
                         [](const ::testing::TestParamInfo<SRowCase>& p)
                         { return std::string(p.param.pszName); });

TEST(SgiWriterTest, RefusesBadSizes)
{
    CTempDir dir;
    EXPECT_FALSE(CSgiWriter::Save(dir / "a.bw", {}, 0, 0, "a"));
    EXPECT_FALSE(CSgiWriter::Save(dir / "b.bw", std::vector<uint8_t>(4), 3, 1, "b"));  // wrong count
    EXPECT_FALSE(CSgiWriter::Save(dir / "c.bw", std::vector<uint8_t>(70000), 70000, 1, "c"));
}

// --- the key ------------------------------------------------------------------------------

TEST(KeyModelTest, ReadBackWithItsMaterials)
{
    testing::internal::CaptureStdout();
    CGlmModel model;
    model.glmReadOBJ(Art("cle.obj"));
    testing::internal::GetCapturedStdout();
    EXPECT_GE(model.numtriangles, 500u);
    EXPECT_LE(model.numtriangles, 3000u);
    const auto brass = std::find_if(model.materials.begin(), model.materials.end(),
                                    [](const GlmMaterial& m) { return m.name == "laiton"; });
    ASSERT_NE(brass, model.materials.end());
    EXPECT_FLOAT_EQ(brass->diffuse[0], 0.8f);
    EXPECT_FLOAT_EQ(brass->diffuse[2], 0.22f);
    std::vector<std::string> vGroups;
    for (const GlmGroup* g = model.groups.get(); g; g = g->next.get())
        vGroups.push_back(g->name);
    EXPECT_NE(std::find(vGroups.begin(), vGroups.end(), "anneau"), vGroups.end());
    EXPECT_NE(std::find(vGroups.begin(), vGroups.end(), "tige"), vGroups.end());
    EXPECT_NE(std::find(vGroups.begin(), vGroups.end(), "panneton"), vGroups.end());
}

TEST(KeyModelTest, ReadByAnotherTool)
{
    std::string out;
    ASSERT_EQ(RunCommand("assimp info '" + Art("cle.obj") + "'", &out), 0) << out;
    const CKeyModel key;
    EXPECT_NE(out.find(std::to_string(key.Model().numtriangles)), std::string::npos) << out;
}

TEST(KeyModelTest, LongFlatAndClosed)
{
    CKeyModel key;
    float dim[3];
    key.Model().glmDimensions(dim);
    EXPECT_GT(dim[2], 2.0f * dim[0]);  // long along z ...
    EXPECT_LT(dim[1], 0.3f * dim[0]);  // ... and flat
    // A closed surface wound outward encloses a positive volume (divergence theorem).
    const std::vector<float>& v = key.Model().vertices;
    double dVolume = 0.0;
    for (const GlmTriangle& t : key.Model().triangles)
    {
        const float* a = &v[3 * t.vindices[0]];
        const float* b = &v[3 * t.vindices[1]];
        const float* c = &v[3 * t.vindices[2]];
        dVolume += (a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
                    a[2] * (b[0] * c[1] - b[1] * c[0])) /
                   6.0;
    }
    EXPECT_GT(dVolume, 0.0);
}

// --- the icons ----------------------------------------------------------------------------

struct SIconCase
{
    const char* pszFile;
    int nSize;
};

class IconTest : public ::testing::TestWithParam<SIconCase>
{
};

TEST_P(IconTest, XpmReadByImageMagickWithTransparencyAndFewColours)
{
    std::string out;
    const std::string file = Art(std::string("icons/") + GetParam().pszFile);
    ASSERT_EQ(RunCommand("identify -format '%w %h %k' '" + file + "'", &out), 0) << out;
    int w = 0, h = 0, k = 0;
    ASSERT_EQ(std::sscanf(out.c_str(), "%d %d %d", &w, &h, &k), 3) << out;
    EXPECT_EQ(w, GetParam().nSize);
    EXPECT_EQ(h, GetParam().nSize);
    EXPECT_LE(k, 16);
    EXPECT_GE(k, 4);
    out.clear();
    ASSERT_EQ(RunCommand("convert '" + file + "' -format '%[opaque]' info:", &out), 0);
    EXPECT_EQ(out, "false");  // the corners are transparent
}

INSTANTIATE_TEST_SUITE_P(
    Icons, IconTest,
    ::testing::Values(SIconCase{"cubatro32.xpm", 32}, SIconCase{"cubatro16.xpm", 16},
                      SIconCase{"document32.xpm", 32}, SIconCase{"document16.xpm", 16}),
    [](const ::testing::TestParamInfo<SIconCase>& p)
    { return std::string(p.param.pszFile).substr(0, std::string(p.param.pszFile).size() - 4); });

// --- the generator program ------------------------------------------------------------------

TEST(ArtGenTest, SameBytesOnEveryRun)
{
    CTempDir a, b;
    ASSERT_EQ(RunCommand(std::string(CUBATRO_ARTGEN) + " '" + a.Path().string() + "'"), 0);
    ASSERT_EQ(RunCommand(std::string(CUBATRO_ARTGEN) + " '" + b.Path().string() + "'"), 0);
    std::string out;
    EXPECT_EQ(RunCommand("diff -r '" + a.Path().string() + "' '" + b.Path().string() + "'", &out), 0) << out;
    EXPECT_EQ(RunCommand("diff -r '" + a.Path().string() + "' '" + GeneratedArt().string() + "'", &out), 0)
        << out;
}

TEST(ArtGenTest, UnwritableDirectoryFails)
{
    CTempDir dir;
    const std::string blocker = dir.Write("file", std::string("x"));
    std::string out;
    EXPECT_EQ(RunCommand(std::string(CUBATRO_ARTGEN) + " '" + blocker + "/art' 2>&1", &out), 1);
    EXPECT_NE(out.find("cubatro_artgen: cannot write"), std::string::npos) << out;
    EXPECT_EQ(RunCommand(std::string(CUBATRO_ARTGEN) + " 2>&1", &out), 2);
    EXPECT_NE(out.find("usage:"), std::string::npos) << out;
}

// ArtTest: the generated art, read back by the game's own readers and by other tools.
#include "ArtFixture.h"  // GeneratedArt, the art under test
#include "TempDir.h"     // CTempDir, RunCommand

#include "image/Sgi.h"               // SgiReadLuminance, the flare's reader
#include "image/Texture.h"           // CTexture, the marble's reader
#include "model/GlmModel.h"          // CGlmModel, the key's reader
#include "platform/Diagnostics.h"    // CDiagnosticsCapture keeps the readers' traces quiet
#include "tools/artgen/SgiWriter.h"  // CSgiWriter
#include "tools/artgen/ShineArt.h"   // CShineArt

#include <gtest/gtest.h>

#include <algorithm>  // std::max, std::min, std::find_if
#include <cmath>      // std::abs, std::lround, std::cos, std::sin
#include <numeric>    // std::iota
#include <set>        // std::set for the group names
#include <sstream>    // std::istringstream for tool output
#include <string>
#include <vector>

using cubatro::test::CTempDir;
using cubatro::test::GeneratedArt;
using cubatro::test::RunCommand;

namespace
{
// A file of the generated art, quoted for the shell when bQuoted.
std::string Art(const std::string& name, bool bQuoted = false)
{
    const std::string path = (GeneratedArt() / name).string();
    return bQuoted ? "'" + path + "'" : path;
}

// The output of a shell command that must succeed.
std::string Shell(const std::string& command)
{
    std::string out;
    EXPECT_EQ(RunCommand(command, &out), 0) << command << "\n" << out;
    return out;
}

// A single-channel SGI file as our reader delivers it: width, height, then the samples (empty
// when refused).
std::vector<int> ReadSgi(const std::string& name)
{
    int w = 0, h = 0, c = 0;
    const SgiPixels pixels(SgiReadLuminance(name, w, h, c));
    if (!pixels) return {};
    std::vector<int> v{w, h};
    v.insert(v.end(), pixels.get(), pixels.get() + size_t(w) * h);
    return v;
}
}  // namespace

TEST(MarbleTest, PaleStoneWithThinVeinsThatTilesWithoutSeams)
{
    EXPECT_EQ(Shell("identify -format '%w %h %[channels] %z' " + Art("Gfx/Marbre2.bmp", true)),
              "256 256 srgb 8");
    plat::CDiagnosticsCapture capture;
    CTexture t;
    ASSERT_TRUE(t.ReadFileBMP(Art("Gfx/Marbre2.bmp")));
    ASSERT_EQ((std::vector<int>{int(t.GetDepth()), t.GetWidth(), t.GetHeight()}),
              (std::vector<int>{24, 256, 256}));
    const int n = t.GetWidth();
    const auto pixel = [&](int x, int y) { return t.GetData() + size_t(t.GetWidthByte32()) * y + x * 3; };
    const auto sum = [&](int x, int y) { return pixel(x, y)[0] + pixel(x, y)[1] + pixel(x, y)[2]; };
    long nPale = 0, nVein = 0, nSaturation = 0, nInside = 0, nAcrossColumns = 0, nAcrossRows = 0;
    for (int y = 0; y < n; y++)
    {
        for (int x = 0; x < n; x++)
        {
            nPale += sum(x, y) > 3 * 200;
            nVein += sum(x, y) < 3 * 150;
            const unsigned char* p = pixel(x, y);
            nSaturation += std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]});
        }
        nInside +=
            std::abs(sum(n / 2, y) - sum(n / 2 + 1, y));  // a step inside against steps across the wrap
        nAcrossColumns += std::abs(sum(n - 1, y) - sum(0, y));
        nAcrossRows += std::abs(sum(y, n - 1) - sum(y, 0));
    }
    const double dPixels = double(n) * n;
    EXPECT_GT(nPale / dPixels, 0.5);         // mostly pale stone
    EXPECT_GT(nVein / dPixels, 0.01);        // veins are there ...
    EXPECT_LT(nVein / dPixels, 0.15);        // ... and thin
    EXPECT_LT(nSaturation / dPixels, 20.0);  // stone greys, no bright colours
    EXPECT_LT(nAcrossColumns, 2 * nInside + 2000);
    EXPECT_LT(nAcrossRows, 2 * nInside + 2000);
}

class ShineTest : public ::testing::TestWithParam<int>
{
};

TEST_P(ShineTest, RunLengthGreyReadAlikeByUsAndImageMagickBrightCoreDarkBorderOwnRays)
{
    const std::string name = Art("Gfx/Shine" + std::to_string(GetParam()) + ".bw");
    const std::vector<unsigned char> vFile = CTempDir::ReadAll(name);
    ASSERT_GT(vFile.size(), 12u);
    // Magic 474, run-length storage, one byte per sample, one channel.
    EXPECT_EQ((std::vector<int>{vFile[0], vFile[1], vFile[2], vFile[3], vFile[10], vFile[11]}),
              (std::vector<int>{1, 218, 1, 1, 0, 1}));
    CTempDir dir;  // ImageMagick gives the top row first, the file stores the bottom row first
    Shell("convert sgi:'" + name + "' -flip -depth 8 gray:'" + dir / "grey" + "'");
    std::vector<int> vTool{128, 128};
    for (unsigned char b : CTempDir::ReadAll(dir / "grey"))
        vTool.push_back(b);
    EXPECT_TRUE(ReadSgi(name) == vTool);

    const CShineArt a(128, GetParam()), b(128, (GetParam() + 1) % 10);
    EXPECT_EQ(a.At(64, 64), 255);
    for (int i = 0; i < 128; i++)
        ASSERT_EQ(a.At(i, 0) | a.At(0, i) | a.At(i, 127) | a.At(127, i), 0) << i;
    // On a ring a third of the way out, where only rays are bright, two sprites disagree.
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

TEST(SgiWriterTest, RowsEncodeShortAndReadBackRefusingBadSizes)
{
    std::vector<uint8_t> vRamp(200);
    std::iota(vRamp.begin(), vRamp.end(), uint8_t(0));
    const struct
    {
        std::vector<uint8_t> vRow;
        size_t nMaxPackets;  // upper bound of the encoded size, closing zero included
    } cases[] = {{{9}, 3},
                 {std::vector<uint8_t>(300, 7), 7},  // longer than one packet
                 {vRamp, 204},
                 {{1, 1, 2, 2, 3, 3}, 8},  // pairs stay literal
                 {{1, 2, 3, 3, 3, 3, 4, 5}, 9}};
    CTempDir dir;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(::testing::PrintToString(c.vRow));
        const std::vector<uint8_t> vPackets = CSgiWriter::EncodeRow(c.vRow.data(), int(c.vRow.size()));
        EXPECT_EQ(vPackets.back(), 0);
        EXPECT_LE(vPackets.size(), c.nMaxPackets);
        const int w = int(c.vRow.size());
        std::vector<uint8_t> vImage;  // three equal rows
        for (int y = 0; y < 3; y++)
            vImage.insert(vImage.end(), c.vRow.begin(), c.vRow.end());
        ASSERT_TRUE(CSgiWriter::Save(dir / "row.bw", vImage, w, 3, "row"));
        std::vector<int> vExpected{w, 3};
        vExpected.insert(vExpected.end(), vImage.begin(), vImage.end());
        EXPECT_EQ(ReadSgi(dir / "row.bw"), vExpected);
    }
    EXPECT_FALSE(CSgiWriter::Save(dir / "a.bw", {}, 0, 0, "a"));
    EXPECT_FALSE(CSgiWriter::Save(dir / "b.bw", std::vector<uint8_t>(4), 3, 1, "b"));  // wrong count
    EXPECT_FALSE(CSgiWriter::Save(dir / "c.bw", std::vector<uint8_t>(70000), 70000, 1, "c"));
}

TEST(KeyModelTest, ThreeBrassPartsLongFlatAndClosedReadByUsAndByAssimp)
{
    testing::internal::CaptureStdout();
    CGlmModel model;
    model.glmReadOBJ(Art("cle.obj"));
    testing::internal::GetCapturedStdout();
    EXPECT_GE(model.numtriangles, 500u);
    EXPECT_LE(model.numtriangles, 3000u);
    const std::string out = Shell("assimp info " + Art("cle.obj", true));
    EXPECT_NE(out.find(std::to_string(model.numtriangles)), std::string::npos) << out;
    const auto brass = std::find_if(model.materials.begin(), model.materials.end(),
                                    [](const GlmMaterial& m) { return m.name == "laiton"; });
    ASSERT_NE(brass, model.materials.end());
    EXPECT_FLOAT_EQ(brass->diffuse[0], 0.8f);
    EXPECT_FLOAT_EQ(brass->diffuse[2], 0.22f);
    std::set<std::string> groups;
    for (const GlmGroup* g = model.groups.get(); g; g = g->next.get())
        if (g->numtriangles > 0) groups.insert(g->name);
    EXPECT_EQ(groups, (std::set<std::string>{"anneau", "tige", "panneton"}));

    float dim[3];
    model.glmDimensions(dim);
    EXPECT_GT(dim[2], 2.0f * dim[0]);  // long along z ...
    EXPECT_LT(dim[1], 0.3f * dim[0]);  // ... and flat
    // A closed surface wound outward encloses a positive volume (divergence theorem).
    const std::vector<float>& v = model.vertices;
    double dVolume = 0.0;
    for (const GlmTriangle& t : model.triangles)
    {
        const float *a = &v[3 * t.vindices[0]], *b = &v[3 * t.vindices[1]], *c = &v[3 * t.vindices[2]];
        dVolume += a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
                   a[2] * (b[0] * c[1] - b[1] * c[0]);
    }
    EXPECT_GT(dVolume, 0.0);
}

TEST(IconTest, XpmReadByImageMagickWithTransparencyAndFewColours)
{
    for (const std::string name : {"cubatro32", "cubatro16", "document32", "document16"})
    {
        std::istringstream out(
            Shell("identify -format '%w %h %k %[opaque]' " + Art("icons/" + name + ".xpm", true)));
        int w = 0, h = 0, k = 0;
        std::string strOpaque;
        out >> w >> h >> k >> strOpaque;
        const int n = std::stoi(name.substr(name.size() - 2));
        EXPECT_EQ((std::vector<int>{w, h}), (std::vector<int>{n, n})) << name;
        EXPECT_TRUE(k >= 4 && k <= 16) << name << ": " << k << " colours";
        EXPECT_EQ(strOpaque, "false") << name;  // the corners are transparent
    }
}

TEST(ArtGenTest, SameBytesOnEveryRunAndClearFailures)
{
    const std::string artgen = CUBATRO_ARTGEN;
    CTempDir a, b;
    Shell(artgen + " '" + a.Path().string() + "' && " + artgen + " '" + b.Path().string() + "'");
    Shell("diff -r '" + a.Path().string() + "' '" + b.Path().string() + "'");
    Shell("diff -r '" + a.Path().string() + "' '" + GeneratedArt().string() + "'");
    const std::string blocker = a.Write("file", std::string("x"));
    std::string out;
    EXPECT_EQ(RunCommand(artgen + " '" + blocker + "/art' 2>&1", &out), 1);
    EXPECT_NE(out.find("cubatro_artgen: cannot write"), std::string::npos) << out;
    EXPECT_EQ(RunCommand(artgen + " 2>&1", &out), 2);
    EXPECT_NE(out.find("usage:"), std::string::npos) << out;
}

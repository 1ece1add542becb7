// ArtTest: the generated art, read back by the game's own readers and by other tools.
#include "ArtFixture.h"  // GeneratedArt, the art under test
#include "TempDir.h"     // CTempDir, RunCommand

#include "image/Sgi.h"              // SgiReadLuminance, the flare's reader
#include "image/Texture.h"          // CTexture, the marble's reader
#include "model/GlmModel.h"         // CGlmModel, the key's reader
#include "platform/Diagnostics.h"   // CDiagnosticsCapture keeps the readers' traces quiet
#include "tools/artgen/ShineArt.h"  // CShineArt

#include <gtest/gtest.h>

#include <algorithm>  // std::max, std::find_if
#include <cstdlib>    // std::abs
#include <set>        // std::set for the group names
#include <string>
#include <vector>

using cubatro::test::CTempDir;
using cubatro::test::GeneratedArt;

namespace
{
std::string Art(const std::string& name)  // a file of the generated art
{
    return (GeneratedArt() / name).string();
}

std::string Shell(const std::string& command)  // the output of a shell command that must succeed
{
    std::string out;
    EXPECT_EQ(cubatro::test::RunCommand(command, &out), 0) << command << "\n" << out;
    return out;
}
}  // namespace

TEST(MarbleTest, PaleStoneWithThinVeinsThatTilesWithoutSeams)
{
    EXPECT_EQ(Shell("identify -format '%w %h %[channels] %z' '" + Art("Gfx/Marbre2.bmp") + "'"), "256 256 srgb 8");
    plat::CDiagnosticsCapture capture;
    CTexture t;
    ASSERT_TRUE(t.ReadFileBMP(Art("Gfx/Marbre2.bmp")));
    ASSERT_TRUE(t.GetDepth() == 24 && t.GetWidth() == 256 && t.GetHeight() == 256);
    const int n = 256;
    const auto pixel = [&](int x, int y) { return t.GetData() + size_t(t.GetWidthByte32()) * y + x * 3; };
    const auto sum = [&](int x, int y) { return pixel(x, y)[0] + pixel(x, y)[1] + pixel(x, y)[2]; };
    long nPale = 0, nVein = 0, nInside = 0, nAcrossColumns = 0, nAcrossRows = 0;
    for (int y = 0; y < n; y++)
    {
        for (int x = 0; x < n; x++)
        {
            nPale += sum(x, y) > 3 * 200;
            nVein += sum(x, y) < 3 * 150;
        }
        nInside += std::abs(sum(n / 2, y) - sum(n / 2 + 1, y));  // a step inside against steps across the wrap
        nAcrossColumns += std::abs(sum(n - 1, y) - sum(0, y));
        nAcrossRows += std::abs(sum(y, n - 1) - sum(y, 0));
    }
    EXPECT_GT(nPale, n * n / 2);        // mostly pale stone
    EXPECT_GT(nVein, n * n / 100);      // veins are there ...
    EXPECT_LT(nVein, n * n * 15 / 100);  // ... and thin
    EXPECT_LT(std::max(nAcrossColumns, nAcrossRows), 2 * nInside + 2000);
}

TEST(ShineTest, RunLengthGreyReadAlikeByUsAndImageMagickBrightCoreDarkBorderOwnRays)
{
    const std::string name = Art("Gfx/Shine4.bw");
    CTempDir dir;  // ImageMagick gives the top row first, the file stores the bottom row first
    Shell("convert sgi:'" + name + "' -flip -depth 8 gray:'" + dir / "grey" + "'");
    int w = 0, h = 0, c = 0;
    const SgiPixels pixels(SgiReadLuminance(name, w, h, c));
    ASSERT_TRUE(pixels && w == 128 && h == 128 && c == 1);
    EXPECT_EQ(std::vector<unsigned char>(pixels.get(), pixels.get() + 128 * 128), CTempDir::ReadAll(dir / "grey"));
    EXPECT_EQ(CTempDir::ReadAll(name)[2], 1);  // run-length storage

    // A bright core, a dark border, and rays of its own: two sprites differ.
    const CShineArt a(128, 4), b(128, 5);
    EXPECT_EQ(a.At(64, 64), 255);
    int nDiffer = 0;
    for (int i = 0; i < 128; i++)
    {
        ASSERT_EQ(a.At(i, 0) | a.At(0, i) | a.At(i, 127) | a.At(127, i), 0) << i;
        nDiffer += a.At(i, 44) != b.At(i, 44);
    }
    EXPECT_GT(nDiffer, 10);
}

TEST(KeyModelTest, ThreeBrassPartsLongFlatAndClosedReadByUsAndByAssimp)
{
    testing::internal::CaptureStdout();
    CGlmModel model;
    model.glmReadOBJ(Art("cle.obj"));
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(model.numtriangles >= 500u && model.numtriangles <= 3000u) << model.numtriangles;
    const std::string out = Shell("assimp info '" + Art("cle.obj") + "'");
    EXPECT_NE(out.find(std::to_string(model.numtriangles)), std::string::npos) << out;
    const auto brass = std::find_if(model.materials.begin(), model.materials.end(),
                                    [](const GlmMaterial& m) { return m.name == "laiton"; });
    ASSERT_NE(brass, model.materials.end());
    EXPECT_GT(brass->diffuse[0], 2.0f * brass->diffuse[2]);  // yellow
    std::set<std::string> groups;
    for (const GlmGroup* g = model.groups.get(); g; g = g->next.get())
        if (g->numtriangles > 0) groups.insert(g->name);
    EXPECT_EQ(groups, (std::set<std::string>{"anneau", "tige", "panneton"}));
    float dim[3];
    model.glmDimensions(dim);
    EXPECT_TRUE(dim[2] > 2.0f * dim[0] && dim[1] < 0.3f * dim[0]);  // long along z and flat
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

TEST(ArtGenTest, IconsAreXpmWithTransparencySameBytesOnEveryRunAndClearFailures)
{
    for (const std::string name : {"cubatro32", "cubatro16", "document32", "document16"})
        EXPECT_EQ(Shell("identify -format '%w %[opaque]' '" + Art("icons/" + name + ".xpm") + "'"),
                  name.substr(name.size() - 2) + " false");  // square, corners transparent
    const std::string artgen = CUBATRO_ARTGEN;
    CTempDir a;
    Shell(artgen + " '" + a.Path().string() + "' && diff -r '" + a.Path().string() + "' '" +
          GeneratedArt().string() + "'");
    std::string out;
    EXPECT_EQ(cubatro::test::RunCommand(artgen + " '" + a.Write("file", std::string("x")) + "/art'", &out), 1);
    EXPECT_NE(out.find("cubatro_artgen: cannot write"), std::string::npos) << out;
    EXPECT_EQ(cubatro::test::RunCommand(artgen, &out), 2);
    EXPECT_NE(out.find("usage:"), std::string::npos) << out;
}

// GlmReadTest: the OBJ and MTL readers on files written here: elements, faces, groups,
// materials, long lines, path rules and the fatal conditions.
#include "GlmTestSupport.h"  // CModelFileTest, CStdoutCapture, RouteToStderr, Literal

#include <gtest/gtest.h>  // test macros

#include <unistd.h>  // chdir, getcwd for the working-directory case

#include <array>       // expected index triples
#include <charconv>    // from_chars, the correctly rounded reference
#include <random>      // values to read
#include <cmath>       // signbit, isinf, isnan
#include <filesystem>  // current_path for the working-directory case
#include <string>      // texts

namespace
{

using cubatro::test::CModelFileTest;
using cubatro::test::EChannel;
using cubatro::test::GroupNames;
using cubatro::test::Literal;
using cubatro::test::RouteToStderr;
using Triple = std::array<std::uint32_t, 3>;

Triple V(const GlmTriangle& t)
{
    return {t.vindices[0], t.vindices[1], t.vindices[2]};
}
Triple T(const GlmTriangle& t)
{
    return {t.tindices[0], t.tindices[1], t.tindices[2]};
}
Triple N(const GlmTriangle& t)
{
    return {t.nindices[0], t.nindices[1], t.nindices[2]};
}

// Triangle indices of the group `name`.
std::vector<std::uint32_t> TrianglesOf(CGlmModel& model, const std::string& name)
{
    const GlmGroup* pGroup = model._glmFindGroup(name);
    if (!pGroup) return {};
    return std::vector<std::uint32_t>(pGroup->triangles.begin(),
                                      pGroup->triangles.begin() + pGroup->numtriangles);
}

const char* const s_pszSquare = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                                "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                                "vn 0 0 1\nvn 0 0 -1\n";

// --- elements and faces -------------------------------------------------------------------------

using GlmReadTest = CModelFileTest;

TEST_F(GlmReadTest, ElementsAreNumberedFromOneWithExactSizes)
{
    const auto pModel = LoadText(std::string(s_pszSquare) + "f 1/1/1 2/2/1 3/3/2\nf 1/1/2 3/3/2 4/4/2\n");
    EXPECT_EQ(pModel->pathname, m_dir / "model.obj");
    EXPECT_EQ(pModel->numvertices, 4u);
    EXPECT_EQ(pModel->numtexcoords, 4u);
    EXPECT_EQ(pModel->numnormals, 2u);
    EXPECT_EQ(pModel->numtriangles, 2u);
    ASSERT_EQ(pModel->vertices.size(), 15u);
    ASSERT_EQ(pModel->texcoords.size(), 10u);
    ASSERT_EQ(pModel->normals.size(), 9u);
    ASSERT_EQ(pModel->triangles.size(), 2u);
    EXPECT_EQ(std::vector<float>(pModel->vertices.begin() + 3, pModel->vertices.end()),
              (std::vector<float>{0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}));
    EXPECT_EQ(std::vector<float>(pModel->texcoords.begin() + 2, pModel->texcoords.end()),
              (std::vector<float>{0, 0, 1, 0, 1, 1, 0, 1}));
    EXPECT_EQ(std::vector<float>(pModel->normals.begin() + 3, pModel->normals.end()),
              (std::vector<float>{0, 0, 1, 0, 0, -1}));
    EXPECT_EQ(N(pModel->triangles[0]), (Triple{1, 1, 2}));
    EXPECT_EQ(T(pModel->triangles[1]), (Triple{1, 3, 4}));
    EXPECT_TRUE(pModel->facetnorms.empty());
    EXPECT_EQ(pModel->numfacetnorms, 0u);
    EXPECT_TRUE(pModel->materials.empty());
    EXPECT_FALSE(pModel->mtllibname.has_value());
    EXPECT_EQ(m_strOutput, "");
}

TEST_F(GlmReadTest, FileWithoutNormalsOrTexcoordsLeavesThemAbsent)
{
    const auto pModel = LoadText("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    EXPECT_EQ(pModel->numnormals, 0u);
    EXPECT_EQ(pModel->numtexcoords, 0u);
    EXPECT_TRUE(pModel->normals.empty());
    EXPECT_TRUE(pModel->texcoords.empty());
    EXPECT_EQ(N(pModel->triangles[0]), (Triple{0, 0, 0}));
    EXPECT_EQ(T(pModel->triangles[0]), (Triple{0, 0, 0}));
}

TEST_F(GlmReadTest, FaceIsFannedAroundItsFirstCorner)
{
    const auto pModel = LoadText("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv -1 1 0\nf 1 2 3 4 5\n");
    ASSERT_EQ(pModel->numtriangles, 3u);
    EXPECT_EQ(V(pModel->triangles[0]), (Triple{1, 2, 3}));
    EXPECT_EQ(V(pModel->triangles[1]), (Triple{1, 3, 4}));
    EXPECT_EQ(V(pModel->triangles[2]), (Triple{1, 4, 5}));
    EXPECT_EQ(TrianglesOf(*pModel, "default"), (std::vector<std::uint32_t>{0, 1, 2}));
}

// One face line and the corner numbers it must give.
struct FaceCase
{
    const char* pszFace;  // the face line (after the square's elements)
    Triple v, t, n;       // expected vindices, tindices, nindices of the first triangle
};

class GlmReadFaceTest : public CModelFileTest, public ::testing::WithParamInterface<FaceCase>
{
};

TEST_P(GlmReadFaceTest, CornersAreStoredInTheFormOfTheFirstCorner)
{
    const FaceCase& c = GetParam();
    const auto pModel = LoadText(std::string(s_pszSquare) + c.pszFace + "\n");
    ASSERT_EQ(pModel->numtriangles, 1u);
    EXPECT_EQ(V(pModel->triangles[0]), c.v);
    EXPECT_EQ(T(pModel->triangles[0]), c.t);
    EXPECT_EQ(N(pModel->triangles[0]), c.n);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, GlmReadFaceTest,
    ::testing::Values(
        FaceCase{"f 1 2 3", {1, 2, 3}, {0, 0, 0}, {0, 0, 0}},
        FaceCase{"f 2/4 3/1 4/2", {2, 3, 4}, {4, 1, 2}, {0, 0, 0}},
        FaceCase{"f 4//2 1//1 2//2", {4, 1, 2}, {0, 0, 0}, {2, 1, 2}},
        FaceCase{"f 1/2/2 2/3/1 3/4/2", {1, 2, 3}, {2, 3, 4}, {2, 1, 2}},
        FaceCase{"f -1 -2 -4", {4, 3, 1}, {0, 0, 0}, {0, 0, 0}},
        FaceCase{"f -4/-1/-2 -3/-2/-1 -2/-3/-2", {1, 2, 3}, {4, 3, 2}, {1, 2, 1}},
        FaceCase{"f\t+1//+2   2//1\t3//2 # a comment after the corners", {1, 2, 3}, {0, 0, 0}, {2, 1, 2}}));

TEST_F(GlmReadTest, NegativeNumbersCountBackFromTheElementsReadSoFar)
{
    const auto pModel = LoadText("v 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -2 -1\nv 5 5 5\nf -4 -2 -1\n");
    ASSERT_EQ(pModel->numtriangles, 2u);
    EXPECT_EQ(V(pModel->triangles[0]), (Triple{1, 2, 3}));
    EXPECT_EQ(V(pModel->triangles[1]), (Triple{1, 3, 4}));
}

TEST_F(GlmReadTest, ExtraNumbersAndOtherStatementsHaveNoEffect)
{
    const auto pModel = LoadText("# a model\no key\nv 0 0 0 1\nv 1 0 0 1\r\nv 0 1 0 1\nvt 0 0 0\n"
                                 "s 1\nl 1 2\np 3\nf 1/1 2/1 3/1\r\n");
    EXPECT_EQ(pModel->numvertices, 3u);
    EXPECT_EQ(pModel->numtexcoords, 1u);
    EXPECT_EQ(pModel->numtriangles, 1u);
    EXPECT_EQ(std::vector<float>(pModel->vertices.begin() + 3, pModel->vertices.end()),
              (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0}));
    EXPECT_EQ(m_strOutput, "");
}

TEST_F(GlmReadTest, NumbersInEveryWrittenFormReadExactly)
{
    const auto pModel = LoadText("v 0.123456 -1.5e3 +2.\nv .25 1E-2 -0\nv 3.40282e38 1.17549435e-38 1e-45\n"
                                 "v 16777217 0.1000000000000000055511151231257827 123456789012345678901234\n"
                                 "v inf -nan 7\nf 1 2 3\n");
    const std::vector<float> expected = {0.123456f, -1500.0f,    2.0f,        0.25f,
                                         0.01f,     -0.0f,       3.40282e38f, 1.17549435e-38f,
                                         1e-45f,    16777216.0f, 0.1f,        1.2345679e23f};
    ASSERT_EQ(pModel->numvertices, 5u);
    for (std::size_t i = 0; i < expected.size(); i++)
        EXPECT_EQ(pModel->vertices[3 + i], expected[i]) << "value " << i;
    EXPECT_TRUE(std::signbit(pModel->vertices[8]));
    EXPECT_TRUE(std::isinf(pModel->vertices[15]));
    EXPECT_TRUE(std::isnan(pModel->vertices[16]));
}

TEST_F(GlmReadTest, NumbersReadAsTheNearestFloat)
{
    // Many values in the forms other programs print, each compared with the correctly rounded
    // conversion of the same text.
    std::mt19937_64 random(20261206);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::vector<std::string> words;
    char buffer[64];
    for (int i = 0; i < 30000; i++)
    {
        const double d = unit(random) * std::pow(10.0, static_cast<int>(random() % 13) - 6);
        switch (i % 6)
        {
        case 0:
            std::snprintf(buffer, sizeof buffer, "%f", d);
            break;
        case 1:
            std::snprintf(buffer, sizeof buffer, "%.9g", d);
            break;
        case 2:
            std::snprintf(buffer, sizeof buffer, "%.17g", d);
            break;
        case 3:
            std::snprintf(buffer, sizeof buffer, "%.6e", d);
            break;
        case 4:
            std::snprintf(buffer, sizeof buffer, "%.3f", d);
            break;
        default:
            std::snprintf(buffer, sizeof buffer, "%.12f", d);
            break;
        }
        words.push_back(buffer);
    }
    // Decimal texts that lie on, or within a hair of, the midpoint between two floats.
    words.insert(words.end(), {"0.50000002980232238769531250", "1.00000005960464477539062500", "16777217",
                               "16777219", "0.500000029802322", "0.5000000298023224", "33554434.000001",
                               "3.4028235677973366e38", "1.1754943508222875e-38", "7.006492321624085e-46"});
    while (words.size() % 3)
        words.push_back("0");
    std::string text;
    for (std::size_t i = 0; i < words.size(); i += 3)
        text += "v " + words[i] + " " + words[i + 1] + " " + words[i + 2] + "\n";
    const auto pModel = LoadText(text);
    ASSERT_EQ(pModel->numvertices, words.size() / 3);
    for (std::size_t i = 0; i < words.size(); i++)
    {
        float expected = 0.0f;
        const auto result = std::from_chars(words[i].data(), words[i].data() + words[i].size(), expected);
        if (result.ec == std::errc::result_out_of_range) expected = std::strtof(words[i].c_str(), nullptr);
        EXPECT_EQ(pModel->vertices[3 + i], expected) << words[i];
    }
}

TEST_F(GlmReadTest, FixedPointNumbersReadAsTheNearestFloat)
{
    // A million numbers with a point, one to eight digits on either side: random digits, and the
    // decimals closest to the midpoints between neighbouring floats, where a conversion that
    // rounds twice goes wrong.
    std::mt19937_64 random(61206);
    std::vector<std::string> words;
    char buffer[64];
    for (int i = 0; words.size() < 1000002; i++)
    {
        const int nWhole = 1 + static_cast<int>(random() % 8), nFraction = 1 + static_cast<int>(random() % 8);
        if (i % 2)
        {
            std::string word = random() % 2 ? "-" : "";
            for (int k = 0; k < nWhole + nFraction; k++)
            {
                if (k == nWhole) word += '.';
                word += static_cast<char>('0' + random() % 10);
            }
            words.push_back(word);
            continue;
        }
        const float f =
            std::ldexp(static_cast<float>(random() % (1u << 24)), static_cast<int>(random() % 40) - 40);
        const double dMidpoint = (static_cast<double>(f) + std::nextafter(f, 2.0f * f + 1.0f)) / 2.0;
        std::snprintf(buffer, sizeof buffer, "%.*f", nFraction, dMidpoint);
        if (std::string(buffer).find('.') <= 8) words.push_back(buffer);
    }
    std::string text;
    for (std::size_t i = 0; i < words.size(); i += 3)
        text += "v " + words[i] + " " + words[i + 1] + " " + words[i + 2] + "\n";
    const auto pModel = LoadText(text);
    ASSERT_EQ(pModel->numvertices, words.size() / 3);
    int nWrong = 0;
    for (std::size_t i = 0; i < words.size() && nWrong < 10; i++)
    {
        float expected = 0.0f;
        std::from_chars(words[i].data() + (words[i][0] == '-'), words[i].data() + words[i].size(), expected);
        if (words[i][0] == '-') expected = -expected;
        nWrong += pModel->vertices[3 + i] != expected;
        EXPECT_EQ(pModel->vertices[3 + i], expected) << words[i];
    }
}

TEST_F(GlmReadTest, EmptyFileGivesAModelWithOnlyTheDefaultGroup)
{
    const auto pModel = LoadText("");
    EXPECT_EQ(pModel->numvertices, 0u);
    EXPECT_EQ(pModel->vertices.size(), 3u);
    EXPECT_EQ(pModel->numtriangles, 0u);
    EXPECT_EQ(GroupNames(*pModel), (std::vector<std::string>{"default"}));
}

// --- groups -----------------------------------------------------------------------------------

TEST_F(GlmReadTest, GroupsAreListedNewestFirstAndCollectTheirTriangles)
{
    const auto pModel =
        LoadText(std::string(s_pszSquare) +
                 "f 1 2 3\ng a\nf 1 3 4\ng b extra words\nf 2 3 4\ng a\nf 4 3 2 1\ng\nf 1 2 4\n");
    EXPECT_EQ(GroupNames(*pModel), (std::vector<std::string>{"b", "a", "default"}));
    EXPECT_EQ(pModel->numgroups, 3u);
    EXPECT_EQ(TrianglesOf(*pModel, "default"), (std::vector<std::uint32_t>{0, 5}));
    EXPECT_EQ(TrianglesOf(*pModel, "a"), (std::vector<std::uint32_t>{1, 3, 4}));
    EXPECT_EQ(TrianglesOf(*pModel, "b"), (std::vector<std::uint32_t>{2}));
    std::size_t nSum = 0;
    for (const GlmGroup* p = pModel->groups.get(); p; p = p->next.get())
    {
        EXPECT_EQ(p->triangles.size(), p->numtriangles) << p->name;
        nSum += p->numtriangles;
    }
    EXPECT_EQ(nSum, pModel->numtriangles);
}

TEST(GlmGroupTest, LongListIsReleasedWithoutDeepRecursion)
{
    CGlmModel model;
    for (int i = 0; i < 1000000; i++)
    {
        auto pGroup = std::make_unique<GlmGroup>();
        pGroup->next = std::move(model.groups);
        model.groups = std::move(pGroup);
    }
    model.groups.reset();
    EXPECT_EQ(model.groups, nullptr);
}

// --- materials --------------------------------------------------------------------------------

TEST_F(GlmReadTest, LibraryGivesDefaultAndNamedMaterialsInFileOrder)
{
    Put("model.mtl",
        "Kd 0.1 0.2 0.3\n# comment\nnewmtl red\nKd 1 0 0\nKa 0.5 0.25 0.125\nKs 0.2 0.4 0.6\nNs 500\n"
        "illum 2\nmap_Kd red.bmp\nKe 9 9 9\nnewmtl shiny more words\nNs 1000\nd 0.5\n");
    const auto pModel = LoadText(std::string(s_pszSquare) + "mtllib model.mtl\nf 1 2 3\n");
    ASSERT_TRUE(pModel->mtllibname.has_value());
    EXPECT_EQ(*pModel->mtllibname, "model.mtl");
    ASSERT_EQ(pModel->nummaterials, 3u);
    ASSERT_EQ(pModel->materials.size(), 3u);
    const GlmMaterial& def = pModel->materials[0];
    EXPECT_EQ(def.name, "default");
    EXPECT_EQ(std::vector<float>(def.diffuse, def.diffuse + 4), (std::vector<float>{0.1f, 0.2f, 0.3f, 1.0f}));
    EXPECT_EQ(std::vector<float>(def.ambient, def.ambient + 4), (std::vector<float>{0.2f, 0.2f, 0.2f, 1.0f}));
    EXPECT_EQ(std::vector<float>(def.specular, def.specular + 4), (std::vector<float>{0, 0, 0, 1.0f}));
    EXPECT_EQ(def.shininess, 0.0f);
    const GlmMaterial& red = pModel->materials[1];
    EXPECT_EQ(red.name, "red");
    EXPECT_EQ(std::vector<float>(red.diffuse, red.diffuse + 4), (std::vector<float>{1, 0, 0, 1}));
    EXPECT_EQ(std::vector<float>(red.ambient, red.ambient + 4), (std::vector<float>{0.5f, 0.25f, 0.125f, 1}));
    EXPECT_EQ(std::vector<float>(red.specular, red.specular + 4), (std::vector<float>{0.2f, 0.4f, 0.6f, 1}));
    EXPECT_EQ(red.shininess, 64.0f);
    EXPECT_EQ(pModel->materials[2].name, "shiny");
    EXPECT_EQ(pModel->materials[2].shininess, 128.0f);
    EXPECT_EQ(std::vector<float>(pModel->materials[2].diffuse, pModel->materials[2].diffuse + 4),
              (std::vector<float>{0.8f, 0.8f, 0.8f, 1.0f}));
}

TEST_F(GlmReadTest, GroupsKeepTheLastMaterialSetAndUsemtlMayPrecedeMtllib)
{
    Put("lib.mtl", "newmtl red\nnewmtl blue\n");
    const auto pModel = LoadText(std::string(s_pszSquare) +
                                 "usemtl blue\ng a\nf 1 2 3\nmtllib lib.mtl\ng b\nusemtl red\nf 1 2 3\n"
                                 "g c\nf 1 2 3\nusemtl blue\n");
    EXPECT_EQ(pModel->_glmFindGroup("default")->material, 2u);
    EXPECT_EQ(pModel->_glmFindGroup("a")->material, 2u);
    EXPECT_EQ(pModel->_glmFindGroup("b")->material, 1u);
    EXPECT_EQ(pModel->_glmFindGroup("c")->material, 2u);
    EXPECT_EQ(m_strOutput, "");
}

TEST_F(GlmReadTest, UnknownMaterialIsReportedAndGetsTheDefault)
{
    Put("lib.mtl", "newmtl red\n");
    const auto pModel = LoadText(std::string(s_pszSquare) + "mtllib lib.mtl\ng a\nusemtl Red\nf 1 2 3\n");
    EXPECT_EQ(m_strOutput, "_glmFindMaterial():  can't find material \"Red\".\n");
    EXPECT_EQ(pModel->_glmFindGroup("a")->material, 0u);

    const auto pBare = LoadText(std::string(s_pszSquare) + "usemtl red\nf 1 2 3\n");
    EXPECT_EQ(m_strOutput, "_glmFindMaterial():  can't find material \"red\".\n");
    EXPECT_EQ(pBare->_glmFindGroup("default")->material, 0u);
    EXPECT_TRUE(pBare->materials.empty());
}

TEST_F(GlmReadTest, SecondLibraryReplacesTheFirst)
{
    Put("one.mtl", "newmtl a\nnewmtl b\nnewmtl c\n");
    Put("two.mtl", "newmtl d\n");
    const auto pModel =
        LoadText(std::string(s_pszSquare) + "mtllib one.mtl\nmtllib two.mtl\nusemtl d\nf 1 2 3\n");
    EXPECT_EQ(*pModel->mtllibname, "two.mtl");
    ASSERT_EQ(pModel->nummaterials, 2u);
    ASSERT_EQ(pModel->materials.size(), 2u);
    EXPECT_EQ(pModel->materials[1].name, "d");
    EXPECT_EQ(pModel->_glmFindGroup("default")->material, 1u);
}

TEST_F(GlmReadTest, LibraryIsFoundInTheModelsDirectory)
{
    Put("models/key.obj", std::string(s_pszSquare) + "mtllib key.mtl\nusemtl gold\nf 1 2 3\n");
    Put("models/key.mtl", "newmtl gold\nKd 1 0.8 0\n");
    Put("key.mtl", "newmtl silver\n");
    const auto pModel = Load("models/key.obj");
    EXPECT_EQ(pModel->materials[1].name, "gold");
    EXPECT_EQ(pModel->_glmFindGroup("default")->material, 1u);
}

TEST_F(GlmReadTest, PathWithoutSlashFindsTheLibraryInTheWorkingDirectory)
{
    Put("key.obj", std::string(s_pszSquare) + "mtllib key.mtl\nusemtl silver\nf 1 2 3\n");
    Put("key.mtl", "newmtl silver\n");
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(m_dir.Path());
    CGlmModel model;
    cubatro::test::CStdoutCapture output;
    model.glmReadOBJ("key.obj");
    std::filesystem::current_path(previous);
    EXPECT_EQ(model.pathname, "key.obj");
    ASSERT_EQ(model.nummaterials, 2u);
    EXPECT_EQ(model.materials[1].name, "silver");
    EXPECT_EQ(output.Text(), "");
}

TEST_F(GlmReadTest, WindowsStyleNameReachesTheFile)
{
    Put("Models/Key.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    const auto pModel = Load("MODELS\\key.OBJ");
    EXPECT_EQ(pModel->numtriangles, 1u);
}

// --- long lines and words -----------------------------------------------------------------------

TEST_F(GlmReadTest, SkippedLinesOfAnyLengthAreSkippedWhole)
{
    const std::string filler(5000, 'x');
    const std::string text = "# " + filler + " vx f 9 9 9 g never\n" + "o " + filler + " vq\n" + "s " +
                             std::string(200, ' ') + "vz\n" + "v 0 0 0 " + filler + " vy\n" +
                             "v 1 0 0\nv 0 1 0\nf 1 2 3 " + filler + "\n" + "usemtl " + filler + "\n";
    const auto pModel = LoadText(text);
    EXPECT_EQ(pModel->numvertices, 3u);
    EXPECT_EQ(pModel->numtriangles, 1u);
    EXPECT_EQ(GroupNames(*pModel), (std::vector<std::string>{"default"}));
    EXPECT_EQ(m_strOutput, "_glmFindMaterial():  can't find material \"" + std::string(126, 'x') + "\".\n");
}

TEST_F(GlmReadTest, NameLinesKeepTheirFirst127Characters)
{
    // The rest of a "g" line after the keyword is read up to 127 characters: one blank and a
    // name of 126 characters; what follows is read as words, here a face.
    const std::string name(130, 'n');
    const auto pModel = LoadText(std::string(s_pszSquare) + "g " + name.substr(0, 126) + "f 1 2 3\n" + "g " +
                                 name + "\nf 2 3 4\n");
    EXPECT_EQ(GroupNames(*pModel), (std::vector<std::string>{name.substr(0, 126), "default"}));
    EXPECT_EQ(TrianglesOf(*pModel, name.substr(0, 126)), (std::vector<std::uint32_t>{0, 1}));
}

// --- helpers ----------------------------------------------------------------------------------

TEST(GlmDirectoryOfTest, CutsAfterTheLastForwardSlash)
{
    const std::pair<const char*, const char*> cases[] = {{"models/key.obj", "models/"},
                                                         {"a/b/c.obj", "a/b/"},
                                                         {"/abs.obj", "/"},
                                                         {"key.obj", ""},
                                                         {"dir\\key.obj", ""},
                                                         {"", ""},
                                                         {"dir/", "dir/"}};
    for (const auto& [pszPath, pszDirectory] : cases)
        EXPECT_EQ(CGlmModel::_glmDirectoryOf(pszPath), pszDirectory) << pszPath;
}

TEST(GlmLookupTest, AddGroupFindsBeforeCreating)
{
    CGlmModel model;
    GlmGroup* pA = model._glmAddGroup("a");
    GlmGroup* pB = model._glmAddGroup("b");
    EXPECT_EQ(model._glmAddGroup("a"), pA);
    EXPECT_EQ(model._glmFindGroup("b"), pB);
    EXPECT_EQ(model._glmFindGroup("A"), nullptr);
    EXPECT_EQ(model.numgroups, 2u);
    EXPECT_EQ(GroupNames(model), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(pB->material, 0u);
    EXPECT_EQ(pB->numtriangles, 0u);
    EXPECT_TRUE(pB->triangles.empty());
}

// --- fatal conditions ---------------------------------------------------------------------------

// A file that ends the read, the channel of its message and the message ("@" stands for the
// full path of the model file, "%" for that of its library).
struct FatalCase
{
    const char* pszName;  // case name
    std::string text;     // model file
    std::string mtl;      // library "lib.mtl" beside it, if not empty
    EChannel channel;     // where the message goes
    std::string message;  // the whole message
};

class GlmReadDeathTest : public CModelFileTest, public ::testing::WithParamInterface<FatalCase>
{
};

TEST_P(GlmReadDeathTest, EndsTheProcessWithItsMessage)
{
    const FatalCase& c = GetParam();
    const std::string path = Put("model.obj", c.text);
    if (!c.mtl.empty()) Put("lib.mtl", c.mtl);
    std::string message = c.message;
    for (std::size_t at; (at = message.find_first_of("@%")) != std::string::npos;)
        message.replace(at, 1, message[at] == '@' ? path : m_dir / "lib.mtl");
    EXPECT_EXIT(
        {
            RouteToStderr(c.channel);
            CGlmModel model;
            model.glmReadOBJ(path);
        },
        ::testing::ExitedWithCode(1), "^" + Literal(message) + "$");
}

const std::string s_strTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\n";

INSTANTIATE_TEST_SUITE_P(
    Faults, GlmReadDeathTest,
    ::testing::Values(
        FatalCase{"UnknownToken", s_strTriangle + "vp 1 2\n", "", EChannel::output,
                  "_glmFirstPass(): Unknown token \"vp\".\n"},
        FatalCase{"UnknownTokenAfterLongNameLine", "g " + std::string(126, 'g') + "vx 1\n", "",
                  EChannel::output, "_glmFirstPass(): Unknown token \"vx\".\n"},
        FatalCase{
            "CornerZero", s_strTriangle + "f 1 2 0\n", "", EChannel::output,
            "glmReadOBJ(): \"@\" line 6: vertex number 0 in corner \"0\" is out of range (3 read so far).\n"},
        FatalCase{
            "CornerBeyondVertices", s_strTriangle + "f 1 2 4\n", "", EChannel::output,
            "glmReadOBJ(): \"@\" line 6: vertex number 4 in corner \"4\" is out of range (3 read so far).\n"},
        FatalCase{
            "CornerBeforeItsVertex", "v 0 0 0\nv 1 0 0\nf 1 2 3\nv 0 1 0\n", "", EChannel::output,
            "glmReadOBJ(): \"@\" line 3: vertex number 3 in corner \"3\" is out of range (2 read so far).\n"},
        FatalCase{"NegativeBeyondFirst", s_strTriangle + "\n\nf -1 -2 -4\n", "", EChannel::output,
                  "glmReadOBJ(): \"@\" line 8: vertex number -4 in corner \"-4\" is out of range (3 read so "
                  "far).\n"},
        FatalCase{"TexcoordBeyond", s_strTriangle + "f 1/1 2/2 3/1\n", "", EChannel::output,
                  "glmReadOBJ(): \"@\" line 6: texture coordinate number 2 in corner \"2/2\" is out of range "
                  "(1 read "
                  "so far).\n"},
        FatalCase{"NormalBeyond", s_strTriangle + "f 1//1 2//1 3//99999999999999999999\n", "",
                  EChannel::output,
                  "glmReadOBJ(): \"@\" line 6: normal number 9223372036854775807 in corner "
                  "\"3//99999999999999999999\" "
                  "is out of range (1 read so far).\n"},
        FatalCase{"TwoCorners", s_strTriangle + "f 1 2\n", "", EChannel::output,
                  "glmReadOBJ(): \"@\" line 6: a face needs at least three corners.\n"},
        FatalCase{"NoCorners", s_strTriangle + "f\n1 2 3\n", "", EChannel::output,
                  "glmReadOBJ(): \"@\" line 6: a face needs at least three corners.\n"},
        FatalCase{
            "MixedForms", s_strTriangle + "f 1/1/1 2//1 3/1/1\n", "", EChannel::output,
            "glmReadOBJ(): \"@\" line 6: corner \"2//1\" does not have the form of the face's first corner "
            "\"1/1/1\".\n"},
        FatalCase{
            "CornerWithGarbage", s_strTriangle + "f 1 2 3x\n", "", EChannel::output,
            "glmReadOBJ(): \"@\" line 6: corner \"3x\" does not have the form of the face's first corner "
            "\"1\".\n"},
        FatalCase{"MissingCoordinate", "v 0 0 0\nv 1 0\nv 0 1 0\n", "", EChannel::output,
                  "glmReadOBJ(): \"@\" line 2: expected a number, found \"\".\n"},
        FatalCase{"BadCoordinate", "v 0 0 0\nvn 1 zero 0\n", "", EChannel::output,
                  "glmReadOBJ(): \"@\" line 2: expected a number, found \"zero\".\n"},
        FatalCase{"BadLibraryNumber", s_strTriangle + "mtllib lib.mtl\n", "newmtl a\nKd 1 x 0\n",
                  EChannel::output, "_glmReadMTL(): \"%\" line 2: expected a number, found \"x\".\n"}),
    [](const ::testing::TestParamInfo<FatalCase>& param) { return std::string(param.param.pszName); });

TEST_F(GlmReadTest, MissingModelFileEndsTheProcessWithATraceMessage)
{
    const std::string path = m_dir / "none.obj";
    EXPECT_EXIT(
        {
            RouteToStderr(EChannel::trace);
            CGlmModel model;
            model.glmReadOBJ(path);
        },
        ::testing::ExitedWithCode(1),
        "^" + Literal("glmReadOBJ() failed: can't open data file \"" + path + "\".\n") + "$");
}

TEST_F(GlmReadTest, MissingLibraryNamesTheJoinedPath)
{
    const std::string path = Put("sub/model.obj", "mtllib gone.mtl\n");
    EXPECT_EXIT(
        {
            RouteToStderr(EChannel::trace);
            CGlmModel model;
            model.glmReadOBJ(path);
        },
        ::testing::ExitedWithCode(1),
        "^" +
            Literal("_glmReadMTL() failed: can't open material file \"" + (m_dir / "sub/gone.mtl") +
                    "\".\n") +
            "$");
}

}  // namespace

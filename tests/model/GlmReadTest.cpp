// GlmReadTest: the OBJ and MTL readers on files written here: a table of files and the model
// each gives, numbers against the correctly rounded conversion, materials, path rules and the
// fatal conditions.
#include "GlmTestSupport.h"  // CModelFileTest, RouteToStderr, Literal

#include <gtest/gtest.h>  // test macros

#include <charconv>    // to_chars for numbers in the forms other programs print
#include <cmath>       // isnan, signbit, pow, ldexp, nextafter
#include <cstdlib>     // strtof, the correctly rounded reference
#include <filesystem>  // current_path for the working-directory case
#include <optional>    // a fatal case without a model file
#include <random>      // numbers to read
#include <sstream>     // the hand-picked numbers as words
#include <string>      // texts
#include <vector>      // words, colours

namespace
{

using cubatro::test::CModelFileTest;
using cubatro::test::EChannel;
using cubatro::test::Literal;
using cubatro::test::RouteToStderr;

// One corner as the file writes it: "v", "v/t", "v//n" or "v/t/n".
std::string Corner(const GlmTriangle& t, int c)
{
    std::string text = std::to_string(t.vindices[c]);
    // Appended piece by piece: "literal" + string trips a false -Wrestrict of GCC 12 at -O3.
    if (t.tindices[c] || t.nindices[c]) text += '/';
    if (t.tindices[c]) text += std::to_string(t.tindices[c]);
    if (t.nindices[c]) (text += '/') += std::to_string(t.nindices[c]);
    return text;
}

// The model as text: its counts, its library, then one line per group (newest first) with its
// material and its triangles ("#number" and the three corners). Along the way, expects the
// arrays to have exactly their counted sizes and every triangle to be in exactly one group.
std::string Describe(const CGlmModel& m)
{
    const auto sized = [](std::uint32_t n, std::size_t nPer) { return n ? (n + std::size_t(1)) * nPer : 0; };
    EXPECT_EQ(m.vertices.size(), (m.numvertices + std::size_t(1)) * 3);
    EXPECT_EQ(m.normals.size(), sized(m.numnormals, 3));
    EXPECT_EQ(m.texcoords.size(), sized(m.numtexcoords, 2));
    EXPECT_EQ(m.triangles.size(), m.numtriangles);
    EXPECT_EQ(m.materials.size(), m.nummaterials);
    EXPECT_TRUE(m.facetnorms.empty() && m.numfacetnorms == 0);
    std::string text = std::to_string(m.numvertices) + " v " + std::to_string(m.numtexcoords) + " vt " +
                       std::to_string(m.numnormals) + " vn\n";
    if (m.mtllibname) text += "mtllib " + *m.mtllibname + ":";
    for (const GlmMaterial& material : m.materials)
        text += " " + material.name;
    if (m.mtllibname) text += "\n";
    std::vector<int> uses(m.numtriangles);
    for (const GlmGroup* p = m.groups.get(); p; p = p->next.get())
    {
        EXPECT_EQ(p->triangles.size(), p->numtriangles) << p->name;
        text += p->name + " " + std::to_string(p->material) + ":";
        for (std::uint32_t i = 0; i < p->numtriangles; i++)
        {
            const std::uint32_t n = p->triangles.at(i);
            uses.at(n)++;
            (text += " #") += std::to_string(n);
            for (int c = 0; c < 3; c++)
                (text += ' ') += Corner(m.triangles[n], c);
        }
        text += "\n";
    }
    EXPECT_EQ(uses, std::vector<int>(m.numtriangles, 1));
    return text;
}

const std::string s_strSquare = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv -1 1 0\n"
                                "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\nvn 0 0 -1\n";
const std::string s_strCounts = "5 v 4 vt 2 vn\n";
const std::string s_strFiller(5000, 'x');

// A model file (beside the library "lib.mtl"), the model it gives and what the read prints.
struct FileCase
{
    const char* pszName;
    std::string text, description, output = "";
};

class GlmReadFileTest : public CModelFileTest, public ::testing::WithParamInterface<FileCase>
{
};

TEST_P(GlmReadFileTest, GivesTheModelAndMessages)
{
    const FileCase& c = GetParam();
    Put("lib.mtl", "newmtl red\nnewmtl blue\n");
    const auto pModel = LoadText(c.text);
    EXPECT_EQ(Describe(*pModel), c.description);
    EXPECT_EQ(m_strOutput, c.output);
    EXPECT_EQ(m_strTrace, "");
}

INSTANTIATE_TEST_SUITE_P(
    Files, GlmReadFileTest,
    ::testing::Values(
        FileCase{"Empty", "", "0 v 0 vt 0 vn\ndefault 0:\n"},
        FileCase{"EveryFormFannedAroundTheFirstCorner",
                 s_strSquare + "f 1 2 3\nf 2/4 3/1 4/2\nf 4//2 1//1 2//2\nf 1/2/2 2/3/1 3/4/2\n"
                               "f\t+1//+2   2//1\t3//2 4//1 # 5//1\nf 1/1 2/2 3/3 4/4 5/1\n",
                 s_strCounts +
                     "default 0: #0 1 2 3 #1 2/4 3/1 4/2 #2 4//2 1//1 2//2 #3 1/2/2 2/3/1 3/4/2 "
                     "#4 1//2 2//1 3//2 #5 1//2 3//2 4//1 #6 1/1 2/2 3/3 #7 1/1 3/3 4/4 #8 1/1 4/4 5/1\n"},
        FileCase{"NegativeNumbersCountBackFromTheLastReadSoFar",
                 s_strSquare + "f -1 -2 -5\nf -5/-1/-2 -4/-2/-1 -3/-3/-2\nv 5 5 5\nf -6 -2 -1\n",
                 "6 v 4 vt 2 vn\ndefault 0: #0 5 4 1 #1 1/4/1 2/3/2 3/2/1 #2 1 5 6\n"},
        FileCase{
            "StatementsWithoutEffect",
            "# v 1 2 3\no key\nv 0 0 0 1\r\nv 1 0 0 1\nv 0 1 0\nvt 0 0 0\ns 1\nl 1 2\np 3\nf 1/1 2/1 3/1\r\n",
            "3 v 1 vt 0 vn\ndefault 0: #0 1/1 2/1 3/1\n"},
        FileCase{
            "GroupsNewestFirst",
            s_strSquare + "f 1 2 3\ng a\nf 1 3 4\ng b extra words\nf 2 3 4\ng a\nf 4 3 2 1\ng\nf 1 2 4\n",
            s_strCounts + "b 0: #2 2 3 4\na 0: #1 1 3 4 #3 4 3 2 #4 4 2 1\ndefault 0: #0 1 2 3 #5 1 2 4\n"},
        FileCase{"GroupsKeepTheLastMaterialSet",
                 s_strSquare + "usemtl blue\ng a\nf 1 2 3\nmtllib lib.mtl\ng b\nusemtl red\nf 1 2 3\n"
                               "g c\nf 1 2 3\nusemtl blue\n",
                 s_strCounts + "mtllib lib.mtl: default red blue\nc 2: #2 1 2 3\nb 1: #1 1 2 3\n"
                               "a 2: #0 1 2 3\ndefault 2:\n"},
        FileCase{"UnknownMaterial", s_strSquare + "mtllib lib.mtl\ng a\nusemtl Red\nf 1 2 3\n",
                 s_strCounts + "mtllib lib.mtl: default red blue\na 0: #0 1 2 3\ndefault 0:\n",
                 "_glmFindMaterial():  can't find material \"Red\".\n"},
        FileCase{"MaterialWithoutLibrary", s_strSquare + "usemtl red\nf 1 2 3\n",
                 s_strCounts + "default 0: #0 1 2 3\n",
                 "_glmFindMaterial():  can't find material \"red\".\n"},
        FileCase{"SkippedLinesOfAnyLength",
                 "# " + s_strFiller + " vx f 9 9 9 g never\no " + s_strFiller + " vq\ns " +
                     std::string(200, ' ') + "vz\nv 0 0 0 " + s_strFiller +
                     " vy\nv 1 0 0\nv 0 1 0\nf 1 2 3 " + s_strFiller + "\nusemtl " + s_strFiller + "\n",
                 "3 v 0 vt 0 vn\ndefault 0: #0 1 2 3\n",
                 "_glmFindMaterial():  can't find material \"" + std::string(126, 'x') + "\".\n"},
        // A name line is read up to 127 characters (a blank and 126 of the name); what follows is
        // read as words, here a face.
        FileCase{"NameLinesKeepTheirFirst127Characters",
                 s_strSquare + "g " + std::string(126, 'n') + "f 1 2 3\ng " + std::string(130, 'n') +
                     "\nf 2 3 4\n",
                 s_strCounts + std::string(126, 'n') + " 0: #0 1 2 3 #1 2 3 4\ndefault 0:\n"}),
    [](const ::testing::TestParamInfo<FileCase>& param) { return std::string(param.param.pszName); });

using GlmReadTest = CModelFileTest;

TEST_F(GlmReadTest, NumbersReadAsTheNearestFloat)
{
    // Hand-picked forms and values next to float midpoints; then a million numbers with a point
    // and one to eight digits on either side, random and closest to float midpoints (where a
    // conversion that rounds twice goes wrong), among them random values in the forms other
    // programs print. Each is compared with the correctly rounded conversion of the same text.
    std::vector<std::string> words;
    std::istringstream picked(
        "0.123456 -1.5e3 +2. .25 1E-2 -0 3.40282e38 1.17549435e-38 1e-45 inf -nan "
        "0.1000000000000000055511151231257827 123456789012345678901234 16777217 16777219 "
        "0.50000002980232238769531250 0.5000000298023224 33554434.000001 "
        "3.4028235677973366e38 1.1754943508222875e-38 7.006492321624085e-46");
    for (std::string word; picked >> word;)
        words.push_back(word);
    std::mt19937_64 random(20261206);
    const auto put = [&](double d, std::chars_format format, int nPrecision)
    {
        char buffer[64];
        words.emplace_back(buffer, std::to_chars(buffer, buffer + sizeof buffer, d, format, nPrecision).ptr);
    };
    const std::pair<std::chars_format, int> forms[] = {
        {std::chars_format::fixed, 6},      {std::chars_format::general, 9}, {std::chars_format::general, 17},
        {std::chars_format::scientific, 6}, {std::chars_format::fixed, 3},   {std::chars_format::fixed, 12}};
    for (int i = 0; words.size() < 1000000; i++)
    {
        const int nWhole = 1 + static_cast<int>(random() % 8), nFraction = 1 + static_cast<int>(random() % 8);
        std::string word = random() % 2 ? "-" : "";
        for (int k = 0; k < nWhole + nFraction; k++)
            (word += k == nWhole ? "." : "") += static_cast<char>('0' + random() % 10);
        words.push_back(word);
        const float f = std::ldexp(float(random() % (1u << 24)), static_cast<int>(random() % 40) - 40);
        put((double(f) + std::nextafter(f, 2 * f + 1)) / 2, std::chars_format::fixed, nFraction);
        if (i % 16 == 0)
            put(std::ldexp(double(random() % (1u << 30)), -30) * std::pow(10.0, int(random() % 13) - 6) *
                    (i % 32 ? -1 : 1),
                forms[i / 16 % 6].first, forms[i / 16 % 6].second);
    }
    while (words.size() % 3)
        words.push_back("0");
    std::string text;
    for (std::size_t i = 0; i < words.size(); i += 3)
        text += "v " + words[i] + " " + words[i + 1] + " " + words[i + 2] + "\n";
    const auto pModel = LoadText(text);
    ASSERT_EQ(pModel->numvertices, words.size() / 3);
    int nWrong = 0;
    for (std::size_t i = 0; i < words.size() && nWrong < 10; i++)
    {
        const float fRead = pModel->vertices[3 + i], fExpected = std::strtof(words[i].c_str(), nullptr);
        const bool bSame = std::isnan(fExpected)
                               ? std::isnan(fRead)
                               : fRead == fExpected && std::signbit(fRead) == std::signbit(fExpected);
        nWrong += !bSame;
        EXPECT_TRUE(bSame) << words[i] << " read as " << fRead;
    }
}

// The library of the last mtllib line replaces the one before, none of whose colours remain.
TEST_F(GlmReadTest, LibraryGivesDefaultAndNamedMaterialsInFileOrder)
{
    Put("old.mtl", "Ka 1 1 1\nnewmtl x\nnewmtl y\nKd 0 1 0\nKa 1 1 1\nKs 1 1 1\nNs 10\nnewmtl z\n");
    Put("model.mtl", "Kd 0.1 0.2 0.3\n# comment\nnewmtl red\nKd 1 0 0\nKa 0.5 0.25 0.125\nKs 0.2 0.4 0.6\n"
                     "Ns 500\nillum 2\nmap_Kd red.bmp\nKe 9 9 9\nnewmtl shiny more words\nNs 1000\nd 0.5\n");
    const auto pModel = LoadText("mtllib old.mtl\nmtllib model.mtl\n");
    ASSERT_EQ(Describe(*pModel), "0 v 0 vt 0 vn\nmtllib model.mtl: default red shiny\ndefault 0:\n");
    std::vector<float> values;  // diffuse, ambient, specular and shininess of each
    for (const GlmMaterial& m : pModel->materials)
    {
        for (const float* p : {m.diffuse, m.ambient, m.specular})
            values.insert(values.end(), p, p + 4);
        values.push_back(m.shininess);
    }
    EXPECT_EQ(values,
              (std::vector<float>{0.1f, 0.2f, 0.3f, 1, 0.2f, 0.2f,  0.2f,   1, 0,    0,    0,    1, 0,
                                  1,    0,    0,    1, 0.5f, 0.25f, 0.125f, 1, 0.2f, 0.4f, 0.6f, 1, 64,
                                  0.8f, 0.8f, 0.8f, 1, 0.2f, 0.2f,  0.2f,   1, 0,    0,    0,    1, 128}));
}

// --- paths --------------------------------------------------------------------------------------

TEST_F(GlmReadTest, FilesAreFoundByTheirPaths)
{
    Put("models/key.obj", "mtllib key.mtl\n");
    Put("models/key.mtl", "newmtl gold\n");
    Put("key.mtl", "newmtl silver\n");
    EXPECT_EQ(Describe(*Load("models/key.obj")), "0 v 0 vt 0 vn\nmtllib key.mtl: default gold\ndefault 0:\n");
    Put("Meshes/Tri.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    EXPECT_EQ(Load("MESHES\\tri.OBJ")->numtriangles, 1u);  // a Windows-style name reaches the file

    // A path without a slash finds its library in the working directory.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(m_dir.Path());
    Put("bare.obj", "mtllib key.mtl\n");
    CGlmModel bare;
    bare.glmReadOBJ("bare.obj");
    std::filesystem::current_path(previous);
    EXPECT_EQ(bare.pathname, "bare.obj");
    EXPECT_EQ(Describe(bare), "0 v 0 vt 0 vn\nmtllib key.mtl: default silver\ndefault 0:\n");
}

TEST(GlmGroupTest, LongListIsReleasedWithoutDeepRecursion)
{
    auto pModel = std::make_unique<CGlmModel>();
    for (int i = 0; i < 1000000; i++)
    {
        auto pGroup = std::make_unique<GlmGroup>();
        pGroup->next = std::move(pModel->groups);
        pModel->groups = std::move(pGroup);
    }
    pModel.reset();
}

// --- fatal conditions ---------------------------------------------------------------------------

// A model file "sub/model.obj" (none when absent) that ends the read, and its message ("%"
// stands for the directory "sub/", where the library "bad.mtl" always is). File failures go to
// the trace, the others to standard output.
struct FatalCase
{
    const char* pszName;
    std::optional<std::string> text;
    std::string message;
};

class GlmReadDeathTest : public CModelFileTest, public ::testing::WithParamInterface<FatalCase>
{
};

TEST_P(GlmReadDeathTest, EndsTheProcessWithItsMessage)
{
    const FatalCase& c = GetParam();
    if (c.text) Put("sub/model.obj", *c.text);
    Put("sub/bad.mtl", "newmtl a\nKd 1 x 0\n");
    std::string message = c.message;
    for (std::size_t at; (at = message.find('%')) != std::string::npos;)
        message.replace(at, 1, m_dir / "sub/");
    EXPECT_EXIT(
        {
            RouteToStderr(message.find("failed:") != std::string::npos ? EChannel::trace : EChannel::output);
            CGlmModel model;
            model.glmReadOBJ(m_dir / "sub/model.obj");
        },
        ::testing::ExitedWithCode(1), "^" + Literal(message) + "$");
}

const std::string s_strTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\n";
const std::string s_strLine6 = "glmReadOBJ(): \"%model.obj\" line 6: ";

INSTANTIATE_TEST_SUITE_P(
    Faults, GlmReadDeathTest,
    ::testing::Values(
        FatalCase{"MissingModel", std::nullopt,
                  "glmReadOBJ() failed: can't open data file \"%model.obj\".\n"},
        FatalCase{"MissingLibrary", "mtllib lib.mtl\n",
                  "_glmReadMTL() failed: can't open material file \"%lib.mtl\".\n"},
        FatalCase{"BadLibraryNumber", "mtllib bad.mtl\n",
                  "_glmReadMTL(): \"%bad.mtl\" line 2: expected a number, found \"x\".\n"},
        FatalCase{"UnknownToken", s_strTriangle + "vp 1 2\n", "_glmFirstPass(): Unknown token \"vp\".\n"},
        FatalCase{"CornerZero", s_strTriangle + "f 1 2 0\n",
                  s_strLine6 + "vertex number 0 in corner \"0\" is out of range (3 read so far).\n"},
        FatalCase{"CornerBeforeItsVertex", s_strTriangle + "f 1 2 4\nv 0 1 0\n",
                  s_strLine6 + "vertex number 4 in corner \"4\" is out of range (3 read so far).\n"},
        FatalCase{"NegativeBeyondFirst", s_strTriangle + "\n\nf -1 -2 -4\n",
                  "glmReadOBJ(): \"%model.obj\" line 8: vertex number -4 in corner \"-4\" is out of range (3 "
                  "read so far).\n"},
        FatalCase{"TexcoordBeyond", s_strTriangle + "f 1/1 2/2 3/1\n",
                  s_strLine6 +
                      "texture coordinate number 2 in corner \"2/2\" is out of range (1 read so far).\n"},
        FatalCase{"NormalBeyond", s_strTriangle + "f 1//1 2//1 3//99999999999999999999\n",
                  s_strLine6 +
                      "normal number 9223372036854775807 in corner \"3//99999999999999999999\" is out "
                      "of range (1 read so far).\n"},
        FatalCase{"TwoCorners", s_strTriangle + "f 1 2\n",
                  s_strLine6 + "a face needs at least three corners.\n"},
        FatalCase{"NoCorners", s_strTriangle + "f\n1 2 3\n",
                  s_strLine6 + "a face needs at least three corners.\n"},
        FatalCase{"MixedForms", s_strTriangle + "f 1/1/1 2//1 3/1/1\n",
                  s_strLine6 +
                      "corner \"2//1\" does not have the form of the face's first corner \"1/1/1\".\n"},
        FatalCase{"CornerWithGarbage", s_strTriangle + "f 1 2 3x\n",
                  s_strLine6 + "corner \"3x\" does not have the form of the face's first corner \"1\".\n"},
        FatalCase{"MissingCoordinate", "v 0 0 0\nv 1 0\nv 0 1 0\n",
                  "glmReadOBJ(): \"%model.obj\" line 2: expected a number, found \"\".\n"},
        FatalCase{"BadCoordinate", "v 0 0 0\nvn 1 zero 0\n",
                  "glmReadOBJ(): \"%model.obj\" line 2: expected a number, found \"zero\".\n"}),
    [](const ::testing::TestParamInfo<FatalCase>& param) { return std::string(param.param.pszName); });

}  // namespace

// GlmReadTest: the OBJ and MTL readers on files written here: a table of files and the model
// each gives, numbers against the correctly rounded conversion, materials, and the fatal
// conditions.
#include "GlmTestSupport.h"  // CModelFileTest

#include <cstdio>    // remove
#include <charconv>  // to_chars for numbers in the forms other programs print
#include <cmath>     // isnan, signbit, pow, ldexp, nextafter
#include <random>    // numbers to read
#include <sstream>   // the hand-picked numbers as words

namespace
{

using GlmReadTest = cubatro::test::CModelFileTest;

// The model as text: its counts, library and materials, then one line per group (newest first)
// with its material and its triangles ("#number" and the corners as "v", "v/t", "v//n" or
// "v/t/n").
std::string Describe(const CGlmModel& m)
{
    std::string text = std::to_string(m.numvertices) + " v " + std::to_string(m.numtexcoords) + " vt " +
                       std::to_string(m.numnormals) + " vn";
    if (m.mtllibname) ((text += '\n') += *m.mtllibname) += ":";
    for (const GlmMaterial& material : m.materials)
        (text += ' ') += material.name;
    for (const GlmGroup* p = m.groups.get(); p; p = p->next.get())
    {
        (((text += '\n') += p->name) += ' ' + std::to_string(p->material)) += ':';
        for (std::uint32_t n = 0; n < p->numtriangles; n++)
        {
            const GlmTriangle& t = m.triangles.at(p->triangles.at(n));
            (text += " #") += std::to_string(p->triangles[n]);
            for (int c = 0; c < 3; c++)
            {
                (text += ' ') += std::to_string(t.vindices[c]);
                if (t.tindices[c] || t.nindices[c]) text += '/';
                if (t.tindices[c]) text += std::to_string(t.tindices[c]);
                if (t.nindices[c]) (text += '/') += std::to_string(t.nindices[c]);
            }
        }
    }
    return text;
}

// Each file (beside the library "lib.mtl"), the model it gives and what the read prints.
TEST_F(GlmReadTest, FilesGiveTheirModelsAndMessages)
{
    const std::string square =
        "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv -1 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
        "vn 0 0 1\nvn 0 0 -1\n";
    const std::string x(5000, 'x'), n126(126, 'n');
    // clang-format off
    const std::string cases[][3] = {
        // Polygons fan around their first corner; a face line may be longer than 64 characters;
        // negative numbers count back from the last element read so far.
        {square + "f 1 2 3\nf 2/4 3/1 4/2\nf 4//2 1//1 2//2\nf 1/2/2 2/3/1 3/4/2\nf\t+1//+2   2//1\t3//2 4//1 # 5//1\n"
                  "f 1/1 2/2 3/3 4/4 5/1\nf 5" + std::string(70, ' ') + "4 3\nf -1 -2 -5\nv 5 5 5\nf -5/-1/-2 -4/-2/-1 -6/-3/-2\n",
         "6 v 4 vt 2 vn\ndefault 0: #0 1 2 3 #1 2/4 3/1 4/2 #2 4//2 1//1 2//2 #3 1/2/2 2/3/1 3/4/2 #4 1//2 2//1 3//2"
         " #5 1//2 3//2 4//1 #6 1/1 2/2 3/3 #7 1/1 3/3 4/4 #8 1/1 4/4 5/1 #9 5 4 3 #10 5 4 1 #11 2/4/1 3/3/2 1/2/1", ""},
        {"# v 1 2 3\no key\nv 0 0 0 1\r\nv 1 0 0 1\nv 0 1 0\nvt 0 0 0\n  vn 0 0 1\ns 1\nl 1 2\np 3\nf 1/1 2/1 3/1\r\n",
         "3 v 1 vt 1 vn\ndefault 0: #0 1/1 2/1 3/1", ""},
        // Groups newest first, each with the material set last before or in it; the library is
        // read before the materials are looked up.
        {square + "usemtl blue\nf 1 2 3\ng a\nf 1 3 4\nmtllib lib.mtl\ng b extra words\nusemtl red\nf 2 3 4\ng a\n"
                  "f 4 3 2 1\ng\nf 1 2 4\ng c\nusemtl default\nf 1 2 3\ng d\nusemtl Red\nusemtl blue\n",
         "5 v 4 vt 2 vn\nlib.mtl: default red blue\nd 2:\nc 0: #6 1 2 3\nb 1: #2 2 3 4\na 1: #1 1 3 4 #3 4 3 2 #4 4 2 1"
         "\ndefault 1: #0 1 2 3 #5 1 2 4", "_glmFindMaterial():  can't find material \"Red\".\n"},
        // A skipped line is skipped whole; a name line is read up to 127 characters (a blank and
        // 126 of the name), and what follows is read as words, here a face.
        {"# " + x + " vx f 9 9 9 g never\no " + x + " vq\nv 0 0 0 " + x + "\nv 1 0 0\nv 0 1 0\nf 1 2 3 " + x +
             "\nusemtl " + x + "\ng " + n126 + "f 1 2 3\ng " + n126 + "nnnn\nf 2 3 1\n",
         "3 v 0 vt 0 vn\n" + n126 + " 0: #1 1 2 3 #2 2 3 1\ndefault 0: #0 1 2 3",
         "_glmFindMaterial():  can't find material \"" + x.substr(0, 126) + "\".\n"}};
    // clang-format on
    Put("lib.mtl", "newmtl red\nnewmtl blue\n");
    for (const auto& [text, description, output] : cases)
    {
        EXPECT_EQ(Describe(*Load("model.obj", text)), description);
        EXPECT_EQ(m_strOutput + "|" + m_strTrace, output + "|");
    }
}

// Hand-picked forms and values next to float midpoints, then a million numbers with one to eight
// digits on either side of a point, random and closest to float midpoints (where a conversion
// that rounds twice goes wrong), and in the forms other programs print: each reads as the
// correctly rounded conversion of its text.
TEST_F(GlmReadTest, NumbersReadAsTheNearestFloat)
{
    std::vector<std::string> words;
    std::istringstream picked("0.123456 -1.5e3 +2. .25 1E-2 -0 3.40282e38 1.17549435e-38 1e-45 inf -nan "
                              "0.1000000000000000055511151231257827 123456789012345678901234 16777217 "
                              "0.50000002980232238769531250 0.5000000298023224 33554434.000001 "
                              "3.4028235677973366e38 1.1754943508222875e-38 7.006492321624085e-46");
    for (std::string word; picked >> word;)
        words.push_back(word);
    std::mt19937_64 random(20261206);
    char buffer[64];
    for (int i = 0; words.size() < 1000002; i++)
    {
        const int nWhole = 1 + static_cast<int>(random() % 8), nFraction = 1 + static_cast<int>(random() % 8);
        std::string word = random() % 2 ? "-" : "";
        for (int k = 0; k < nWhole + nFraction; k++)
            (word += k == nWhole ? "." : "") += static_cast<char>('0' + random() % 10);
        words.push_back(word);
        const float f = std::ldexp(float(random() % (1u << 24)), static_cast<int>(random() % 40) - 40);
        const double d[] = {(double(f) + std::nextafter(f, 2 * f + 1)) / 2,
                            std::ldexp(double(random() % (1u << 30)), -30) *
                                std::pow(10.0, int(random() % 13) - 6)};
        words.emplace_back(buffer,
                           std::to_chars(buffer, buffer + 64, d[0], std::chars_format::fixed, nFraction).ptr);
        words.emplace_back(
            buffer, std::to_chars(buffer, buffer + 64, d[1], std::chars_format::general, 1 + i % 17).ptr);
    }
    words.resize(words.size() / 3 * 3);
    std::string text;
    for (std::size_t i = 0; i < words.size(); i += 3)
        text += "v " + words[i] + " " + words[i + 1] + " " + words[i + 2] + "\n";
    const auto pModel = Load("model.obj", text);
    ASSERT_EQ(pModel->numvertices, words.size() / 3);
    for (std::size_t i = 0, nWrong = 0; i < words.size() && nWrong < 10; i++)
    {
        const float fRead = pModel->vertices[3 + i], fExpected = std::strtof(words[i].c_str(), nullptr);
        const bool bSame = std::isnan(fExpected)
                               ? std::isnan(fRead)
                               : fRead == fExpected && std::signbit(fRead) == std::signbit(fExpected);
        EXPECT_TRUE(bSame) << words[i] << " read as " << fRead;
        nWrong += !bSame;
    }
}

// The library lies beside the model (in the working directory for a path without a slash); that
// of the last mtllib line replaces the one before, none of whose colours remain. Each material
// gives its diffuse, ambient and specular colours and its shininess.
TEST_F(GlmReadTest, LibraryGivesDefaultAndNamedMaterialsInFileOrder)
{
    EXPECT_EQ(CGlmModel::_glmDirectoryOf("a/b/key.obj") + "|" + CGlmModel::_glmDirectoryOf("key.obj"),
              "a/b/|");
    Put("sub/old.mtl", "Ka 1 1 1\nnewmtl x\nnewmtl y\nKd 0 1 0\nKa 1 1 1\nKs 1 1 1\nNs 10\nnewmtl z\n");
    Put("sub/model.mtl", "Kd 0.1 0.2 0.3\n# comment\nnewmtl red\nKd 1 0 0\nKa 0.5 0.25 0.125\n"
                         "Ks 0.2 0.4 0.60000000000000000000001\nNs 500\nillum 2\nmap_Kd red.bmp\nKe 9 9 9\n"
                         "newmtl shiny more words\nNs 1000\nd 0.5\n");
    const auto pModel = Load("sub/model.obj", "mtllib old.mtl\nmtllib model.mtl\n");
    ASSERT_EQ(Describe(*pModel), "0 v 0 vt 0 vn\nmodel.mtl: default red shiny\ndefault 0:");
    std::vector<float> values;
    for (const GlmMaterial& m : pModel->materials)
        for (const float* p : {m.diffuse, m.ambient, m.specular, &m.shininess})
            values.insert(values.end(), p, p + (p == &m.shininess ? 1 : 4));
    // clang-format off
    EXPECT_EQ(values, (std::vector<float>{0.1f, 0.2f, 0.3f, 1,  0.2f, 0.2f, 0.2f, 1,  0, 0, 0, 1,  0,
                                          1, 0, 0, 1,  0.5f, 0.25f, 0.125f, 1,  0.2f, 0.4f, 0.6f, 1,  64,
                                          0.8f, 0.8f, 0.8f, 1,  0.2f, 0.2f, 0.2f, 1,  0, 0, 0, 1,  128}));
    // clang-format on
}

// A file that cannot be opened (the model, its library) and a malformed statement (a bad number in
// the library, an unknown word, a corner beyond the elements read so far, too few corners, corners
// of mixed forms, a missing coordinate) end the process with status 1.
TEST_F(GlmReadTest, FaultsEndTheProcess)
{
    Put("bad.mtl", "newmtl a\nKd 1 x 0\n");
    for (const char* pszText :
         {"mtllib missing.mtl\n", "mtllib bad.mtl\n", "vp 1 2\n", "v 0 0 0\nf 1 1 2\nv 0 1 0\n",
          "v 0 0 0\nf 1 1\n", "v 0 0 0\nvn 0 0 1\nf 1//1 1 1//1\n", "v 0 0 0\nv"})
        EXPECT_EXIT(CGlmModel().glmReadOBJ(Put("bad.obj", pszText)), ::testing::ExitedWithCode(1), "")
            << pszText;
    EXPECT_EXIT(CGlmModel().glmReadOBJ(m_dir / "missing.obj"), ::testing::ExitedWithCode(1), "");
}

}  // namespace

// GlmFileTest: the OBJ and MTL readers and writers on files written here and by other programs: a
// table of files and the model each gives, numbers against the correctly rounded conversion,
// materials, fatal conditions, the exact text the writer gives and what reads back, and a mesh
// converted by assimp, read like tinyobjloader reads it and written for it.
#include "GlmTestSupport.h"  // CModelFileTest, RunCommand

#include <tiny_obj_loader.h>  // tinyobj::ObjReader, the independent reader
#include <unistd.h>           // dup2 for the messages of death tests

#include <algorithm>  // std::min
#include <charconv>   // to_chars for numbers in the forms other programs print
#include <cmath>      // isnan, signbit, pow, ldexp, nextafter
#include <random>     // numbers to read
#include <tuple>      // the arrays compared

namespace
{

using GlmFileTest = cubatro::test::CModelFileTest;

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

// Expects `model` to hold what tinyobjloader reads from the file `path`, its polygons fanned
// around their first corner; returns the number of materials tinyobjloader read.
std::size_t ExpectSameAsTinyobjloader(const CGlmModel& model, const std::string& path)
{
    tinyobj::ObjReaderConfig config;
    config.triangulate = false;  // polygons as the file has them, fanned here
    tinyobj::ObjReader reader;
    EXPECT_TRUE(reader.ParseFromFile(path, config)) << reader.Error();
    const tinyobj::attrib_t& attrib = reader.GetAttrib();
    for (const auto& [pOurs, nPer, pTheirs] : {std::tuple{&model.vertices, 3, &attrib.vertices},
                                               {&model.normals, 3, &attrib.normals},
                                               {&model.texcoords, 2, &attrib.texcoords}})
        EXPECT_THAT(
            std::vector<float>(pOurs->begin() + std::min<std::size_t>(nPer, pOurs->size()), pOurs->end()),
            ::testing::Pointwise(::testing::FloatNear(2e-6f), *pTheirs));
    std::vector<std::array<int, 3>> ours, theirs;  // vertex, texture coordinate and normal of each corner
    for (const GlmTriangle& t : model.triangles)
        for (int c = 0; c < 3; c++)
            ours.push_back({int(t.vindices[c]), int(t.tindices[c]), int(t.nindices[c])});
    for (const tinyobj::shape_t& shape : reader.GetShapes())
        for (std::size_t f = 0, nFirst = 0; f < shape.mesh.num_face_vertices.size();
             nFirst += shape.mesh.num_face_vertices[f++])
            for (std::size_t k = nFirst + 2; k < nFirst + shape.mesh.num_face_vertices[f]; k++)
                for (const tinyobj::index_t& i :
                     {shape.mesh.indices[nFirst], shape.mesh.indices[k - 1], shape.mesh.indices[k]})
                    theirs.push_back({i.vertex_index + 1, i.texcoord_index + 1, i.normal_index + 1});
    EXPECT_EQ(ours, theirs);
    return reader.GetMaterials().size();
}

// Each file (beside the library "lib.mtl"), the model it gives and what the read prints.
TEST_F(GlmFileTest, FilesGiveTheirModelsAndMessages)
{
    const std::string square = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv -1 1 0\nvt 0 0\nvt 1 0\nvt 1 1\n"
                               "vt 0 1\nvn 0 0 1\nvn 0 0 -1\n";
    // clang-format off
    const std::string cases[][3] = {
        // Polygons fan around their first corner; a face line may be longer than 64 characters;
        // negative numbers count back from the last element read so far.
        {square + "f 1 2 3\nf 2/4 3/1 4/2\nf 4//2 1//1 2//2\nf 1/2/2 2/3/1 3/4/2\n"
             "f\t+1//+2   2//1\t3//2 4//1 # 5//1\nf 1/1 2/2 3/3 4/4 5/1\nf 5" + std::string(70, ' ') + "4 3\n"
             "f -1 -2 -5\nv 5 5 5\nf -5/-1/-2 -4/-2/-1 -6/-3/-2\n",
         "6 v 4 vt 2 vn\ndefault 0: #0 1 2 3 #1 2/4 3/1 4/2 #2 4//2 1//1 2//2 #3 1/2/2 2/3/1 3/4/2"
         " #4 1//2 2//1 3//2 #5 1//2 3//2 4//1 #6 1/1 2/2 3/3 #7 1/1 3/3 4/4 #8 1/1 4/4 5/1 #9 5 4 3"
         " #10 5 4 1 #11 2/4/1 3/3/2 1/2/1", ""},
        {"# v 1 2 3\no key\nv 0 0 0 1\r\nv 1 0 0 1\nv 0 1 0\nvt 0 0 0\n  vn 0 0 1\ns 1\nl 1 2\np 3\n"
         "f 1/1 2/1 3/1\r\n", "3 v 1 vt 1 vn\ndefault 0: #0 1/1 2/1 3/1", ""},
        // Groups newest first, each with the material set last before or in it; the library is
        // read before the materials are looked up.
        {square + "usemtl blue\nf 1 2 3\ng a\nf 1 3 4\nmtllib lib.mtl\ng b extra words\nusemtl red\nf 2 3 4\n"
                  "g a\nf 4 3 2 1\ng\nf 1 2 4\ng c\nusemtl default\nf 1 2 3\ng d\nusemtl Red\nusemtl blue\n",
         "5 v 4 vt 2 vn\nlib.mtl: default red blue\nd 2:\nc 0: #6 1 2 3\nb 1: #2 2 3 4\n"
         "a 1: #1 1 3 4 #3 4 3 2 #4 4 2 1\ndefault 1: #0 1 2 3 #5 1 2 4",
         "_glmFindMaterial():  can't find material \"Red\".\n"},
        // A '#' ends the statement wherever it starts, in every kind of line.
        {"mtllib lib.mtl#x\nv 0 0 0#c\nv 1 0 0 #c\nv 0 1 0\nvt 0 0#c\nvn 0 0 1#\ng a#c\nusemtl red#c\nf 1 2 3#c\n"
         "f 1/1 2/1 3/1#c 1/1\nf 1//1 2//1 3//1#\n",
         "3 v 1 vt 1 vn\nlib.mtl: default red blue\na 1: #0 1 2 3 #1 1/1 2/1 3/1 #2 1//1 2//1 3//1\ndefault 0:", ""}};
    // clang-format on
    Put("lib.mtl", "newmtl red\nnewmtl blue\n");
    for (const auto& [text, description, output] : cases)
    {
        EXPECT_EQ(Describe(Load("model.obj", text)), description);
        EXPECT_EQ(m_strOutput + "|" + m_strTrace, output + "|");
    }
}

// Hand-picked forms and values next to float midpoints, then a million numbers: random ones with
// one to eight digits on either side of a point, those closest to float midpoints (where a
// conversion that rounds twice goes wrong), and numbers in the forms other programs print. Each
// reads as the correctly rounded conversion of its text.
TEST_F(GlmFileTest, NumbersReadAsTheNearestFloat)
{
    // clang-format off
    std::vector<std::string> words = {"0.123456", "-1.5e3", "+2.", ".25", "1E-2", "-0", "3.40282e38",
        "1.17549435e-38", "1e-45", "inf", "-nan", "0.1000000000000000055511151231257827", "16777217",
        "123456789012345678901234", "0.50000002980232238769531250", "0.5000000298023224", "33554434.000001",
        "3.4028235677973366e38", "1.1754943508222875e-38", "7.006492321624085e-46"};
    // clang-format on
    std::mt19937_64 random(20261206);
    const auto put = [&](double d, std::chars_format format, int nPrecision)
    {
        char buffer[64];
        words.emplace_back(buffer, std::to_chars(buffer, buffer + 64, d, format, nPrecision).ptr);
    };
    for (int i = 0; words.size() < 1000002; i++)
    {
        const float f = std::ldexp(float(random() % (1u << 24)), static_cast<int>(random() % 40) - 40);
        put(double(random() % 100000000) / std::pow(10.0, int(random() % 8)) * (i % 2 ? -1 : 1),
            std::chars_format::fixed, 1 + i % 8);
        put((double(f) + std::nextafter(f, 2 * f + 1)) / 2, std::chars_format::fixed, 1 + i / 2 % 8);
        put(std::ldexp(double(random() % (1u << 30)), -30) * std::pow(10.0, int(random() % 13) - 6),
            std::chars_format::general, 1 + i % 17);
    }
    std::string text;
    for (std::size_t i = 0; i + 3 <= words.size(); i += 3)
        text += "v " + words[i] + " " + words[i + 1] + " " + words[i + 2] + "\n";
    const CGlmModel& model = Load("model.obj", text);
    for (std::size_t i = 0, nWrong = 0; i < 3 * std::size_t(model.numvertices) && nWrong < 10; i++)
    {
        const float fRead = model.vertices[3 + i], fExpected = std::strtof(words[i].c_str(), nullptr);
        const bool bSame = std::isnan(fExpected)
                               ? std::isnan(fRead)
                               : fRead == fExpected && std::signbit(fRead) == std::signbit(fExpected);
        EXPECT_TRUE(bSame) << words[i] << " read as " << fRead;
        nWrong += !bSame;
    }
    EXPECT_EQ(model.numvertices, words.size() / 3);
}

// The library lies beside the model. Each material gives its diffuse, ambient and specular colours
// and its shininess (0 to 1000 in the file, 0 to 128 in the model); a colour before the first
// name belongs to "default".
TEST_F(GlmFileTest, LibraryGivesDefaultAndNamedMaterialsInFileOrder)
{
    Put("sub/model.mtl", "Kd 0.1 0.2 0.3\n# comment\nnewmtl red#c\nKd 1 0 0#c\nKa 0.5 0.25 0.125\n"
                         "Ks 0.2 0.4 0.60000000000000000000001\nNs 500\nillum 2\nmap_Kd red.bmp\nKe 9 9 9\n"
                         "newmtl shiny more words\nNs 1000\nd 0.5\n");
    const CGlmModel& model = Load("sub/model.obj", "mtllib model.mtl\n");
    ASSERT_EQ(Describe(model), "0 v 0 vt 0 vn\nmodel.mtl: default red shiny\ndefault 0:");
    std::vector<float> values;
    for (const GlmMaterial& m : model.materials)
        for (const float* p : {m.diffuse, m.ambient, m.specular, &m.shininess})
            values.insert(values.end(), p, p + (p == &m.shininess ? 1 : 4));
    // clang-format off
    EXPECT_EQ(values, (std::vector<float>{0.1f, 0.2f, 0.3f, 1,  0.2f, 0.2f, 0.2f, 1,  0, 0, 0, 1,  0,
                                          1, 0, 0, 1,  0.5f, 0.25f, 0.125f, 1,  0.2f, 0.4f, 0.6f, 1,  64,
                                          0.8f, 0.8f, 0.8f, 1,  0.2f, 0.2f, 0.2f, 1,  0, 0, 0, 1,  128}));
    // clang-format on
}

// A file that cannot be opened (the model, its library) and a malformed statement (a bad number in
// the library, an unknown word, a corner beyond the elements read so far, too few corners, a
// missing coordinate, corners of mixed forms) end the process with status 1, the statement's
// message naming its line; so does a written file that cannot be written whole.
TEST_F(GlmFileTest, FaultsEndTheProcess)
{
    Put("bad.mtl", "newmtl a\nKd 1 x 0\n");
    // clang-format off
    const char* const cases[][2] = {{"mtllib missing.mtl\n", ""}, {"vp 1 2\n", "Unknown token .vp"},
        {"mtllib bad.mtl\n", "line 2: expected a number, found .x"}, {"v 0 0 0\nv", "line 2: expected a"},
        {"v 0 0 0\nf 1 1 2\nv 0 1 0\n", "line 2: vertex number 2 .* .1 read so far"},
        {"v 0 0 0\nf 1 1\n", "line 2: a face needs at least three corners"},
        {"v 0 0 0\nvn 0 0 1\nf 1//1 1 1//1\n", "line 3: corner .1. does not have the form"}};
    // clang-format on
    for (const auto& [pszText, pszMessage] : cases)  // standard output goes where the death test looks
        EXPECT_EXIT((::dup2(2, 1), CGlmModel().glmReadOBJ(Put("bad.obj", pszText))),
                    ::testing::ExitedWithCode(1), pszMessage);
    EXPECT_EXIT(CGlmModel().glmReadOBJ(m_dir / "missing.obj"), ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT(CGlmModel().glmWriteOBJ("/dev/full", 0), ::testing::ExitedWithCode(1), "");
}

// clang-format off
const std::string s_strCredits = "#  \n#  Written by the Cubatro model library, the game's own reader and "
    "writer\n#  of Wavefront models (the model folder of the Cubatro sources).\n"
    "#  Numbers have six decimals; vertices and normals are numbered from 1.\n#  \n";
// Two groups; in each, one triangle with every part and one without texture coordinates.
const std::string s_strModel = "mtllib lib.mtl\nv 0 0 0\nv 1.5 -2 0.0000004\nv 0 1 0.5\nv 1 1 -2\nvt 0 0\n"
    "vt 1 0.5\nvt 0.25 1\nvn 0 0 1\nvn 0.6 0 0.8\nf 1/1/1 2/2/1 3/3/2\nf 1 2 4\ng a\nusemtl red\n"
    "f 4/3/2 3/2/1 2/1/2\nf 4//1 3//2 1//2\n";
// What every part (31) writes of it, and of its library.
const std::string s_strWritten = "#  \n#  Wavefront OBJ generated by Cubatro model library\n" + s_strCredits +
    "\nmtllib lib.mtl\n\n\n# 4 vertices\nv 0.000000 0.000000 0.000000\nv 1.500000 -2.000000 0.000000\n"
    "v 0.000000 1.000000 0.500000\nv 1.000000 1.000000 -2.000000\n\n# 2 normals\n"
    "vn 0.000000 0.000000 1.000000\nvn 0.600000 0.000000 0.800000\n\n# 3 texcoords\nvt 0.000000 0.000000\n"
    "vt 1.000000 0.500000\nvt 0.250000 1.000000\n\n# 2 groups\n# 4 faces (triangles)\n\ng a\nusemtl red\n"
    "f 4/3/2 3/2/1 2/1/2\nf 4//1 3//2 1//2\n\ng default\nusemtl default\nf 1/1/1 2/2/1 3/3/2\nf 1 2 4\n\n";
const std::string s_strLibrary = "#  \n#  Wavefront MTL generated by Cubatro model library\n" + s_strCredits +
    "\nnewmtl default\nKa 0.200000 0.200000 0.200000\nKd 0.800000 0.800000 0.800000\n"
    "Ks 0.000000 0.000000 0.000000\nNs 0.000000\n\nnewmtl red\nKa 0.100000 0.200000 0.300000\n"
    "Kd 1.000000 0.000000 0.000000\nKs 0.500000 0.500000 0.500000\nNs 500.000000\n\n";
// clang-format on

// The model above with facet normals (0.25 i, 0.5, -1) given by hand to triangle i. Every part
// writes the text above (smooth normals standing for flat ones) and its library. Each mode's file,
// read back and written again (facet normals having become the file's normals), gives the same
// text: nothing written is lost.
TEST_F(GlmFileTest, WrittenAsTheModesAskAndReadBackWhole)
{
    Put("lib.mtl", "newmtl red\nKd 1 0 0\nKa 0.1 0.2 0.3\nKs 0.5 0.5 0.5\nNs 500\n");
    CGlmModel& model = Load("model.obj", s_strModel);
    model.numfacetnorms = 4;
    model.facetnorms = {0, 0, 0, 0, 0.5f, -1, 0.25f, 0.5f, -1, 0.5f, 0.5f, -1, 0.75f, 0.5f, -1};
    for (std::uint32_t i = 0; i < 4; i++)
        model.triangles[i].findex = i + 1;
    EXPECT_EQ(Write(model, 31, "all/model.obj"), s_strWritten);
    EXPECT_EQ(m_strTrace,
              "glmWriteOBJ() warning: flat normal output requested and smooth normal output requested "
              "(using smooth).\n");
    const std::vector<unsigned char> library = cubatro::test::CTempDir::ReadAll(m_dir / "all/lib.mtl");
    EXPECT_EQ(std::string(library.begin(), library.end()), s_strLibrary);
    for (unsigned mode = 0; mode < 32; mode++)
    {
        const std::string name = "m" + std::to_string(mode) + "/model.obj", text = Write(model, mode, name);
        CGlmModel& back = Load(name);
        EXPECT_EQ(m_strOutput, "");
        const unsigned again = mode & GLM_MODE_FLAT ? (mode & ~GLM_MODE_FLAT) | GLM_MODE_SMOOTH : mode;
        EXPECT_EQ(Write(back, again, "again/model.obj"), text) << mode;
    }
}

// A mesh with texture coordinates and faces of three, four and five corners, which assimp gives
// normals of its own; and the file glmWriteOBJ writes of what glmReadOBJ reads of it.
TEST_F(GlmFileTest, ToolFileReadLikeTinyobjloaderAndWrittenForIt)
{
    Put("mesh.ply",
        "ply\nformat ascii 1.0\nelement vertex 6\nproperty float x\nproperty float y\nproperty float z\n"
        "property float s\nproperty float t\nelement face 4\nproperty list uchar int vertex_indices\n"
        "end_header\n0 0 0 0 0\n1.25 0 0.1 1 0\n1 1.3333 0 1 1\n-0.1 1 0 0 1\n0.5 2 0.7 0.5 0.875\n"
        "0.5 0.5 -1e-3 0.3 0.3\n3 0 1 2\n4 0 1 2 3\n5 0 1 4 2 3\n3 5 2 1\n");
    std::string output;
    const std::string command = "assimp export '" + (m_dir / "mesh.ply") + "' '" + (m_dir / "mesh.obj") + "'";
    ASSERT_EQ(cubatro::test::RunCommand(command, &output), 0) << output;
    CGlmModel& model = Load("mesh.obj");
    EXPECT_TRUE(model.numtriangles == 7 && model.numtexcoords > 0 && model.numnormals > 0);
    EXPECT_EQ(ExpectSameAsTinyobjloader(model, m_dir / "mesh.obj") + 1, model.nummaterials);
    Write(model, GLM_MODE_SMOOTH | GLM_MODE_TEXTURE | GLM_MODE_MATERIAL, "written.obj");
    EXPECT_EQ(ExpectSameAsTinyobjloader(Load("written.obj"), m_dir / "written.obj"), model.nummaterials);
}

}  // namespace

// GlmReadSamenessTest: files of every shape the OBJ reader knows, read on one thread and on two
// threads with parts and windows that start at every line of the file: the models are the same
// to the bit, with the same messages, and a fault ends both reads with the same message.
#include "TempDir.h"         // cubatro::test::CTempDir for the files
#include "model/GlmModel.h"  // CGlmModel under test

#include <gtest/gtest.h>  // test cases, stdout capture, death tests

#include <unistd.h>  // dup2 to send standard output to standard error

#include <cstring>  // memcpy for the bytes of the arrays
#include <string>   // model files and their descriptions

namespace
{

// Every field of the model, arrays as their bytes.
std::string Bytes(const CGlmModel& m)
{
    std::string s = m.mtllibname.value_or("-") + "|" + std::to_string(m.numgroups);
    const auto append = [&s](const void* p, std::size_t n) { s.append(static_cast<const char*>(p), n); };
    for (std::uint32_t n : {m.numvertices, m.numnormals, m.numtexcoords, m.numtriangles, m.nummaterials})
        append(&n, sizeof n);
    append(m.vertices.data(), m.vertices.size() * sizeof(float));
    append(m.normals.data(), m.normals.size() * sizeof(float));
    append(m.texcoords.data(), m.texcoords.size() * sizeof(float));
    append(m.triangles.data(), m.triangles.size() * sizeof(GlmTriangle));
    for (const GlmMaterial& material : m.materials)
        (s += material.name + "|")
            .append(reinterpret_cast<const char*>(material.diffuse), 13 * sizeof(float));
    for (const GlmGroup* p = m.groups.get(); p; p = p->next.get())
    {
        s += "|" + p->name + "|" + std::to_string(p->numtriangles) + "/" + std::to_string(p->material) + ":";
        append(p->triangles.data(), p->triangles.size() * sizeof(std::uint32_t));
    }
    return s;
}

TEST(GlmReadSamenessTest, ThreadsPartsAndWindowsGiveTheModelOfOneThread)
{
    const cubatro::test::CTempDir dir;
    dir.Write("s.mtl", "newmtl red\nKd 1 0 0\nnewmtl blue#c\nNs 10\n");
    const std::string square = "v 0 0 0\r\nv 1 0 0#c\nv 1 1 0\nv\t0 1 0\nvt 0 0\nvt 1 1\nvn 0 0 1\n";
    const std::string shapes[] = {
        // The four corner forms, polygons, negative numbers, comments, CRLF, no final line end.
        square + "# f 9 9 9\nf 1 2 3\nf 1/1 2/2 3/1 4/2\nf 1//1 2//1 3//1#c\nf -4/-2/-1 -3/-1/-1 -2/-2/-1 "
                 "-1/-1/-1\r\nf 2 3 4",
        // Groups before, between and after faces, named again or not at all; materials found or not.
        "usemtl red\n" + square +
            "f 1 2 3\ng a\nmtllib s.mtl\nusemtl red\nf 1 2 3\nf 3 2 1\ng b # c\nusemtl none\n"
            "f 1 2 3\ng a\nf 2 3 1\ng\nusemtl blue\nf 1 3 4\ng c\n",
        // A name line of more than 127 characters goes on as words; long comments and polygons.
        square + "g " + std::string(126, 'n') + "f 1 2 3\n# " + std::string(300, 'x') +
            "\nf 1 2 3 4 1 2 3 4 1 2 3\n"};
    for (const std::string& shape : shapes)
    {
        const std::string path = dir.Write("model.obj", shape);
        // The model, what the read printed and the threads it ran on.
        const auto read = [&path](unsigned nThreads, std::size_t nPart, std::size_t nWindow)
        {
            CGlmModel model;
            unsigned nUsed = 0;
            ::testing::internal::CaptureStdout();
            model.glmReadOBJ(path, GlmReadOptions{nThreads, 0, nPart, nWindow, &nUsed});
            const std::string output = ::testing::internal::GetCapturedStdout();
            return Bytes(model) + "|" + output + "|" + std::to_string(nUsed);
        };
        std::string expected = read(1, 0, 0);
        expected.back() = '2';  // the same, read on two threads
        for (std::size_t n = 1; n <= shape.size(); n++)
            EXPECT_EQ(read(2, n, n * 7 % 13 + 1), expected) << shape << " in parts of " << n;
    }
    // A fault after a message: the same message, then the first fault of the file, on any thread.
    const std::string path =
        dir.Write("bad.obj", square + "usemtl none\nf 1 2 3\n" + square + "f 1 2 9\nf 1 2 3x\n");
    for (unsigned nThreads : {1u, 2u})
        EXPECT_EXIT(
            {
                ::dup2(2, 1);
                CGlmModel().glmReadOBJ(path, GlmReadOptions{nThreads, 0, 20, 20, nullptr});
            },
            ::testing::ExitedWithCode(1),
            "^_glmFindMaterial\\(\\):  can't find material \"none\".\nglmReadOBJ\\(\\): \".*bad.obj\" line "
            "17: vertex "
            "number 9 in corner \"9\" is out of range \\(8 read so far\\).\n$");
}

}  // namespace

// ObjReadBench: reading generated OBJ models with glmReadOBJ (on one thread and on every core),
// tinyobjloader and assimp in the same run; checks that the readers agree on the counts and
// prints the best and the median of several times for each and the ratios. The readers take
// turns, one read each per round, so that a spell of other load on the machine falls on all of
// them alike. Last, glmReadOBJ on every core, on one thread, and twice at once on a thread each
// take turns alone for many more rounds: the speed-up of the threads beside the most the machine
// allows.
//
// The models, written into a scratch directory:
//   exporter  a wavy grid of 710² quads (1 008 200 triangles) with `v`, `vt`, `vn` and `f a/b/c`
//             corners, in eight groups with two materials
//   plain     a wavy grid of 600² quads as triangles, `v` in exponent form with negatives and tabs,
//             `f a b c` corners
//   groups    20 000 groups of one face each
//   materials 20 000 materials, each used once
// Once written, each file is left in the page cache as a file read from disk is (see Settle).
//
//   bench_obj_read                      measures every model with every reader
//   bench_obj_read --as-written         the same with the files cached as they were written
//   bench_obj_read --write DIR          only writes the models into DIR
//   bench_obj_read --read READER FILE   reads FILE once with READER (ours, ours1, tiny, assimp), for
//                                       measuring its peak memory from outside (/usr/bin/time -v)
#include "model/GlmModel.h"  // CGlmModel::glmReadOBJ, the reader measured

#include <assimp/Importer.hpp>   // Assimp::Importer, the second peer
#include <assimp/postprocess.h>  // aiProcess_Triangulate
#include <assimp/scene.h>        // aiScene, aiMesh
#include <tiny_obj_loader.h>     // tinyobj::LoadObj, the first peer

#include <fcntl.h>   // open, posix_fadvise for settling the files
#include <stdlib.h>  // mkdtemp
#include <unistd.h>  // read, fdatasync, close

#include <algorithm>   // std::sort for the medians
#include <chrono>      // steady_clock for the times
#include <cmath>       // sin, cos for the surfaces
#include <cstdint>     // counters
#include <cstdio>      // printf, FILE for writing the models
#include <cstring>     // strcmp for the arguments
#include <ctime>       // clock_gettime for the processor time
#include <filesystem>  // the scratch directory
#include <functional>  // std::function for the timed readers
#include <string>      // paths
#include <thread>      // two reads on one thread each at once, for the speed-up a machine allows
#include <vector>      // the models and the readers

namespace
{

constexpr int s_nSide = 710;       // quads per side of the exporter model: 2 × 710² = 1 008 200 triangles
constexpr int s_nPlainSide = 600;  // quads per side of the plain model: 2 × 600² = 720 000 triangles
constexpr int s_nMany = 20000;     // groups, or materials, of the small models
constexpr int s_nRuns = 15;        // rounds; the best and the median count, so other load matters less
constexpr int s_nThreadRuns = 60;  // rounds of glmReadOBJ alone on every core and on one thread

struct CCounts
{
    std::uint64_t nVertices = 0;   // positions
    std::uint64_t nTriangles = 0;  // triangles after fanning the polygons
    bool operator==(const CCounts&) const = default;
};

// One generated model: its name, its file, and the counts every reader must find.
struct CModel
{
    const char* pszName;
    std::string path;
    CCounts expected;
};

std::FILE* Open(const std::filesystem::path& path)
{
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f)
    {
        std::printf("cannot write %s\n", path.c_str());
        std::exit(1);
    }
    return f;
}

// The exporter model: a wavy grid of s_nSide² quads with texture coordinates and normals, in
// eight groups with two materials.
CCounts WriteExporter(const std::filesystem::path& obj)
{
    std::FILE* pMtl = Open(obj.parent_path() / "exporter.mtl");
    std::fputs("newmtl stone\nKd 0.6 0.6 0.6\nNs 100\nnewmtl moss\nKd 0.2 0.5 0.1\n", pMtl);
    std::fclose(pMtl);

    std::FILE* f = Open(obj);
    std::fputs("# generated wavy grid\nmtllib exporter.mtl\n", f);
    const int n = s_nSide + 1;
    for (int j = 0; j < n; j++)
        for (int i = 0; i < n; i++)
        {
            const double x = i * 0.01, z = j * -0.01;
            std::fprintf(f, "v %f %f %f\n", x, 0.1 * std::sin(x * 7.0) * std::cos(z * 5.0), z);
        }
    for (int j = 0; j < n; j++)
        for (int i = 0; i < n; i++)
            std::fprintf(f, "vt %f %f\n", double(i) / s_nSide, double(j) / s_nSide);
    for (int j = 0; j < n; j++)
        for (int i = 0; i < n; i++)
        {
            const double a = std::sin(i * 0.07), b = std::cos(j * 0.05);
            const double l = std::sqrt(a * a * 0.01 + 1.0 + b * b * 0.01);
            std::fprintf(f, "vn %f %f %f\n", 0.1 * a / l, 1.0 / l, 0.1 * b / l);
        }
    for (int j = 0; j < s_nSide; j++)
    {
        if (j % (s_nSide / 8 + 1) == 0)
            std::fprintf(f, "g band%d\nusemtl %s\n", j / (s_nSide / 8 + 1), (j / 90) % 2 ? "moss" : "stone");
        for (int i = 0; i < s_nSide; i++)
        {
            const int a = j * n + i + 1, b = a + 1, c = a + n + 1, d = a + n;
            std::fprintf(f, "f %d/%d/%d %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b, b, c, c, c, d, d, d);
        }
    }
    std::fclose(f);
    return CCounts{std::uint64_t(n) * n, 2 * std::uint64_t(s_nSide) * s_nSide};
}

// The plain model: positions only, in exponent form with signs and tabs as some programs print
// them, and triangles of three vertex numbers.
CCounts WritePlain(const std::filesystem::path& obj)
{
    std::FILE* f = Open(obj);
    const int n = s_nPlainSide + 1;
    for (int j = 0; j < n; j++)
        for (int i = 0; i < n; i++)
        {
            const double x = (i - n / 2) * 0.013, z = (j - n / 2) * -0.011;
            std::fprintf(f, "v\t%e\t%e %e\n", x, 0.1 * std::sin(x * 7.0) * std::cos(z * 5.0) - 0.05, z);
        }
    for (int j = 0; j < s_nPlainSide; j++)
        for (int i = 0; i < s_nPlainSide; i++)
        {
            const int a = j * n + i + 1, b = a + 1, c = a + n + 1, d = a + n;
            std::fprintf(f, "f %d %d %d\nf %d %d %d\n", a, b, c, a, c, d);
        }
    std::fclose(f);
    return CCounts{std::uint64_t(n) * n, 2 * std::uint64_t(s_nPlainSide) * s_nPlainSide};
}

// Many groups (bMaterials false) or many materials: s_nMany faces over a strip of vertices, each
// in a group of its own, or each with a material of its own from the library beside it.
CCounts WriteMany(const std::filesystem::path& obj, bool bMaterials)
{
    std::FILE* f = Open(obj);
    if (bMaterials)
    {
        std::FILE* pMtl = Open(obj.parent_path() / "materials.mtl");
        for (int i = 0; i < s_nMany; i++)
            std::fprintf(pMtl, "newmtl m%d\nKd 0.%d 0.5 0.5\n", i, i % 10);
        std::fclose(pMtl);
        std::fputs("mtllib materials.mtl\n", f);
    }
    for (int i = 0; i <= s_nMany; i++)
        std::fprintf(f, "v %d 0 0\nv %d 1 0\n", i, i);
    for (int i = 0; i < s_nMany; i++)
    {
        std::fprintf(f, bMaterials ? "usemtl m%d\n" : "g part%d\n", i);
        std::fprintf(f, "f %d %d %d\n", 2 * i + 1, 2 * i + 3, 2 * i + 2);
    }
    std::fclose(f);
    return CCounts{2 * std::uint64_t(s_nMany + 1), std::uint64_t(s_nMany)};
}

// Leaves the file cached as the system caches a file it reads from disk: written out, dropped
// from the page cache and read once. A file just written through a stdio buffer stays cached in
// pages of 4 KiB, which cost a reader that maps the file several times as much to map as the
// large pieces the system reads a file from disk in (about 20 ms against 2 ms for the two passes
// over the exporter model on the machine this was measured on); a reader that copies the text
// hardly notices.
void Settle(const std::filesystem::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return;
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    std::vector<char> buffer(std::size_t(1) << 20);
    while (::read(fd, buffer.data(), buffer.size()) > 0)
    {
    }
    ::close(fd);
}

std::vector<CModel> WriteModels(const std::filesystem::path& dir, bool bSettle)
{
    std::vector<CModel> models = {{"exporter", (dir / "exporter.obj").string(), {}},
                                  {"plain", (dir / "plain.obj").string(), {}},
                                  {"groups", (dir / "groups.obj").string(), {}},
                                  {"materials", (dir / "materials.obj").string(), {}}};
    models[0].expected = WriteExporter(models[0].path);
    models[1].expected = WritePlain(models[1].path);
    models[2].expected = WriteMany(models[2].path, false);
    models[3].expected = WriteMany(models[3].path, true);
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(dir))
        if (bSettle && entry.is_regular_file()) Settle(entry.path());
    return models;
}

CCounts ReadOurs(const std::string& path, unsigned nThreads)
{
    CGlmModel model;
    GlmReadOptions options;
    options.nThreads = nThreads;
    model.glmReadOBJ(path, options);
    return CCounts{model.numvertices, model.numtriangles};
}

CCounts ReadTiny(const std::string& path)
{
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    CCounts counts;
    const std::string dir = std::filesystem::path(path).parent_path().string() + "/";
    if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, path.c_str(), dir.c_str(), true))
        return counts;
    counts.nVertices = attrib.vertices.size() / 3;
    for (const tinyobj::shape_t& shape : shapes)
        counts.nTriangles += shape.mesh.num_face_vertices.size();
    return counts;
}

// assimp gives each corner a vertex of its own; its vertex count is not compared.
CCounts ReadAssimp(const std::string& path)
{
    Assimp::Importer importer;
    const aiScene* pScene = importer.ReadFile(path, aiProcess_Triangulate);
    CCounts counts;
    for (unsigned i = 0; pScene && i < pScene->mNumMeshes; i++)
        counts.nTriangles += pScene->mMeshes[i]->mNumFaces;
    return counts;
}

struct CReader
{
    const char* pszName;
    std::function<CCounts(const std::string&)> read;
    bool bVertices;  // whether its vertex count is the file's
};

const std::vector<CReader>& Readers()
{
    static const std::vector<CReader> s_readers = {
        {"ours", [](const std::string& path) { return ReadOurs(path, 0); }, true},
        {"ours1", [](const std::string& path) { return ReadOurs(path, 1); }, true},
        {"tiny", ReadTiny, true},
        {"assimp", ReadAssimp, false}};
    return s_readers;
}

// Processor time of the whole process, in seconds.
double CpuSeconds()
{
    timespec now;
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The median of `values` (not empty).
double MedianOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The times of one reader on one model, one per round.
struct CTiming
{
    std::vector<double> walls;  // wall-clock times, seconds
    std::vector<double> cpus;   // processor times of the process (all threads), seconds
    bool bAgree = true;         // whether every run found the expected counts

    double Best() const { return *std::min_element(walls.begin(), walls.end()); }
    double BestCpu() const { return *std::min_element(cpus.begin(), cpus.end()); }
    double Median() const { return MedianOf(walls); }
    // The median over the rounds of this reader's time over `other`'s in the same round: a spell
    // of load, or of a faster machine, that lasts a few rounds moves it less than the best or the
    // median of each alone, as it falls on both times of a round.
    double RoundRatio(const CTiming& other) const
    {
        std::vector<double> ratios;
        for (std::size_t i = 0; i < walls.size() && i < other.walls.size(); i++)
            ratios.push_back(walls[i] / other.walls[i]);
        return MedianOf(ratios);
    }
};

// Reads the model once with the reader and adds the times to `timing`.
void Time(const CReader& reader, const CModel& model, CTiming& timing)
{
    const auto start = std::chrono::steady_clock::now();
    const double dCpuStart = CpuSeconds();
    CCounts counts = reader.read(model.path);
    timing.cpus.push_back(CpuSeconds() - dCpuStart);
    timing.walls.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (!reader.bVertices) counts.nVertices = model.expected.nVertices;
    timing.bAgree = timing.bAgree && counts == model.expected;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--write") == 0)
    {
        WriteModels(argv[2], true);
        return 0;
    }
    const bool bAsWritten = argc == 2 && std::strcmp(argv[1], "--as-written") == 0;
    if (argc == 4 && std::strcmp(argv[1], "--read") == 0)
    {
        for (const CReader& reader : Readers())
            if (std::strcmp(reader.pszName, argv[2]) == 0)
            {
                const CCounts counts = reader.read(argv[3]);
                std::printf("%s: %llu vertices, %llu triangles\n", reader.pszName,
                            static_cast<unsigned long long>(counts.nVertices),
                            static_cast<unsigned long long>(counts.nTriangles));
                return 0;
            }
        std::printf("unknown reader %s\n", argv[2]);
        return 1;
    }
    if (argc > 2 || (argc == 2 && !bAsWritten))
    {
        std::printf("usage: %s [--as-written] | --write DIR | --read ours|ours1|tiny|assimp FILE\n", argv[0]);
        return 2;
    }

    std::string pattern = (std::filesystem::temp_directory_path() / "cubatro-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
    {
        std::printf("cannot create a scratch directory\n");
        return 1;
    }
    const std::filesystem::path dir = pattern;
    const std::vector<CModel> models = WriteModels(dir, !bAsWritten);

    bool bAgree = true;
    std::printf("%d rounds of one read per reader; wall and cpu (processor time of all threads) are the best "
                "times, median the median wall time; ratios are each reader's time over glmReadOBJ's on one "
                "thread (ours1), best over best, median over median, and the median of the ratios of each "
                "round; files cached %s\n",
                s_nRuns, bAsWritten ? "as written" : "as read from disk");
    std::printf("%-10s %6s %-7s %8s %8s %8s %7s %7s %8s %8s\n", "model", "MB", "reader", "wall s", "median s",
                "cpu s", "MB/s", "ratio", "ratio md", "ratio rd");
    for (const CModel& model : models)
    {
        const double dMegabytes = double(std::filesystem::file_size(model.path)) / 1e6;
        std::vector<CTiming> timings(Readers().size());
        for (int nRound = 0; nRound < s_nRuns; nRound++)
            for (std::size_t i = 0; i < timings.size(); i++)
                Time(Readers()[i], model, timings[i]);
        const CTiming& ours = timings[1];
        for (std::size_t i = 0; i < timings.size(); i++)
        {
            const CTiming& t = timings[i];
            std::printf("%-10s %6.1f %-7s %8.4f %8.4f %8.4f %7.1f %7.2f %8.2f %8.2f%s\n", model.pszName,
                        dMegabytes, Readers()[i].pszName, t.Best(), t.Median(), t.BestCpu(),
                        dMegabytes / t.Best(), t.Best() / ours.Best(), t.Median() / ours.Median(),
                        t.RoundRatio(ours), t.bAgree ? "" : "  COUNTS DIFFER");
            bAgree = bAgree && t.bAgree;
        }
    }

    // The speed-up of the threads, from many short rounds of our reads alone, for the models read
    // on every core: ours1 over ours, and beside it what the machine allows: two reads on one
    // thread each, side by side, against one alone (2 × ours1 over the pair). Cores that share
    // caches, memory or a host slow each other down, and no read on two threads beats the pair.
    const CReader pair = {"pair",
                          [](const std::string& path)
                          {
                              CCounts other;
                              std::thread second([&] { other = ReadOurs(path, 1); });
                              const CCounts counts = ReadOurs(path, 1);
                              second.join();
                              return counts == other ? counts : CCounts();
                          },
                          true};
    std::printf(
        "\n%d rounds of glmReadOBJ alone; speed-up of the threads (ours1 over ours) and the most the "
        "machine allows (2 × ours1 over two reads on one thread each at once): best over best, median "
        "over median, median of the rounds\n",
        s_nThreadRuns);
    std::printf("%-10s %8s %8s %8s   %8s %8s %8s\n", "model", "threads", "md", "rd", "allows", "md", "rd");
    for (const CModel& model : models)
    {
        if (std::filesystem::file_size(model.path) < GlmReadOptions().nParallelBytes) continue;
        CTiming ours, ours1, both;
        for (int nRound = 0; nRound < s_nThreadRuns; nRound++)
        {
            Time(Readers()[0], model, ours);
            Time(Readers()[1], model, ours1);
            Time(pair, model, both);
        }
        for (double& d : both.walls)
            d /= 2;
        std::printf("%-10s %8.2f %8.2f %8.2f   %8.2f %8.2f %8.2f\n", model.pszName,
                    ours1.Best() / ours.Best(), ours1.Median() / ours.Median(), ours1.RoundRatio(ours),
                    ours1.Best() / both.Best(), ours1.Median() / both.Median(), ours1.RoundRatio(both));
        bAgree = bAgree && ours.bAgree && ours1.bAgree && both.bAgree;
    }
    std::filesystem::remove_all(dir);
    std::printf("counts %s\n", bAgree ? "agree" : "DISAGREE");
    return bAgree ? 0 : 1;
}

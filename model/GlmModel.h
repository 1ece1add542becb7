// GlmModel: one Wavefront polygon model (OBJ geometry and MTL materials) and every operation
// of the model library.
//
//   GlmModel.cpp    construction, destruction, group and material lookup, directory of a path
//   GlmRead*.cpp    the OBJ reader (two passes over the mapped file, on one thread or several)
//                   and the MTL reader (GlmReadPasses.h tells how they fit)
//   GlmProcess.cpp  fitting, measuring, scaling, winding, normals, texture coordinates, welding
//   GlmWrite.cpp    the OBJ and MTL writers
//   GlmDraw.cpp     immediate-mode drawing and display lists
//
// Numbering: vertices, normals, texture coordinates and facet normals are numbered from 1, as
// in the files, so element 0 of each array is never read (vertex i is vertices[3i .. 3i+2]).
// Triangles, materials and the index arrays of groups are numbered from 0. An array that is
// absent is an empty vector; every array is allocated once at its final size.
//
// Reporting: warnings, failed material lookups, unrecognised words and counts go to standard
// output; file failures and writer warnings go to the debug trace (plat::Trace). A file that
// cannot be opened, an unrecognised word and a malformed statement end the process with exit
// status 1 after their message.
#pragma once

#include <cstddef>      // std::size_t for the read options
#include <cstdint>      // std::uint32_t for counts and indices
#include <memory>       // std::unique_ptr for the owned group list
#include <optional>     // std::optional for the library name, absent when the file names none
#include <string>       // std::string for owned names
#include <string_view>  // std::string_view for names and file text handed in
#include <vector>       // std::vector for the owned arrays

// --- mode bits for glmDraw, glmBuildList and glmWriteOBJ --------------------------------------
inline constexpr unsigned GLM_MODE_NONE = 0;       // positions only
inline constexpr unsigned GLM_MODE_FLAT = 1;       // one facet normal per triangle
inline constexpr unsigned GLM_MODE_SMOOTH = 2;     // one normal per corner
inline constexpr unsigned GLM_MODE_TEXTURE = 4;    // one texture coordinate per corner
inline constexpr unsigned GLM_MODE_COLOR = 8;      // group diffuse colour as current colour (drawing)
inline constexpr unsigned GLM_MODE_MATERIAL = 16;  // full group materials (drawing), MTL file (writing)

// One triangle. The reader writes vindices always, tindices and nindices for faces that carry
// them; every field starts at 0 ("none"), which no numbering from 1 uses.
struct GlmTriangle
{
    std::uint32_t vindices[3] = {0, 0, 0};  // vertex numbers of the corners (1-based)
    std::uint32_t nindices[3] = {0, 0, 0};  // normal numbers of the corners (1-based)
    std::uint32_t tindices[3] = {0, 0, 0};  // texture-coordinate numbers of the corners (1-based)
    std::uint32_t findex = 0;               // facet-normal number (1-based), set by glmFacetNormals
};

// One material of the library; colours are RGBA.
struct GlmMaterial
{
    std::string name;                              // owned name; empty until named
    float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};   // diffuse colour
    float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};   // ambient colour
    float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};  // specular colour
    float shininess = 0.0f;                        // OpenGL scale 0 to 128 (the file's 0 to 1000)
};

// One named group of triangles, a link of the model's list (newest group first).
struct GlmGroup
{
    GlmGroup() = default;
    virtual ~GlmGroup();  // releases the rest of the list one link at a time (no deep recursion)
    GlmGroup(const GlmGroup&) = delete;
    GlmGroup& operator=(const GlmGroup&) = delete;

    std::string name;                      // owned name
    std::uint32_t numtriangles = 0;        // number of triangles in the group
    std::vector<std::uint32_t> triangles;  // owned indices into the model's triangles (0-based)
    std::uint32_t material = 0;            // index into the model's materials
    std::unique_ptr<GlmGroup> next;        // owned next group of the list; null at the end
};

// How glmReadOBJ reads a file. A file is read in two passes (counting, then filling) over parts
// cut at line starts, one part at a time per thread, each in windows of the file cut at line
// starts: a file mapped in memory has at most a window per thread resident.
struct GlmReadOptions
{
    // Threads that read: 1 reads on the calling thread alone; 0 (the default) reads on every
    // core the machine has (std::thread::hardware_concurrency) when the file holds at least
    // nParallelBytes, and on the calling thread otherwise; 2 or more read on that many threads
    // whatever the size.
    unsigned nThreads = 0;
    std::size_t nParallelBytes = std::size_t(6) << 20;  // where reading on every core pays
    std::size_t nPartBytes = 0;    // characters per part, 0: the file shared out in 2 MiB parts or less
    std::size_t nWindowBytes = 0;  // characters per window, 0: 4 MiB
    // When set, receives the threads the model was read on: 1 when the read ran on the calling
    // thread alone, as it also does after a read on several threads came upon a fault (the read
    // on one thread then reports the first fault of the file).
    unsigned* pThreadsUsed = nullptr;
};

// One entry of the per-vertex triangle lists that glmVertexNormals builds for its own use.
struct GlmCornerNode
{
    std::uint32_t index = 0;        // a triangle that uses the vertex (0-based)
    bool averaged = false;          // whether its facet normal went into the averaged normal
    GlmCornerNode* next = nullptr;  // next entry; not owned (the operation owns all entries)
};

class CGlmModel
{
public:
    CGlmModel();  // upon exit the model is empty: counts 0, arrays and names absent, position 0
    virtual ~CGlmModel();
    CGlmModel(const CGlmModel&) = delete;
    CGlmModel& operator=(const CGlmModel&) = delete;
    CGlmModel(CGlmModel&&) noexcept = default;
    CGlmModel& operator=(CGlmModel&&) noexcept = default;

    // --- reading (GlmRead*.cpp) ---------------------------------------------------------------
    // Reads the OBJ file `filename` (opened through the path resolver) into this empty model,
    // with the library its mtllib line names. Upon exit every array has its exact size, every
    // corner number lies within its array, and the group "default" exists. Ends the process
    // with status 1 after a message naming the file (and line) when the file cannot be opened
    // or holds an unrecognised word or a malformed statement. The options choose the threads;
    // whatever they are, the model, the messages and the exit status are the same.
    void glmReadOBJ(std::string_view filename, const GlmReadOptions& options = GlmReadOptions());
    void _glmReadMTL(std::string_view name);  // reads library `name` beside `pathname`

    // --- lookup (GlmModel.cpp) ----------------------------------------------------------------
    std::uint32_t _glmFindMaterial(std::string_view name);      // first exact match, else 0 with a message
    GlmGroup* _glmFindGroup(std::string_view name);             // first exact match from the head, or null
    GlmGroup* _glmAddGroup(std::string_view name);              // found or created at the head of the list
    static std::string _glmDirectoryOf(std::string_view path);  // up to and with the last '/', else ""

    // --- processing (GlmProcess.cpp) ----------------------------------------------------------
    float glmFitToSize(float size);         // centres and scales the vertices; returns the scale
    void glmDimensions(float* dimensions);  // writes the x, y, z extents into dimensions[0..2]
    void glmScaleVertices(float scale);     // multiplies every vertex coordinate by scale
    void glmFlipWinding();                  // reverses corner order, negates normals
    void glmFacetNormals();                 // one unit normal per triangle, sets findex
    void glmVertexNormals(float angle);     // smoothed corner normals within a crease angle
    void glmPlanarTexCoords();              // texture coordinates projected on the x-z plane
    void glmSphereMapTexCoords();           // texture coordinates from the normals' directions
    void glmWeld(float epsilon);            // merges vertices closer than epsilon on every axis

    static float _glmDotProduct(const float* u, const float* v);                   // u . v
    static void _glmCrossProduct(const float* u, const float* v, float* n);        // n = u x v
    static void _glmNormalizeVector(float* v);                                     // v / |v|
    static float _glmAbsolute(float f);                                            // |f|
    static float _glmLarger(float a, float b);                                     // a if a > b, else b
    static bool _glmWithinEpsilon(const float* u, const float* v, float epsilon);  // each |u-v| < eps
    // Distinct vectors of vectors 1..count (numbered from 1, element 0 unused). Upon exit
    // matches[i] (1..count) holds the number of the distinct vector that vector i matched.
    static std::vector<float> _glmUniqueVectors(std::vector<float>& vectors, std::uint32_t count,
                                                float epsilon, std::vector<std::uint32_t>& matches);

    // --- writing (GlmWrite.cpp) ---------------------------------------------------------------
    // Write the model (and, with the material bit, its library beside it) as text that
    // glmReadOBJ reads back; parts the model lacks are left out with a trace warning. A file
    // that cannot be opened or written whole ends the process with status 1 after a trace message.
    void glmWriteOBJ(std::string_view filename, unsigned mode);                  // OBJ text by the mode bits
    void _glmWriteMTL(std::string_view modelpath, std::string_view mtllibname);  // materials beside modelpath

    // --- drawing (GlmDraw.cpp) ----------------------------------------------------------------
    void glmDraw(unsigned mode);                // immediate-mode triangles, see the GLM_MODE_* bits
    std::uint32_t glmBuildList(unsigned mode);  // new GL_COMPILE display list of glmDraw; caller owns it

    // --- the record ---------------------------------------------------------------------------
    std::string pathname;                   // copy of the path given to glmReadOBJ
    std::optional<std::string> mtllibname;  // name on the mtllib line; absent if none

    std::uint32_t numvertices = 0;  // number of vertices
    std::vector<float> vertices;    // owned, 3 per vertex from vertex 1; empty until read

    std::uint32_t numnormals = 0;  // number of normals
    std::vector<float> normals;    // owned, 3 per normal from normal 1; empty if none

    std::uint32_t numtexcoords = 0;  // number of texture coordinates
    std::vector<float> texcoords;    // owned, 2 per coordinate from coordinate 1; empty if none

    std::uint32_t numfacetnorms = 0;  // number of facet normals
    std::vector<float> facetnorms;    // owned, 3 per facet normal from 1; empty after reading

    std::uint32_t numtriangles = 0;      // number of triangles
    std::vector<GlmTriangle> triangles;  // owned, numbered from 0

    std::uint32_t nummaterials = 0;      // number of materials, the built-in "default" included
    std::vector<GlmMaterial> materials;  // owned; element 0 is "default"; empty without a library

    std::uint32_t numgroups = 0;       // number of groups
    std::unique_ptr<GlmGroup> groups;  // owned list, newest group first

    float position[3] = {0.0f, 0.0f, 0.0f};  // translation applied by glmDraw
};

// BindTextureTest: the texture bank against real OpenGL, with a BMP file made by ImageMagick.
#include "image/BindTexture.h"
#include "image/Sgi.h"            // SgiReadLuminance on tiny hostile files
#include "image/TextureUpload.h"  // BuildTextureMipmaps, shared by the bank and the flare

#include "HeadlessGl.h"      // the real-OpenGL fixture
#include "ImageTestTools.h"  // shell, byte helpers, hand-made files

#include <sys/mman.h>  // a page that may not be read, right after a block
#include <unistd.h>    // sysconf for the page size

#include <filesystem>  // removing a loaded file
#include <new>         // std::nothrow_t of the wrapped operator
#include <optional>    // the bank, deleted while the context is current

// The largest single request of malloc, operator new and operator new[] (nothrow) made from our
// code: the linker sends them here (tests/image/CMakeLists.txt).
static size_t s_nLargest = 0;
// clang-format off
extern "C" {
void* __real_malloc(size_t);
void* __real__Znwm(size_t);
void* __real__ZnamRKSt9nothrow_t(size_t, const std::nothrow_t&);
void* __wrap_malloc(size_t n) { return s_nLargest = std::max(s_nLargest, n), __real_malloc(n); }
void* __wrap__Znwm(size_t n) { return s_nLargest = std::max(s_nLargest, n), __real__Znwm(n); }
void* __wrap__ZnamRKSt9nothrow_t(size_t n, const std::nothrow_t& t)
{ return s_nLargest = std::max(s_nLargest, n), __real__ZnamRKSt9nothrow_t(n, t); }
}
// clang-format on

namespace
{

using namespace cubatro::test;
using BindTextureTest = CGlTest;

GLint Integer(GLenum pname)
{
    GLint nValue = -1;
    glGetIntegerv(pname, &nValue);
    return nValue;
}

// Names are compared exactly ("GFX" sorts before "Gfx": releasing the later name passes the other);
// the first request decides RGB or RGBA; the texels are the pixels ImageMagick reads, bottom row
// first, unskewed whatever unpack state the caller set, which is there again afterwards. A file
// that cannot be read is recorded with no texture. The bank deletes what is left, whatever the counts.
TEST_F(BindTextureTest, EachNameIsLoadedOnceIntoAMipmappedTextureAndDeletedWithItsLastReference)
{
    CTempDir dir;
    plat::CDiagnosticsCapture capture;
    ASSERT_TRUE(Shell(dir,
                      "mkdir Gfx && convert -size 2x4 -seed 3 plasma: -type TrueColor bmp3:Gfx/Marbre.bmp && "
                      "convert Gfx/Marbre.bmp -flip -depth 8 rgb:rgb"));
    const Bytes rgb = CTempDir::ReadAll(dir / "rgb");
    Bytes rgba;  // with alpha 9
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
        rgba.insert(rgba.end(), {rgb[i], rgb[i + 1], rgb[i + 2], 9});
    const std::string first = dir.Path().string() + "\\Gfx\\Marbre.bmp",
                      second = dir.Path().string() + "\\GFX\\Marbre.bmp", missing = dir / "missing.bmp";
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // rows of 6 bytes padded to 8 would come out skewed
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 3);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 1);
    std::optional<CBindTexture> bank(std::in_place);  // reset while the context is current
    const GLuint nFirst = bank->GetTexture(first, false, 0);
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), GLint(nFirst)) << "a new load stays bound";
    GLint nMin = 0, nLevel2 = 0;  // 2 × 4, then 1 × 2, then 1 × 1
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &nMin);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 2, GL_TEXTURE_HEIGHT, &nLevel2);
    EXPECT_EQ(std::tuple(nMin, nLevel2), std::tuple(GL_LINEAR_MIPMAP_LINEAR, 1));
    const GLuint nSecond = bank->GetTexture(second, true, 9);
    EXPECT_EQ(std::tuple(Integer(GL_UNPACK_ALIGNMENT), Integer(GL_UNPACK_ROW_LENGTH),
                         Integer(GL_UNPACK_SKIP_PIXELS)),
              std::tuple(1, 3, 1));
    glBindTexture(GL_TEXTURE_2D, 0);
    std::filesystem::remove(dir / "Gfx/Marbre.bmp");  // a name already loaded needs no file
    EXPECT_EQ(bank->GetTexture(first, true, 255), nFirst);
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), 0) << "a name found binds nothing";
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (const auto& [nId, texels] : {std::pair(nFirst, rgb), std::pair(nSecond, rgba)})
    {
        Bytes got(texels.size());
        glBindTexture(GL_TEXTURE_2D, nId);
        glGetTexImage(GL_TEXTURE_2D, 0, nId == nFirst ? GL_RGB : GL_RGBA, GL_UNSIGNED_BYTE, got.data());
        EXPECT_EQ(got, texels) << nId;
    }
    EXPECT_TRUE(bank->GetTexture(missing, true, 9) == 0 && bank->GetTexture(missing, false, 0) == 0);
    EXPECT_EQ(capture.DumpText(), "Nouvelle texture " + first + ". Nouvelle texture " + second +
                                      ". Texture " + first + " deja chargee. Nouvelle texture " + missing +
                                      ". File could not be opened 2\nTexture " + missing + " deja chargee. ");
    EXPECT_EQ(std::tuple(capture.Boxes(), bank->textures.at(missing)->count, glGetError(), nFirst != nSecond),
              std::tuple(Strings{"Unable to open file for reading"}, 2, GL_NO_ERROR, true));
    bank->ReleaseTexture(0xFFFFFFFFu);  // a texture the bank does not hold
    bank->ReleaseTexture(nFirst);
    EXPECT_TRUE(glIsTexture(nFirst) && bank->textures.at(first)->count == 1);
    bank->ReleaseTexture(nFirst);
    EXPECT_TRUE(!glIsTexture(nFirst) && bank->textures.size() == 2) << "deleted with its last reference";
    bank.reset();  // the bank deletes what is left, whatever the counts
    EXPECT_EQ(glIsTexture(nSecond), GL_FALSE);
}

// Blocks that end where a page that may not be read begins. GLU's builder once read past such
// blocks whenever it rescaled them, by a pixel (4 × 3) and far past tall images one or two pixels
// wide. Each texture is as wide, with the nearest power-of-two height within the context's largest
// (0 here), each texel the mean of the pixels it covers weighted by the area covered (1 × 3 by hand).
TEST_F(BindTextureTest, UploadsOfAnySizeReadNothingPastTheBlock)
{
    // width, height, bytes per pixel, row alignment, texture height, block and level 0 (empty: all 77)
    // clang-format off
    const std::tuple<int, int, int, int, int, Bytes, Bytes> cases[] = {
        {1, 16385, 3, 4, 16384, {}, {}}, {2, 16385, 4, 4, 16384, {}, {}}, {1, 1 << 24, 1, 1, 0, {}, {}},
        {4, 3, 3, 4, 4, {}, {}},         {1, 3, 1, 1, 4, {0, 30, 90}, {0, 20, 50, 90}}};
    // clang-format on
    const size_t nPage = size_t(sysconf(_SC_PAGESIZE));
    for (const auto& [nWidth, nHeight, nPixel, nAlign, nTexHeight, block, level0] : cases)
    {
        const Bytes pixels =
            block.empty() ? Bytes(size_t((nWidth * nPixel + nAlign - 1) / nAlign * nAlign * nHeight), 77)
                          : block;
        const size_t nSpan = (pixels.size() + nPage - 1) / nPage * nPage;
        auto* pMap = static_cast<unsigned char*>(
            mmap(nullptr, nSpan + nPage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        ASSERT_EQ(mprotect(pMap + nSpan, nPage, PROT_NONE), 0);
        unsigned char* pBlock = pMap + nSpan - pixels.size();
        std::copy(pixels.begin(), pixels.end(), pBlock);
        BuildTextureMipmaps(pBlock, nWidth, nHeight, nPixel, nAlign);
        GLint nGotWidth = 0, nGotHeight = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &nGotWidth);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &nGotHeight);
        Bytes texels(size_t(nGotWidth * nGotHeight));  // the first byte of each texel
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, texels.data());
        EXPECT_EQ(std::tuple(nGotWidth, nGotHeight, texels, glGetError()),
                  std::tuple(nWidth, nTexHeight ? nTexHeight : Integer(GL_MAX_TEXTURE_SIZE),
                             level0.empty() ? Bytes(texels.size(), 77) : level0, GL_NO_ERROR))
            << nWidth << " x " << nHeight;
        munmap(pMap, nSpan + nPage);
    }
}

// No file under 1 KiB makes a reader or the bank ask for more than 16 MiB at once: a 54-byte BMP
// header of 16384 × 21845 pixels is damaged, a 512-byte verbatim SGI of 65535 × 65535 too short.
TEST_F(BindTextureTest, NoTinyFileAsksForMuchMemory)
{
    CTempDir dir;
    plat::CDiagnosticsCapture capture;  // the damaged file's message box
    CBindTexture bank;
    int n = -7;
    s_nLargest = 0;
    const bool bRefused =
        bank.GetTexture(dir.Write("huge.bmp", BmpHeader(16384, 21845, 24)), true, 255) == 0 &&
        !SgiPixels(SgiReadLuminance(dir.Write("huge.bw", SgiFile(1, 65535, 65535, 1)), n, n, n));
    EXPECT_TRUE(bRefused && s_nLargest <= 16u << 20) << s_nLargest << " bytes at once";
}

}  // namespace

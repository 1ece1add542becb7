// TextureUpload: the texture size, the area-weighted resampling and the mipmap build.
#include "image/TextureUpload.h"

#include <GL/gl.h>   // proxy textures, limits and the pixel unpack state
#include <GL/glu.h>  // gluBuild2DMipmaps

#include <algorithm>  // std::min, std::max for the overlaps
#include <cstddef>    // size_t for row sizes
#include <cstdint>    // int64_t, uint64_t for the weighted sums
#include <vector>     // std::vector for the resampled block and the sums

namespace
{

GLenum Format(int nComponents)
{
    return nComponents == 1 ? GL_LUMINANCE : nComponents == 3 ? GL_RGB : GL_RGBA;
}

// The power of two nearest n ≥ 1; halfway between two powers, the larger.
int64_t NearestPowerOfTwo(int64_t n)
{
    int64_t nPower = 1;
    while (nPower * 2 <= n)
        nPower *= 2;
    return 2 * (n - nPower) >= nPower ? 2 * nPower : nPower;
}

bool ProxyFits(int64_t nWidth, int64_t nHeight, int nComponents)
{
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, nComponents, GLsizei(nWidth), GLsizei(nHeight), 0,
                 Format(nComponents), GL_UNSIGNED_BYTE, nullptr);
    GLint nGot = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &nGot);
    return nGot != 0;
}

// Length of the overlap of [a, a + n) and [b, b + m).
uint64_t Overlap(int64_t a, int64_t n, int64_t b, int64_t m)
{
    return uint64_t(std::max<int64_t>(0, std::min(a + n, b + m) - std::max(a, b)));
}

// Resamples w × h pixels of c bytes, rows nRow bytes apart, to a packed W × H block. On a grid
// where source pixel x spans [x·W, (x + 1)·W) and target pixel X spans [X·w, (X + 1)·w) (and
// likewise for rows), each target byte is the mean of the source bytes weighted by the overlaps,
// rounded to nearest. Only source rows 0 to h − 1 and pixels 0 to w − 1 are read.
std::vector<unsigned char> Resample(const unsigned char* pIn, size_t nRow, int64_t w, int64_t h, int64_t c,
                                    int64_t W, int64_t H)
{
    std::vector<unsigned char> out(size_t(W * H * c));
    std::vector<uint64_t> sums(size_t(W * c));
    const uint64_t nTotal = uint64_t(w * h);  // the weights of one target pixel add up to this
    for (int64_t Y = 0; Y < H; ++Y)
    {
        std::fill(sums.begin(), sums.end(), 0);
        for (int64_t y = Y * h / H; y * H < (Y + 1) * h; ++y)
        {
            const uint64_t nWeightY = Overlap(y * H, H, Y * h, h);
            const unsigned char* pRow = pIn + size_t(y) * nRow;
            for (int64_t X = 0; X < W; ++X)
                for (int64_t x = X * w / W; x * W < (X + 1) * w; ++x)
                {
                    const uint64_t nWeight = nWeightY * Overlap(x * W, W, X * w, w);
                    for (int64_t k = 0; k < c; ++k)
                        sums[size_t(X * c + k)] += nWeight * pRow[x * c + k];
                }
        }
        for (size_t i = 0; i < sums.size(); ++i)
            out[size_t(Y * W * c) + i] = static_cast<unsigned char>((sums[i] + nTotal / 2) / nTotal);
    }
    return out;
}

}  // namespace

void TextureUploadSize(int nWidth, int nHeight, int nComponents, int* pWidth, int* pHeight)
{
    GLint nMax = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &nMax);
    int64_t W = NearestPowerOfTwo(nWidth), H = NearestPowerOfTwo(nHeight);
    while ((W > nMax || H > nMax || !ProxyFits(W, H, nComponents)) && (W > 1 || H > 1))
    {
        W = std::max<int64_t>(W / 2, 1);
        H = std::max<int64_t>(H / 2, 1);
    }
    *pWidth = int(W);
    *pHeight = int(H);
}

void BuildTextureMipmaps(const unsigned char* pPixels, int nWidth, int nHeight, int nComponents,
                         int nAlignment)
{
    if (!pPixels || nWidth < 1 || nHeight < 1) return;
    int W = 0, H = 0;
    TextureUploadSize(nWidth, nHeight, nComponents, &W, &H);
    std::vector<unsigned char> resampled;
    if (W != nWidth || H != nHeight)
    {
        const size_t nRow = (size_t(nWidth) * size_t(nComponents) + size_t(nAlignment) - 1) /
                            size_t(nAlignment) * size_t(nAlignment);
        resampled = Resample(pPixels, nRow, nWidth, nHeight, nComponents, W, H);
        pPixels = resampled.data();
        nAlignment = 1;
    }
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, nAlignment);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    gluBuild2DMipmaps(GL_TEXTURE_2D, nComponents, W, H, Format(nComponents), GL_UNSIGNED_BYTE, pPixels);
    glPopClientAttrib();
}

// TextureUpload: mipmapped textures from pixel blocks of any size.
//
// GLU's mipmap builder gives each side of a texture the nearest power of two, halves both sides
// while the context refuses that size, and rescales the picture itself. Its rescaling reads
// past the end of the block for many sizes: a pixel past it for a 64 × 48 picture (and what it
// finds there can change the texels of a 2 × 3 one), whole blocks past it for pictures one or
// two pixels wide and taller than the context's largest texture. So the size is chosen here by
// the same rule, with the context's own limits, and a picture not already of that size is
// resampled here; the builder then gets a block it does not have to rescale and only halves it
// level by level. A block already of its texture's size (power-of-two art such as the
// 256 × 256 marble) goes to the builder as it is, and gives the same texture as before.
#pragma once

// The size a texture of nWidth × nHeight pixels (both ≥ 1) of nComponents bytes (1 luminance,
// 3 RGB, 4 RGBA) is built at: each side rounded to the nearest power of two (a side halfway
// between two powers takes the larger), then both sides halved, neither below 1, while a side
// exceeds GL_MAX_TEXTURE_SIZE or the current context refuses a texture of that size and format.
// Needs a current OpenGL context.
void TextureUploadSize(int nWidth, int nHeight, int nComponents, int* pWidth, int* pHeight);

// Builds a mipmapped texture, at the size TextureUploadSize gives, into the texture bound to
// GL_TEXTURE_2D from nWidth × nHeight pixels of nComponents bytes (1, 3 or 4: luminance, RGB,
// RGBA) whose rows each start at a multiple of nAlignment bytes (1, 2, 4 or 8) from pPixels,
// row 0 first. Neither GLU nor OpenGL reads a byte outside those rows. A block of another size
// is resampled first, each texel the mean of the pixels it covers weighted by the area covered.
// The pixel unpack state is what it was before the call. Nothing is built for a null block or
// a size below 1 × 1.
void BuildTextureMipmaps(const unsigned char* pPixels, int nWidth, int nHeight, int nComponents,
                         int nAlignment);

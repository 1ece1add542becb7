// BindTexture: the texture bank, which turns each image file into one OpenGL texture.
//
// The bank maps a file name, compared exactly (case and every character count, no path
// normalisation), to a CTextureEntry: the OpenGL texture made from that file and the number of
// references handed out. The first GetTexture of a name reads the file through CTexture, turns
// its blue-green-red pixels into red-green-blue and builds a mipmapped texture with GLU (RGB, or
// RGBA when an alpha layer is asked for); every later GetTexture of that name returns the same
// texture and adds one reference. ReleaseTexture gives a reference back; the texture is deleted
// with its last reference. The bank reports on the dump stream only:
//   "Texture ", name, " deja chargee. "      a name already loaded (three pieces, no line break)
//   "Nouvelle texture ", name, ". "          a name loaded afresh (three pieces, no line break)
//
// There is one bank for the whole program, theBindTexture. GetTexture needs a current OpenGL
// context; ReleaseTexture and the destructor delete textures, which has no effect without one
// (as at process exit).
#pragma once

#include "image/Texture.h"  // CTexture, the base of the bank and the image each file is read into

#include <GL/gl.h>  // GLuint for texture names

#include <cstdint>  // int32_t for the reference count
#include <map>      // std::map from file name to entry
#include <memory>   // std::unique_ptr: the bank owns its entries
#include <string>   // std::string for file names

// One file of the bank: its OpenGL texture and its reference count.
class CTextureEntry
{
public:
    explicit CTextureEntry(GLuint nId) : id(nId) {}  // upon exit count is 1
    virtual ~CTextureEntry();                        // deletes nothing: the bank deletes the texture

    GLuint id;          // texture object made for the file; 0 (no texture) when its image could not be read
    int32_t count = 1;  // references handed out and not yet released
};

class CBindTexture : public CTexture
{
public:
    CBindTexture() = default;  // an empty bank
    ~CBindTexture() override;  // deletes every texture and entry, whatever its count

    // The texture for file `name`, with one more reference. A name already in the bank writes
    // the already-loaded dump line and returns its texture; bAlpha and nAlpha are then ignored
    // (the first request decides RGB or RGBA). A new name writes the new-texture dump line, reads
    // the file (a ".bmp" name; the image reader shows its own message boxes and traces), and
    // builds a mipmapped texture: RGBA with every alpha byte nAlpha when bAlpha, else RGB. Upon
    // exit after a new load that texture is bound to GL_TEXTURE_2D, its filters are linear and
    // linear-mipmap-linear, and the pixel unpack state is what it was before the call. A file
    // that cannot be read gives no texture: the name is recorded with texture name 0 and count 1,
    // and 0 is returned, now and for every later request while the name stays in the bank.
    GLuint GetTexture(std::string name, bool bAlpha, unsigned char nAlpha);

    // Gives back one reference of every entry whose texture is nId; an entry whose count reaches
    // 0 is removed and its texture deleted. A name the bank does not hold changes nothing.
    void ReleaseTexture(GLuint nId);

    // Builds a mipmapped texture from a valid image into the texture bound to GL_TEXTURE_2D: RGB
    // for 24-bit pixels (rows padded to 4 bytes), RGBA for 32-bit ones, at the size and by the
    // rules of BuildTextureMipmaps (image/TextureUpload.h). The format follows the block actually
    // held, so the upload never reads past it. Unpack state is set for the block and restored
    // afterwards; filters are linear and linear-mipmap-linear.
    static void BuildMipmaps(const CTexture& image);

    std::map<std::string, std::unique_ptr<CTextureEntry>> textures;  // owned entries by exact file name
};

extern CBindTexture theBindTexture;  // the one bank of the program, destroyed at process exit

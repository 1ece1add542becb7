// BindTexture: the texture bank: loading each file once, counting references, releasing.
#include "image/BindTexture.h"

#include "platform/Diagnostics.h"  // plat::Dump for the bank's lines

#include <GL/glu.h>  // gluBuild2DMipmaps

CBindTexture theBindTexture;

CTextureEntry::~CTextureEntry() = default;

CBindTexture::~CBindTexture()
{
    for (auto& [name, pEntry] : textures)
        glDeleteTextures(1, &pEntry->id);
    textures.clear();
}

GLuint CBindTexture::GetTexture(std::string name, bool bAlpha, unsigned char nAlpha)
{
    if (const auto found = textures.find(name); found != textures.end())
    {
        plat::Dump() << "Texture " << name << " deja chargee. ";
        ++found->second->count;
        return found->second->id;
    }
    plat::Dump() << "Nouvelle texture " << name << ". ";

    CTexture image;
    image.ReadFile(name, -1, -1, -1);
    image.SwapRedBlue();

    GLuint nId = 0;
    if (image.GetData())
    {
        glGenTextures(1, &nId);
        glBindTexture(GL_TEXTURE_2D, nId);
        if (bAlpha) image.AddAlphaLayer(nAlpha);  // on failure the image stays 24-bit and is built as RGB
        BuildMipmaps(image);
    }
    textures.emplace(std::move(name), std::make_unique<CTextureEntry>(nId));
    return nId;
}

void CBindTexture::ReleaseTexture(GLuint nId)
{
    for (auto it = textures.begin(); it != textures.end();)
    {
        CTextureEntry& entry = *it->second;
        if (entry.id == nId && --entry.count == 0)
        {
            glDeleteTextures(1, &entry.id);
            it = textures.erase(it);
        }
        else
            ++it;
    }
}

void CBindTexture::BuildMipmaps(const CTexture& image)
{
    const bool bRgba = image.GetDepth() == 32;
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // 24-bit rows are padded to 4 bytes, 32-bit rows need none
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    gluBuild2DMipmaps(GL_TEXTURE_2D, bRgba ? 4 : 3, image.GetWidth(), image.GetHeight(),
                      bRgba ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE, image.GetData());
    glPopClientAttrib();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
}

// BindTexture: the texture bank: loading each file once, counting references, releasing.
#include "image/BindTexture.h"

#include "image/TextureUpload.h"   // BuildTextureMipmaps: any size, within the context's limits
#include "platform/Diagnostics.h"  // plat::Dump for the bank's lines

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
    const int nComponents = image.GetDepth() == 32 ? 4 : 3;  // 24-bit rows are padded to 4 bytes
    BuildTextureMipmaps(image.GetData(), image.GetWidth(), image.GetHeight(), nComponents, 4);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
}

// Flare: float-triple functions, sprite loading, the flare's light and its view-facing squares.
#include "render/Flare.h"  // the class defined here

#include "image/Sgi.h"             // SgiReadLuminance for the sprite images
#include "image/TextureUpload.h"   // BuildTextureMipmaps for the sprite textures, whatever their size
#include "platform/Diagnostics.h"  // plat::Trace when a sprite stays empty

#include <cmath>   // std::sqrt, std::isfinite
#include <cstdio>  // std::snprintf for the sprite file names

void VectorCopy(float* pOut, const float* pA)
{
    pOut[0] = pA[0];
    pOut[1] = pA[1];
    pOut[2] = pA[2];
}

void VectorAdd(float* pOut, const float* pA, const float* pB)
{
    pOut[0] = pA[0] + pB[0];
    pOut[1] = pA[1] + pB[1];
    pOut[2] = pA[2] + pB[2];
}

void VectorSub(float* pOut, const float* pA, const float* pB)
{
    pOut[0] = pA[0] - pB[0];
    pOut[1] = pA[1] - pB[1];
    pOut[2] = pA[2] - pB[2];
}

void VectorScale(float* pOut, const float* pA, float fScale)
{
    pOut[0] = pA[0] * fScale;
    pOut[1] = pA[1] * fScale;
    pOut[2] = pA[2] * fScale;
}

void VectorCross(float* pOut, const float* pA, const float* pB)
{
    const float fTemp[3] = {pA[1] * pB[2] - pA[2] * pB[1], pA[2] * pB[0] - pA[0] * pB[2],
                            pA[0] * pB[1] - pA[1] * pB[0]};
    VectorCopy(pOut, fTemp);
}

float VectorLength(const float* pV)
{
    const double dX = pV[0], dY = pV[1], dZ = pV[2];
    return static_cast<float>(std::sqrt(dX * dX + dY * dY + dZ * dZ));
}

void VectorNormalize(float* pV)
{
    const float fLength = VectorLength(pV);
    pV[0] /= fLength;
    pV[1] /= fLength;
    pV[2] /= fLength;
}

float VectorDot(const float* pA, const float* pB)
{
    return pA[0] * pB[0] + pA[1] * pB[1] + pA[2] * pB[2];
}

namespace
{

// Normalises in place when the length allows it; false (and nothing changed) when it is 0 or
// not finite.
bool NormalizeIfPossible(float* pV)
{
    const float fLength = VectorLength(pV);
    if (!(fLength > 0.0f) || !std::isfinite(fLength)) return false;
    VectorNormalize(pV);
    return std::isfinite(pV[0]) && std::isfinite(pV[1]) && std::isfinite(pV[2]);
}

}  // namespace

float* CFlare::CopyVector(float* pDest, const float* pSrc)
{
    VectorCopy(pDest, pSrc);
    return pDest;
}

CFlare::CFlare(const float* pfPosition, float fSize, float fLightLevel, float fAttenuation)
{
    static const float s_fBlue[3] = {0.0f, 0.0f, 1.0f};
    static const float s_fGreen[3] = {0.0f, 1.0f, 0.0f};
    static const float s_fRed[3] = {1.0f, 0.0f, 0.0f};
    currentSprite = 0;
    CopyVector(colours[0], s_fBlue);
    CopyVector(colours[1], s_fGreen);
    CopyVector(colours[2], s_fRed);
    elementCount = 3;
    size = fSize;
    lightLevel = fLightLevel;
    attenuation = fAttenuation;

    // Sixteen names in one call; the sprites take the first ten, the rest stay reserved.
    GLuint names[16] = {};
    glGenTextures(16, names);
    for (int i = 0; i < s_nSprites; ++i)
        spriteTextures[i] = names[i];

    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int i = 0; i < s_nSprites; ++i)
    {
        char szFile[32];
        std::snprintf(szFile, sizeof szFile, "Gfx\\Shine%d.bw", i);
        LoadSprite(szFile, spriteTextures[i]);
    }

    VectorCopy(position, pfPosition);
    CreateLight();
}

CFlare::~CFlare()
{
    light.reset();
}

void CFlare::LoadSprite(const char* pszFile, GLuint nTexture)
{
    glBindTexture(GL_TEXTURE_2D, nTexture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

    int nWidth = 0, nHeight = 0, nChannels = 0;
    const SgiPixels pixels(SgiReadLuminance(pszFile, nWidth, nHeight, nChannels));
    if (!pixels || nChannels != 1 || nWidth <= 0 || nHeight <= 0)
    {
        // One black texel: a texture left without an image would switch texturing off and
        // show the plain tint, where an empty sprite should add nothing to the picture.
        plat::Trace("CFlare: %s is not a single-channel image, its sprite stays empty\n", pszFile);
        const GLubyte black = 0;
        glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, 1, 1, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, &black);
        return;
    }
    BuildTextureMipmaps(pixels.get(), nWidth, nHeight, 1, 1);  // packed rows of one byte per pixel
}

void CFlare::CreateLight()
{
    const float k = lightLevel;
    const float fAmbient[4] = {k, k, k, 1.0f};
    const float fDiffuse[4] = {k, k, k, 1.0f};
    const float fSpecular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    const float fPosition[4] = {position[0], position[1], position[2], 0.0f};
    light = std::make_unique<CLight>(fPosition);
    light->SetColors(fAmbient, fDiffuse, fSpecular);
    if (light->IsValid())  // a light without a unit has no OpenGL light to address
        glLightf(static_cast<GLenum>(GL_LIGHT0 + light->GetSlot()), GL_QUADRATIC_ATTENUATION, attenuation);
}

void CFlare::SetPosition(const float* pfPosition)
{
    if (!pfPosition) return;
    VectorCopy(position, pfPosition);
    if (light) light->SetPosition(position);
}

void CFlare::Draw(const float* pfEye)
{
    if (!pfEye) return;
    static const float s_fUp[3] = {0.0f, 1.0f, 0.0f};
    float d[3], r[3], u[3];
    VectorSub(d, position, pfEye);
    if (!NormalizeIfPossible(d)) return;  // the eye is on the flare
    VectorCross(r, d, s_fUp);
    if (!NormalizeIfPossible(r)) return;  // the eye is straight above or below the flare
    VectorCross(u, r, d);
    if (!NormalizeIfPossible(u)) return;
    VectorScale(r, r, size);
    VectorScale(u, u, size);
    float hr[3], hu[3];
    VectorScale(hr, r, -0.5f);
    VectorScale(hu, u, -0.5f);

    glDepthFunc(GL_LEQUAL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    for (int32_t i = 0; i < elementCount; ++i)
    {
        glColor3fv(colours[i]);
        glBindTexture(GL_TEXTURE_2D, spriteTextures[currentSprite]);
        currentSprite = (currentSprite + 1) % s_nSprites;

        float c[3];
        VectorAdd(c, position, hr);
        VectorAdd(c, c, hu);
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 0.0f);
        glVertex3fv(c);
        VectorAdd(c, c, r);
        glTexCoord2f(1.0f, 0.0f);
        glVertex3fv(c);
        VectorAdd(c, c, u);
        glTexCoord2f(1.0f, 1.0f);
        glVertex3fv(c);
        VectorAdd(c, c, hr);
        VectorAdd(c, c, hr);
        glTexCoord2f(0.0f, 1.0f);
        glVertex3fv(c);
        glEnd();
    }
    glDisable(GL_BLEND);
    glEnable(GL_LIGHTING);
}

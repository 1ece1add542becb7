// Flare: the glowing light source of the scene and its float-triple vector functions.
//
// A flare is a point of the world that carries a real OpenGL light and, drawn over the scene
// every frame, a shimmering shine of three additively blended, view-facing textured squares,
// tinted blue, green and red, each showing one of ten greyscale sprites "Gfx\Shine0.bw" to
// "Gfx\Shine9.bw" that take turns frame by frame.
#pragma once

#include "render/Light.h"  // CLight, the flare's own light unit

#include <GL/gl.h>  // GLuint for the sprite textures

#include <cstdint>  // int32_t for the counters
#include <memory>   // std::unique_ptr for the owned light

// Float triples: three floats (x, y, z) given by pointer; the result pointer comes first.
void VectorCopy(float* pOut, const float* pA);                    // out = a
void VectorAdd(float* pOut, const float* pA, const float* pB);    // out = a + b, per component
void VectorSub(float* pOut, const float* pA, const float* pB);    // out = a - b, per component
void VectorScale(float* pOut, const float* pA, float fScale);     // out = a × s, per component
void VectorCross(float* pOut, const float* pA, const float* pB);  // out = a × b; out may be a or b
void VectorNormalize(float* pV);  // divides by the length in place; a length of 0 gives NaN: check first
float VectorDot(const float* pA, const float* pB);  // a · b
float VectorLength(const float* pV);                // square root of x² + y² + z², taken in double

class CFlare
{
public:
    static constexpr int s_nSprites = 10;  // sprite images taking turns

    // Needs a current OpenGL context. Upon exit the ten sprite textures are built from
    // "Gfx\Shine%d.bw" (through the path resolver, relative to the working directory), the pixel
    // unpack alignment is 1 (and stays so), and the flare holds a light of its own at the position,
    // with w = 0 until the first SetPosition, grey ambient and diffuse of `fLightLevel`, no
    // specular, and quadratic attenuation `fAttenuation`. A sprite file that cannot be opened
    // ends the process (status 1, in the SGI reader); a sprite file that is not a readable
    // single-channel image leaves that sprite empty (one black texel): its squares add nothing
    // to the picture.
    CFlare(const float* pfPosition, float fSize, float fLightLevel, float fAttenuation);
    virtual ~CFlare();  // deletes the light, which gives its unit back; the sprite textures stay
    CFlare(const CFlare&) = delete;
    CFlare& operator=(const CFlare&) = delete;

    // Moves the flare and its light; the light becomes positional, placed under the current
    // modelview matrix. A null pointer changes nothing.
    void SetPosition(const float* pfPosition);

    // Draws the three squares, `size` on a side and centred on the flare, facing the eye point,
    // and moves the sprite turn on by three. Upon exit blending is off, lighting on, 2D texturing
    // on and the depth function less-or-equal. When the eye lies on the flare or straight above
    // or below it no facing is defined: the frame draws nothing and changes no state (as with a
    // null eye).
    void Draw(const float* pfEye);

    int32_t GetCurrentSprite() const { return currentSprite; }          // sprite of the next square
    GLuint GetSpriteTexture(int i) const { return spriteTextures[i]; }  // texture of sprite i, 0 <= i < 10
    const CLight* GetLight() const { return light.get(); }              // the flare's light
    const float* GetPosition() const { return position; }               // the flare's position

private:
    void LoadSprite(const char* pszFile, GLuint nTexture);      // one sprite texture from one file
    void CreateLight();                                         // the flare's own light
    static float* CopyVector(float* pDest, const float* pSrc);  // dest = src; returns dest

    float position[3] = {};                  // world position of the flare and its light
    float colours[3][3] = {};                // tint of each square: blue, green, red
    int32_t elementCount = 3;                // squares drawn per frame
    int32_t currentSprite = 0;               // sprite of the next square, 0 to 9
    GLuint spriteTextures[s_nSprites] = {};  // texture names of the sprites; they last as long as the context
    float size = 0.0f;                       // side of each square, in world units
    float attenuation = 0.0f;                // quadratic attenuation of the light
    float lightLevel = 0.0f;                 // grey level of the light's ambient and diffuse colours
    std::unique_ptr<CLight> light;           // owned: the flare's light, null after destruction
};

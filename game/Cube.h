// Cube: the textured cube mesh that draws every floor tile and every rolling cube.
//
// A CCube is an axis-aligned cube of a given edge length centred on its own origin, with a
// normal and texture coordinates on each of its six faces. It is compiled once into a display
// list (or issued afresh at each draw) and drawn wherever its owner asks. Its texture comes by
// file name from the texture bank and goes back to it when the mesh is destroyed.
#pragma once

#include <GL/gl.h>  // GLuint for the display list

#include <string>  // std::string for the texture name

class CCube
{
public:
    static constexpr GLuint s_nNoList = static_cast<GLuint>(-1);  // m_nList of a mesh without a list
    static constexpr int s_nNoTexture = -1;                       // m_nTexture of a mesh without a texture

    // Needs a current OpenGL context. `dSize` is the edge length; the centre offset, angles
    // (degrees), velocities and angular velocities (per millisecond) go to their fields. When
    // `strTexture` is not empty the texture comes from theBindTexture, which gives the image an
    // alpha layer of `nAlpha` when `bAddAlpha` (the bank decides on the first request of a name;
    // a file it cannot read gives texture 0). Upon exit, unless `bImmediate`, the geometry with
    // its texture binding is compiled into a display list of the mesh's own.
    CCube(double dSize, double dPosX, double dPosY, double dPosZ, double dAngleX, double dAngleY,
          double dAngleZ, double dVelX, double dVelY, double dVelZ, double dAngVelX, double dAngVelY,
          double dAngVelZ, bool bImmediate, bool bAddAlpha, unsigned char nAlpha, std::string strTexture);
    virtual ~CCube();  // gives the texture back to the bank and deletes the mesh's display list
    CCube(const CCube&) = delete;
    CCube& operator=(const CCube&) = delete;

    // Draws the cube centred on (x, y, z) + the centre offset in the current modelview frame,
    // turned by the angles about x, then y, then z. Without highlight the geometry is drawn once
    // in the caller's state. With highlight it is drawn twice, plain texture then additive
    // specular gloss; upon exit the depth function is less-or-equal, depth writes are on, polygon
    // offset fill and blending are off, 2D texturing, lighting and fog are on, shading is flat
    // and the front material holds the gloss (black ambient and diffuse, specular 0.5, shininess 12).
    // The modelview matrix is what it was.
    void Draw(float fX, float fY, float fZ, bool bHighlight);

    // Moves the centre offset by nElapsedMs times the velocity and the angles by nElapsedMs times
    // the angular velocity.
    void Advance(int nElapsedMs);

    double GetHalfSize() const { return m_dHalfSize; }  // half the edge length
    GLuint GetList() const { return m_nList; }          // the display list, s_nNoList in immediate mode
    int GetTexture() const { return m_nTexture; }       // the bank's texture, s_nNoTexture when none
    void GetPosition(double* pdXyz) const;              // the centre offset, three doubles
    void GetAngles(double* pdXyz) const;                // the angles about x, y, z, three doubles

private:
    void EmitGeometry() const;  // binds the texture when there is one, then the 24 corners

    double m_dHalfSize;                         // half the edge length
    double m_dPosX, m_dPosY, m_dPosZ;           // centre offset, added to every draw position
    double m_dVelX, m_dVelY, m_dVelZ;           // velocity per millisecond, for Advance
    double m_dAngleX, m_dAngleY, m_dAngleZ;     // rotation about x, y, z at every draw, degrees
    double m_dAngVelX, m_dAngVelY, m_dAngVelZ;  // angular velocity per millisecond, for Advance
    bool m_bImmediate;                          // true: geometry issued at every draw; false: display list
    GLuint m_nList = s_nNoList;                 // owned display list, s_nNoList in immediate mode
    int m_nTexture = s_nNoTexture;  // one reference held in theBindTexture, s_nNoTexture when none
};

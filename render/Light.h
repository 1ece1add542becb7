// Light: one positional OpenGL light unit, claimed from a table shared by every CLight.
//
// OpenGL offers GL_MAX_LIGHTS light units. Each CLight claims the lowest free unit when it is
// made, switches it on, and gives it back when destroyed, so that independent owners can each
// hold lights without knowing about each other. A light that found no free unit holds none:
// it never touches OpenGL, although SetPosition still records the position. The table lives
// while some light holds a unit: a light made without a context (which counts 0 units) leaves
// no table behind, so the next light counts the units again.
#pragma once

#include <memory>  // std::unique_ptr for the class-wide table

class CLight
{
public:
    // Needs a current OpenGL context. Upon exit the light holds the lowest free unit and has
    // switched it on, or holds none when every unit is taken; the four floats (x, y, z, w) are
    // recorded and, with a unit, given to OpenGL as GL_POSITION under the current modelview matrix.
    explicit CLight(const float* pfPosition);
    virtual ~CLight();  // with a unit: switches it off and gives it back; frees the table when none is held
    CLight(const CLight&) = delete;
    CLight& operator=(const CLight&) = delete;

    void SetPosition(float fX, float fY, float fZ);  // records (x, y, z, 1); with a unit also GL_POSITION
    void SetPosition(const float* pfXyz);  // the same with the three floats pfXyz points to; null: nothing
    // With a unit: GL_AMBIENT, GL_DIFFUSE and GL_SPECULAR, in that order, from three RGBA vectors
    // (nothing when one of them is null).
    void SetColors(const float* pfAmbient, const float* pfDiffuse, const float* pfSpecular);
    void Enable(bool bOn);  // with a unit: switches it on or off; the unit stays claimed either way

    bool IsValid() const { return m_bValid; }  // true when the light holds a unit
    int GetSlot() const { return m_nSlot; }    // the unit held (GL_LIGHT0 + slot), -1 when none
    const float* GetPosition() const { return m_fPosition; }  // the four floats last recorded

    static int MaxLights() { return s_nMaxLights; }         // units counted when the table was made
    static bool HasTable() { return s_pbUsed != nullptr; }  // true while the table exists
    static bool IsUsed(int nSlot);                          // true when some light holds unit nSlot

private:
    void ApplyPosition();               // GL_POSITION from m_fPosition when the light holds a unit
    static void FreeTableWhenUnused();  // frees the table when no entry is true; it must exist

    static int s_nMaxLights;  // GL_MAX_LIGHTS, read when the table is made
    static std::unique_ptr<bool[]>
        s_pbUsed;  // owned by the class: one entry per unit, null while no unit is held

    bool m_bValid = false;      // this light holds a unit
    int m_nSlot = -1;           // index of the unit held, -1 when none
    float m_fPosition[4] = {};  // x, y, z, w last given; w = 1 marks a positional light
};

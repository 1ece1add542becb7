// Light: the class-wide table of OpenGL light units and the lights that claim them.
#include "render/Light.h"  // the class defined here

#include <GL/gl.h>  // light units and their parameters

int CLight::s_nMaxLights = 0;
std::unique_ptr<bool[]> CLight::s_pbUsed;

CLight::CLight(const float* pfPosition)
{
    if (!s_pbUsed)
    {
        GLint nMax = 0;
        glGetIntegerv(GL_MAX_LIGHTS, &nMax);
        s_nMaxLights = nMax > 0 ? nMax : 0;
        s_pbUsed =
            std::make_unique<bool[]>(static_cast<size_t>(s_nMaxLights) + 1);  // value-initialised: false
    }
    for (int i = 0; i < s_nMaxLights; ++i)
    {
        if (!s_pbUsed[static_cast<size_t>(i)])
        {
            m_nSlot = i;
            m_bValid = true;
            break;
        }
    }
    if (m_bValid)
    {
        s_pbUsed[static_cast<size_t>(m_nSlot)] = true;
        glEnable(static_cast<GLenum>(GL_LIGHT0 + m_nSlot));
    }
    else
    {
        FreeTableWhenUnused();  // a table counted without a context (0 units) must not outlive this light
    }
    for (int i = 0; i < 4; ++i)
        m_fPosition[i] = pfPosition ? pfPosition[i] : 0.0f;
    ApplyPosition();
}

CLight::~CLight()
{
    if (!m_bValid) return;
    glDisable(static_cast<GLenum>(GL_LIGHT0 + m_nSlot));
    s_pbUsed[static_cast<size_t>(m_nSlot)] = false;
    FreeTableWhenUnused();
}

void CLight::FreeTableWhenUnused()
{
    for (int i = 0; i < s_nMaxLights; ++i)
        if (s_pbUsed[static_cast<size_t>(i)]) return;
    s_pbUsed.reset();
}

bool CLight::IsUsed(int nSlot)
{
    return s_pbUsed && nSlot >= 0 && nSlot < s_nMaxLights && s_pbUsed[static_cast<size_t>(nSlot)];
}

void CLight::ApplyPosition()
{
    if (m_bValid) glLightfv(static_cast<GLenum>(GL_LIGHT0 + m_nSlot), GL_POSITION, m_fPosition);
}

void CLight::SetPosition(float fX, float fY, float fZ)
{
    m_fPosition[0] = fX;
    m_fPosition[1] = fY;
    m_fPosition[2] = fZ;
    m_fPosition[3] = 1.0f;
    ApplyPosition();
}

void CLight::SetPosition(const float* pfXyz)
{
    if (pfXyz) SetPosition(pfXyz[0], pfXyz[1], pfXyz[2]);
}

void CLight::SetColors(const float* pfAmbient, const float* pfDiffuse, const float* pfSpecular)
{
    if (!m_bValid || !pfAmbient || !pfDiffuse || !pfSpecular) return;
    const auto light = static_cast<GLenum>(GL_LIGHT0 + m_nSlot);
    glLightfv(light, GL_AMBIENT, pfAmbient);
    glLightfv(light, GL_DIFFUSE, pfDiffuse);
    glLightfv(light, GL_SPECULAR, pfSpecular);
}

void CLight::Enable(bool bOn)
{
    if (!m_bValid) return;
    const auto light = static_cast<GLenum>(GL_LIGHT0 + m_nSlot);
    if (bOn)
        glEnable(light);
    else
        glDisable(light);
}

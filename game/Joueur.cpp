// Joueur: the player's model pipeline, movement rules, marking and firing, and drawing.
#include "game/Joueur.h"

#include "game/RollingCube.h"      // CRollingCube::IsCubeAt for collisions
#include "game/Sol.h"              // CSol bounds, SetMark and TriggerMarks
#include "platform/Diagnostics.h"  // plat::Trace for a model without vertices

#include <GL/gl.h>  // display list and matrix calls of Draw

#include <algorithm>  // std::max for the step
#include <cmath>      // std::cos, std::sin, std::fmod
#include <numbers>    // std::numbers::pi for the heading in radians

CJoueur::CJoueur(const char* pszFile)
    : m_bCubeCollision(true), m_bFloorBounds(true), m_fAngle(0.0f), m_fX(0.0f), m_fY(0.0f), m_fZ(0.0f),
      m_bTurnLeft(false), m_bTurnRight(false), m_bForward(false), m_bBackward(false), m_bMark(false),
      m_bTrigger(false), m_nMaxMarks(1), m_nMarks(0), m_fDimensions{0.0f, 0.0f, 0.0f}, m_fTurnSpeed(0.1f),
      m_fSpeed(0.005f), m_nList(-1)
{
    if (!pszFile) return;

    m_Model.glmReadOBJ(pszFile);
    if (m_Model.numvertices == 0)
    {
        // Nothing to fit, measure or draw: the player stays without a model.
        plat::Trace("CJoueur: model \"%s\" has no vertices\n", pszFile);
        return;
    }
    m_Model.glmFitToSize(0.9f);
    m_Model.glmFacetNormals();
    m_Model.glmVertexNormals(90.0f);
    m_Model.glmSphereMapTexCoords();
    const std::uint32_t nList = m_Model.glmBuildList(GLM_MODE_SMOOTH | GLM_MODE_TEXTURE);
    // OpenGL answers 0 when it cannot make a list; 0 names no list, so keep "none".
    m_nList = nList == 0 ? -1 : static_cast<int>(nList);
    m_Model.glmDimensions(m_fDimensions);

    m_fX = m_fDimensions[0] / 2;
    m_fY = m_fDimensions[1];
    m_fZ = -m_fDimensions[2] / 2;
}

CJoueur::~CJoueur()
{
    if (m_nList != -1) glDeleteLists(static_cast<GLuint>(m_nList), 1);
}

void CJoueur::WrapAngle()
{
    // One wrap each way, as a normal step needs; a step long enough to turn several times over
    // is brought back into range with fmod, so that the heading keeps its precision.
    if (m_fAngle > 360.0f)
    {
        m_fAngle -= 360.0f;
        if (m_fAngle > 360.0f) m_fAngle = std::fmod(m_fAngle, 360.0f);
    }
    if (m_fAngle < 0.0f)
    {
        m_fAngle += 360.0f;
        if (m_fAngle < 0.0f) m_fAngle = std::fmod(m_fAngle, 360.0f) + 360.0f;
    }
}

void CJoueur::Walk(float fDx, float fDz, CSol* pSol, CRollingCube* pCubes)
{
    // Each axis is tried on its own and put back exactly when refused, so the player slides
    // along an edge or a cube face; restoring the saved value (rather than subtracting the step
    // again) keeps a refused move from drifting the player by rounding.
    const float fOldX = m_fX;
    m_fX += fDx;
    if (IsBlocked(pSol, pCubes)) m_fX = fOldX;
    const float fOldZ = m_fZ;
    m_fZ += fDz;
    if (IsBlocked(pSol, pCubes)) m_fZ = fOldZ;
}

void CJoueur::Update(int nElapsedMs, CSol* pSol, CRollingCube* pCubes)
{
    if (!pSol || !pCubes) return;
    const int nStep = std::max(nElapsedMs, 0);

    if (m_bTurnLeft)
        m_fAngle += static_cast<float>(nStep) * m_fTurnSpeed;
    else if (m_bTurnRight)
        m_fAngle -= static_cast<float>(nStep) * m_fTurnSpeed;
    WrapAngle();

    const float d = static_cast<float>(nStep) * m_fSpeed;
    const double a = m_fAngle * std::numbers::pi / 180.0 + std::numbers::pi / 2.0;
    const float fDx = static_cast<float>(std::cos(a)) * d;
    const float fDz = -static_cast<float>(std::sin(a)) * d;
    if (m_bForward)
        Walk(fDx, fDz, pSol, pCubes);
    else if (m_bBackward)
        Walk(-fDx, -fDz, pSol, pCubes);

    if (m_bMark && m_nMarks < m_nMaxMarks)
    {
        pSol->SetMark(m_fX, m_fZ, CSol::s_dwMarkGreen);
        ++m_nMarks;
    }

    if (m_bTrigger)
    {
        pSol->TriggerMarks(pCubes);
        m_nMarks = 0;
    }
}

bool CJoueur::IsBlocked(CSol* pSol, CRollingCube* pCubes) const
{
    if (m_bFloorBounds && pSol)
    {
        const float w = m_fDimensions[0];
        const float dp = m_fDimensions[2];
        const float s = pSol->GetTileSize();
        if (m_fX - w / 2 < 0.0f || m_fX + w / 2 > static_cast<float>(pSol->GetWidth()) * s ||
            m_fZ + dp / 2 > 0.0f || m_fZ - dp / 2 < -static_cast<float>(pSol->GetLength()) * s)
            return true;
    }
    if (m_bCubeCollision && pCubes && pCubes->IsCubeAt(m_fX, m_fZ)) return true;
    return false;
}

void CJoueur::Draw()
{
    if (m_nList == -1) return;
    glPushMatrix();
    glTranslatef(m_fX, m_fY, m_fZ);
    glRotatef(m_fAngle, 0.0f, 1.0f, 0.0f);
    glCallList(static_cast<GLuint>(m_nList));
    glPopMatrix();
}

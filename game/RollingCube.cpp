// RollingCube: the block's rules (time-derived position, hits, fading, row drops) and its drawing.
#include "game/RollingCube.h"

#include "game/Cube.h"             // CCube, the cube mesh
#include "game/Sol.h"              // CSol::DropRow and the standing rows
#include "platform/Diagnostics.h"  // plat::Trace for a block built with a bad size

#include <GL/gl.h>  // matrix, material and texturing state of the draw

#include <algorithm>  // std::max for sizes and fading
#include <cassert>    // preconditions

CRollingCube::CRollingCube(int nWidth, int nRows, float fCubeSize, const std::string& strTexture,
                           float fOriginX, float fOriginY, float fOriginZ)
    : m_nFadeRate(1000), m_nMsPerDegree(75), m_fOriginX(fOriginX), m_fOriginY(fOriginY), m_fOriginZ(fOriginZ),
      m_nWidth(std::max(nWidth, 0)), m_nRows(std::max(nRows, 0)), m_nTime(0), m_fCubeSize(fCubeSize)
{
    if (nWidth < 0 || nRows < 0)
        plat::Trace("CRollingCube: invalid block size %d x %d, the block is empty\n", nWidth, nRows);

    m_ppCells = std::make_unique<std::unique_ptr<int[]>[]>(static_cast<size_t>(m_nWidth));
    for (int c = 0; c < m_nWidth; ++c)
    {
        m_ppCells[c] = std::make_unique<int[]>(static_cast<size_t>(m_nRows));
        for (int r = 0; r < m_nRows; ++r)
            m_ppCells[c][r] = s_nIntact;
    }

    const double s = fCubeSize;
    m_pCube = std::make_unique<CCube>(s, s / 2, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, false,
                                      true, static_cast<unsigned char>(255), strTexture);
}

CRollingCube::~CRollingCube() = default;

int64_t CRollingCube::GetSteps() const
{
    return m_nTime / m_nMsPerDegree / 90;
}

float CRollingCube::GetFrontLine() const
{
    return m_fOriginZ + static_cast<float>(GetSteps()) * m_fCubeSize;
}

double CRollingCube::GetRollAngle() const
{
    const double fTheta = static_cast<double>(m_nTime) / m_nMsPerDegree;
    return fTheta - 90.0 * static_cast<double>(GetSteps());
}

int CRollingCube::GetValue(int c, int r) const
{
    assert(c >= 0 && c < m_nWidth && r >= 0 && r < m_nRows);
    return m_ppCells[c][r];
}

void CRollingCube::Update(int nElapsedMs, CSol* pSol)
{
    const int nStep = std::max(nElapsedMs, 0);
    m_nTime += nStep;

    // The fade of one step in 64 bits: a step of hours would overflow the product in int.
    const int64_t nFade = static_cast<int64_t>(m_nFadeRate) * nStep;
    for (int c = 0; c < m_nWidth; ++c)
    {
        for (int r = 0; r < m_nRows; ++r)
        {
            int& nValue = m_ppCells[c][r];
            if (nValue != s_nIntact && nValue != 0)
                nValue = static_cast<int>(std::max<int64_t>(nValue - nFade, 0));
        }
    }

    if (pSol)
    {
        const int64_t nPassed = GetSteps() - pSol->GetFirstStandingRow();
        if (static_cast<float>(nPassed) * m_fCubeSize + m_fOriginZ > 0.0f) pSol->DropRow();
    }
}

void CRollingCube::Draw()
{
    const float s = m_fCubeSize;
    const int64_t k = GetSteps();
    const float fFront = GetFrontLine();
    const float fRoll = static_cast<float>(GetRollAngle());
    const float fOwnTurn = 90.0f * static_cast<float>(k % 4);

    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    for (int c = 0; c < m_nWidth; ++c)
    {
        for (int r = 0; r < m_nRows; ++r)
        {
            const int nValue = m_ppCells[c][r];
            if (nValue == 0) continue;
            const float v = static_cast<float>(nValue / 1048575.0);
            const GLfloat diffuse[4] = {v, v, v, 1.0f};
            glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
            glPushMatrix();
            glTranslatef(static_cast<float>(c) * s, 0.0f, fFront - static_cast<float>(r) * s);
            glRotatef(fRoll, 1.0f, 0.0f, 0.0f);
            glTranslatef(0.0f, s / 2, -s / 2);
            glRotatef(fOwnTurn, 1.0f, 0.0f, 0.0f);
            m_pCube->Draw(0.0f, 0.0f, 0.0f, false);
            glPopMatrix();
        }
    }
    const GLfloat defaultDiffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    glMaterialfv(GL_FRONT, GL_DIFFUSE, defaultDiffuse);
}

bool CRollingCube::IsCubeAt(float x, float z) const
{
    const float fc = x / m_fCubeSize;
    const float fr = (GetFrontLine() - z) / m_fCubeSize;
    // Written so that a point that is not a number is outside too.
    if (!(fc >= 0.0f && fc < static_cast<float>(m_nWidth)) ||
        !(fr >= 0.0f && fr < static_cast<float>(m_nRows)))
        return false;
    return m_ppCells[static_cast<int>(fc)][static_cast<int>(fr)] == s_nIntact;
}

bool CRollingCube::DestroyAt(float x, float z)
{
    const float fc = x / m_fCubeSize;
    const float fr = (GetFrontLine() - z) / m_fCubeSize;
    // Truncation toward zero lands inside the block only for -1 < value < size; anything else
    // (including values beyond the range of int) is a cell outside the block.
    if (!(fc > -1.0f && fc < static_cast<float>(m_nWidth)) ||
        !(fr > -1.0f && fr < static_cast<float>(m_nRows)))
        return false;
    return Hit(static_cast<int>(fc), static_cast<int>(fr));
}

bool CRollingCube::Hit(int c, int r)
{
    if (c < 0 || c >= m_nWidth || r < 0 || r >= m_nRows) return false;
    if (m_ppCells[c][r] == s_nIntact) m_ppCells[c][r] = s_nIntact - 1;
    return true;
}

// Sol: the floor's rules (marks, dropped rows, falling tiles) and its drawing.
#include "game/Sol.h"

#include "game/Cube.h"             // CCube, the tile mesh
#include "game/RollingCube.h"      // CRollingCube::DestroyAt for fired marks
#include "platform/Diagnostics.h"  // plat::Trace for a floor built with a bad size

#include <GL/gl.h>  // immediate-mode drawing of the tiles and marks

#include <algorithm>  // std::max for sizes
#include <bit>        // std::bit_cast between the mark word and the tile value
#include <cassert>    // preconditions
#include <cmath>      // std::sin for the pulse
#include <limits>     // saturation bounds of the tile height

namespace
{

// Mark colour bytes, in memory order red, green, blue, alpha of the little-endian word.
uint32_t MarkWord(const SolTile& tile)
{
    return std::bit_cast<uint32_t>(tile.nValue);
}

}  // namespace

CSol::CSol(int nWidth, int nLayers, int nLength, float fTileSize, const std::string& strTexture,
           float fOriginX, float fOriginY, float fOriginZ)
    : m_nFallRate(1), m_nFirstStandingRow(0), m_fOriginX(fOriginX), m_fOriginY(fOriginY),
      m_fOriginZ(fOriginZ), m_fTileSize(fTileSize), m_nWidth(std::max(nWidth, 0)), m_nLayers(nLayers),
      m_nLength(std::max(nLength, 0)), m_nTime(0)
{
    if (nWidth < 0 || nLength < 0)
        plat::Trace("CSol: invalid floor size %d x %d, the floor is empty\n", nWidth, nLength);

    const double s = fTileSize;
    m_pCube = std::make_unique<CCube>(s, s / 2, -s / 2, -s / 2, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0,
                                      false, false, static_cast<unsigned char>(0), strTexture);

    m_ppTiles = std::make_unique<std::unique_ptr<SolTile[]>[]>(static_cast<size_t>(m_nWidth));
    for (int i = 0; i < m_nWidth; ++i)
    {
        m_ppTiles[i] = std::make_unique<SolTile[]>(static_cast<size_t>(m_nLength));
        for (int j = 0; j < m_nLength; ++j)
            m_ppTiles[i][j] = SolTile{TILE_STANDING, 0};
    }
}

CSol::~CSol() = default;

const SolTile& CSol::GetTile(int i, int j) const
{
    assert(i >= 0 && i < m_nWidth && j >= 0 && j < m_nLength);
    return m_ppTiles[i][j];
}

int CSol::MarkAlpha(int64_t nTimeMs)
{
    return static_cast<int>((std::sin(static_cast<double>(nTimeMs) / 500.0) + 1.0) * 64.0) + 64;
}

void CSol::Update(int nElapsedMs)
{
    const int nStep = std::max(nElapsedMs, 0);
    m_nTime += nStep;
    const uint32_t dwAlpha = static_cast<uint32_t>(MarkAlpha(m_nTime)) << 24;
    // The fall of one step, in 64 bits: a step of hours at any fall rate stays exact.
    const int64_t nFall = static_cast<int64_t>(m_nFallRate) * nStep;

    for (int i = 0; i < m_nWidth; ++i)
    {
        for (int j = 0; j < m_nLength; ++j)
        {
            SolTile& tile = m_ppTiles[i][j];
            if (tile.nState == TILE_STANDING)
            {
                if (tile.nValue != 0)
                    tile.nValue = std::bit_cast<int>((MarkWord(tile) & 0xFFFFFFu) | dwAlpha);
            }
            else if (tile.nState == TILE_FALLING)
            {
                if (tile.nValue > s_nGoneDepth)
                {
                    const int64_t nHeight = static_cast<int64_t>(tile.nValue) - nFall;
                    tile.nValue =
                        static_cast<int>(std::max<int64_t>(nHeight, std::numeric_limits<int>::min()));
                }
                else
                {
                    tile.nState = TILE_GONE;
                }
            }
        }
    }
}

void CSol::Draw()
{
    const float s = m_fTileSize;
    glPushMatrix();
    glTranslatef(m_fOriginX, m_fOriginY, m_fOriginZ);

    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    for (int i = 0; i < m_nWidth; ++i)
    {
        for (int j = 0; j < m_nLength; ++j)
        {
            const SolTile& tile = m_ppTiles[i][j];
            if (tile.nState == TILE_STANDING)
                m_pCube->Draw(static_cast<float>(i) * s, 0.0f, -static_cast<float>(j) * s, false);
            else if (tile.nState == TILE_FALLING)
                m_pCube->Draw(static_cast<float>(i) * s, static_cast<float>(tile.nValue / 1000.0),
                              -static_cast<float>(j) * s, false);
        }
    }

    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(-2.0f, -1.0f);
    for (int i = 0; i < m_nWidth; ++i)
    {
        for (int j = 0; j < m_nLength; ++j)
        {
            const SolTile& tile = m_ppTiles[i][j];
            if (tile.nState != TILE_STANDING || tile.nValue == 0) continue;
            const uint32_t dw = MarkWord(tile);
            glColor4ub(static_cast<GLubyte>(dw & 0xFF), static_cast<GLubyte>((dw >> 8) & 0xFF),
                       static_cast<GLubyte>((dw >> 16) & 0xFF), static_cast<GLubyte>(dw >> 24));
            glPushMatrix();
            glTranslatef(static_cast<float>(i) * s, 0.0f, -static_cast<float>(j) * s);
            glBegin(GL_QUADS);
            glVertex3f(0.0f, 0.0f, 0.0f);
            glVertex3f(s, 0.0f, 0.0f);
            glVertex3f(s, 0.0f, -s);
            glVertex3f(0.0f, 0.0f, -s);
            glEnd();
            glPopMatrix();
        }
    }

    glPopMatrix();
    glDisable(GL_BLEND);
    glEnable(GL_LIGHTING);
    glDisable(GL_POLYGON_OFFSET_FILL);
}

bool CSol::SetMark(float x, float z, uint32_t dwColor)
{
    // Truncation toward zero, with the range tested in floating point first so that a point far
    // off the floor (or not a number) never reaches an out-of-range conversion.
    const float fi = x / m_fTileSize;
    const float fj = -z / m_fTileSize;
    if (!(fi > -1.0f && fi < static_cast<float>(m_nWidth)) ||
        !(fj > -1.0f && fj < static_cast<float>(m_nLength)))
        return false;
    const int i = static_cast<int>(fi);
    const int j = static_cast<int>(fj);
    if (i < 0 || j < m_nFirstStandingRow || i >= m_nWidth || j >= m_nLength) return false;
    m_ppTiles[i][j].nValue = std::bit_cast<int>(dwColor);
    return true;
}

void CSol::TriggerMarks(CRollingCube* pCubes)
{
    const float s = m_fTileSize;
    for (int i = 0; i < m_nWidth; ++i)
    {
        for (int j = 0; j < m_nLength; ++j)
        {
            SolTile& tile = m_ppTiles[i][j];
            if (tile.nState != TILE_STANDING || tile.nValue == 0) continue;
            tile.nValue = 0;
            if (pCubes) pCubes->DestroyAt(static_cast<float>(i) * s, -static_cast<float>(j) * s);
        }
    }
}

void CSol::DropRow()
{
    if (m_nFirstStandingRow >= m_nLength) return;
    for (int i = 0; i < m_nWidth; ++i)
        m_ppTiles[i][m_nFirstStandingRow] = SolTile{TILE_FALLING, -1};
    ++m_nFirstStandingRow;
}

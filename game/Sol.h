// Sol: the floor, a grid of square tiles that stand, fall away or are gone, with pulsing marks.
//
// Tile (i, j) has column i along +x and row j along -z; row 0 is the near end (z = 0). A standing
// tile of size s fills x from i*s to (i+1)*s, z from -j*s to -(j+1)*s and y from -s to 0, relative
// to the drawing origin; every query works in these floor coordinates and ignores the origin.
// Each tile only moves one way: standing -> falling (a whole row by DropRow) -> gone (five units
// down). Marks live on standing tiles only.
#pragma once

#include <cstdint>  // uint32_t for mark colours, int64_t for the accumulated time
#include <memory>   // std::unique_ptr for the owned mesh and grid
#include <string>   // std::string for the texture name

class CCube;         // the tile mesh, owned
class CRollingCube;  // the block whose cubes the marks destroy, not owned

// State of one tile.
enum ETileState : int
{
    TILE_STANDING = 0,  // part of the floor; may carry a mark
    TILE_FALLING = 1,   // dropped, sinking at the fall rate
    TILE_GONE = 2,      // fallen five units, no longer drawn
};

// One tile: two 32-bit words.
struct SolTile
{
    int nState;  // TILE_STANDING, TILE_FALLING or TILE_GONE
    int nValue;  // standing: mark colour as bytes red, green, blue, alpha (0 = no mark);
                 // falling: height of the top face in thousandths of a unit (negative = below)
};

class CSol
{
public:
    static constexpr uint32_t s_dwMarkGreen = 0xFF00;  // the player's mark: green, alpha set by Update
    static constexpr int s_nGoneDepth = -5000;         // a falling tile at or below this height is gone

    // Builds a floor of nWidth x nLength standing tiles without marks, and its tile mesh textured
    // from strTexture. Negative sizes are traced and give an empty grid. The OpenGL context must
    // be current (the mesh compiles a display list and loads its texture).
    CSol(int nWidth, int nLayers, int nLength, float fTileSize, const std::string& strTexture, float fOriginX,
         float fOriginY, float fOriginZ);
    virtual ~CSol();  // frees the mesh (its list and texture reference) and the grid
    CSol(const CSol&) = delete;
    CSol& operator=(const CSol&) = delete;

    // Advances the mark pulse and the falling tiles by nElapsedMs; a negative step counts as 0.
    // Upon exit every marked tile carries the alpha of the accumulated time and every falling tile
    // has sunk (saturating, never overflowing) or, when it had reached the gone depth, is gone.
    virtual void Update(int nElapsedMs);
    // Draws the standing and falling tiles, then the marks blended over them. Upon exit 2D
    // texturing, blending and polygon offset fill are off and lighting is on.
    virtual void Draw();

    // Marks the standing tile under (x, z) with dwColor, replacing any mark; false, changing
    // nothing, when the point is off the standing floor.
    bool SetMark(float x, float z, uint32_t dwColor);
    // Clears every mark and asks pCubes to destroy the cube resting on each marked tile.
    void TriggerMarks(CRollingCube* pCubes);
    // Starts the fall of the nearest standing row; nothing when every row has dropped.
    void DropRow();

    int GetWidth() const { return m_nWidth; }                        // columns along x
    int GetLength() const { return m_nLength; }                      // rows along -z
    float GetTileSize() const { return m_fTileSize; }                // edge of one tile
    int GetFirstStandingRow() const { return m_nFirstStandingRow; }  // rows before it have dropped
    int64_t GetTime() const { return m_nTime; }                      // milliseconds accumulated by Update
    const SolTile& GetTile(int i, int j) const;                      // tile (i, j); both must be in range
    static int MarkAlpha(int64_t nTimeMs);                           // the pulse alpha at a time, 64..192

private:
    int m_nFallRate;          // fall speed in thousandths of a unit per millisecond
    int m_nFirstStandingRow;  // rows 0 .. this - 1 have dropped; never above m_nLength
    std::unique_ptr<std::unique_ptr<SolTile[]>[]> m_ppTiles;  // [i][j], owned
    float m_fOriginX, m_fOriginY, m_fOriginZ;                 // drawing translation
    float m_fTileSize;                                        // edge length of a tile
    int m_nWidth;                                             // columns (x)
    int m_nLayers;                                            // tile layers; kept, read by nothing
    int m_nLength;                                            // rows (z)
    int64_t m_nTime;                                          // milliseconds accumulated by Update
    std::unique_ptr<CCube> m_pCube;                           // the one mesh that draws every tile, owned
};

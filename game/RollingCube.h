// RollingCube: the block of cubes that rolls over the floor toward its near end.
//
// The whole block moves as one, its place a pure function of the time accumulated by Update:
// after k = time / (90 * ms per degree) completed quarter turns its front line lies at
// F = origin z + k * size, and cube (c, r) (column c along +x, row r counted back from the front)
// rests with its front bottom edge on x = c * size, y = 0, z = F - r * size. Between steps every
// query uses that resting place. Each cube is intact, being destroyed (darkening) or gone.
#pragma once

#include <cstdint>  // int64_t for the accumulated time and the step count
#include <memory>   // std::unique_ptr for the owned mesh and cells
#include <string>   // std::string for the texture name

class CCube;  // the cube mesh, owned
class CSol;   // the floor whose rows the block drops, not owned

class CRollingCube
{
public:
    static constexpr int s_nIntact = 0xFFFFF;  // value of an intact cube; 1 .. s_nIntact - 1 fading, 0 gone

    // Builds a block of nWidth x nRows intact cubes and its mesh textured from strTexture with an
    // alpha layer of 255. Negative sizes are traced and give an empty block. Only fOriginZ takes
    // part in placement. The OpenGL context must be current.
    CRollingCube(int nWidth, int nRows, float fCubeSize, const std::string& strTexture, float fOriginX,
                 float fOriginY, float fOriginZ);
    virtual ~CRollingCube();  // frees the mesh (its list and texture reference) and the cells
    CRollingCube(const CRollingCube&) = delete;
    CRollingCube& operator=(const CRollingCube&) = delete;

    // Advances the time and the fading of hit cubes by nElapsedMs (a negative step counts as 0),
    // then, when the block has passed the floor's nearest standing row, drops that one row of
    // pSol. Upon exit every value is defined, whatever the length of the step or of the game.
    void Update(int nElapsedMs, CSol* pSol);
    // Draws every cube that is not gone, tipped into the current roll, darkened by its value.
    // Upon exit 2D texturing is on and the front diffuse material is (0.8, 0.8, 0.8, 1).
    void Draw();

    bool IsCubeAt(float x, float z) const;  // an intact cube rests on the cell containing (x, z)
    bool DestroyAt(float x, float z);       // Hit on the cell containing (x, z)
    // Starts the destruction of cube (c, r) if it is intact; false when (c, r) is outside the
    // block, true otherwise (also for a cube already fading or gone).
    bool Hit(int c, int r);

    int GetWidth() const { return m_nWidth; }          // columns along x
    int GetRows() const { return m_nRows; }            // rows counted back from the front
    float GetCubeSize() const { return m_fCubeSize; }  // edge of one cube
    int64_t GetTime() const { return m_nTime; }        // milliseconds accumulated by Update
    int64_t GetSteps() const;                          // completed quarter turns k
    float GetFrontLine() const;                        // z of the front row's front face, F
    double GetRollAngle() const;                       // degrees into the current roll, 0 <= angle < 90
    int GetValue(int c, int r) const;                  // value of cube (c, r); both must be in range

private:
    int m_nFadeRate;                                      // value lost per millisecond by a hit cube
    int m_nMsPerDegree;                                   // milliseconds per degree of roll
    std::unique_ptr<std::unique_ptr<int[]>[]> m_ppCells;  // cube values [c][r], owned
    float m_fOriginX, m_fOriginY, m_fOriginZ;             // origin; only z places the block
    int m_nWidth;                                         // columns
    int m_nRows;                                          // rows
    int64_t m_nTime;                                      // milliseconds accumulated by Update
    float m_fCubeSize;                                    // edge of a cube
    std::unique_ptr<CCube> m_pCube;                       // the one mesh that draws every cube, owned
};

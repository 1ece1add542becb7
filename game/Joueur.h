// Joueur: the player, a Wavefront model that turns and walks on the floor under the view's
// control flags, stays on the floor and out of intact cubes, and marks and fires tiles.
//
// Units: world units, degrees, milliseconds. Heading 0 faces -z (toward the far end, where the
// cubes come from); a growing heading turns the player to its left, and forward is the
// direction (-sin h, 0, -cos h).
#pragma once

#include "model/GlmModel.h"  // CGlmModel, the player's model held by value

class CSol;          // the floor the player walks on, not owned
class CRollingCube;  // the block that blocks the player, not owned

class CJoueur
{
public:
    // Sets the initial values; when pszFile is not null, reads that OBJ model, fits it to 0.9,
    // computes its normals and sphere-map texture coordinates, compiles it into a display list,
    // takes its dimensions and stands the player at the floor's near left corner. Without a
    // model (a null name, or a file with no vertices) the dimensions are zero, there is no
    // list and Draw draws nothing. The OpenGL context must be current.
    explicit CJoueur(const char* pszFile);
    virtual ~CJoueur();  // deletes the player's display list when it has one
    CJoueur(const CJoueur&) = delete;
    CJoueur& operator=(const CJoueur&) = delete;

    // Turning, walking (each axis tried and undone on its own), marking and firing for a step of
    // nElapsedMs (a negative step counts as 0). Does nothing when either pointer is null. Upon
    // exit the heading lies in 0 .. 360 and a move that IsBlocked refuses has left the
    // coordinate exactly as it was.
    void Update(int nElapsedMs, CSol* pSol, CRollingCube* pCubes);
    // Draws the model's list at the position, turned by the heading; nothing without a list.
    void Draw();
    // Whether the current position is forbidden: the unrotated footprint off the floor (with
    // m_bFloorBounds), or the centre on an intact cube (with m_bCubeCollision).
    bool IsBlocked(CSol* pSol, CRollingCube* pCubes) const;

    int GetMarks() const { return m_nMarks; }                     // marks placed since the last firing
    int GetMaxMarks() const { return m_nMaxMarks; }               // marks allowed before a firing
    const float* GetDimensions() const { return m_fDimensions; }  // width, height, depth of the model
    int GetList() const { return m_nList; }                       // display list, -1 when none
    const CGlmModel& GetModel() const { return m_Model; }         // the prepared model

    // --- read and written by the view -----------------------------------------------------------
    bool m_bCubeCollision;   // intact cubes block the player (F2)
    bool m_bFloorBounds;     // the footprint must stay on the floor (F1)
    float m_fAngle;          // heading in degrees
    float m_fX, m_fY, m_fZ;  // position of the model's origin
    bool m_bTurnLeft;        // left arrow held
    bool m_bTurnRight;       // right arrow held
    bool m_bForward;         // up arrow held
    bool m_bBackward;        // down arrow held
    bool m_bMark;            // End held: mark the tile underfoot
    bool m_bTrigger;         // Delete held: fire the marks

private:
    void Walk(float fDx, float fDz, CSol* pSol, CRollingCube* pCubes);  // one move, each axis undone alone
    void WrapAngle();                                                   // heading back into 0 .. 360

    int m_nMaxMarks;         // marks that may be placed before the next firing
    int m_nMarks;            // marks placed (or attempted) since the last firing
    float m_fDimensions[3];  // width (x), height (y) and depth (z) of the fitted model
    float m_fTurnSpeed;      // degrees per millisecond
    float m_fSpeed;          // units per millisecond
    CGlmModel m_Model;       // the player's model, owned by value
    int m_nList;             // display list of the model, owned; -1 = none
};

// GameScene: what the game view draws, without any window toolkit.
//
// The scene owns the five objects of the game (light, floor, rolling cubes, player, font) and
// the lens flare, runs one frame at a time and turns key presses into the player's flags. The
// view (CCubatroView) calls Resize from its size handler, RenderFrame from its paint handler
// and the key functions from its key handlers; everything else about windows stays there.
//
// The stages of a frame are announced with glPassThrough (the SStage numbers), which does
// nothing unless OpenGL is in feedback mode; there they show the order of the work.
#pragma once
#include "app/FrameClock.h"  // CFrameClock for the time step

#include <functional>  // std::function for the frame-rate sink
#include <memory>      // std::unique_ptr for the flare

class CLight;
class CSol;
class CRollingCube;
class CJoueur;
class CGLFont;
class CFlare;

class CGameScene
{
public:
    // Keys the game reacts to; the view maps its toolkit's key codes onto these.
    enum EKey
    {
        kKeyLeft,
        kKeyRight,
        kKeyUp,
        kKeyDown,
        kKeyEnd,
        kKeyDelete,
        kKeyF1,
        kKeyF2,
        kKeyOther,
    };
    // Stage markers of RenderFrame, in the order the frame reaches them.
    enum EStage
    {
        kStageClear = 1,
        kStageCamera,
        kStageLight,
        kStageFlarePosition,
        kStageFloor,
        kStageCubes,
        kStagePlayer,
        kStageFlare,
        kStageOverlay,
        kStageDone,
    };
    using FpsSink = std::function<void(int)>;  // receives the step of each drawn frame

    static constexpr float s_fFlarePosition[3] = {1.0f, 0.5f, -1.0f};  // where the flare glows

    // Nothing is created yet: Resize creates the objects with the OpenGL context current.
    CGameScene(CFrameClock::TickSource tick, FpsSink fps);
    // Deletes the light, the cubes, the floor, the player and the font, in that order, then the flare.
    virtual ~CGameScene();
    CGameScene(const CGameScene&) = delete;
    CGameScene& operator=(const CGameScene&) = delete;

    // The size handler's work for a client area of cx × cy: viewport, projection, model-view
    // identity, GL state, and on the first call the five objects. The context must be current.
    void Resize(int cx, int cy);
    // One frame: true when it drew, false for a zero step (nothing drawn, nothing fed) or when
    // the objects are not all there.
    bool RenderFrame();

    void KeyDown(EKey key);  // sets a control flag, or flips a collision switch (F1, F2)
    void KeyUp(EKey key);    // clears a control flag
    void ReleaseControls();  // clears the six control flags (the view lost the keyboard)

    bool IsComplete() const;  // all five objects exist
    CLight* GetLight() const { return m_pLight; }
    CSol* GetSol() const { return m_pSol; }
    CRollingCube* GetCubes() const { return m_pCubes; }
    CJoueur* GetJoueur() const { return m_pJoueur; }
    CGLFont* GetFont() const { return m_pFont; }
    CFlare* GetFlare() const { return m_pFlare.get(); }
    const float* GetEye() const { return m_fEye; }  // the eye point of the last drawn frame

private:
    void CreateObjects();  // the objects that do not exist yet, in order

    CGLFont* m_pFont = nullptr;            // bitmap font of the overlay; owned
    CJoueur* m_pJoueur = nullptr;          // the player; owned
    CRollingCube* m_pCubes = nullptr;      // the rolling block; owned
    CSol* m_pSol = nullptr;                // the floor; owned
    CLight* m_pLight = nullptr;            // the light that follows the player; owned
    float m_vUp[3] = {0.0f, 1.0f, 0.0f};   // camera up vector
    float m_fEye[3] = {0.0f, 0.0f, 0.0f};  // eye point of the last drawn frame
    std::unique_ptr<CFlare> m_pFlare;      // built on the first frame with a step; owned
    CFrameClock m_clock;                   // time steps
    FpsSink m_fps;                         // frame-rate dialog feed, may be empty
};

// GameScene: the size handler's set-up, the frame, and the key table.
#include "app/GameScene.h"

#include "app/StartupGuard.h"  // CStartupGuard around the loads that may end the process
#include "game/Joueur.h"       // CJoueur, the player
#include "game/RollingCube.h"  // CRollingCube, the block
#include "game/Sol.h"          // CSol, the floor
#include "render/Flare.h"      // CFlare, the lens flare
#include "render/GLFont.h"     // CGLFont, the overlay font
#include "render/Light.h"      // CLight, the light unit

#include <GL/gl.h>   // fixed-function OpenGL
#include <GL/glu.h>  // gluPerspective, gluLookAt
#include <cmath>     // std::sin, std::cos
#include <string>    // std::string for the texture names
#include <utility>   // std::move

namespace
{
void Stage(CGameScene::EStage stage)
{
    glPassThrough(static_cast<GLfloat>(stage));
}
}  // namespace

CGameScene::CGameScene(CFrameClock::TickSource tick, FpsSink fps)
    : m_clock(std::move(tick)), m_fps(std::move(fps))
{
}

CGameScene::~CGameScene()
{
    delete m_pLight;
    delete m_pCubes;
    delete m_pSol;
    delete m_pJoueur;
    delete m_pFont;
    m_pFlare.reset();
}

bool CGameScene::IsComplete() const
{
    return m_pLight && m_pSol && m_pCubes && m_pJoueur && m_pFont;
}

void CGameScene::Resize(int cx, int cy)
{
    const double dAspect = cy == 0 ? static_cast<double>(cx) : static_cast<double>(cx) / cy;
    glViewport(0, 0, cx, cy);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, dAspect, 0.5, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    glDrawBuffer(GL_BACK);
    glPolygonMode(GL_FRONT, GL_FILL);
    glPolygonMode(GL_BACK, GL_FILL);
    glShadeModel(GL_SMOOTH);

    CreateObjects();

    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
    glPolygonMode(GL_BACK, GL_FILL);
    glEnable(GL_LIGHTING);

    const GLfloat ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    const GLfloat diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    const GLfloat specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT, GL_SHININESS, 10.0f);

    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
}

void CGameScene::CreateObjects()
{
    if (!m_pLight)
    {
        const float position[4] = {3.0f, 3.0f, -3.0f, 1.0f};
        const float ambient[4] = {0.8f, 0.8f, 0.8f, 1.0f};
        const float diffuse[4] = {0.9f, 0.9f, 0.9f, 1.0f};
        const float specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        m_pLight = new CLight(position);
        m_pLight->SetColors(ambient, diffuse, specular);
    }
    if (!m_pSol) m_pSol = new CSol(5, 1, 25, 1.0f, std::string("GFx\\Marbre2.bmp"), 0.0f, 0.0f, 0.0f);
    if (!m_pCubes)
        m_pCubes = new CRollingCube(5, 7, 1.0f, std::string("Gfx\\Marbre2.bmp"), 0.0f, 0.0f, -25.0f);
    if (!m_pJoueur)
    {
        const CStartupGuard guard("the player's model \"cle.obj\"");
        m_pJoueur = new CJoueur("cle.obj");
    }
    if (!m_pFont) m_pFont = new CGLFont("arial", 20, 10, false);
}

bool CGameScene::RenderFrame()
{
    if (!IsComplete()) return false;
    const int nStep = m_clock.Step();
    if (nStep == 0) return false;

    if (!m_pFlare)
    {
        const CStartupGuard guard("the flare's sprites \"Gfx\\Shine0.bw\" to \"Gfx\\Shine9.bw\"");
        m_pFlare = std::make_unique<CFlare>(s_fFlarePosition, 0.3f, 0.7f, 0.7f);
    }

    Stage(kStageClear);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();

    Stage(kStageCamera);
    const CJoueur& joueur = *m_pJoueur;
    const double a = joueur.m_fAngle * 3.1415927f / 180.0f;
    m_fEye[0] = static_cast<float>(joueur.m_fX + 3.0 * std::sin(a));
    m_fEye[1] = static_cast<float>(joueur.m_fY + 1.0);
    m_fEye[2] = static_cast<float>(joueur.m_fZ + 3.0 * std::cos(a));
    gluLookAt(m_fEye[0], m_fEye[1], m_fEye[2], joueur.m_fX, joueur.m_fY, joueur.m_fZ, m_vUp[0], m_vUp[1],
              m_vUp[2]);

    Stage(kStageLight);
    m_pLight->SetPosition(joueur.m_fX, joueur.m_fY + 0.5f, joueur.m_fZ);

    Stage(kStageFlarePosition);
    m_pFlare->SetPosition(s_fFlarePosition);

    Stage(kStageFloor);
    m_pSol->Update(nStep);
    m_pSol->Draw();

    Stage(kStageCubes);
    m_pCubes->Update(nStep, m_pSol);
    m_pCubes->Draw();

    Stage(kStagePlayer);
    m_pJoueur->Update(nStep, m_pSol, m_pCubes);
    m_pJoueur->Draw();

    Stage(kStageFlare);
    m_pFlare->Draw(m_fEye);
    glPopMatrix();

    Stage(kStageOverlay);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    const float overlay[3] = {10.0f, 10.0f, 10.0f};
    m_pFont->Print("a", overlay);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);

    Stage(kStageDone);
    glFlush();
    if (m_fps) m_fps(nStep);
    return true;
}

void CGameScene::KeyDown(EKey key)
{
    if (!m_pJoueur) return;
    CJoueur& j = *m_pJoueur;
    switch (key)
    {
    case kKeyLeft:
        j.m_bTurnLeft = true;
        break;
    case kKeyRight:
        j.m_bTurnRight = true;
        break;
    case kKeyUp:
        j.m_bForward = true;
        break;
    case kKeyDown:
        j.m_bBackward = true;
        break;
    case kKeyEnd:
        j.m_bMark = true;
        break;
    case kKeyDelete:
        j.m_bTrigger = true;
        break;
    case kKeyF1:
        j.m_bFloorBounds = !j.m_bFloorBounds;
        break;
    case kKeyF2:
        j.m_bCubeCollision = !j.m_bCubeCollision;
        break;
    case kKeyOther:
        break;
    }
}

void CGameScene::KeyUp(EKey key)
{
    if (!m_pJoueur) return;
    CJoueur& j = *m_pJoueur;
    switch (key)
    {
    case kKeyLeft:
        j.m_bTurnLeft = false;
        break;
    case kKeyRight:
        j.m_bTurnRight = false;
        break;
    case kKeyUp:
        j.m_bForward = false;
        break;
    case kKeyDown:
        j.m_bBackward = false;
        break;
    case kKeyEnd:
        j.m_bMark = false;
        break;
    case kKeyDelete:
        j.m_bTrigger = false;
        break;
    default:
        break;
    }
}

void CGameScene::ReleaseControls()
{
    if (!m_pJoueur) return;
    CJoueur& j = *m_pJoueur;
    j.m_bTurnLeft = j.m_bTurnRight = j.m_bForward = j.m_bBackward = j.m_bMark = j.m_bTrigger = false;
}

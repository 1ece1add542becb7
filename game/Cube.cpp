// Cube: the mesh's geometry, its display list, the plain and highlighted draws, and Advance.
#include "game/Cube.h"  // the class defined here

#include "image/BindTexture.h"  // theBindTexture, where the texture comes from and goes back to

#include <utility>  // std::move for the texture name

namespace
{

// One face: its normal and its four corners as (s, t) and the signs of (x, y, z) times the
// half size. Every face winds counter-clockwise seen from outside the cube.
struct SFace
{
    double normal[3];
    struct
    {
        float st[2];
        double xyz[3];
    } corners[4];
};

constexpr SFace g_faces[6] = {
    {{0, 0, 1}, {{{0, 1}, {-1, 1, 1}}, {{1, 1}, {-1, -1, 1}}, {{1, 0}, {1, -1, 1}}, {{0, 0}, {1, 1, 1}}}},
    {{0, 0, -1},
     {{{0, 1}, {1, 1, -1}}, {{0, 0}, {1, -1, -1}}, {{1, 0}, {-1, -1, -1}}, {{1, 1}, {-1, 1, -1}}}},
    {{1, 0, 0}, {{{0, 0}, {1, 1, 1}}, {{1, 0}, {1, -1, 1}}, {{1, 1}, {1, -1, -1}}, {{0, 1}, {1, 1, -1}}}},
    {{-1, 0, 0},
     {{{0, 0}, {-1, 1, 1}}, {{1, 0}, {-1, 1, -1}}, {{1, 1}, {-1, -1, -1}}, {{0, 1}, {-1, -1, 1}}}},
    {{0, -1, 0},
     {{{0, 0}, {-1, -1, 1}}, {{1, 0}, {-1, -1, -1}}, {{1, 1}, {1, -1, -1}}, {{0, 1}, {1, -1, 1}}}},
    {{0, 1, 0}, {{{0, 0}, {-1, 1, 1}}, {{1, 0}, {1, 1, 1}}, {{1, 1}, {1, 1, -1}}, {{0, 1}, {-1, 1, -1}}}},
};

}  // namespace

CCube::CCube(double dSize, double dPosX, double dPosY, double dPosZ, double dAngleX, double dAngleY,
             double dAngleZ, double dVelX, double dVelY, double dVelZ, double dAngVelX, double dAngVelY,
             double dAngVelZ, bool bImmediate, bool bAddAlpha, unsigned char nAlpha, std::string strTexture)
    : m_dHalfSize(dSize / 2.0), m_dPosX(dPosX), m_dPosY(dPosY), m_dPosZ(dPosZ), m_dVelX(dVelX),
      m_dVelY(dVelY), m_dVelZ(dVelZ), m_dAngleX(dAngleX), m_dAngleY(dAngleY), m_dAngleZ(dAngleZ),
      m_dAngVelX(dAngVelX), m_dAngVelY(dAngVelY), m_dAngVelZ(dAngVelZ), m_bImmediate(bImmediate)
{
    if (!strTexture.empty())
        m_nTexture = static_cast<int>(theBindTexture.GetTexture(std::move(strTexture), bAddAlpha, nAlpha));
    if (!m_bImmediate)
    {
        m_nList = glGenLists(1);
        if (m_nList == 0)  // OpenGL gave no list: draws then call list 0, which does nothing
            return;
        glNewList(m_nList, GL_COMPILE);
        EmitGeometry();
        glEndList();
    }
}

CCube::~CCube()
{
    if (m_nTexture != s_nNoTexture) theBindTexture.ReleaseTexture(static_cast<GLuint>(m_nTexture));
    if (!m_bImmediate && m_nList != 0) glDeleteLists(m_nList, 1);
}

void CCube::EmitGeometry() const
{
    if (m_nTexture != s_nNoTexture) glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(m_nTexture));
    const double h = m_dHalfSize;
    glBegin(GL_QUADS);
    for (const SFace& face : g_faces)
    {
        glNormal3d(face.normal[0], face.normal[1], face.normal[2]);
        for (const auto& corner : face.corners)
        {
            glTexCoord2f(corner.st[0], corner.st[1]);
            glVertex3d(corner.xyz[0] * h, corner.xyz[1] * h, corner.xyz[2] * h);
        }
    }
    glEnd();
}

void CCube::Draw(float fX, float fY, float fZ, bool bHighlight)
{
    auto geometry = [this]
    {
        if (m_bImmediate)
            EmitGeometry();
        else
            glCallList(m_nList);
    };

    glPushMatrix();
    glTranslated(fX + m_dPosX, fY + m_dPosY, fZ + m_dPosZ);
    glRotated(m_dAngleX, 1.0, 0.0, 0.0);
    glRotated(m_dAngleY, 0.0, 1.0, 0.0);
    glRotated(m_dAngleZ, 0.0, 0.0, 1.0);
    if (!bHighlight)
    {
        geometry();
    }
    else
    {
        // Plain texture.
        glColor3f(1.0f, 1.0f, 1.0f);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDepthMask(GL_TRUE);
        glDisable(GL_LIGHTING);
        glDisable(GL_FOG);
        glShadeModel(GL_FLAT);
        glEnable(GL_TEXTURE_2D);
        geometry();

        // Specular gloss added on top.
        static const GLfloat s_fBlack[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        static const GLfloat s_fGloss[4] = {0.5f, 0.5f, 0.5f, 1.0f};
        glMaterialfv(GL_FRONT, GL_AMBIENT, s_fBlack);
        glMaterialfv(GL_FRONT, GL_DIFFUSE, s_fBlack);
        glMaterialfv(GL_FRONT, GL_SPECULAR, s_fGloss);
        glMaterialf(GL_FRONT, GL_SHININESS, 12.0f);
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(-0.05f, -0.05f);
        glEnable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        glDepthMask(GL_FALSE);
        glEnable(GL_FOG);
        glBlendFunc(GL_ONE, GL_ONE);
        geometry();

        glDepthFunc(GL_LEQUAL);
        glDepthMask(GL_TRUE);
        glDisable(GL_POLYGON_OFFSET_FILL);
        glDisable(GL_BLEND);
        glEnable(GL_TEXTURE_2D);
    }
    glPopMatrix();
}

void CCube::Advance(int nElapsedMs)
{
    const double dMs = nElapsedMs;
    m_dPosX += dMs * m_dVelX;
    m_dPosY += dMs * m_dVelY;
    m_dPosZ += dMs * m_dVelZ;
    m_dAngleX += dMs * m_dAngVelX;
    m_dAngleY += dMs * m_dAngVelY;
    m_dAngleZ += dMs * m_dAngVelZ;
}

void CCube::GetPosition(double* pdXyz) const
{
    pdXyz[0] = m_dPosX;
    pdXyz[1] = m_dPosY;
    pdXyz[2] = m_dPosZ;
}

void CCube::GetAngles(double* pdXyz) const
{
    pdXyz[0] = m_dAngleX;
    pdXyz[1] = m_dAngleY;
    pdXyz[2] = m_dAngleZ;
}

// GlmDraw: immediate-mode drawing of a model and its compilation into a display list.
//
// The mode bits choose what each corner carries (facet or corner normals, texture coordinates)
// and how groups are coloured (diffuse colour with colour tracking, or full materials). Parts
// the model lacks are reported on standard output and dropped for the call. The drawing binds
// no texture and leaves texturing as it finds it; numbers that a hand-made record puts beyond
// its arrays send a zero vector instead of reading outside them.
#include "model/GlmModel.h"

#include <GL/gl.h>  // immediate mode, materials and display lists

#include <cassert>  // the precondition on the vertices
#include <cstdio>   // printf for the warnings

namespace
{

const float g_fZero[3] = {0.0f, 0.0f, 0.0f};  // sent in place of an element beyond its array

// Element i (of `n` floats) of a numbered array, or a zero vector when the array does not reach it.
const float* Element(const std::vector<float>& a, std::uint32_t i, std::size_t n)
{
    const std::size_t nFirst = static_cast<std::size_t>(i) * n;
    return nFirst + n <= a.size() ? a.data() + nFirst : g_fZero;
}

// The mode with every request for a missing part dropped, each drop reported.
unsigned ReduceMode(const CGlmModel& m, unsigned mode)
{
    if ((mode & GLM_MODE_FLAT) && m.facetnorms.empty())
    {
        std::printf("glmDraw() warning: flat render mode requested with no facet normals defined.\n");
        mode &= ~GLM_MODE_FLAT;
    }
    if ((mode & GLM_MODE_SMOOTH) && m.normals.empty())
    {
        std::printf("glmDraw() warning: smooth render mode requested with no normals defined.\n");
        mode &= ~GLM_MODE_SMOOTH;
    }
    if ((mode & GLM_MODE_TEXTURE) && m.texcoords.empty())
    {
        std::printf(
            "glmDraw() warning: texture render mode requested with no texture coordinates defined.\n");
        mode &= ~GLM_MODE_TEXTURE;
    }
    if ((mode & GLM_MODE_FLAT) && (mode & GLM_MODE_SMOOTH))
    {
        std::printf("glmDraw() warning: flat render mode requested and smooth render mode requested (using "
                    "smooth).\n");
        mode &= ~GLM_MODE_FLAT;
    }
    if ((mode & GLM_MODE_COLOR) && m.materials.empty())
    {
        std::printf("glmDraw() warning: color render mode requested with no materials defined.\n");
        mode &= ~GLM_MODE_COLOR;
    }
    if ((mode & GLM_MODE_MATERIAL) && m.materials.empty())
    {
        std::printf("glmDraw() warning: material render mode requested with no materials defined.\n");
        mode &= ~GLM_MODE_MATERIAL;
    }
    if ((mode & GLM_MODE_COLOR) && (mode & GLM_MODE_MATERIAL))
    {
        std::printf("glmDraw() warning: color and material render mode requested using only material mode\n");
        mode &= ~GLM_MODE_COLOR;
    }
    return mode;
}

}  // namespace

void CGlmModel::glmDraw(unsigned mode)
{
    assert(!this->vertices.empty() && "this->vertices");
    if (vertices.empty()) return;
    mode = ReduceMode(*this, mode);

    if (mode & GLM_MODE_COLOR) glEnable(GL_COLOR_MATERIAL);
    if (mode & GLM_MODE_MATERIAL) glDisable(GL_COLOR_MATERIAL);

    glPushMatrix();
    glTranslatef(position[0], position[1], position[2]);
    glBegin(GL_TRIANGLES);
    for (const GlmGroup* pGroup = groups.get(); pGroup; pGroup = pGroup->next.get())
    {
        if (mode & (GLM_MODE_MATERIAL | GLM_MODE_COLOR))
        {
            // A group whose material lies beyond the list takes the "default" material.
            const GlmMaterial& material =
                materials[pGroup->material < materials.size() ? pGroup->material : 0];
            if (mode & GLM_MODE_MATERIAL)
            {
                glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, material.ambient);
                glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, material.diffuse);
                glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, material.specular);
                glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, material.shininess);
            }
            if (mode & GLM_MODE_COLOR) glColor3fv(material.diffuse);
        }
        for (std::uint32_t j = 0; j < pGroup->numtriangles && j < pGroup->triangles.size(); j++)
        {
            const std::uint32_t t = pGroup->triangles[j];
            if (t >= triangles.size()) continue;
            const GlmTriangle& tri = triangles[t];
            if (mode & GLM_MODE_FLAT) glNormal3fv(Element(facetnorms, tri.findex, 3));
            for (int c = 0; c < 3; c++)
            {
                if (mode & GLM_MODE_SMOOTH) glNormal3fv(Element(normals, tri.nindices[c], 3));
                if (mode & GLM_MODE_TEXTURE) glTexCoord2fv(Element(texcoords, tri.tindices[c], 2));
                glVertex3fv(Element(vertices, tri.vindices[c], 3));
            }
        }
    }
    glEnd();
    glPopMatrix();
}

std::uint32_t CGlmModel::glmBuildList(unsigned mode)
{
    const GLuint list = glGenLists(1);
    // Without a list name there is nothing to compile into, and drawing now would put the
    // model on the screen at once: the name 0 is handed back with nothing done.
    if (list == 0) return 0;
    glNewList(list, GL_COMPILE);
    glmDraw(mode);
    glEndList();
    return list;
}

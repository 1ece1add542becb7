// GlmDrawTest: what glmDraw, and a display list of it replayed, send to real OpenGL, for a model
// read from an OBJ file.
//
// Positions, colours and texture coordinates come back through feedback mode. Normals do not, so
// three lights, one per axis and each of one primary colour, turn a normal (x, y, z) with
// components in [0, 1] into the lit colour (x, y, z) times the diffuse colour: the colour of each
// corner shows the normal it was lit with and the material it was drawn in.
#include "model/GlmModel.h"  // the drawing under test

#include "HeadlessGl.h"  // real OpenGL with feedback capture
#include "TempDir.h"     // scratch directory for the model files

#include <gmock/gmock.h>  // matchers for arrays of floats

#include <GL/gl.h>  // state queries, lights and lists

#include <array>   // corner tables
#include <string>  // captured output
#include <vector>  // values compared

namespace
{

using Rows = std::array<std::array<float, 13>, 7>;

// What the six corners carry in drawing order (triangle 1 of the group "a", whose material is
// "red", then triangle 0 of "default"): window position, texture coordinate, facet normal, corner
// normal and diffuse colour. The last row holds what is current before a draw: the texture
// coordinate, the normal and the diffuse colour (white).
const float r = 0.57735027f;  // 1 / sqrt(3)
// clang-format off
const Rows g_corners = {{{56, 32, 0.5f, 0.125f, r, r, r, 0, 0, 1, 0.5f, 1, 0.25f},
                         {40, 32, 0.25f, 0.75f, r, r, r, 1, 0, 0, 0.5f, 1, 0.25f},
                         {56, 16, 0.5f, 0.125f, r, r, r, 0, 1, 0, 0.5f, 1, 0.25f},
                         {40, 16, 0.25f, 0.75f, 0, 0, 1, 1, 0, 0, 0.8f, 0.8f, 0.8f},
                         {56, 16, 0.5f, 0.125f, 0, 0, 1, 0, 1, 0, 0.8f, 0.8f, 0.8f},
                         {40, 32, 0.25f, 0.75f, 0, 0, 1, 0, 0, 1, 0.8f, 0.8f, 0.8f},
                         {0, 0, 0.375f, 0.625f, 0, 0, 0, 0.6f, 0.3f, 0.15f, 1, 1, 1}}};
// Columns of the rows; negated, the column of the last row.
enum { TEXTURE = 2, FACET = 4, CORNER = 7, DIFFUSE = 10, SET_NORMAL = -7, WHITE = -10 };
// clang-format on

// The model sits at (0.25, -0.5, 0) in a window of 64 pixels for -1 to 1. Three directional
// lights along x, y and z of pure red, green and blue, no ambient light and a white material make
// the lit colour of a corner its normal.
class GlmDrawTest : public cubatro::test::CGlTest
{
protected:
    void SetUp() override
    {
        CGlTest::SetUp();
        m_dir.Write("m.mtl", "newmtl red\nKd 0.5 1 0.25\nKa 0.3 0.2 0.1\nKs 0.5 0.6 0.7\nNs 500\n");
        m.glmReadOBJ(m_dir.Write("m.obj", "mtllib m.mtl\nv 0 0 0\nv 0.5 0 0\nv 0 0.5 0\nv 0.5 0.5 -0.5\n"
                                          "vt 0.25 0.75\nvt 0.5 0.125\nvn 1 0 0\nvn 0 1 0\nvn 0 0 1\n"
                                          "f 1/1/1 2/2/2 3/1/3\ng a\nusemtl red\nf 4/2/3 3/1/1 2/2/2\n"));
        m.glmFacetNormals();
        m.position[0] = 0.25f;
        m.position[1] = -0.5f;
        glTexCoord2fv(&g_corners[6][TEXTURE]);
        glNormal3fv(&g_corners[6][CORNER]);
        glEnable(GL_LIGHTING);
        const float axes[][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}, {1, 1, 1, 1}};
        for (GLenum i = 0; i < 3; i++)
        {
            glEnable(GL_LIGHT0 + i);
            glLightfv(GL_LIGHT0 + i, GL_POSITION, axes[i]);
            glLightfv(GL_LIGHT0 + i, GL_DIFFUSE, axes[i]);
            glLightfv(GL_LIGHT0 + i, GL_SPECULAR, axes[3]);
        }
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, axes[3]);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, axes[4]);
    }

    // Runs `draw` in feedback mode and expects it to print `out` and the six corners at their places, each
    // lit with the normal and diffuse colour at columns nNormal and nDiffuse and carrying the texture
    // coordinate of its row (bTexture) or the one set before.
    template <class F>
    void ExpectCorners(F draw, const std::string& out, int nNormal, int nDiffuse, bool bTexture)
    {
        testing::internal::CaptureStdout();
        const auto primitives = Feedback(draw);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), out);
        const auto at = [](int c, int n) { return n < 0 ? &g_corners[6][-n] : &g_corners[c][n]; };
        std::vector<float> actual, expected;
        for (int c = 0; c < 6; c++)
        {
            const float *n = at(c, nNormal), *d = at(c, nDiffuse), *t = at(c, bTexture ? TEXTURE : -TEXTURE);
            expected.insert(expected.end(), {g_corners[c][0], g_corners[c][1], n[0] * d[0], n[1] * d[1],
                                             n[2] * d[2], t[0], t[1]});
        }
        for (const auto& primitive : primitives)
            for (const auto& v : primitive.vertices)
                actual.insert(actual.end(),
                              {v.pos[0], v.pos[1], v.color[0], v.color[1], v.color[2], v.tex[0], v.tex[1]});
        EXPECT_THAT(actual, testing::Pointwise(testing::FloatNear(2e-3f), expected));
    }

    cubatro::test::CTempDir m_dir;  // scratch directory of the test
    CGlmModel m;                    // the model of the running test
};

// Positions only keep the normal and texture coordinate set before; smooth normals win over flat
// ones. Material mode, here compiled into a display list and replayed, sends each group's material
// and turns colour tracking off; colour mode sends each group's diffuse colour and turns tracking
// on. Each part the model lacks is dropped with a warning, and tracking is then left as it is. The
// modelview matrix is left as it was found.
TEST_F(GlmDrawTest, CornersCarryWhatTheModeChooses)
{
    const std::string w = "glmDraw() warning: ", none = " render mode requested with no ";
    ExpectCorners([&] { m.glmDraw(GLM_MODE_NONE); }, "", SET_NORMAL, WHITE, false);
    ExpectCorners([&] { m.glmDraw(GLM_MODE_FLAT | GLM_MODE_SMOOTH | GLM_MODE_TEXTURE); },
                  w + "flat render mode requested and smooth render mode requested (using smooth).\n", CORNER,
                  WHITE, true);
    glTexCoord2fv(&g_corners[6][TEXTURE]);
    glEnable(GL_COLOR_MATERIAL);
    ExpectCorners([&] { glCallList(m.glmBuildList(GLM_MODE_COLOR | GLM_MODE_MATERIAL | GLM_MODE_SMOOTH)); },
                  w + "color and material render mode requested using only material mode\n", CORNER, DIFFUSE,
                  false);
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
    ExpectCorners([&] { m.glmDraw(GLM_MODE_FLAT | GLM_MODE_COLOR); }, "", FACET, DIFFUSE, false);
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    m.normals.clear();
    m.texcoords.clear();
    m.materials.clear();
    glColor3f(1, 1, 1);  // tracked as the material
    ExpectCorners([&] { m.glmDraw(31); },
                  w + "smooth" + none + "normals defined.\n" + w + "texture" + none +
                      "texture coordinates defined.\n" + w + "color" + none + "materials defined.\n" + w +
                      "material" + none + "materials defined.\n",
                  FACET, WHITE, false);
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    float matrix[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    EXPECT_THAT(matrix, testing::ElementsAre(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
}

}  // namespace

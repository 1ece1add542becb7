// HeadlessGl: the fixture gives a real compatibility context with working feedback and read-back.
#include "HeadlessGl.h"

#include <gtest/gtest.h>

namespace
{

using cubatro::test::CGlTest;

class HeadlessGlTest : public CGlTest
{
};

TEST_F(HeadlessGlTest, ContextHasTheFixedFunctionPipeline)
{
    GLint nLights = 0;
    glGetIntegerv(GL_MAX_LIGHTS, &nLights);
    EXPECT_GE(nLights, 8) << m_pGl->Renderer();
    const GLuint nList = glGenLists(1);
    glNewList(nList, GL_COMPILE);
    glEndList();
    EXPECT_EQ(glIsList(nList), GL_TRUE);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(HeadlessGlTest, FeedbackReportsWindowCoordinatesAndColours)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, s_nSize, 0, s_nSize, -1, 1);
    const auto primitives = Feedback([] {
        glBegin(GL_TRIANGLES);
        glColor3f(1, 0, 0);
        glTexCoord2f(0.25f, 0.75f);
        glVertex2f(8, 8);
        glColor3f(0, 1, 0);
        glVertex2f(40, 8);
        glColor3f(0, 0, 1);
        glVertex2f(8, 40);
        glEnd();
        glPassThrough(7);
    });
    ASSERT_EQ(primitives.size(), 2u);
    ASSERT_EQ(primitives[0].type, static_cast<GLenum>(GL_POLYGON_TOKEN));
    ASSERT_EQ(primitives[0].vertices.size(), 3u);
    EXPECT_FLOAT_EQ(primitives[0].vertices[1].pos[0], 40.0f);
    EXPECT_FLOAT_EQ(primitives[0].vertices[2].pos[1], 40.0f);
    EXPECT_FLOAT_EQ(primitives[0].vertices[0].color[0], 1.0f);
    EXPECT_FLOAT_EQ(primitives[0].vertices[1].color[1], 1.0f);
    EXPECT_FLOAT_EQ(primitives[0].vertices[2].tex[1], 0.75f);  // the last texture coordinate still holds
    EXPECT_EQ(primitives[1].type, static_cast<GLenum>(GL_PASS_THROUGH_TOKEN));
    EXPECT_FLOAT_EQ(primitives[1].vertices[0].pos[0], 7.0f);
}

TEST_F(HeadlessGlTest, ReadPixelsSeesWhatWasDrawn)
{
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, s_nSize, 0, s_nSize, -1, 1);
    glColor3ub(255, 128, 0);
    glRecti(0, 0, s_nSize / 2, s_nSize / 2);
    glFinish();
    EXPECT_EQ(PixelAt(4, 4), (std::array<uint8_t, 4>{255, 128, 0, 255}));
    EXPECT_EQ(PixelAt(s_nSize - 4, s_nSize - 4), (std::array<uint8_t, 4>{0, 0, 255, 255}));
    const auto pixels = ReadPixels();
    EXPECT_EQ(pixels.size(), static_cast<size_t>(s_nSize * s_nSize * 4));
    EXPECT_EQ(pixels[0], 255);
}

TEST_F(HeadlessGlTest, EachTestStartsWithDefaultState)
{
    EXPECT_EQ(glIsEnabled(GL_LIGHTING), GL_FALSE);
    glEnable(GL_LIGHTING);  // the next test must not see this
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], s_nSize);
}

}  // namespace

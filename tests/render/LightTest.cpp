// LightTest: light units handed out from the class-wide table, and what OpenGL holds for them.
#include "render/Light.h"  // the class under test

#include "HeadlessGl.h"  // real OpenGL context

#include <EGL/egl.h>  // releasing the context, to make a light without one

#include <memory>  // std::unique_ptr for the lights of a test

namespace
{

using Vec4 = std::array<float, 4>;

class LightTest : public cubatro::test::CGlTest
{
protected:
    void TearDown() override
    {
        EXPECT_FALSE(CLight::HasTable());  // every test gives its units back: the table is process-wide
        CGlTest::TearDown();
    }
    static Vec4 Get(int nSlot, GLenum what)
    {
        Vec4 v{};
        glGetLightfv(static_cast<GLenum>(GL_LIGHT0 + nSlot), what, v.data());
        return v;
    }
    static bool On(int nSlot) { return glIsEnabled(static_cast<GLenum>(GL_LIGHT0 + nSlot)) == GL_TRUE; }
    static Vec4 Recorded(const CLight& light)
    {
        const float* pf = light.GetPosition();
        return {pf[0], pf[1], pf[2], pf[3]};
    }
    static GLint MaxLights()
    {
        GLint n = 0;
        glGetIntegerv(GL_MAX_LIGHTS, &n);
        return n;
    }
    const Vec4 m_origin{0, 0, 0, 1};
};

TEST_F(LightTest, UnitsGoLowestFirstAndComeBack)
{
    auto pFirst = std::make_unique<CLight>(m_origin.data());
    auto pSecond = std::make_unique<CLight>(m_origin.data());
    EXPECT_EQ(CLight::MaxLights(), MaxLights());
    EXPECT_EQ(std::to_array({pFirst->GetSlot(), pSecond->GetSlot()}), std::to_array({0, 1}));
    EXPECT_TRUE(On(0) && On(1) && !On(2));
    pSecond->Enable(false);  // off, still claimed
    EXPECT_TRUE(!On(1) && CLight::IsUsed(1));
    pSecond->Enable(true);
    EXPECT_TRUE(On(1));

    const Vec4 ambient{0.1f, 0.2f, 0.3f, 0.4f}, diffuse{0.5f, 0.6f, 0.7f, 0.8f},
        specular{0.9f, 1, 0.25f, 0.75f};
    pSecond->SetColors(ambient.data(), diffuse.data(), specular.data());
    EXPECT_EQ(std::to_array({Get(1, GL_AMBIENT), Get(1, GL_DIFFUSE), Get(1, GL_SPECULAR)}),
              std::to_array({ambient, diffuse, specular}));
    EXPECT_EQ(Get(0, GL_DIFFUSE), (Vec4{1, 1, 1, 1}));  // unit 0 keeps OpenGL's default

    pFirst.reset();
    EXPECT_FALSE(On(0));
    EXPECT_EQ(std::make_unique<CLight>(m_origin.data())->GetSlot(), 0);  // the freed unit is taken again
    pSecond.reset();
    EXPECT_FALSE(CLight::HasTable());
}

TEST_F(LightTest, WithEveryUnitTakenALightHoldsNoneAndTouchesNothing)
{
    std::vector<std::unique_ptr<CLight>> lights;
    for (GLint i = 0; i < MaxLights(); ++i)
    {
        lights.push_back(std::make_unique<CLight>(m_origin.data()));
        glDisable(static_cast<GLenum>(GL_LIGHT0 + i));
    }
    const Vec4 at{4, 5, 6, 0}, red{1, 0, 0, 1};
    auto pSpare = std::make_unique<CLight>(at.data());
    EXPECT_TRUE(!pSpare->IsValid() && pSpare->GetSlot() == -1);
    EXPECT_EQ(Recorded(*pSpare), at);
    pSpare->Enable(true);
    pSpare->SetColors(red.data(), red.data(), red.data());
    pSpare->SetPosition(1, 2, 3);
    EXPECT_EQ(Recorded(*pSpare), (Vec4{1, 2, 3, 1}));  // recorded all the same
    for (GLint i = 0; i < MaxLights(); ++i)
        EXPECT_TRUE(!On(i) && Get(i, GL_AMBIENT) != red && Get(i, GL_POSITION) == m_origin) << "unit " << i;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    pSpare.reset();
    for (GLint i = 0; i < MaxLights(); ++i)
        EXPECT_TRUE(CLight::IsUsed(i)) << "unit " << i;
}

// Without a current context OpenGL counts no units: that light holds none and leaves no table,
// so the next light, with the context, counts again and gets unit 0.
TEST_F(LightTest, ALightMadeWithoutAContextLeavesNoTable)
{
    ASSERT_TRUE(eglMakeCurrent(eglGetCurrentDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT));
    auto pOrphan = std::make_unique<CLight>(m_origin.data());
    m_pGl->MakeCurrent();
    EXPECT_FALSE(pOrphan->IsValid() || CLight::HasTable());
    auto pLight = std::make_unique<CLight>(m_origin.data());
    EXPECT_EQ(pLight->GetSlot(), 0);
    EXPECT_EQ(CLight::MaxLights(), MaxLights());
}

// Positions as OpenGL stores them: in eye coordinates, under the modelview matrix current when
// they were given; a direction (w = 0) is not translated, and SetPosition makes the light positional.
TEST_F(LightTest, PositionsAreStoredUnderTheModelviewMatrix)
{
    struct
    {
        Vec4 created;                     // given to the constructor
        std::array<float, 3> moved;       // given to SetPosition
        Vec4 storedAtStart, storedMoved;  // GL_POSITION after each, under a translation by (10, 20, 30)
    } const cases[] = {{{1, 2, 3, 1}, {-1, -2, -3}, {11, 22, 33, 1}, {9, 18, 27, 1}},
                       {{0, 0.5f, 1, 0}, {0, 0, 0}, {0, 0.5f, 1, 0}, {10, 20, 30, 1}}};
    glTranslatef(10, 20, 30);
    for (const auto& c : cases)
    {
        CLight light(c.created.data());
        EXPECT_EQ(Get(0, GL_POSITION), c.storedAtStart);
        EXPECT_EQ(Recorded(light), c.created);
        light.SetPosition(c.moved.data());
        light.SetPosition(nullptr);  // changes nothing
        EXPECT_EQ(Get(0, GL_POSITION), c.storedMoved);
        EXPECT_EQ(Recorded(light), (Vec4{c.moved[0], c.moved[1], c.moved[2], 1}));
    }
}

}  // namespace

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
    const Vec4 m_origin{0, 0, 0, 1};
};

// Units go lowest first, switch off and on while claimed, and come back. Positions are stored
// under the modelview matrix current when given (a direction is not translated); SetPosition
// makes a light positional.
TEST_F(LightTest, UnitsColoursAndPositions)
{
    GLint nMax = 0;
    glGetIntegerv(GL_MAX_LIGHTS, &nMax);
    glTranslatef(10, 20, 30);
    const Vec4 point{1, 2, 3, 1}, direction{0, 0.5f, 1, 0};
    auto pFirst = std::make_unique<CLight>(point.data());
    auto pSecond = std::make_unique<CLight>(direction.data());
    EXPECT_EQ(CLight::MaxLights(), nMax);
    EXPECT_EQ(std::to_array({pFirst->GetSlot(), pSecond->GetSlot()}), std::to_array({0, 1}));
    EXPECT_TRUE(On(0) && On(1) && !On(2));
    EXPECT_EQ(std::to_array({Get(0, GL_POSITION), Get(1, GL_POSITION), Recorded(*pSecond)}),
              (std::array<Vec4, 3>{{{11, 22, 33, 1}, direction, direction}}));
    const std::array<float, 3> origin{};
    pFirst->SetPosition(-1, -2, -3);
    pSecond->SetPosition(origin.data());
    pSecond->SetPosition(nullptr);  // changes nothing
    EXPECT_EQ(std::to_array({Get(0, GL_POSITION), Get(1, GL_POSITION), Recorded(*pSecond)}),
              (std::array<Vec4, 3>{{{9, 18, 27, 1}, {10, 20, 30, 1}, {0, 0, 0, 1}}}));

    const Vec4 ambient{0.1f, 0.2f, 0.3f, 0.4f}, diffuse{0.5f, 0.6f, 0.7f, 0.8f},
        specular{0.9f, 1, 0.25f, 0.75f};
    pSecond->SetColors(ambient.data(), diffuse.data(), specular.data());
    EXPECT_EQ(std::to_array({Get(1, GL_AMBIENT), Get(1, GL_DIFFUSE), Get(1, GL_SPECULAR)}),
              std::to_array({ambient, diffuse, specular}));
    pSecond->Enable(false);  // off, still claimed
    EXPECT_TRUE(!On(1) && CLight::IsUsed(1));
    pSecond->Enable(true);
    EXPECT_TRUE(On(1));
    pFirst.reset();
    EXPECT_FALSE(On(0));
    EXPECT_EQ(std::make_unique<CLight>(point.data())->GetSlot(), 0);  // the freed unit is taken again
}

TEST_F(LightTest, WithEveryUnitTakenALightHoldsNoneAndTouchesNothing)
{
    std::vector<std::unique_ptr<CLight>> lights;
    do
        lights.push_back(std::make_unique<CLight>(m_origin.data()));
    while (lights.back()->IsValid());
    CLight& spare = *lights.back();
    const auto nUnits = static_cast<int>(lights.size()) - 1;
    EXPECT_EQ(nUnits, CLight::MaxLights());
    EXPECT_EQ(spare.GetSlot(), -1);
    for (int i = 0; i < nUnits; ++i)
        glDisable(static_cast<GLenum>(GL_LIGHT0 + i));
    const Vec4 red{1, 0, 0, 1};
    spare.Enable(true);
    spare.SetColors(red.data(), red.data(), red.data());
    spare.SetPosition(4, 5, 6);
    EXPECT_EQ(Recorded(spare), (Vec4{4, 5, 6, 1}));  // recorded all the same
    for (int i = 0; i < nUnits; ++i)
        EXPECT_TRUE(!On(i) && Get(i, GL_AMBIENT) != red && Get(i, GL_POSITION) == m_origin) << "unit " << i;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    lights.pop_back();
    for (int i = 0; i < nUnits; ++i)
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
    EXPECT_GT(CLight::MaxLights(), 1);
}

}  // namespace

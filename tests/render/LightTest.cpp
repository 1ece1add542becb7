// LightTest: light units handed out from the class-wide table, and what OpenGL holds for them.
#include "render/Light.h"  // the class under test

#include "HeadlessGl.h"  // real OpenGL context

#include <EGL/egl.h>  // releasing the context, to make a light without one

#include <memory>  // std::unique_ptr for the lights of a test

namespace
{

using Vec4 = std::array<float, 4>;
using LightTest = cubatro::test::CGlTest;

Vec4 Get(int nSlot, GLenum what)  // a parameter of unit nSlot as OpenGL holds it
{
    Vec4 v{};
    glGetLightfv(static_cast<GLenum>(GL_LIGHT0 + nSlot), what, v.data());
    return v;
}
bool On(int nSlot)
{
    return glIsEnabled(static_cast<GLenum>(GL_LIGHT0 + nSlot)) == GL_TRUE;
}

// Units go lowest first, switch off and on while claimed, and come back. Positions are stored
// under the modelview matrix current when given (a direction is not translated); SetPosition
// makes a light positional.
TEST_F(LightTest, UnitsColoursAndPositions)
{
    glTranslatef(10, 20, 30);
    const Vec4 point{1, 2, 3, 1}, direction{0, 0.5f, 1, 0},
        colours[3] = {{0.1f, 0.2f, 0.3f, 0.4f}, {0.5f, 0.6f, 0.7f, 0.8f}, {0.9f, 1, 0.25f, 0.75f}};
    auto pFirst = std::make_unique<CLight>(point.data());
    auto pSecond = std::make_unique<CLight>(direction.data());
    EXPECT_TRUE(pFirst->GetSlot() == 0 && pSecond->GetSlot() == 1 && On(0) && On(1) && !On(2));
    EXPECT_EQ(std::to_array({Get(0, GL_POSITION), Get(1, GL_POSITION)}),
              std::to_array({Vec4{11, 22, 33, 1}, direction}));
    pFirst->SetPosition(-1, -2, -3);
    pSecond->SetPosition(std::to_array<float>({4, 5, 6}).data());
    pSecond->SetPosition(nullptr);  // changes nothing
    EXPECT_EQ(std::to_array({Get(0, GL_POSITION), Get(1, GL_POSITION)}),
              std::to_array<Vec4>({{9, 18, 27, 1}, {14, 25, 36, 1}}));
    pSecond->SetColors(colours[0].data(), colours[1].data(), colours[2].data());
    EXPECT_EQ(std::to_array({Get(1, GL_AMBIENT), Get(1, GL_DIFFUSE), Get(1, GL_SPECULAR)}),
              std::to_array(colours));
    pSecond->SetColors(colours[2].data(), nullptr, colours[0].data());  // a null colour changes nothing
    EXPECT_EQ(Get(1, GL_AMBIENT), colours[0]);
    pSecond->Enable(false);  // off, still claimed
    EXPECT_TRUE(!On(1) && CLight::IsUsed(1));
    pSecond->Enable(true);
    pFirst.reset();
    EXPECT_TRUE(On(1) && !On(0));
    EXPECT_EQ(std::make_unique<CLight>(point.data())->GetSlot(), 0);  // the freed unit is taken again
    pSecond.reset();
    EXPECT_FALSE(CLight::HasTable());
}

// A light that finds every unit taken holds none, records its position and touches no unit.
TEST_F(LightTest, WithEveryUnitTakenALightHoldsNoneAndTouchesNothing)
{
    std::vector<std::unique_ptr<CLight>> lights;
    do
        lights.push_back(std::make_unique<CLight>(Vec4{0, 0, 0, 1}.data()));
    while (lights.back()->IsValid());
    const auto nUnits = static_cast<int>(lights.size()) - 1;
    GLint nMax = 0;
    glGetIntegerv(GL_MAX_LIGHTS, &nMax);
    EXPECT_TRUE(nUnits == nMax && CLight::MaxLights() == nMax && lights.back()->GetSlot() == -1);
    for (int i = 0; i < nUnits; ++i)
        glDisable(static_cast<GLenum>(GL_LIGHT0 + i));
    const Vec4 red{1, 0, 0, 1};
    lights.back()->Enable(true);
    lights.back()->SetColors(red.data(), red.data(), red.data());
    lights.back()->SetPosition(4, 5, 6);
    EXPECT_EQ(lights.back()->GetPosition()[2], 6.0f);  // recorded all the same
    lights.pop_back();
    for (int i = 0; i < nUnits; ++i)
        EXPECT_TRUE(!On(i) && Get(i, GL_AMBIENT) != red && Get(i, GL_POSITION)[2] == 0 && CLight::IsUsed(i))
            << i;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Without a current context OpenGL counts no units: that light holds none and leaves no table,
// so the next light, with the context, counts again and gets unit 0.
TEST_F(LightTest, ALightMadeWithoutAContextLeavesNoTable)
{
    ASSERT_TRUE(eglMakeCurrent(eglGetCurrentDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT));
    CLight orphan(Vec4{0, 0, 0, 1}.data());
    m_pGl->MakeCurrent();
    EXPECT_FALSE(orphan.IsValid() || CLight::HasTable());
    EXPECT_EQ(CLight(Vec4{0, 0, 0, 1}.data()).GetSlot(), 0);
}

}  // namespace

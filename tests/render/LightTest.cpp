// LightTest: light units handed out from the class-wide table, and what OpenGL holds for them.
#include "render/Light.h"  // the class under test

#include "HeadlessGl.h"  // real OpenGL context

#include <GL/gl.h>  // light queries

#include <array>   // std::array for expected vectors
#include <memory>  // std::unique_ptr for the lights of a test
#include <string>  // std::string for case names
#include <vector>  // std::vector for many lights

namespace
{

using cubatro::test::CGlTest;

const float g_fOrigin[4] = {0.0f, 0.0f, 0.0f, 1.0f};

class LightTest : public CGlTest
{
protected:
    void TearDown() override
    {
        // Every test gives its units back: the table is shared by the whole process.
        EXPECT_FALSE(CLight::HasTable());
        CGlTest::TearDown();
    }

    static GLint MaxLights()
    {
        GLint n = 0;
        glGetIntegerv(GL_MAX_LIGHTS, &n);
        return n;
    }

    static std::array<float, 4> LightVector(int nSlot, GLenum what)
    {
        std::array<float, 4> v{};
        glGetLightfv(static_cast<GLenum>(GL_LIGHT0 + nSlot), what, v.data());
        return v;
    }

    static std::array<float, 4> Recorded(const CLight& light)
    {
        const float* pf = light.GetPosition();
        return {pf[0], pf[1], pf[2], pf[3]};
    }

    static bool UnitOn(int nSlot) { return glIsEnabled(static_cast<GLenum>(GL_LIGHT0 + nSlot)) == GL_TRUE; }
};

TEST_F(LightTest, UnitsAreHandedOutLowestFirstAndReused)
{
    auto pFirst = std::make_unique<CLight>(g_fOrigin);
    auto pSecond = std::make_unique<CLight>(g_fOrigin);
    EXPECT_EQ(CLight::MaxLights(), MaxLights());
    EXPECT_TRUE(pFirst->IsValid());
    EXPECT_EQ(pFirst->GetSlot(), 0);
    EXPECT_EQ(pSecond->GetSlot(), 1);
    EXPECT_TRUE(UnitOn(0));
    EXPECT_TRUE(UnitOn(1));
    EXPECT_FALSE(UnitOn(2));

    pFirst.reset();
    EXPECT_FALSE(UnitOn(0));
    EXPECT_FALSE(CLight::IsUsed(0));
    EXPECT_TRUE(CLight::IsUsed(1));
    auto pThird = std::make_unique<CLight>(g_fOrigin);
    EXPECT_EQ(pThird->GetSlot(), 0);
    EXPECT_TRUE(UnitOn(0));
}

TEST_F(LightTest, NoFreeUnitLeavesTheLightWithoutOne)
{
    std::vector<std::unique_ptr<CLight>> lights;
    for (GLint i = 0; i < MaxLights(); ++i)
        lights.push_back(std::make_unique<CLight>(g_fOrigin));
    for (GLint i = 0; i < MaxLights(); ++i)
        EXPECT_EQ(lights[static_cast<size_t>(i)]->GetSlot(), i);

    for (GLint i = 0; i < MaxLights(); ++i)  // switch all off to see that the spare light enables nothing
        glDisable(static_cast<GLenum>(GL_LIGHT0 + i));
    const float fPos[4] = {4.0f, 5.0f, 6.0f, 0.0f};
    auto pSpare = std::make_unique<CLight>(fPos);
    EXPECT_FALSE(pSpare->IsValid());
    EXPECT_EQ(pSpare->GetSlot(), -1);
    for (GLint i = 0; i < MaxLights(); ++i)
        EXPECT_FALSE(UnitOn(i)) << "unit " << i;

    EXPECT_EQ(Recorded(*pSpare), std::to_array(fPos));
    pSpare->SetPosition(1.0f, 2.0f, 3.0f);  // recorded, not applied
    EXPECT_EQ(Recorded(*pSpare), (std::array<float, 4>{1.0f, 2.0f, 3.0f, 1.0f}));
    pSpare->Enable(true);
    EXPECT_FALSE(UnitOn(0));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    pSpare.reset();
    for (GLint i = 0; i < MaxLights(); ++i)
        EXPECT_TRUE(CLight::IsUsed(i)) << "unit " << i;
    lights.clear();
}

TEST_F(LightTest, DestroyingTheLastLightFreesTheTable)
{
    auto pLight = std::make_unique<CLight>(g_fOrigin);
    EXPECT_TRUE(CLight::HasTable());
    pLight.reset();
    EXPECT_FALSE(CLight::HasTable());
    EXPECT_FALSE(CLight::IsUsed(0));

    pLight = std::make_unique<CLight>(g_fOrigin);
    EXPECT_TRUE(CLight::HasTable());
    EXPECT_EQ(CLight::MaxLights(), MaxLights());
    EXPECT_EQ(pLight->GetSlot(), 0);
    pLight.reset();
}

TEST_F(LightTest, EnableSwitchesTheUnitAndKeepsItClaimed)
{
    auto pLight = std::make_unique<CLight>(g_fOrigin);
    pLight->Enable(false);
    EXPECT_FALSE(UnitOn(0));
    EXPECT_TRUE(CLight::IsUsed(0));
    auto pOther = std::make_unique<CLight>(g_fOrigin);
    EXPECT_EQ(pOther->GetSlot(), 1);
    pLight->Enable(true);
    EXPECT_TRUE(UnitOn(0));
}

TEST_F(LightTest, ColoursGoToTheLightsOwnUnit)
{
    auto pFirst = std::make_unique<CLight>(g_fOrigin);
    auto pSecond = std::make_unique<CLight>(g_fOrigin);
    const float fAmbient[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    const float fDiffuse[4] = {0.5f, 0.6f, 0.7f, 0.8f};
    const float fSpecular[4] = {0.9f, 1.0f, 0.25f, 0.75f};
    const auto defaultDiffuse = LightVector(0, GL_DIFFUSE);
    pSecond->SetColors(fAmbient, fDiffuse, fSpecular);
    EXPECT_EQ(LightVector(1, GL_AMBIENT), std::to_array(fAmbient));
    EXPECT_EQ(LightVector(1, GL_DIFFUSE), std::to_array(fDiffuse));
    EXPECT_EQ(LightVector(1, GL_SPECULAR), std::to_array(fSpecular));
    EXPECT_EQ(LightVector(0, GL_DIFFUSE), defaultDiffuse);
}

// Positions as OpenGL stores them: in eye coordinates, after the modelview matrix current
// when they were given.
struct SPositionCase
{
    const char* pszName;
    std::array<float, 3> translate;      // modelview translation when the position is set
    std::array<float, 4> created;        // position given to the constructor
    std::array<float, 3> moved;          // position given to SetPosition
    std::array<float, 4> storedAtStart;  // GL_POSITION after construction
    std::array<float, 4> storedMoved;    // GL_POSITION after SetPosition
};

class LightPositionTest : public LightTest, public ::testing::WithParamInterface<SPositionCase>
{
};

TEST_P(LightPositionTest, StoredUnderTheModelviewMatrix)
{
    const SPositionCase& c = GetParam();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(c.translate[0], c.translate[1], c.translate[2]);
    auto pLight = std::make_unique<CLight>(c.created.data());
    EXPECT_EQ(LightVector(0, GL_POSITION), c.storedAtStart);
    EXPECT_EQ(Recorded(*pLight), c.created);

    pLight->SetPosition(c.moved[0], c.moved[1], c.moved[2]);
    EXPECT_EQ(LightVector(0, GL_POSITION), c.storedMoved);
    const std::array<float, 4> recorded{c.moved[0], c.moved[1], c.moved[2], 1.0f};
    EXPECT_EQ(Recorded(*pLight), recorded);

    // The pointer form does the same.
    pLight->SetPosition(c.created.data());
    EXPECT_EQ(Recorded(*pLight), (std::array<float, 4>{c.created[0], c.created[1], c.created[2], 1.0f}));
}

INSTANTIATE_TEST_SUITE_P(
    Positions, LightPositionTest,
    ::testing::Values(
        SPositionCase{"Identity", {0, 0, 0}, {3, 3, -3, 1}, {1, 2, 3}, {3, 3, -3, 1}, {1, 2, 3, 1}},
        SPositionCase{"DirectionalUntilMoved",
                      {0, 0, 0},
                      {1, 0.5f, -1, 0},
                      {1, 0.5f, -1},
                      {1, 0.5f, -1, 0},
                      {1, 0.5f, -1, 1}},
        SPositionCase{
            "Translated", {10, 20, 30}, {1, 2, 3, 1}, {-1, -2, -3}, {11, 22, 33, 1}, {9, 18, 27, 1}},
        SPositionCase{"TranslationIgnoresDirections",
                      {10, 20, 30},
                      {0, 0, 1, 0},
                      {0, 0, 0},
                      {0, 0, 1, 0},
                      {10, 20, 30, 1}}),
    [](const ::testing::TestParamInfo<SPositionCase>& param) { return std::string(param.param.pszName); });

}  // namespace

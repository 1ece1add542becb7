// HeadlessGl: real OpenGL for tests, with no display.
//
// CHeadlessGl makes an OpenGL compatibility context current on Mesa's surfaceless EGL
// platform and draws into an off-screen framebuffer object of the size asked (RGBA8, depth 24,
// stencil 8). CGlTest is the GoogleTest fixture built on it: every test gets a fresh context
// with OpenGL's default state, a viewport covering the framebuffer, and helpers for
//   - state queries (plain glGet* calls work as they stand),
//   - capturing what a draw sends, through feedback mode (Feedback),
//   - reading the framebuffer back (ReadPixels).
#pragma once

#include <GL/gl.h>  // OpenGL types and the fixed-function API under test

#include <array>       // std::array for one feedback vertex
#include <cstdint>     // uint8_t for read-back pixels
#include <functional>  // std::function for the draw to capture
#include <memory>      // std::unique_ptr for the context in the fixture
#include <vector>      // std::vector for captured primitives and pixels

#include <gtest/gtest.h>  // the fixture base

namespace cubatro::test
{

class CHeadlessGl
{
public:
    CHeadlessGl(int nWidth, int nHeight);  // upon exit the context is current; throws std::runtime_error
    virtual ~CHeadlessGl();                // releases the context and the framebuffer
    CHeadlessGl(const CHeadlessGl&) = delete;
    CHeadlessGl& operator=(const CHeadlessGl&) = delete;

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    void MakeCurrent();            // makes this context current again

private:
    struct SImpl;
    std::unique_ptr<SImpl> m_pImpl;  // EGL display, context and framebuffer names
    int m_nWidth;
    int m_nHeight;
};

// One vertex as feedback mode reports it with GL_3D_COLOR_TEXTURE: window coordinates,
// RGBA colour and texture coordinates.
struct SFeedbackVertex
{
    std::array<float, 3> pos;    // window x, y, depth
    std::array<float, 4> color;  // RGBA
    std::array<float, 4> tex;    // s, t, r, q
};

// One primitive of a feedback buffer.
struct SFeedbackPrimitive
{
    GLenum type;                           // GL_POLYGON_TOKEN, GL_LINE_TOKEN, GL_POINT_TOKEN, GL_BITMAP_TOKEN, ...
    std::vector<SFeedbackVertex> vertices; // in the order OpenGL reported them
};

class CGlTest : public ::testing::Test
{
protected:
    static constexpr int s_nSize = 64;  // framebuffer width and height

    void SetUp() override;
    void TearDown() override;

    // Runs `draw` in feedback mode (GL_3D_COLOR_TEXTURE) and returns what reached the
    // rasteriser. Passthrough tokens are reported with type GL_PASS_THROUGH_TOKEN and the
    // token's value in vertices[0].pos[0].
    std::vector<SFeedbackPrimitive> Feedback(const std::function<void()>& draw, size_t nMaxFloats = 1 << 20);

    // The framebuffer as RGBA bytes, bottom row first.
    std::vector<uint8_t> ReadPixels();

    std::unique_ptr<CHeadlessGl> m_pGl;  // the context of the running test
};

}  // namespace cubatro::test

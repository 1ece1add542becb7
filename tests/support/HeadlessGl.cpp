// HeadlessGl: EGL surfaceless context, framebuffer object and feedback parsing.
#define GL_GLEXT_PROTOTYPES 1
#include "HeadlessGl.h"

#include <EGL/egl.h>     // display, config and context
#include <EGL/eglext.h>  // EGL_PLATFORM_SURFACELESS_MESA
#include <GL/glext.h>    // framebuffer objects

#include <stdexcept>  // std::runtime_error when no context can be made

namespace cubatro::test
{

struct CHeadlessGl::SImpl
{
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    GLuint framebuffer = 0;
    GLuint colour = 0;
    GLuint depthStencil = 0;
};

namespace
{

EGLDisplay OpenSurfacelessDisplay()
{
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay)
        throw std::runtime_error("EGL: eglGetPlatformDisplayEXT is missing");
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY)
        throw std::runtime_error("EGL: no surfaceless display");
    if (!eglInitialize(display, nullptr, nullptr))
        throw std::runtime_error("EGL: eglInitialize failed");
    return display;
}

}  // namespace

CHeadlessGl::CHeadlessGl(int nWidth, int nHeight)
    : m_pImpl(std::make_unique<SImpl>()), m_nWidth(nWidth), m_nHeight(nHeight)
{
    // One display for the whole process: initialising and terminating it per test is slow.
    static const EGLDisplay s_display = OpenSurfacelessDisplay();
    m_pImpl->display = s_display;
    if (!eglBindAPI(EGL_OPENGL_API))
        throw std::runtime_error("EGL: desktop OpenGL is not available");

    const EGLint configAttribs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint nConfigs = 0;
    eglChooseConfig(s_display, configAttribs, &config, 1, &nConfigs);
    const EGLint contextAttribs[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                     EGL_NONE};
    m_pImpl->context = eglCreateContext(s_display, nConfigs > 0 ? config : EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT,
                                        contextAttribs);
    if (m_pImpl->context == EGL_NO_CONTEXT)
        throw std::runtime_error("EGL: no compatibility context");
    MakeCurrent();

    glGenFramebuffers(1, &m_pImpl->framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, m_pImpl->framebuffer);
    glGenRenderbuffers(1, &m_pImpl->colour);
    glBindRenderbuffer(GL_RENDERBUFFER, m_pImpl->colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, nWidth, nHeight);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_pImpl->colour);
    glGenRenderbuffers(1, &m_pImpl->depthStencil);
    glBindRenderbuffer(GL_RENDERBUFFER, m_pImpl->depthStencil);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, nWidth, nHeight);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, m_pImpl->depthStencil);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        throw std::runtime_error("OpenGL: the off-screen framebuffer is incomplete");
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, nWidth, nHeight);
}

CHeadlessGl::~CHeadlessGl()
{
    MakeCurrent();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteRenderbuffers(1, &m_pImpl->colour);
    glDeleteRenderbuffers(1, &m_pImpl->depthStencil);
    glDeleteFramebuffers(1, &m_pImpl->framebuffer);
    eglMakeCurrent(m_pImpl->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(m_pImpl->display, m_pImpl->context);
}

void CHeadlessGl::MakeCurrent()
{
    if (!eglMakeCurrent(m_pImpl->display, EGL_NO_SURFACE, EGL_NO_SURFACE, m_pImpl->context))
        throw std::runtime_error("EGL: eglMakeCurrent failed");
}

void CGlTest::SetUp()
{
    m_pGl = std::make_unique<CHeadlessGl>(s_nSize, s_nSize);
}

void CGlTest::TearDown()
{
    m_pGl.reset();
}

std::vector<SFeedbackPrimitive> CGlTest::Feedback(const std::function<void()>& draw, size_t nMaxFloats)
{
    std::vector<GLfloat> buffer(nMaxFloats);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint nUsed = glRenderMode(GL_RENDER);
    EXPECT_GE(nUsed, 0) << "feedback buffer of " << nMaxFloats << " floats overflowed";

    std::vector<SFeedbackPrimitive> primitives;
    const size_t nEnd = nUsed > 0 ? static_cast<size_t>(nUsed) : 0;
    for (size_t i = 0; i < nEnd;)
    {
        SFeedbackPrimitive primitive{static_cast<GLenum>(buffer[i++]), {}};
        if (primitive.type == GL_PASS_THROUGH_TOKEN)  // the token's value as the one position
        {
            primitive.vertices.push_back(SFeedbackVertex{{buffer[i++], 0.0f, 0.0f}, {}, {}});
            primitives.push_back(std::move(primitive));
            continue;
        }
        // Points, bitmaps and pixel rectangles have one vertex, lines two, polygons their count.
        const bool bLine = primitive.type == GL_LINE_TOKEN || primitive.type == GL_LINE_RESET_TOKEN;
        const size_t nVertices = primitive.type == GL_POLYGON_TOKEN ? static_cast<size_t>(buffer[i++]) : bLine ? 2 : 1;
        if (i + nVertices * 11 > nEnd)
        {
            ADD_FAILURE() << "feedback buffer ends inside a primitive";
            break;
        }
        for (size_t k = 0; k < nVertices; ++k, i += 11)  // position, colour, texture coordinates
            primitive.vertices.push_back(SFeedbackVertex{{buffer[i], buffer[i + 1], buffer[i + 2]},
                                                         {buffer[i + 3], buffer[i + 4], buffer[i + 5], buffer[i + 6]},
                                                         {buffer[i + 7], buffer[i + 8], buffer[i + 9], buffer[i + 10]}});
        primitives.push_back(std::move(primitive));
    }
    return primitives;
}

std::vector<uint8_t> CGlTest::ReadPixels()
{
    std::vector<uint8_t> pixels(static_cast<size_t>(m_pGl->Width()) * static_cast<size_t>(m_pGl->Height()) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, m_pGl->Width(), m_pGl->Height(), GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

}  // namespace cubatro::test

// pbuffer.cpp -- what both kinds of render target share: the factory, making and giving back the buffer, the
// texture object its image is bound to, and the lost-buffer check.
#include "demo/pbuffer.h"

#include "core/log.h"
#include "demo/pbuffer_ati.h"
#include "demo/pbuffer_nvidia.h"
#include "gl/extensions.h"

namespace qv3rn {

namespace {

// The window system's name of a texture target; 0 for targets a buffer cannot be bound to.
int windowSystemTarget(GLenum target) {
    switch (target) {
        case GL_TEXTURE_1D: return platform::WGL_TEXTURE_1D_ARB;
        case GL_TEXTURE_2D: return platform::WGL_TEXTURE_2D_ARB;
        case GL_TEXTURE_CUBE_MAP_ARB: return platform::WGL_TEXTURE_CUBE_MAP_ARB;
        default: return 0;
    }
}

bool bufferExtensionsAvailable() {
    return WGL_ARB_render_texture_Flag && WGL_ARB_pbuffer_Flag && wglChoosePixelFormatARB && wglCreatePbufferARB &&
           wglGetPbufferDCARB && wglReleasePbufferDCARB && wglDestroyPbufferARB && wglQueryPbufferARB &&
           wglBindTexImageARB && wglReleaseTexImageARB;
}

}  // namespace

std::unique_ptr<PBuffer> PBuffer::create(int width, int height) {
    if (!WGL_ARB_render_texture_Flag || !WGL_ARB_pbuffer_Flag) {
        logger().writeLine("Unable to create PBuffer");
        return nullptr;
    }
    std::unique_ptr<PBuffer> target;
    if (WGL_ARB_make_current_read_Flag) {
        logger().writeLine("Creating PBufferATI");
        target = std::make_unique<PBufferATI>(GL_TEXTURE_2D);
    } else {
        logger().writeLine("Creating PBufferNVIDIA");
        target = std::make_unique<PBufferNVIDIA>(GL_TEXTURE_2D);
    }
    if (!target->initialize(width, height)) {
        logger().writeLine("Unable to initiate PBuffer");
        return nullptr;
    }
    return target;
}

PBuffer::PBuffer(GLenum target, bool needsMakeCurrentRead)
    : Texture(target), needsMakeCurrentRead_(needsMakeCurrentRead) {}

PBuffer::~PBuffer() = default;

bool PBuffer::bind(GLenum) { return false; }
bool PBuffer::unbind(GLenum) { return false; }
bool PBuffer::create() { return true; }
bool PBuffer::update() { return true; }
bool PBuffer::releaseGL() { return destroy(); }
bool PBuffer::makePowerOfTwoSquare() { return false; }

bool PBuffer::extensionsAvailable() const {
    if (!bufferExtensionsAvailable()) return false;
    return !needsMakeCurrentRead_ || (WGL_ARB_make_current_read_Flag && wglMakeContextCurrentARB);
}

bool PBuffer::recreateIfLost() {
    int lost = 0;
    if (!wglQueryPbufferARB(pbuffer_, platform::WGL_PBUFFER_LOST_ARB, &lost) || lost == 0) return true;
    return initialize(width_, height_);
}

bool PBuffer::createSurface(int width, int height) {
    const int textureTarget = windowSystemTarget(target_);
    if (textureTarget == 0 || !extensionsAvailable()) return false;
    if (created_) destroy();

    width_ = width;
    height_ = height;
    mainDC_ = platform::wglGetCurrentDC();
    context_ = platform::wglGetCurrentContext();
    if (!mainDC_ || !context_) return false;

    const int formatAttributes[] = {
        platform::WGL_SUPPORT_OPENGL_ARB, 1, platform::WGL_DRAW_TO_PBUFFER_ARB, 1,
        platform::WGL_BIND_TO_TEXTURE_RGBA_ARB, 1, platform::WGL_RED_BITS_ARB, 8,
        platform::WGL_GREEN_BITS_ARB, 8, platform::WGL_BLUE_BITS_ARB, 8,
        platform::WGL_ALPHA_BITS_ARB, 8, platform::WGL_DEPTH_BITS_ARB, 24,
        platform::WGL_DOUBLE_BUFFER_ARB, 0, 0,
    };
    int format = 0;
    unsigned formatCount = 0;
    if (!wglChoosePixelFormatARB(mainDC_, formatAttributes, nullptr, 1, &format, &formatCount) || formatCount == 0)
        return false;

    const int bufferAttributes[] = {
        platform::WGL_TEXTURE_FORMAT_ARB, platform::WGL_TEXTURE_RGBA_ARB,
        platform::WGL_TEXTURE_TARGET_ARB, textureTarget,
        platform::WGL_MIPMAP_TEXTURE_ARB, 0,
        platform::WGL_PBUFFER_LARGEST_ARB, 0,
        0,
    };
    pbuffer_ = wglCreatePbufferARB(mainDC_, format, width, height, bufferAttributes);
    if (!pbuffer_) return false;
    pbufferDC_ = wglGetPbufferDCARB(pbuffer_);
    if (!pbufferDC_) {
        destroySurface();
        return false;
    }
    return true;
}

void PBuffer::destroySurface() {
    if (pbuffer_ && pbufferDC_) wglReleasePbufferDCARB(pbuffer_, pbufferDC_);
    if (pbuffer_) wglDestroyPbufferARB(pbuffer_);
    pbuffer_ = nullptr;
    pbufferDC_ = nullptr;
}

void PBuffer::finishInitialize(void (*setParameters)(GLenum target)) {
    const bool cubeMap = target_ == GL_TEXTURE_CUBE_MAP_ARB;
    glGenTextures(1, &glId_);
    glBindTexture(target_, glId_);
    setParameters(target_);
    if (cubeMap) glTexParameteri(target_, GL_TEXTURE_WRAP_R, GL_CLAMP);
    params_.minFilter = cubeMap ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR;
    params_.wrap = cubeMap ? WrapClampSTR : WrapClampST;
    created_ = true;
}

void PBuffer::deleteTexture() {
    if (glId_ != noTexture) glDeleteTextures(1, &glId_);
    glId_ = noTexture;
    created_ = false;
}

bool PBuffer::bindImage(GLenum unit) {
    if (!selectUnit(unit)) return false;
    glBindTexture(target_, glId_);
    glEnable(target_);
    if (!wglBindTexImageARB(pbuffer_, platform::WGL_FRONT_LEFT_ARB)) {
        glDisable(target_);
        return false;
    }
    runUnitSetup(unit);
    return true;
}

bool PBuffer::releaseImage(GLenum unit) {
    if (!selectUnit(unit)) return false;
    wglReleaseTexImageARB(pbuffer_, platform::WGL_FRONT_LEFT_ARB);
    return true;
}

void PBuffer::selectBuffers(bool offscreen, int width, int height) {
    // A framebuffer object has colour attachments where a window has front and back buffers: the buffer's
    // "front" is its one colour attachment.
    const GLenum buffer = offscreen ? GL_COLOR_ATTACHMENT0 : GL_BACK;
    glDrawBuffer(buffer);
    glReadBuffer(buffer);
    glViewport(0, 0, width, height);
}

}  // namespace qv3rn

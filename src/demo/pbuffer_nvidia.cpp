// pbuffer_nvidia.cpp -- the render target with a rendering context of its own, sharing objects with the main one.
#include "demo/pbuffer_nvidia.h"

namespace qv3rn {

namespace {

void clampedLinear(GLenum target) {
    glTexParameteri(target, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(target, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
}

}  // namespace

PBufferNVIDIA::PBufferNVIDIA(GLenum target) : PBuffer(target, false) {}

PBufferNVIDIA::~PBufferNVIDIA() {
    if (created_) destroy();
}

bool PBufferNVIDIA::initialize(int width, int height) {
    if (!createSurface(width, height)) return false;
    mainContext_ = context_;
    context_ = platform::wglCreateContext(pbufferDC_);
    if (!context_ || !platform::wglShareLists(mainContext_, context_)) {
        if (context_) platform::wglDeleteContext(context_);
        context_ = nullptr;
        destroySurface();
        return false;
    }
    finishInitialize(clampedLinear);
    return true;
}

bool PBufferNVIDIA::destroy() {
    if (!created_ || !extensionsAvailable()) return false;
    deleteTexture();
    platform::wglDeleteContext(context_);
    context_ = nullptr;
    destroySurface();
    return true;
}

bool PBufferNVIDIA::begin(int width, int height) {
    if (!created_ || !extensionsAvailable() || !recreateIfLost()) return false;
    if (!platform::wglMakeCurrent(pbufferDC_, context_)) return false;
    selectBuffers(true, width, height);
    return true;
}

bool PBufferNVIDIA::end(int width, int height) {
    if (!created_ || !extensionsAvailable() || !recreateIfLost()) return false;
    if (!platform::wglMakeCurrent(mainDC_, mainContext_)) return false;
    selectBuffers(false, width, height);
    return true;
}

bool PBufferNVIDIA::bind(GLenum unit) {
    if (!created_ || !extensionsAvailable() || !recreateIfLost()) return false;
    return bindImage(unit);
}

bool PBufferNVIDIA::unbind(GLenum unit) {
    if (!created_ || !extensionsAvailable() || !releaseImage(unit)) return false;
    glDisable(target_);
    runUnitReset(unit);
    return true;
}

}  // namespace qv3rn

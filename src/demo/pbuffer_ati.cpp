// pbuffer_ati.cpp -- the render target drawn with the main rendering context made current on the buffer.
#include "demo/pbuffer_ati.h"

#include <cinttypes>  // Required for: PRIXPTR
#include <cstdint>

#include "core/log.h"
#include "gl/extensions.h"

namespace qv3rn {

namespace {

void linearRepeating(GLenum target) {
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(target, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(target, GL_TEXTURE_WRAP_T, GL_REPEAT);
}

}  // namespace

PBufferATI::PBufferATI(GLenum target) : PBuffer(target, true) {}

PBufferATI::~PBufferATI() {
    if (created_) destroy();
}

bool PBufferATI::initialize(int width, int height) {
    if (!createSurface(width, height)) return false;
    finishInitialize(linearRepeating);
    return true;
}

bool PBufferATI::destroy() {
    const auto address = reinterpret_cast<std::uintptr_t>(this);
    if (!created_) {
        logger().printf("PBufferATI::destroy() this=0x%" PRIXPTR, address);
        return false;
    }
    if (!extensionsAvailable()) return false;
    deleteTexture();
    wglReleaseTexImageARB(pbuffer_, platform::WGL_FRONT_LEFT_ARB);
    destroySurface();
    logger().printf("PBufferATI::destroy() this=0x%" PRIXPTR " OK", address);
    return true;
}

bool PBufferATI::begin(int width, int height) {
    if (!created_ || !extensionsAvailable() || !recreateIfLost()) return false;
    if (!wglMakeContextCurrentARB(pbufferDC_, pbufferDC_, context_)) return false;
    selectBuffers(true, width, height);
    return true;
}

bool PBufferATI::end(int width, int height) {
    if (!created_ || !extensionsAvailable() || !recreateIfLost()) return false;
    if (!wglMakeContextCurrentARB(mainDC_, mainDC_, context_)) return false;
    selectBuffers(false, width, height);
    return true;
}

bool PBufferATI::bind(GLenum unit) {
    if (!created_ || !extensionsAvailable() || !recreateIfLost()) return false;
    return bindImage(unit);
}

bool PBufferATI::unbind(GLenum unit) {
    if (!created_ || !extensionsAvailable() || !releaseImage(unit)) return false;
    runUnitReset(unit);
    glDisable(target_);
    return true;
}

}  // namespace qv3rn

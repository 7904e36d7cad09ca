// depth_texture.cpp -- creation, fixed-parameter binding and framebuffer copies of depth textures.
#include "shader/depth_texture.h"

#include <memory>

#include "gl/extensions.h"
#include "shader/image_registry.h"
#include "shader/image_block.h"

namespace qv3rn {

DepthTexture::DepthTexture(GLenum internalFormat) : Texture2D(GL_TEXTURE_2D), internalFormat_(internalFormat) {
    params_.wrap = WrapClampST;
    params_.magFilter = GL_NEAREST;
    params_.envMode = GL_MODULATE;
    format_ = ImageFormat::DepthComponent;
}

bool DepthTexture::write(std::ostream& out) const { return writeImageBlock(out, *this, internalFormat_); }

void DepthTexture::setFixedParameters() const {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

bool DepthTexture::create() {
    if (glId_ != noName && glIsTexture(glId_)) return false;
    if (glId_ == noName) glGenTextures(1, &glId_);
    if (glId_ == noName) return false;
    selectUnit(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, glId_);
    glTexParameteri(GL_TEXTURE_2D, GL_DEPTH_TEXTURE_MODE_ARB, GL_INTENSITY);
    setFixedParameters();
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(internalFormat_), width(), height(), 0, GL_DEPTH_COMPONENT,
                 GL_UNSIGNED_BYTE, nullptr);
    unbind(GL_TEXTURE0);
    return true;
}

bool DepthTexture::bind(GLenum unit) {
    if (glId_ == noName || !glIsTexture(glId_)) create();
    if (glId_ == noName || !selectUnit(unit)) return false;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, glId_);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    setFixedParameters();
    return true;
}

bool DepthTexture::unbind(GLenum unit) {
    if (glId_ == noName || !selectUnit(unit)) return false;
    glDisable(GL_TEXTURE_2D);
    return true;
}

bool DepthTexture::copyFromFramebuffer(int xOffset, int yOffset, int x, int y, int width, int height) {
    if (!bind(GL_TEXTURE0)) return false;
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, xOffset, yOffset, x, y, width, height);
    glDisable(GL_TEXTURE_2D);
    return true;
}

DepthTexture* addShadowImage() {
    auto shadow = std::make_unique<DepthTexture>(GL_DEPTH_COMPONENT24_ARB);
    shadow->setName(shadowImageName);
    shadow->setAlias(shadowImageAlias);
    shadow->allocate(256, 256, ImageFormat::DepthComponent);
    if (!ImageRegistry::instance().add(shadow.get())) return nullptr;
    return shadow.release();
}

}  // namespace qv3rn

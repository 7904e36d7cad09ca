// texture.cpp -- lazy creation, binding on a unit, and the texture parameters of the base texture.
#include "shader/texture.h"

#include "gl/extensions.h"
#include "shader/image_block.h"
#include "shader/texture_unit_setup.h"

namespace qv3rn {

namespace {

TextureUnitSetup* installedSetup = nullptr;

// Rectangle textures take neither mipmaps nor repeating: a mipmap filter is read as its base filter and
// GL_REPEAT as clamping to the edge, where the driver would otherwise refuse the parameter and leave the
// texture unusable.
GLenum rectangleWrap(GLenum wrap) { return wrap == GL_REPEAT ? GL_CLAMP_TO_EDGE : wrap; }

}  // namespace

void installTextureUnitSetup(TextureUnitSetup* setup) { installedSetup = setup; }
TextureUnitSetup* textureUnitSetup() { return installedSetup; }

Texture::Texture(GLenum target) : target_(target) {}

Texture::~Texture() {
    if (glId_ != noName) glDeleteTextures(1, &glId_);
}

bool Texture::write(std::ostream& out) const { return writeImageBlock(out, *this, target_); }

bool Texture::selectUnit(GLenum unit) {
    if (glActiveTextureARB) {
        glActiveTextureARB(unit);
        return true;
    }
    return unit == GL_TEXTURE0;
}

void Texture::runUnitSetup(GLenum unit) const {
    if (installedSetup) installedSetup->setup(params_, target_, unit);
}

void Texture::runUnitReset(GLenum unit) const {
    if (installedSetup) installedSetup->reset(params_, target_, unit);
}

bool Texture::bind(GLenum unit) {
    if (glId_ == noName || !glIsTexture(glId_)) create();
    if (glId_ == noName) return false;
    if (!selectUnit(unit)) return false;
    glEnable(target_);
    glBindTexture(target_, glId_);
    runUnitSetup(unit);
    return true;
}

bool Texture::unbind(GLenum unit) {
    if (glId_ == noName) return false;
    if (!selectUnit(unit)) return false;
    runUnitReset(unit);
    glDisable(target_);
    return true;
}

bool Texture::create() {
    if (glId_ != noName && glIsTexture(glId_)) return false;
    if (glId_ == noName) glGenTextures(1, &glId_);
    if (glId_ == noName) return false;  // no context to make a name in
    selectUnit(GL_TEXTURE0);
    glEnable(target_);
    glBindTexture(target_, glId_);
    applyParameters();
    return true;
}

bool Texture::update() { return false; }

bool Texture::releaseGL() {
    if (glId_ == noName) return false;
    glDeleteTextures(1, &glId_);
    glId_ = noName;
    return true;
}

bool Texture::makePowerOfTwoSquare() { return false; }

void Texture::applyParameters() const {
    const bool rectangle = target_ == GL_TEXTURE_RECTANGLE_ARB;
    glTexParameterf(target_, GL_TEXTURE_PRIORITY, params_.priority);
    const WrapModes wrap = wrapModes(params_.wrap);
    auto setWrap = [&](GLenum axis, GLenum mode) {
        if (mode != 0) glTexParameteri(target_, axis, static_cast<GLint>(rectangle ? rectangleWrap(mode) : mode));
    };
    setWrap(GL_TEXTURE_WRAP_S, wrap.s);
    setWrap(GL_TEXTURE_WRAP_T, wrap.t);
    setWrap(GL_TEXTURE_WRAP_R, wrap.r);
    glTexParameteri(target_, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(params_.magFilter));
    glTexParameteri(target_, GL_TEXTURE_MIN_FILTER,
                    static_cast<GLint>(rectangle ? baseFilter(params_.minFilter) : params_.minFilter));
    glTexParameterfv(target_, GL_TEXTURE_BORDER_COLOR, params_.borderColor.data());
}

TightPixelRows::TightPixelRows() {
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    for (GLenum mode : {GL_UNPACK_ALIGNMENT, GL_PACK_ALIGNMENT}) glPixelStorei(mode, 1);
    for (GLenum mode : {GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_ROWS, GL_UNPACK_SKIP_PIXELS, GL_PACK_ROW_LENGTH,
                        GL_PACK_SKIP_ROWS, GL_PACK_SKIP_PIXELS})
        glPixelStorei(mode, 0);
}

TightPixelRows::~TightPixelRows() { glPopClientAttrib(); }

}  // namespace qv3rn

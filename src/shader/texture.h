// texture.h -- the base of every image: an OpenGL texture object with a name, an alias and its parameters.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <ostream>
#include <string>

#include "image/image_format.h"
#include "shader/ref_counted.h"
#include "shader/texture_params.h"

namespace qv3rn {

// The OpenGL name is made lazily: the first bind (or an explicit create) generates it and uploads the pixels,
// in the rendering thread. A name that stops being a texture (a lost context) is made again by the next bind.
// Unit arguments are GL_TEXTURE0 + n. Render targets derive from this too and keep the operations in this order.
class Texture : public RefCounted {
public:
    static constexpr GLuint noName = 0xFFFFFFFFu;

    explicit Texture(GLenum target);
    ~Texture() override;  // deletes the OpenGL texture if there is one
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // The "Image {" block that reads back as this image (type, format, name, alias, "State {").
    virtual bool write(std::ostream& out) const;
    // Creates the texture when it has no (valid) name; false, binding nothing, when it still has none. Then
    // selects the unit, enables the target, binds, and runs the installed texture-unit set-up with params().
    virtual bool bind(GLenum unit);
    // Selects the unit, runs the texture-unit reset, disables the target. False when there is no name.
    virtual bool unbind(GLenum unit);
    // Base: false when a valid name exists; otherwise generates one if needed, binds it on unit 0 and sets the
    // texture parameters. Subclasses upload their pixels here.
    virtual bool create();
    // Re-uploads the pixels (Texture2D); base false.
    virtual bool update();
    // Deletes the OpenGL texture; false when there was none.
    virtual bool releaseGL();
    // Rescales the pixels to a square power of two (Texture2D); base false.
    virtual bool makePowerOfTwoSquare();

    GLuint glId() const { return glId_; }
    bool hasName() const { return glId_ != noName; }
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    const std::string& alias() const { return alias_; }
    void setAlias(std::string alias) { alias_ = std::move(alias); }
    GLenum target() const { return target_; }
    void setTarget(GLenum target) { target_ = target; }
    ImageFormat format() const { return format_; }
    const TextureParams& params() const { return params_; }
    TextureParams& params() { return params_; }
    void setParams(const TextureParams& params) { params_ = params; }

protected:
    // GL_TEXTURE_PRIORITY, the wrap modes, both filters and the border colour, on the bound target.
    void applyParameters() const;
    // glActiveTextureARB(unit); without multitexturing only unit 0 can be selected.
    static bool selectUnit(GLenum unit);
    void runUnitSetup(GLenum unit) const;
    void runUnitReset(GLenum unit) const;

    GLuint glId_ = noName;
    std::string name_;
    std::string alias_;
    GLenum target_;
    ImageFormat format_ = ImageFormat::Unknown;
    TextureParams params_;
};

// Sets the pixel transfer modes to tightly packed rows while it lives (alignment 1, no row length or skips):
// pixel stores have no row padding, so rows of 1-, 2- and 3-byte pixels whose length is not a multiple of 4
// would otherwise be read sheared.
class TightPixelRows {
public:
    TightPixelRows();
    ~TightPixelRows();
    TightPixelRows(const TightPixelRows&) = delete;
    TightPixelRows& operator=(const TightPixelRows&) = delete;
};

}  // namespace qv3rn

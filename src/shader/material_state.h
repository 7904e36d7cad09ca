// material_state.h -- the material state ("Material {" block) with its animated transparency.
#pragma once

#include <istream>
#include <memory>

#include "anim/envelope.h"
#include "shader/render_state.h"

namespace qv3rn {

class Shader;
class ShaderScriptLoader;

// An enabled material sets the lighting material; a disabled one still sets the current colour (to its
// diffuse colour) for colour-material drawing. The transparency envelope, evaluated at the frame time of the
// shader manager, replaces the alpha of ambient, diffuse and specular on every apply.
class MaterialState : public RenderState {
public:
    MaterialState() : RenderState(RenderStateKind::Material) {}
    void apply() override;
    void restore() override;
    void write(std::ostream& out) const override;

    bool enabled = false;
    float ambient[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float emission[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float shininess = 0.0f;
    std::unique_ptr<Envelope> transparency;
};

bool readMaterialBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader);

}  // namespace qv3rn

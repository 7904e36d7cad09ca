// shader.h -- a named, ordered list of render states switched on before drawing and off after it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "shader/ref_counted.h"
#include "shader/render_state.h"

namespace qv3rn {

// Shaders are reference-counted: the ShaderManager holds one reference on every shader it lists and each
// handle from ShaderManager::find holds one more.
class Shader : public RefCounted {
public:
    Shader() = default;
    ~Shader() override;

    // Switches lighting off (inside a pushed lighting attribute group) when the shader is unlit, then applies
    // every state from first to last.
    void begin();
    // Restores every state, in the same order as begin (not reversed), then pops the lighting group if begin
    // pushed it.
    void end();

    // Appends a state; the shader owns it from now on. States are applied in the order they were added.
    void addState(std::unique_ptr<RenderState> state);
    const std::vector<std::unique_ptr<RenderState>>& states() const { return states_; }

    void setLighting(bool lighting) { lighting_ = lighting; }
    bool lighting() const { return lighting_; }
    void setBlended(bool blended) { blended_ = blended; }
    // Blended shaders are drawn in the second, blended pass of mesh drawing.
    bool isBlended() const { return blended_; }
    void setName(std::string name) { name_ = std::move(name); }
    const std::string& getName() const { return name_; }

private:
    bool lighting_ = true;
    bool blended_ = false;
    std::string name_;
    std::vector<std::unique_ptr<RenderState>> states_;
};

}  // namespace qv3rn

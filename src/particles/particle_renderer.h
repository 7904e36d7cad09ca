// particle_renderer.h -- how a system's live particles are drawn: points, lines from the previous position,
// camera-facing quads, quads stretched from the previous position, or a small mesh at each particle.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string_view>

#include "math/vec3.h"
#include "mesh/facing_quad.h"
#include "particles/particle.h"
#include "shader/shader_manager.h"  // Required for: ShaderHandle

namespace qv3rn {

class Mesh;

enum class RendererKind { Points, Lines, Quads, StretchQuads, Meshes };
// The names scripts give the kinds, in the enum's order.
inline constexpr std::array<const char*, 5> rendererKindNames{"Points", "Lines", "Quads", "StretchQuads", "Meshes"};

// The kind a "Type" names exactly; none for any other text.
std::optional<RendererKind> rendererKindNamed(std::string_view name);
const char* rendererKindName(RendererKind kind);

class ParticleRenderer {
public:
    // The shader (may be null: drawn with the current state) is released with the renderer.
    explicit ParticleRenderer(ShaderHandle shader) : shader_(std::move(shader)) {}
    virtual ~ParticleRenderer();
    ParticleRenderer(const ParticleRenderer&) = delete;
    ParticleRenderer& operator=(const ParticleRenderer&) = delete;

    // Takes the camera's right and up vectors from the model-view matrix (its first two rows) and begins the
    // shader, then the kind's own set-up.
    virtual void begin();
    // The kind's own tear-down, then the shader's end.
    virtual void end();
    virtual void draw(const Particle& particle) = 0;

    virtual RendererKind kind() const = 0;
    Shader* shader() const { return shader_.get(); }

protected:
    CameraAxes camera_;

private:
    ShaderHandle shader_;
};

// `mesh` is used by the meshes kind only, which needs one; the mesh cache keeps it.
std::unique_ptr<ParticleRenderer> makeParticleRenderer(RendererKind kind, ShaderHandle shader, Mesh* mesh);

}  // namespace qv3rn

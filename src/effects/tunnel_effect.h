// tunnel_effect.h -- a procedural tube seen from inside, its radius, normals and texture coordinates rippled
// every frame by sums of sine waves, with its loader.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "effects/effect.h"
#include "effects/effect_loader.h"
#include "mesh/mesh.h"
#include "shader/shader_manager.h"  // Required for: ShaderHandle

namespace qv3rn {

// A cylinder of radius 10 along the Z axis, `segments` vertices around and `rings` vertex rings along
// `length`, drawn through its shader from a point near its near end looking down the axis, with whatever
// projection is current. The seam column is open after init: the first update moves the last column onto the
// first and closes the tube.
class TunnelEffect : public Effect {
public:
    static constexpr const char* logName = "TunnelEffect";  // in the log lines of its fields

    // The largest vertex count a tunnel may ask for. Every vertex is recomputed on the CPU each frame, so a tube
    // far finer than this could not be drawn at a frame rate anyway; the bound keeps a mistyped Size from
    // asking for gigabytes, and keeps every vertex index well inside the mesh's 32-bit indices.
    static constexpr std::int64_t maxVertices = 1 << 18;
    // True when a tube of that many segments and rings can be built: both at least 2, the product at most
    // maxVertices.
    static bool sizeFits(std::int64_t segments, std::int64_t rings);

    TunnelEffect() : Effect(EffectKind::Tunnel) {}
    ~TunnelEffect() override;

    bool init() override;              // builds the mesh; false, logged, when the size does not fit
    bool release() override;           // the shader handle and the mesh, then the base release
    void update(float time) override;  // moves the phases and recomputes every vertex
    void render() override;            // draws the mesh and clears the depth buffer

    // Replaces the shader, giving the previous handle back. False (keeping none) for a null handle.
    bool setShader(ShaderHandle shader);
    Shader* shader() const { return shader_.get(); }
    // The tube's mesh from init to release (null outside it).
    const Mesh* mesh() const { return mesh_.get(); }

    std::int32_t segments = 0;  // vertices around the tube
    std::int32_t rings = 0;     // vertex rings along the tube
    float length = 0.0f;
    float speed = 0.0f;  // how fast the phases grow with time
    std::array<float, 4> linear{};    // ripple along the tube: time rate, around frequency, along frequency, depth
    std::array<float, 3> circular{};  // ripple from the centre line: time rate, frequency, depth
    std::array<float, 4> phase{};
    float scrollU = 0.0f;  // texture coordinates per second
    float scrollV = 0.0f;
    float lastTime = 0.0f;  // the time of the last update; 0 before the first

private:
    void releaseShader();

    std::unique_ptr<Mesh> mesh_;
    ShaderHandle shader_;
    // What update needs of each segment, refilled every frame: sin(2 pi A), 2 pi A, and the sine and cosine of
    // the wave around the tube, Q = sin(2 pi B) + phase0 + time * linear0.
    struct Column {
        float sinA, angle, sinQ, cosQ;
    };
    std::vector<Column> columns_;
};

// "Tunnel" blocks: the common keywords, then "Size " (segments and rings; a size that does not fit raises
// "TunnelEffect size out of range: " with the line), "Length ", "Speed ", "Linear " (four numbers),
// "Circular " (three numbers; more are ignored), "Params " (phases 0 to 3, scroll u and v), "Shader " (a quoted
// shader name). Any other line raises "TunnelEffect unknown token".
class TunnelEffectLoader : public EffectLoaderOf<TunnelEffect> {
public:
    TunnelEffectLoader();
};

}  // namespace qv3rn

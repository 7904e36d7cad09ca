// volumizer_node.h -- volumetric light: an emitter's mesh drawn again in layers pushed out along its normals by
// a vertex program, each fainter than the one inside it.
#pragma once

#include <GL/gl.h>

#include <array>
#include <memory>
#include <string>

#include "anim/envelope.h"
#include "scene/scene_node.h"
#include "shader/shader_manager.h"  // Required for: ShaderHandle

namespace qv3rn {

class VolumizerNode : public SceneNode {
public:
    static constexpr const char* programName = "ScaleAlongNormalVP";
    // Layers drawn at most, whatever the density: each draws the whole mesh once more.
    static constexpr int maxLayers = 256;

    // The layers lie around the emitter, wherever it is: the bounding sphere is the lens flare's wide one.
    VolumizerNode();

    // Looks the program up while it has none and the vertex programs are there; the envelopes into the values.
    void updateSelf(float time) override;
    // The layers; nothing unless strength > 0, density >= 1, length > 0 and the program, the emitter's mesh and
    // the volume are there. What is missing is said in the log, once.
    void draw() override;
    void resolveNames(SceneNode& root) override;

    void setShader(ShaderHandle shader) { shader_ = std::move(shader); }
    void setLengthEnvelope(std::unique_ptr<Envelope> e) { lengthEnvelope_ = std::move(e); }
    void setStrengthEnvelope(std::unique_ptr<Envelope> e) { strengthEnvelope_ = std::move(e); }
    void setDensityEnvelope(std::unique_ptr<Envelope> e) { densityEnvelope_ = std::move(e); }

    // The number of layers `density` gives: its ceiling, at most maxLayers; 0 below 1.
    static int layerCount(float density);

    std::array<float, 4> color{1.0f, 1.0f, 1.0f, 1.0f};
    std::string volumeName;
    std::string emitterName;
    float length = 0.0f;
    float strength = 0.0f;
    float density = 0.0f;

    GLuint program() const { return program_; }
    SceneNode* volume() const { return volume_; }
    SceneNode* emitter() const { return emitter_; }

private:
    void skip(const char* why);

    GLuint program_ = 0;
    ShaderHandle shader_;
    SceneNode* volume_ = nullptr;
    SceneNode* emitter_ = nullptr;
    std::unique_ptr<Envelope> lengthEnvelope_;
    std::unique_ptr<Envelope> strengthEnvelope_;
    std::unique_ptr<Envelope> densityEnvelope_;
    bool reported_ = false;
};

}  // namespace qv3rn

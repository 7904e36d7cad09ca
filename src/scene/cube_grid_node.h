// cube_grid_node.h -- the iso-surface node, which draws where the summed field of the meta objects below it
// crosses its threshold, and the meta-object node, which places one field primitive and draws nothing.
#pragma once

#include <memory>
#include <vector>

#include "anim/envelope.h"
#include "scene/iso_surface.h"
#include "scene/scene_node.h"
#include "shader/shader_manager.h"  // Required for: ShaderHandle

namespace qv3rn {

class MetaObjectNode : public SceneNode {
public:
    enum class Kind { None = 0, Sphere = 1, Torus = 2, Cube = 3 };

    MetaObjectNode() : SceneNode(NodeType::MetaObject) {}

    // The primitive takes the node's local position and rotation: meta objects sit directly under their grid.
    void updateSelf(float time) override;
    // A meta object draws nothing, and nothing below it is drawn.
    void renderAll() override {}
    void renderVisible(const Frustum&) override {}

    const MetaPrimitive* primitive() const { return primitive_.get(); }
    void setPrimitive(std::unique_ptr<MetaPrimitive> primitive) { primitive_ = std::move(primitive); }

    // The values of the block; "Radius " and "Side " write the same size.
    Kind kind = Kind::None;
    float size = 0.0f;
    float revolution = 0.0f;
    float disk = 0.0f;
    float exponent = 0.0f;

private:
    std::unique_ptr<MetaPrimitive> primitive_;
};

// Makes the primitive of the block's kind; a size the kind needs that is not above 0 raises an error naming it.
void finishNode(MetaObjectNode& node);

class CubeGridNode : public SceneNode {
public:
    // The bounding sphere holds the grid's cube, -16 ... +16 on each axis.
    CubeGridNode();

    // The threshold from its envelope and the primitive list once something below has one.
    void updateSelf(float time) override;
    // The surface at the threshold in one batch, between the shader's begin and end.
    void draw() override;

    // The field of the primitives where they are now (once per update) and its surface; nothing without a grid.
    const IsoMesh& polygonise();

    void setGridSize(int cells) { grid_ = std::make_unique<IsoGrid>(cells); }
    void setShader(ShaderHandle shader) { shader_ = std::move(shader); }
    void setThresholdEnvelope(std::unique_ptr<Envelope> envelope) { thresholdEnvelope_ = std::move(envelope); }
    const IsoGrid* grid() const { return grid_.get(); }
    Shader* shader() const { return shader_.get(); }
    const std::vector<const MetaPrimitive*>& primitives() const { return primitives_; }

    float threshold = 0.0f;

private:
    ShaderHandle shader_;
    std::unique_ptr<Envelope> thresholdEnvelope_;
    std::unique_ptr<IsoGrid> grid_;
    std::vector<const MetaPrimitive*> primitives_;
    IsoMesh mesh_;
    bool fieldStale_ = false;
};

}  // namespace qv3rn

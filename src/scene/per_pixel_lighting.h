// per_pixel_lighting.h -- the groups that light their meshes through shaders found by fixed names: one pass per
// light and mesh multiplied by the surfaces afterwards, or bump-mapped passes added over the drawn subtree.
// Both can cast stencil shadow volumes over what they drew.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "scene/scene_node.h"
#include "scene/shadow_volume.h"
#include "shader/shader_manager.h"  // Required for: ShaderHandle

namespace qv3rn {

class MeshNode;

// A shader looked up by its fixed name until it is found; the first failed lookup is logged, later ones not.
// The shader belongs to the shader script: the reference goes back with the object and the shader stays listed
// for the groups of later scenes.
class FixedNameShader {
public:
    explicit FixedNameShader(const char* name) : name_(name) {}
    FixedNameShader(const FixedNameShader&) = delete;
    FixedNameShader& operator=(const FixedNameShader&) = delete;

    Shader* get();
    const char* name() const { return name_; }

private:
    const char* name_;
    ShaderHandle shader_;
    bool reported_ = false;
};

// What both lighting groups share: the point-light sprites and spot lights of the subtree, and the shadows.
class LightingGroup : public SceneNode {
public:
    // The enabled point-light sprites and spot lights below enabled nodes of the subtree, depth-first; gathered
    // the first time they are asked for while the list is empty.
    const std::vector<SceneNode*>& lights() const;

    // Switching shadows on makes the internal shadow-volume group, which gathers its lights from this subtree.
    void setShadows(bool on);
    bool shadows() const { return shadows_; }
    const ShadowVolumeGroup* shadowGroup() const { return shadowGroup_.get(); }

    std::array<float, 4> shadowColor{0.0f, 0.0f, 0.0f, 0.25f};  // used while shadows are on

protected:
    LightingGroup() : SceneNode(NodeType::Group) {}
    // Runs `draw` as the shadows need it (under their projection and depth offset, when they are on), then
    // casts the volumes of `nodes` without drawing them again.
    template <typename Draw>
    void drawThenShadow(const std::vector<SceneNode*>& nodes, const Frustum* frustum, Draw&& draw) {
        if (!shadows_) {
            draw();
            return;
        }
        shadowGroup_->shadowColor = shadowColor;
        shadowGroup_->drawCasters(draw);
        shadowGroup_->castShadows(nodes, frustum);
    }
    // The enabled nodes of the subtree, the visible ones when a frustum is given.
    std::vector<SceneNode*> collect(const Frustum* frustum);

private:
    bool shadows_ = false;
    std::unique_ptr<ShadowVolumeGroup> shadowGroup_;
    mutable std::vector<SceneNode*> lights_;
};

// The scale of the spot-light texture matrix's x and y: tan(90 - cutoff) for a cutoff in degrees, with the
// cutoff held in [1, 90] so that the scale stays finite and not negative (a cutoff of 90 or more lights the
// half space ahead of the light).
float spotTextureScale(float cutoffDegrees);

// "PerPixelLighting {": for each light that is seen and each mesh inside its sphere, a pass through
// "PerPixelPointLightShader" or "PerPixelSpotLightShader" (the first pass of a mesh lays down depth and
// colour, later ones add), then the meshes' own surfaces multiply the light; blended triangles get no light.
class PerPixelLightingGroup : public LightingGroup {
public:
    void renderAll() override;
    void renderVisible(const Frustum& frustum) override;

private:
    void render(const Frustum* frustum);
    // False when the light's shader is missing or its sphere is flat: nothing was drawn.
    bool lightPass(MeshNode& node, SceneNode& light, bool first);
    void surfacePass(SceneNode& node);

    FixedNameShader pointShader_{"PerPixelPointLightShader"};
    FixedNameShader spotShader_{"PerPixelSpotLightShader"};
};

// "PerPixelBumpMapLighting {": draws the subtree, then adds one pass through "PerPixelBumpMapShader" per light
// and mesh with tangent space inside its sphere. The programs get, as local parameters 0 to 2 of both stages,
// the light's colour, its position in the mesh's space and (1 / rx, 1 / ry, 1 / rz, 0) of its reach.
class PerPixelBumpMapGroup : public LightingGroup {
public:
    void renderAll() override;
    void renderVisible(const Frustum& frustum) override;

private:
    void render(const Frustum* frustum);
    void bumpPasses(Shader& shader, const std::vector<SceneNode*>& nodes, const Frustum* frustum);

    FixedNameShader bumpShader_{"PerPixelBumpMapShader"};
};

}  // namespace qv3rn

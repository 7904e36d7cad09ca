// shadow_volume.h -- stencil shadow volumes: the volume of an edge mesh for one light, the stencil passes that
// count it, and the group node that draws its subtree and darkens what its lights cannot see.
#pragma once

#include <array>
#include <functional>
#include <set>
#include <vector>

#include "math/mat4.h"
#include "mesh/edge_mesh.h"
#include "scene/scene_node.h"

namespace qv3rn {

// A light as the volume builder sees it, in the caster's own space.
struct VolumeLight {
    enum class Kind { Point, Directional, Spot };
    Kind kind = Kind::Point;
    Vec3 position;   // point and spot lights
    Vec3 direction;  // directional lights: towards the light, unit length
};

// Fills the mesh's side and cap buffers with the volume the mesh casts from `light`, extruded by `extrusion`:
// sides are quads (GL_QUADS) on the silhouette edges (and the open edges) of the triangles facing the light,
// caps triangles (GL_TRIANGLES): the lit triangles where they are, the others pushed away from the light; both
// 4-component homogeneous vertices. Point and
// directional volumes reach infinity (w = 0); a spot volume ends `extrusion` units behind each corner. False,
// with empty buffers, when the mesh has no edge triangles.
bool buildShadowVolume(EdgeMesh& mesh, const VolumeLight& light, float extrusion);

// The light node `light` (a point-light sprite, a directional or a spot light) brought into the space of
// `node`: the inverse of the node's world scale, rotation and position.
VolumeLight volumeLightIn(const SceneNode& node, const SceneNode& light);

// Appends the enabled nodes below `node` (not the node itself) whose type `wanted` takes, depth-first, looking
// below enabled nodes only.
void gatherLightNodes(const SceneNode& node, bool (*wanted)(NodeType), std::vector<SceneNode*>& lights);

// How the stencil buffer counts a volume, best first: one pass with separate front and back operations, one
// pass with two-sided stencil, or two passes with culling.
enum class StencilPath { Separate, TwoSided, TwoPass };
// The best path the extension flags allow.
StencilPath stencilPath();

// The projection of the current camera with the far plane at infinity (column-major), so that the volumes'
// points at infinity are never clipped.
Mat4 infiniteProjection(float fovDegrees, float zNear, int width, int height);

// "ShadowVolume {": draws its subtree, then for each of its lights counts the volumes of the subtree's edge
// meshes in the stencil buffer (depth-fail) and darkens the pixels inside them with the shadow colour. The
// stencil buffer must be zero when it starts, and is zero again when it ends.
class ShadowVolumeGroup : public SceneNode {
public:
    ShadowVolumeGroup() : SceneNode(NodeType::ShadowVolume) {}

    void renderAll() override;
    void renderVisible(const Frustum& frustum) override;

    // The point-light sprites, directional and spot lights of the subtree (the group included) that are
    // enabled below enabled nodes, depth-first; gathered the first time it is asked (the first draw, or a tool
    // that lists them) and kept from then on.
    const std::vector<SceneNode*>& lights() const;

    // The volumes of the edge meshes among `nodes` for every light of the group that `frustum` (if any) sees
    // (a directional light, having no place, always counts as seen),
    // counted and darkened under the infinite projection; the subtree is not drawn. Also used by the lighting
    // groups that draw their subtree their own way.
    void castShadows(const std::vector<SceneNode*>& nodes, const Frustum* frustum);
    // Runs `draw` under the projection and depth offset that the volumes are counted against, so that their
    // near caps meet the depth it lays down.
    void drawCasters(const std::function<void()>& draw);
    // The lights are gathered from the subtree of `source` instead of this group's: a lighting group that casts
    // through an internal shadow group names itself.
    void setLightSource(const SceneNode* source) { lightSource_ = source; }

    std::array<float, 4> shadowColor{0.0f, 0.0f, 0.0f, 0.25f};
    float extrusion = 2048.0f;

private:
    void render(const Frustum* frustum);
    void castShadowsOf(SceneNode& light, const std::vector<SceneNode*>& nodes);

    const SceneNode* lightSource_ = nullptr;
    mutable std::vector<SceneNode*> lights_;
    mutable bool lightsGathered_ = false;
    std::set<const void*> reported_;  // meshes already reported as having no edge triangles
};

}  // namespace qv3rn

// scene_node.h -- the base of every scene object: name, keyframer, enable state, local and world transforms,
// bounding spheres, children; the per-frame update and the drawing traversals.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "anim/envelope.h"
#include "anim/keyframer_base.h"
#include "math/frustum.h"
#include "math/mat4.h"
#include "math/sphere.h"
#include "math/vec3.h"

namespace qv3rn {

// The number every node stores; part of the scene format (tools and the light traversals read it).
enum class NodeType : std::int32_t {
    Group = 1,
    Mesh = 2,
    EdgeMesh = 3,
    Camera = 4,
    PointLight = 6,
    DirectionalLight = 7,
    SpotLight = 8,
    LensFlare = 9,
    Octree = 10,
    ShadowVolume = 11,
    ShadowPlane = 12,
    Sparks = 13,
    Particles = 14,
    Volumizer = 15,
    CubeGrid = 16,
    MetaObject = 17,
    Mirror = 18,
};

// The matrix OpenGL takes for a rotation (scene convention), a scale and a position: the rotated axes scaled by
// the scale, then moved to the position.
Mat4 nodeMatrixOf(const Mat4& rotation, const Vec3& scale, const Vec3& position);

// Rotation matrices follow the keyframers' scene convention (KeyframerBase): m[4r + c] is row r, column c, a
// vector is rotated with transformVectorByRows, and parent * child composes them. A node's matrix scales the
// rotated axes by the world scale: its upper 3 x 3 read as OpenGL does is diag(scale) times the rotation.
class SceneNode {
public:
    explicit SceneNode(NodeType type = NodeType::Group) : type_(type) {}
    virtual ~SceneNode();  // the children, keyframer and enable envelope go with the node
    SceneNode(const SceneNode&) = delete;
    SceneNode& operator=(const SceneNode&) = delete;

    // The virtual operations, in slot order after the destructor.
    virtual void updateSelf(float time);
    virtual void renderAll();
    virtual void renderVisible(const Frustum& frustum);
    virtual void draw();

    // Once the whole tree is read: a node that refers to other nodes by name looks them up from the root.
    virtual void resolveNames(SceneNode& root);

    // The per-frame step: local transform from the keyframer, enable envelope, the type's own work, world
    // transform and spheres, then every child (also under a disabled node), then the parent's hierarchy sphere.
    void update(float time);

    // This node when its name equals `name`, else the first match depth-first through the children in order.
    SceneNode* findByName(const std::string& name);
    // Enabled nodes of the subtree, depth-first, parent first; a disabled node's children are skipped. The
    // visible ones are those whose world sphere meets the frustum, cameras excepted.
    void collectVisible(const Frustum& frustum, std::vector<SceneNode*>& nodes);
    void collectEnabled(std::vector<SceneNode*>& nodes);
    // Unlinks `node` from the child list that holds it (searched depth-first) without deleting it.
    bool removeDescendant(SceneNode* node);
    // Switches on the enabled lights of the subtree (below enabled nodes only); switches off every light.
    void lightsOn();
    void lightsOff();

    // Appends `child` and becomes its parent.
    void addChild(std::unique_ptr<SceneNode> child);

    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    NodeType type() const { return type_; }
    bool isEnabled() const { return enabled_; }
    void enable() { enabled_ = true; }
    void disable() { enabled_ = false; }
    void setEnableEnvelope(std::unique_ptr<Envelope> envelope) { enableEnvelope_ = std::move(envelope); }
    const Envelope* enableEnvelope() const { return enableEnvelope_.get(); }
    void setKeyframer(std::unique_ptr<KeyframerBase> keyframer) { keyframer_ = std::move(keyframer); }
    const KeyframerBase* keyframer() const { return keyframer_.get(); }
    void setPivot(const Vec3& pivot) { pivot_ = pivot; }
    void setPosition(const Vec3& position) { position_ = position; }
    // A rotation about `axis` (any length; zero gives the identity) by `angle` radians.
    void setRotation(const Vec3& axis, float angle);
    void setScale(const Vec3& scale) { scale_ = scale; }
    void setBoundingSphere(const Vec3& center, float radius) { sphere_ = {center, radius}; }

    const Vec3& pivot() const { return pivot_; }
    const Vec3& position() const { return position_; }
    const Mat4& rotation() const { return rotation_; }
    const Vec3& scale() const { return scale_; }
    const Sphere& boundingSphere() const { return sphere_; }
    const Vec3& worldPosition() const { return worldPosition_; }
    const Mat4& worldRotation() const { return worldRotation_; }
    const Vec3& worldScale() const { return worldScale_; }
    const Sphere& worldSphere() const { return worldSphere_; }
    const Sphere& hierarchySphere() const { return hierarchySphere_; }
    const Mat4& nodeMatrix() const { return nodeMatrix_; }
    bool drawnThisFrame() const { return drawn_; }
    SceneNode* parent() const { return parent_; }
    const std::vector<std::unique_ptr<SceneNode>>& children() const { return children_; }

protected:
    // Pushes the modelview matrix, multiplies it by the node matrix, marks the node drawn, draws, pops.
    void drawUnderMatrix();

private:
    std::string name_;
    std::unique_ptr<KeyframerBase> keyframer_;
    Vec3 pivot_;
    Vec3 position_;
    Mat4 rotation_;
    Vec3 scale_{1.0f, 1.0f, 1.0f};
    Sphere sphere_;
    Vec3 worldPosition_;
    Mat4 worldRotation_;
    Vec3 worldScale_{1.0f, 1.0f, 1.0f};
    Sphere worldSphere_;
    Mat4 nodeMatrix_;
    Sphere hierarchySphere_;
    bool enabled_ = true;
    std::unique_ptr<Envelope> enableEnvelope_;
    bool drawn_ = false;
    NodeType type_;
    std::vector<std::unique_ptr<SceneNode>> children_;
    SceneNode* parent_ = nullptr;
};

// A world displacement in a node's own axes: undoes the world scale (a zero scale leaves its axis as it is),
// then the world rotation.
Vec3 intoNodeAxes(const SceneNode& node, const Vec3& v);

}  // namespace qv3rn

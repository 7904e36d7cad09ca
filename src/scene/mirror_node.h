// mirror_node.h -- a stencil mirror: a rectangle or a mesh marks the stencil, and the attached nodes are drawn
// reflected through the mirror's plane where it is marked.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "math/mat4.h"
#include "mesh/mesh.h"
#include "scene/scene_node.h"

namespace qv3rn {

class MirrorNode : public SceneNode {
public:
    enum class Kind { Plane = 0, Mesh = 1 };

    MirrorNode() : SceneNode(NodeType::Mirror) {}

    // Marks the stencil with the mirror, draws the attached nodes reflected where it is marked, then (mesh kind)
    // the mirror mesh over them. The stencil is never cleared here: it must hold 0 where no mirror has drawn.
    void draw() override;
    // The attach names become the nodes they name, in order; names that name nothing are dropped.
    void resolveNames(SceneNode& root) override;

    // The mesh, not owned (the mesh cache keeps it); also fits the bounding sphere to it.
    void setMesh(Mesh* mesh);
    Mesh* mesh() const { return mesh_; }
    // Fits the bounding sphere to the plane kind's rectangle.
    void fitSphereToPlane();

    // The rectangle of the plane kind: centred on the plane position, across the two axes other than the
    // normal's largest component, reaching the size's components along them either way.
    std::array<Vec3, 4> planeCorners() const;
    // The normal of the mirror's plane through the node's origin: the plane's (a, b, c), or the mesh kind's first
    // face; zero when there is none.
    Vec3 mirrorNormal() const;
    // The reflection through the plane through the origin with normal `normal` (any non-zero length).
    static Mat4 reflection(const Vec3& normal);

    Kind kind = Kind::Plane;
    std::array<float, 4> plane{0.0f, 1.0f, 0.0f, 0.0f};
    Vec3 planePosition;
    Vec3 planeSize{1.0f, 0.0f, 1.0f};
    std::vector<std::string> attachNames;
    const std::vector<SceneNode*>& attached() const { return attached_; }

private:
    void drawSurface(bool applyShaders);

    Mesh* mesh_ = nullptr;
    std::vector<SceneNode*> attached_;
    bool drawing_ = false;  // an attached subtree that holds the mirror does not draw it again inside itself
};

}  // namespace qv3rn

namespace qv3rn {

// Once the block is read: a mesh mirror needs its mesh and a plane mirror a normal; the rectangle gives the
// plane kind its bounding sphere.
void finishNode(MirrorNode& node);

}  // namespace qv3rn

// octree_node.cpp -- the octree node: building its octree from a cached mesh and drawing what the camera sees.
#include "scene/octree_node.h"

#include <GL/gl.h>

#include "core/log.h"
#include "math/sphere.h"
#include "shader/camera_mgr.h"

namespace qv3rn {

OctreeNode::OctreeNode() : SceneNode(NodeType::Octree) {}
OctreeNode::~OctreeNode() = default;

bool OctreeNode::setMesh(Mesh& mesh) {
    buildError_.clear();
    if (!octree_.build(mesh, {maxTriangles, boxSide, maxDepth}, buildError_)) {
        logger().writeLine("Octree of mesh \"" + mesh.name() + "\" not built: " + buildError_);
        return false;
    }
    const Sphere sphere = Sphere::aroundBox(octree_.box());
    setBoundingSphere(sphere.center, sphere.radius);
    return true;
}

void OctreeNode::draw() {
    if (octree_.empty()) return;
    // White where the mesh has no colours, as a mesh node draws it.
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    const Camera* camera = CameraMgr::instance().currentCamera();
    if (!camera) {
        octree_.drawCurrentView(true);
        return;
    }
    // The node's cells are in its own space: the frustum of the camera's view after the node matrix.
    const Mat4 projection = Mat4::fromArray(camera->projectionMatrix().data());
    const Mat4 view = Mat4::fromArray(camera->viewMatrix().data());
    octree_.cull(Frustum(projection, nodeMatrix() * view));
    octree_.drawCulled(true);
}

}  // namespace qv3rn

// mesh_node.h -- a mesh in the scene: the shared mesh drawn with its batches' shaders, and the optional effects
// around it (two-pass blending, lazy points, glow shells, vertex particles, zoom ghosts).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "anim/envelope.h"
#include "mesh/mesh.h"
#include "mesh/mesh_manager.h"  // Required for: findOrLoadMesh
#include "scene/scene_node.h"
#include "shader/shader_manager.h"  // Required for: ShaderHandle

namespace qv3rn {

// The mesh kind of a "Type " line in a "Mesh {" block: "BUMPMAP_EDGEMESH", "BUMPMAP", "EDGEMESH" tried in that
// order, anything else static.
MeshType meshTypeOfLine(const std::string& line);
// The mesh kind of a "Type " line in the blocks whose vertices change ("DeformMesh {", "Morph {", "Octree {"):
// a line holding "MESH" is static (edge tables would go stale), else "BUMPMAP" asks for tangents.
MeshType changingMeshTypeOfLine(const std::string& line);

// Vertex normals as the normalised sum of the face normals of the triangles around each vertex (a vertex whose
// sum is zero keeps a zero normal), after the face planes are made again from the positions.
void recomputeNormals(Mesh& mesh);

class MeshNode : public SceneNode {
public:
    MeshNode();
    ~MeshNode() override;

    // The glow values from their envelopes, the zoom window, and the lazy vertices trailing the keyframer.
    void updateSelf(float time) override;
    // The mesh with its shaders (blended batches in two passes when asked), then zoom ghosts, glow shells and
    // particles.
    void draw() override;
    // The two halves of a two-pass-blended draw, for groups that draw every opaque surface before any blended
    // one: the opaque batches with their shaders; the blended batches in two passes, then the particles.
    void drawOpaqueHalf();
    void drawBlendedHalf();

    // Takes the mesh (owned by the mesh cache and shared with every node naming it), copies the lazy base
    // positions when lazy points are on and none were copied, and puts the bounding sphere around its box.
    virtual void setMesh(Mesh* mesh);
    Mesh* mesh() const { return mesh_; }

    // Switches lazy points; switching them on copies the base positions once a mesh is present.
    void setLazyPoints(bool on);
    bool lazyPoints() const { return lazyPoints_; }
    const std::vector<Vec3>& lazyBase() const { return lazyBase_; }
    std::vector<Vec3>& lazyBase() { return lazyBase_; }

    void setGlowShader(ShaderHandle shader) { glowShader_ = std::move(shader); }
    void setZoomShader(ShaderHandle shader) { zoomShader_ = std::move(shader); }
    Shader* glowShader() const { return glowShader_.get(); }
    Shader* zoomShader() const { return zoomShader_.get(); }
    void setGlowIntensityEnvelope(std::unique_ptr<Envelope> e) { glowIntensityEnvelope_ = std::move(e); }
    void setGlowSizeEnvelope(std::unique_ptr<Envelope> e) { glowSizeEnvelope_ = std::move(e); }
    void setGlowShininessEnvelope(std::unique_ptr<Envelope> e) { glowShininessEnvelope_ = std::move(e); }
    void setZoomCountEnvelope(std::unique_ptr<Envelope> e) { zoomCountEnvelope_ = std::move(e); }
    void setZoomTimeEnvelope(std::unique_ptr<Envelope> e) { zoomTimeEnvelope_ = std::move(e); }

    // Each glow shell and zoom ghost draws the mesh once more: the script may ask for this many at most, and
    // larger zoom counts from an envelope draw this many ghosts.
    static constexpr int maxGlowShells = 256;
    static constexpr int maxZoomGhosts = 256;

    // Read from the script.
    MeshType meshType = MeshType::Static;
    bool staticMark = false;  // the last "Type " line asked for a vertex buffer
    float lazyLagRate = 0.25f;
    bool twoPassBlending = false;
    bool surfaceBlending = false;
    bool zoom = false;
    int glowShells = 0;
    std::array<float, 4> glowColor{1.0f, 1.0f, 1.0f, 1.0f};
    bool particles = false;
    float particleSize[2] = {0.0f, 1.0f};  // minimum, maximum
    float particleThreshold = 1.0f;
    std::array<float, 4> particleColor{1.0f, 1.0f, 1.0f, 0.75f};
    std::array<float, 4> particleAttenuation{1.0f, 0.0f, 0.0f, 0.0f};  // constant, linear, quadratic

    // Evaluated by updateSelf.
    float glowIntensity = 0.1f;
    float glowSize = 1.0f;
    float glowShininess = 30.0f;
    float zoomOrigin = 0.0f;  // the time of the last update
    float zoomCount = 0.0f;
    float zoomTime = 0.0f;

protected:
    // The bounding sphere around the mesh's box: centre in the middle, radius 0.51 of the diagonal.
    void fitSphereToMesh();
    MeshNode(NodeType type);

    Mesh* mesh_ = nullptr;

private:
    void drawBlendedTwoPass();
    void drawZoomGhosts();
    void drawGlowShells();
    void drawParticles();

    bool lazyPoints_ = false;
    std::vector<Vec3> lazyBase_;
    ShaderHandle glowShader_;
    ShaderHandle zoomShader_;
    std::unique_ptr<Envelope> glowIntensityEnvelope_;
    std::unique_ptr<Envelope> glowSizeEnvelope_;
    std::unique_ptr<Envelope> glowShininessEnvelope_;
    std::unique_ptr<Envelope> zoomCountEnvelope_;
    std::unique_ptr<Envelope> zoomTimeEnvelope_;
};

// A mesh loaded with its edge tables, drawn white, and, when asked, a sized point at every vertex.
class EdgeMeshNode : public MeshNode {
public:
    EdgeMeshNode() : MeshNode(NodeType::EdgeMesh) {}
};

// Once the block is read: the node needs its mesh.
void finishNode(EdgeMeshNode& node);

}  // namespace qv3rn

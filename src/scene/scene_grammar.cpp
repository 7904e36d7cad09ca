// scene_grammar.cpp -- the node blocks of the scene script: the common rows, the child keywords and the rows of
// each node type.
#include "scene/scene_grammar.h"

#include <cstdio>
#include <limits>
#include <stdexcept>
#include <string>

#include "anim/envelope_field.h"
#include "anim/keyframer.h"
#include "anim/keyframer_lw.h"
#include "core/log.h"
#include "scene/camera_node.h"
#include "scene/cube_grid_node.h"
#include "scene/default_lighting_group.h"
#include "scene/light.h"
#include "scene/deform_mesh_node.h"
#include "scene/lens_flare_node.h"
#include "scene/mesh_node.h"
#include "scene/mirror_node.h"
#include "scene/morph_node.h"
#include "scene/octree_node.h"
#include "particles/particle_script.h"
#include "scene/particles_node.h"
#include "scene/per_pixel_lighting.h"
#include "scene/point_light.h"
#include "scene/scene_loader.h"
#include "scene/shadow_plane.h"
#include "scene/shadow_volume.h"
#include "scene/sparks_node.h"
#include "scene/volumizer_node.h"
#include "shader/image_registry.h"

namespace qv3rn {

void finishNode(CameraNode& node) { node.camera().setName(node.name()); }

namespace {

SceneLoader& loaderOf(BlockLine& line) { return static_cast<SceneLoader&>(line.parser); }

Vec3 scanVector(const std::string& text, Vec3 value = {}) {
    FloatSlots slots;
    slots.add(value.x);
    slots.add(value.y);
    slots.add(value.z);
    scanFloats(text, slots);
    return value;
}

// The envelope block after the line, then the field's "}"; a block the envelope reader refuses raises `error`.
std::unique_ptr<Envelope> envelopeField(BlockLine& line, const char* error) {
    return readEnvelopeField(line, FieldClose::SkipToBrace, error);
}

template <typename K>
void readKeyframer(SceneNode& node, BlockLine& line, const char* error) {
    auto keyframer = std::make_unique<K>();
    bool loaded = false;
    try {
        loaded = keyframer->load(line.parser, line.stream);
    } catch (const std::runtime_error& raised) {
        throw std::runtime_error(std::string(error) + ": " + raised.what());
    }
    if (!loaded) {
        std::string message = error;
        if constexpr (requires { keyframer->loadError(); })
            if (!keyframer->loadError().empty()) message += ": " + keyframer->loadError();
        throw std::runtime_error(message);
    }
    node.setKeyframer(std::move(keyframer));
}

// A keyword that opens a child of type Node read with `grammar`.
template <typename Node>
Row<SceneNode> child(const char* keyword, const KeywordTable<Node>& (*grammar)()) {
    return {keyword, [keyword, grammar](SceneNode& node, BlockLine& line) {
                node.addChild(loaderOf(line).readNode<Node>(line, grammar(), keyword));
            }};
}

const KeywordTable<SceneNode>& groupGrammar();
const KeywordTable<CameraNode>& cameraGrammar();
const KeywordTable<DirectionalLight>& directionalLightGrammar();
const KeywordTable<SpotLight>& spotLightGrammar();
const KeywordTable<PointLight>& pointLightGrammar();
const KeywordTable<MeshNode>& meshNodeGrammar();
const KeywordTable<MorphNode>& morphGrammar();
const KeywordTable<DeformMeshNode>& deformMeshGrammar();
const KeywordTable<OctreeNode>& octreeGrammar();
const KeywordTable<ParticlesNode>& particlesGrammar();
const KeywordTable<DefaultLightingGroup>& defaultLightingGrammar();
const KeywordTable<ShadowPlane>& shadowPlaneGrammar();

const KeywordTable<ShadowVolumeGroup>& shadowVolumeGrammar();
const KeywordTable<PerPixelLightingGroup>& perPixelLightingGrammar();
const KeywordTable<PerPixelBumpMapGroup>& perPixelBumpMapGrammar();
const KeywordTable<MirrorNode>& mirrorGrammar();
const KeywordTable<VolumizerNode>& volumizerGrammar();
const KeywordTable<EdgeMeshNode>& edgeMeshGrammar();
const KeywordTable<CubeGridNode>& cubeGridGrammar();
const KeywordTable<MetaObjectNode>& metaObjectGrammar();

KeywordTable<SceneNode> makeCommonNodeRows();

// The tables are made at start-up, so that the keyword list of the tools holds them; a child row looks its
// grammar up when it reads, so the tables may name each other.
const KeywordTable<SceneNode> commonRows = makeCommonNodeRows();

const KeywordTable<SceneNode> groupRows = commonRows;
const KeywordTable<SceneNode>& groupGrammar() { return groupRows; }

// ---- Shadows.

// A group lit by the fixed-function lights; each shadow line makes the group's shadow settings.
void readShadows(DefaultLightingGroup& group, BlockLine& line) { group.shadow().on = matches(line.text, "yes"); }
void readShadowColour(DefaultLightingGroup& group, BlockLine& line) {
    scanFloats(line.text, group.shadow().colour.data(), 4);
}
void readShadowCaster(DefaultLightingGroup& group, BlockLine& line) {
    group.shadow();
    group.casterName = quotedText(line.text);
}
void readShadowImage(DefaultLightingGroup& group, BlockLine& line) {
    const std::string name = quotedText(line.text);
    Handle<Texture> image = ImageRegistry::instance().find(name);
    if (!image) throw std::runtime_error("unable to find shadow image: " + name);
    DefaultLightingGroup::Shadow& shadow = group.shadow();
    if (shadow.image) ImageRegistry::instance().releaseHandle(shadow.image);
    shadow.image = std::move(image);
}

const KeywordTable<DefaultLightingGroup> defaultLightingRows = joinRows<DefaultLightingGroup>(
    commonRows, Row<DefaultLightingGroup>{"Shadows ", readShadows},
    Row<DefaultLightingGroup>{"ShadowColor ", readShadowColour},
    Row<DefaultLightingGroup>{"ShadowCaster ", readShadowCaster},
    Row<DefaultLightingGroup>{"ShadowImage ", readShadowImage});
const KeywordTable<DefaultLightingGroup>& defaultLightingGrammar() { return defaultLightingRows; }

// "Position " is the common line: it moves the node (and the casters under it), not the quad.
void readPlaneSize(ShadowPlane& plane, BlockLine& line) { plane.setSize(scanVector(line.text, plane.size())); }

const KeywordTable<ShadowPlane> shadowPlaneRows =
    joinRows<ShadowPlane>(commonRows, floats("Plane ", &ShadowPlane::plane), floats("Light ", &ShadowPlane::light),
                          Row<ShadowPlane>{"Size ", readPlaneSize});
const KeywordTable<ShadowPlane>& shadowPlaneGrammar() { return shadowPlaneRows; }

void readFovAmount(CameraNode& node, BlockLine& line) {
    node.setFovEnvelope(envelopeField(line, "unable to load FOV amount envelope"));
}
void readFov(CameraNode& node, BlockLine& line) { scanFloat(line.text, node.camera().fov); }
void readClipPlanes(CameraNode& node, BlockLine& line) {
    FloatSlots slots;
    slots.add(node.camera().zNear);
    slots.add(node.camera().zFar);
    scanFloats(line.text, slots);
}

const KeywordTable<CameraNode> cameraRows =
    joinRows<CameraNode>(commonRows, Row<CameraNode>{"FovAmount {", readFovAmount}, Row<CameraNode>{"FOV ", readFov},
                         Row<CameraNode>{"ClipPlanes ", readClipPlanes}, flag("Active ", &CameraNode::active));
const KeywordTable<CameraNode>& cameraGrammar() { return cameraRows; }

// The colour lines of both fixed-function lights, before each type's own.
const KeywordTable<Light> lightRows = {
    floats("Ambient ", &Light::ambient),
    floats("Diffuse ", &Light::diffuse),
    floats("Specular ", &Light::specular),
    floats("Attenuation ", &Light::attenuation),
};

// "Direction " gives the vector the light comes from; the light shines the other way.
template <typename L>
Row<L> direction() {
    return {"Direction ", [](L& light, BlockLine& line) { light.direction = (-scanVector(line.text)).normalized(); }};
}

const KeywordTable<DirectionalLight> directionalLightRows =
    joinRows<DirectionalLight>(commonRows, lightRows, direction<DirectionalLight>());
const KeywordTable<DirectionalLight>& directionalLightGrammar() { return directionalLightRows; }

void readLength(SpotLight& light, BlockLine& line) {
    float length = light.length;
    scanFloat(line.text, length);
    light.setLength(length);
}

const KeywordTable<SpotLight> spotLightRows =
    joinRows<SpotLight>(commonRows, lightRows, direction<SpotLight>(), floats("Exponent ", &SpotLight::exponent),
                        floats("Cutoff ", &SpotLight::cutoff), Row<SpotLight>{"Length ", readLength});
const KeywordTable<SpotLight>& spotLightGrammar() { return spotLightRows; }

void readRadius(PointLight& light, BlockLine& line) { light.setRadius(scanVector(line.text, light.radius)); }
// The "Shader " line of the sprite, sparks and volumizer blocks: the shader must be registered.
ShaderHandle requiredShader(BlockLine& line) {
    const std::string name = quotedText(line.text);
    ShaderManager* manager = ShaderManager::instance();
    ShaderHandle shader = manager ? manager->find(name) : ShaderHandle{};
    if (!shader) throw std::runtime_error("unable to find shader: " + name);
    return shader;
}
template <typename Node>
Row<Node> shaderRow() {
    return {"Shader ", [](Node& node, BlockLine& line) { node.setShader(requiredShader(line)); }};
}

const KeywordTable<PointLight> pointLightRows =
    joinRows<PointLight>(commonRows, Row<PointLight>{"Radius ", readRadius}, floats("Size ", &PointLight::size),
                         floats("Color ", &PointLight::color), shaderRow<PointLight>());
const KeywordTable<PointLight>& pointLightGrammar() { return pointLightRows; }

const KeywordTable<ShadowVolumeGroup> shadowVolumeRows =
    joinRows<ShadowVolumeGroup>(commonRows, floats("ShadowColor ", &ShadowVolumeGroup::shadowColor));
const KeywordTable<ShadowVolumeGroup>& shadowVolumeGrammar() { return shadowVolumeRows; }

// The shadow lines both per-pixel lighting blocks read after the common rows.
const KeywordTable<LightingGroup> lightingShadowRows = {
    {"Shadows ", [](LightingGroup& group, BlockLine& line) { group.setShadows(matches(line.text, "yes")); }},
    floats("ShadowColor ", &LightingGroup::shadowColor),
};
const KeywordTable<PerPixelLightingGroup> perPixelLightingRows =
    joinRows<PerPixelLightingGroup>(commonRows, lightingShadowRows);
const KeywordTable<PerPixelLightingGroup>& perPixelLightingGrammar() { return perPixelLightingRows; }
const KeywordTable<PerPixelBumpMapGroup> perPixelBumpMapRows =
    joinRows<PerPixelBumpMapGroup>(commonRows, lightingShadowRows);
const KeywordTable<PerPixelBumpMapGroup>& perPixelBumpMapGrammar() { return perPixelBumpMapRows; }

// ---- Mesh nodes.

template <typename Node>
Row<Node> envelopeRow(const char* keyword, void (Node::*set)(std::unique_ptr<Envelope>), const char* error) {
    return {keyword, [set, error](Node& node, BlockLine& line) { (node.*set)(envelopeField(line, error)); }};
}

void readLazyPoints(MeshNode& node, BlockLine& line) { node.setLazyPoints(matches(line.text, "yes")); }
// A shader the script names must be registered: a misspelt name would otherwise draw the effect without it.
ShaderHandle namedShader(BlockLine& line, const char* what) {
    const std::string name = quotedText(line.text);
    ShaderManager* manager = ShaderManager::instance();
    ShaderHandle shader = manager ? manager->find(name) : ShaderHandle{};
    if (!shader) throw std::runtime_error(std::string("unable to find ") + what + " shader: " + name);
    return shader;
}
void readGlowShader(MeshNode& node, BlockLine& line) { node.setGlowShader(namedShader(line, "glow")); }
void readZoomShader(MeshNode& node, BlockLine& line) { node.setZoomShader(namedShader(line, "zoom")); }


// The options every mesh-drawing block offers a line before its own rows. "Zoom" comes after the zoom lines
// that contain it, so that they reach their own rows.
const KeywordTable<MeshNode> meshOptions = {
    flag("TwoPassBlending", &MeshNode::twoPassBlending),
    flag("SurfaceBlending", &MeshNode::surfaceBlending),
    {"LazyPoints", readLazyPoints},
    floats("LazyLagRate ", &MeshNode::lazyLagRate),
    {"GlowShader ", readGlowShader},
    // Each shell draws the whole mesh again: a count beyond the limit is refused rather than left to stall the
    // frame; a count below 1 draws no shells.
    integerIn("GlowShells ", &MeshNode::glowShells, std::numeric_limits<int>::min(), MeshNode::maxGlowShells,
              "glow shell count above " + std::to_string(MeshNode::maxGlowShells) + ": "),
    envelopeRow("GlowIntensity {", &MeshNode::setGlowIntensityEnvelope, "unable to load glow intensity envelope"),
    envelopeRow("GlowSize {", &MeshNode::setGlowSizeEnvelope, "unable to load glow size envelope"),
    envelopeRow("GlowShininess {", &MeshNode::setGlowShininessEnvelope, "unable to load glow shininess envelope"),
    floats("GlowColor ", &MeshNode::glowColor),
    flag("Particles", &MeshNode::particles),
    floats("ParticleSize ", &MeshNode::particleSize),
    floats("ParticleThreshold ", &MeshNode::particleThreshold),
    floats("ParticleAttenuation ", &MeshNode::particleAttenuation),
    floats("ParticleColor ", &MeshNode::particleColor),
    {"ZoomShader ", readZoomShader},
    envelopeRow("ZoomCount {", &MeshNode::setZoomCountEnvelope, "unable to load zoom count envelope"),
    envelopeRow("ZoomTime {", &MeshNode::setZoomTimeEnvelope, "unable to load zoom time envelope"),
    flag("Zoom", &MeshNode::zoom),
};

void readMeshType(MeshNode& node, BlockLine& line) {
    node.meshType = meshTypeOfLine(line.text);
    node.staticMark = matches(line.text, "STATIC");
}
// The mesh is loaded with the kind of the "Type " lines before it; "STATIC" puts it in a vertex buffer.
void readMeshObject(MeshNode& node, BlockLine& line) {
    const std::string name = quotedText(line.text);
    Mesh* mesh = findOrLoadMesh(name, node.meshType);
    if (!mesh) throw std::runtime_error("unable to load mesh" + name);
    if (node.staticMark) mesh->setFlags(mesh->flags() | MeshFlags::VertexBuffer);
    node.setMesh(mesh);
}

const KeywordTable<MeshNode> meshNodeRows = joinRows<MeshNode>(
    commonRows, meshOptions, Row<MeshNode>{"Type ", readMeshType}, Row<MeshNode>{"Object ", readMeshObject});
const KeywordTable<MeshNode>& meshNodeGrammar() { return meshNodeRows; }

void readEdgeMeshObject(EdgeMeshNode& node, BlockLine& line) {
    const std::string name = quotedText(line.text);
    Mesh* mesh = findOrLoadMesh(name, MeshType::EdgeMesh);
    if (!mesh) throw std::runtime_error("unable to load mesh: " + name);
    node.setMesh(mesh);
}

const KeywordTable<EdgeMeshNode> edgeMeshRows = joinRows<EdgeMeshNode>(
    commonRows, Row<EdgeMeshNode>{"Object ", readEdgeMeshObject}, flag("Particles ", &MeshNode::particles),
    floats("ParticleSize ", &MeshNode::particleSize), floats("ParticleThreshold ", &MeshNode::particleThreshold),
    floats("ParticleAttenuation ", &MeshNode::particleAttenuation),
    floats("ParticleColor ", &MeshNode::particleColor));
const KeywordTable<EdgeMeshNode>& edgeMeshGrammar() { return edgeMeshRows; }

// "Type " in the blocks whose vertices change or are sorted: "DeformMesh {", "Morph {", "Octree {".
template <typename Node>
void readChangingType(Node& node, BlockLine& line) {
    node.meshType = changingMeshTypeOfLine(line.text);
}

void readTargetCount(MorphNode& node, BlockLine& line) {
    std::int32_t count = 0;
    scanInteger(line.text, count);
    node.setTargetCount(count);
}
void readTarget(MorphNode& node, BlockLine& line) {
    const std::string name = quotedText(line.text);
    Mesh* mesh = findOrLoadMesh(name, node.meshType);
    if (!mesh) throw std::runtime_error("unable to load mesh: " + name);
    node.addTarget(*mesh);
}

const KeywordTable<MorphNode> morphRows = joinRows<MorphNode>(
    commonRows, meshOptions, Row<MorphNode>{"Type ", readChangingType<MorphNode>},
    Row<MorphNode>{"NumMeshes ", readTargetCount}, Row<MorphNode>{"Mesh ", readTarget},
    Row<MorphNode>{"Src ", readTarget}, Row<MorphNode>{"Dst ", readTarget},
    envelopeRow("MorphAmount {", &MorphNode::setAmountEnvelope, "unable to load morph amount envelope"));
const KeywordTable<MorphNode>& morphGrammar() { return morphRows; }

void readDeformObject(DeformMeshNode& node, BlockLine& line) {
    const std::string name = quotedText(line.text);
    Mesh* mesh = findOrLoadMesh(name, node.meshType);
    if (!mesh) throw std::runtime_error("unable to load mesh: " + name);
    if (mesh->vertexCount() < 1) throw std::runtime_error("deform mesh " + name + " has no vertices");
    node.setMesh(mesh);
}
// Each deformer block appends its deformer; "SinWave {" is tried before the "Wave {" it contains.
Row<DeformMeshNode> deformerRow(DeformerKind kind) {
    return {deformerKeyword(kind),
            [kind](DeformMeshNode& node, BlockLine& line) { node.addDeformer(readDeformer(kind, line)); }};
}

const KeywordTable<DeformMeshNode> deformMeshRows = joinRows<DeformMeshNode>(
    commonRows, meshOptions, Row<DeformMeshNode>{"Type ", readChangingType<DeformMeshNode>},
    Row<DeformMeshNode>{"Object ", readDeformObject}, deformerRow(DeformerKind::Bend), deformerRow(DeformerKind::Melt),
    deformerRow(DeformerKind::SinWave), deformerRow(DeformerKind::Taper1), deformerRow(DeformerKind::Taper2),
    deformerRow(DeformerKind::Twist), deformerRow(DeformerKind::Wave));
const KeywordTable<DeformMeshNode>& deformMeshGrammar() { return deformMeshRows; }

// The mesh is sorted into its octree with the three values read before "Object ".
void readOctreeObject(OctreeNode& node, BlockLine& line) {
    const std::string name = quotedText(line.text);
    Mesh* mesh = findOrLoadMesh(name, node.meshType);
    if (!mesh) throw std::runtime_error("unable to load octree mesh: " + name);
    node.setMesh(*mesh);
}

const KeywordTable<OctreeNode> octreeRows = joinRows<OctreeNode>(
    commonRows, Row<OctreeNode>{"Type ", readChangingType<OctreeNode>},
    integers("MaxTris ", &OctreeNode::maxTriangles), floats("BoxSide ", &OctreeNode::boxSide),
    integers("MaxDepth ", &OctreeNode::maxDepth),
    Row<OctreeNode>{"Object ", readOctreeObject});
const KeywordTable<OctreeNode>& octreeGrammar() { return octreeRows; }

// ---- Particles.

void readParticleSystemBlock(ParticlesNode& node, BlockLine& line) {
    try {
        node.setSystem(readParticleSystem(line));
    } catch (const std::runtime_error& raised) {
        throw std::runtime_error(std::string("unable to load particle system: ") + raised.what());
    }
}

const KeywordTable<ParticlesNode> particlesRows =
    joinRows<ParticlesNode>(commonRows, Row<ParticlesNode>{"ParticleSystem {", readParticleSystemBlock});
const KeywordTable<ParticlesNode>& particlesGrammar() { return particlesRows; }

// ---- Sparks and lens flares.

const KeywordTable<SparksNode> sparksRows = joinRows<SparksNode>(commonRows, shaderRow<SparksNode>());
const KeywordTable<SparksNode>& sparksGrammar() { return sparksRows; }

// "Flare " image position size red green blue alpha; numbers that do not scan keep the element's defaults.
void readFlare(LensFlareNode& node, BlockLine& line) {
    FlareElement element;
    long long image = element.image;
    float* c = element.colour.data();
    std::sscanf(line.text.c_str(), "%*s %lld %f %f %f %f %f %f", &image, &element.position, &element.size, &c[0],
                &c[1], &c[2], &c[3]);
    element.image = image >= 0 && image < LensFlareNode::imageCount ? static_cast<int>(image) : -1;
    node.addElement(element);
}

const KeywordTable<LensFlareNode> lensFlareRows =
    joinRows<LensFlareNode>(commonRows, Row<LensFlareNode>{"Flare ", readFlare});
const KeywordTable<LensFlareNode>& lensFlareGrammar() { return lensFlareRows; }

// The last sparks block read receives the scene's "RegisterSparks" lines once the tree is read.
Row<SceneNode> sparksChild() {
    return {"Sparks {", [](SceneNode& node, BlockLine& line) {
                auto sparks = loaderOf(line).readNode<SparksNode>(line, sparksGrammar(), "Sparks {");
                loaderOf(line).setSparksNode(sparks.get());
                node.addChild(std::move(sparks));
            }};
}
// The last lens-flare block read receives the "RegisterLensFlare" lines; its images are looked up once its
// block is read, and an image that is missing is named in the log (its elements are drawn untextured).
Row<SceneNode> lensFlareChild() {
    return {"LensFlare {", [](SceneNode& node, BlockLine& line) {
                auto flare = loaderOf(line).readNode<LensFlareNode>(line, lensFlareGrammar(), "LensFlare {");
                for (const std::string& name : flare->findImages())
                    logger().printf("Lens flare image \"%s\" is not registered: drawn untextured", name.c_str());
                loaderOf(line).setLensFlareNode(flare.get());
                node.addChild(std::move(flare));
            }};
}

// ---- Volumetric light.

const KeywordTable<VolumizerNode> volumizerRows = joinRows<VolumizerNode>(
    commonRows, quoted("Emitter ", &VolumizerNode::emitterName), quoted("Volume ", &VolumizerNode::volumeName),
    shaderRow<VolumizerNode>(), floats("Color ", &VolumizerNode::color),
    envelopeRow("Length {", &VolumizerNode::setLengthEnvelope, "unable to load volume length envelope"),
    envelopeRow("Strength {", &VolumizerNode::setStrengthEnvelope, "unable to load volume strength envelope"),
    envelopeRow("Density {", &VolumizerNode::setDensityEnvelope, "unable to load volume density envelop"));
const KeywordTable<VolumizerNode>& volumizerGrammar() { return volumizerRows; }

// ---- Mirrors.

void readMirrorType(MirrorNode& node, BlockLine& line) {
    if (matches(line.text, "PLANE"))
        node.kind = MirrorNode::Kind::Plane;
    else if (matches(line.text, "MESH"))
        node.kind = MirrorNode::Kind::Mesh;
}
void readMirrorMesh(MirrorNode& node, BlockLine& line) {
    Mesh* mesh = findOrLoadMesh(quotedText(line.text), MeshType::Static);
    if (!mesh) throw std::runtime_error("unable to load mirror mesh");
    node.setMesh(mesh);
}
void readAttach(MirrorNode& node, BlockLine& line) {
    std::string name = quotedText(line.text);
    if (!name.empty()) node.attachNames.push_back(std::move(name));
}

// "PlanePosition " comes before the common rows: their "Position " would otherwise take it and move the node.
const KeywordTable<MirrorNode> mirrorRows = joinRows<MirrorNode>(
    Row<MirrorNode>{"PlanePosition ",
                    [](MirrorNode& node, BlockLine& line) {
                        node.planePosition = scanVector(line.text, node.planePosition);
                    }},
    commonRows, Row<MirrorNode>{"MirrorType ", readMirrorType},
    Row<MirrorNode>{"PlaneSize ",
                    [](MirrorNode& node, BlockLine& line) { node.planeSize = scanVector(line.text, node.planeSize); }},
    floats("Plane ", &MirrorNode::plane), Row<MirrorNode>{"Mesh ", readMirrorMesh},
    Row<MirrorNode>{"Attach ", readAttach});
const KeywordTable<MirrorNode>& mirrorGrammar() { return mirrorRows; }

// ---- Iso-surfaces.

// The grid's points are allocated at once: a size above the ceiling is refused rather than left to exhaust memory.
void readGridSize(CubeGridNode& node, BlockLine& line) {
    std::int32_t cells = 0;
    scanInteger(line.text, cells);
    if (cells < 1 || cells > IsoGrid::maxCells)
        throw std::runtime_error("grid size must lie in 1 ... " + std::to_string(IsoGrid::maxCells) + ": " + line.text);
    node.setGridSize(cells);
}
void readGridShader(CubeGridNode& node, BlockLine& line) {
    const std::string name = quotedText(line.text);
    ShaderManager* manager = ShaderManager::instance();
    ShaderHandle shader = manager ? manager->find(name) : ShaderHandle{};
    if (!shader) throw std::runtime_error("unable to load shader: " + name);
    node.setShader(std::move(shader));
}

const KeywordTable<CubeGridNode> cubeGridRows = joinRows<CubeGridNode>(
    commonRows, Row<CubeGridNode>{"GridSize ", readGridSize}, Row<CubeGridNode>{"Shader ", readGridShader},
    envelopeRow("Threshold {", &CubeGridNode::setThresholdEnvelope, "unable to load threashold envelope"),
    floats("Threshold ", &CubeGridNode::threshold));
const KeywordTable<CubeGridNode>& cubeGridGrammar() { return cubeGridRows; }

void readMetaType(MetaObjectNode& node, BlockLine& line) {
    if (matches(line.text, "SPHERE"))
        node.kind = MetaObjectNode::Kind::Sphere;
    else if (matches(line.text, "TORUS"))
        node.kind = MetaObjectNode::Kind::Torus;
    else if (matches(line.text, "CUBE"))
        node.kind = MetaObjectNode::Kind::Cube;
    else
        throw std::runtime_error("unknown meta object type");
}

const KeywordTable<MetaObjectNode> metaObjectRows = joinRows<MetaObjectNode>(
    commonRows, Row<MetaObjectNode>{"Type ", readMetaType}, floats("Radius ", &MetaObjectNode::size),
    floats("Side ", &MetaObjectNode::size), floats("Revolution ", &MetaObjectNode::revolution),
    floats("Disk ", &MetaObjectNode::disk), floats("N ", &MetaObjectNode::exponent));
const KeywordTable<MetaObjectNode>& metaObjectGrammar() { return metaObjectRows; }

KeywordTable<SceneNode> makeCommonNodeRows() {
    return {
        {"Name ", [](SceneNode& node, BlockLine& line) { node.setName(quotedText(line.text)); }},
        {"Enable {",
         [](SceneNode& node, BlockLine& line) {
             node.setEnableEnvelope(envelopeField(line, "unable to load enable envelope"));
         }},
        {"Enable ",
         [](SceneNode& node, BlockLine& line) {
             if (matches(line.text, "yes"))
                 node.enable();
             else
                 node.disable();
         }},
        {"Keyframer {",
         [](SceneNode& node, BlockLine& line) {
             readKeyframer<Keyframer>(node, line, "unable to load node keyframer");
         }},
        {"KeyframerLW {",
         [](SceneNode& node, BlockLine& line) {
             readKeyframer<KeyframerLW>(node, line, "unable to load node keyframer [lw]");
         }},
        {"Pivot ", [](SceneNode& node, BlockLine& line) { node.setPivot(scanVector(line.text, node.pivot())); }},
        {"Position ",
         [](SceneNode& node, BlockLine& line) { node.setPosition(scanVector(line.text, node.position())); }},
        {"Rotation ",
         [](SceneNode& node, BlockLine& line) {
             float numbers[4] = {0.0f, 0.0f, 0.0f, 0.0f};
             scanFloats(line.text, numbers, 4);
             node.setRotation({numbers[0], numbers[1], numbers[2]}, numbers[3]);
         }},
        {"Scale ", [](SceneNode& node, BlockLine& line) { node.setScale(scanVector(line.text, node.scale())); }},
        {"RegisterSparks ",
         [](SceneNode& node, BlockLine& line) {
             std::array<float, 4> values{0.0f, 0.0f, 0.0f, 0.0f};
             scanFloats(line.text, values.data(), 4);
             loaderOf(line).registerSparks(node, values);
         }},
        child<PerPixelLightingGroup>("PerPixelLighting {", perPixelLightingGrammar),
        child<PerPixelBumpMapGroup>("PerPixelBumpMapLighting {", perPixelBumpMapGrammar),
        child<ShadowVolumeGroup>("ShadowVolume {", shadowVolumeGrammar),
        {"RegisterLensFlare", [](SceneNode& node, BlockLine& line) { loaderOf(line).registerLensFlare(node); }},
        child<EdgeMeshNode>("EdgeMesh {", edgeMeshGrammar),
        child<DeformMeshNode>("DeformMesh {", deformMeshGrammar),
        child<MeshNode>("Mesh {", meshNodeGrammar),
        child<MirrorNode>("Mirror {", mirrorGrammar),
        child<MorphNode>("Morph {", morphGrammar),
        child<OctreeNode>("Octree {", octreeGrammar),
        child<ParticlesNode>("Particles {", particlesGrammar),
        child<DefaultLightingGroup>("DefaultLighting {", defaultLightingGrammar),
        child<SceneNode>("Group {", groupGrammar),
        child<DirectionalLight>("DirectionalLight {", directionalLightGrammar),
        child<SpotLight>("SpotLight {", spotLightGrammar),
        child<PointLight>("PointLight {", pointLightGrammar),
        child<CameraNode>("Camera {", cameraGrammar),
        child<ShadowPlane>("ShadowPlane {", shadowPlaneGrammar),
        sparksChild(),
        lensFlareChild(),
        child<VolumizerNode>("Volumizer {", volumizerGrammar),
        child<CubeGridNode>("CubeGrid {", cubeGridGrammar),
        child<MetaObjectNode>("MetaObject {", metaObjectGrammar),
    };
}

// The blocks that open a scene's root.
template <typename Node>
Row<std::unique_ptr<SceneNode>> rootRow(const char* keyword, const KeywordTable<Node>& grammar) {
    return {keyword, [keyword, &grammar](std::unique_ptr<SceneNode>& root, BlockLine& line) {
                root = loaderOf(line).readNode<Node>(line, grammar, keyword);
            }};
}

const KeywordTable<std::unique_ptr<SceneNode>> rootRows = {
    rootRow("Group {", groupRows),
    rootRow("DefaultLighting {", defaultLightingRows),
    rootRow("PerPixelLighting {", perPixelLightingRows),
    rootRow("PerPixelBumpMapLighting {", perPixelBumpMapRows),
};

}  // namespace

const KeywordTable<SceneNode>& commonNodeRows() { return commonRows; }
const KeywordTable<MeshNode>& meshOptionRows() { return meshOptions; }

bool readRootNode(BlockLine& line, std::unique_ptr<SceneNode>& root) {
    const Row<std::unique_ptr<SceneNode>>* found = nullptr;
    for (const auto& row : rootRows)
        if (matches(line.text, row.keyword)) {
            found = &row;
            break;
        }
    if (!found) return false;
    found->read(root, line);
    return true;
}

}  // namespace qv3rn

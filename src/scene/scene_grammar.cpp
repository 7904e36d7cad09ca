// scene_grammar.cpp -- the node blocks of the scene script: the common rows, the child keywords and the rows of
// each node type.
#include "scene/scene_grammar.h"

#include <stdexcept>
#include <string>

#include "anim/envelope_field.h"
#include "anim/keyframer.h"
#include "anim/keyframer_lw.h"
#include "scene/camera_node.h"
#include "scene/light.h"
#include "scene/point_light.h"
#include "scene/scene_loader.h"

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
    try {
        if (auto envelope = readEnvelopeField(line, FieldClose::SkipToBrace)) return envelope;
    } catch (const std::runtime_error& raised) {
        throw std::runtime_error(std::string(error) + ": " + raised.what());
    }
    throw std::runtime_error(error);
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

// A keyword whose node type this build cannot read: the script is refused rather than shown without it.
template <typename Target>
Row<Target> notSupported(const char* keyword) {
    return {keyword, [keyword](Target&, BlockLine&) {
                throw std::runtime_error(std::string("\"") + keyword + "\" is not supported yet");
            }};
}

const KeywordTable<SceneNode>& groupGrammar();
const KeywordTable<CameraNode>& cameraGrammar();
const KeywordTable<DirectionalLight>& directionalLightGrammar();
const KeywordTable<SpotLight>& spotLightGrammar();
const KeywordTable<PointLight>& pointLightGrammar();

const KeywordTable<SceneNode>& groupGrammar() {
    static const KeywordTable<SceneNode> rows = commonNodeRows();
    return rows;
}

// A group lit by the fixed-function lights; its shadow lines need node types this build cannot read yet.
const KeywordTable<SceneNode>& defaultLightingGrammar() {
    static const KeywordTable<SceneNode> rows = joinRows<SceneNode>(
        commonNodeRows(), notSupported<SceneNode>("Shadows "), notSupported<SceneNode>("ShadowColor "),
        notSupported<SceneNode>("ShadowCaster "), notSupported<SceneNode>("ShadowImage "));
    return rows;
}

const KeywordTable<CameraNode>& cameraGrammar() {
    static const KeywordTable<CameraNode> rows = joinRows<CameraNode>(
        commonNodeRows(),
        Row<CameraNode>{"FovAmount {",
                        [](CameraNode& node, BlockLine& line) {
                            node.setFovEnvelope(envelopeField(line, "unable to load FOV amount envelope"));
                        }},
        Row<CameraNode>{"FOV ", [](CameraNode& node, BlockLine& line) { scanFloat(line.text, node.camera().fov); }},
        Row<CameraNode>{"ClipPlanes ",
                        [](CameraNode& node, BlockLine& line) {
                            FloatSlots slots;
                            slots.add(node.camera().zNear);
                            slots.add(node.camera().zFar);
                            scanFloats(line.text, slots);
                        }},
        flag("Active ", &CameraNode::active));
    return rows;
}

// The colour lines of both fixed-function lights, before each type's own.
const KeywordTable<Light>& lightRows() {
    static const KeywordTable<Light> rows = {
        floats("Ambient ", &Light::ambient),
        floats("Diffuse ", &Light::diffuse),
        floats("Specular ", &Light::specular),
        floats("Attenuation ", &Light::attenuation),
    };
    return rows;
}

// "Direction " gives the vector the light comes from; the light shines the other way.
template <typename L>
Row<L> direction() {
    return {"Direction ", [](L& light, BlockLine& line) { light.direction = (-scanVector(line.text)).normalized(); }};
}

const KeywordTable<DirectionalLight>& directionalLightGrammar() {
    static const KeywordTable<DirectionalLight> rows =
        joinRows<DirectionalLight>(commonNodeRows(), lightRows(), direction<DirectionalLight>());
    return rows;
}

const KeywordTable<SpotLight>& spotLightGrammar() {
    static const KeywordTable<SpotLight> rows = joinRows<SpotLight>(
        commonNodeRows(), lightRows(), direction<SpotLight>(), floats("Exponent ", &SpotLight::exponent),
        floats("Cutoff ", &SpotLight::cutoff), Row<SpotLight>{"Length ", [](SpotLight& light, BlockLine& line) {
                                                                 float length = light.length;
                                                                 scanFloat(line.text, length);
                                                                 light.setLength(length);
                                                             }});
    return rows;
}

const KeywordTable<PointLight>& pointLightGrammar() {
    static const KeywordTable<PointLight> rows = joinRows<PointLight>(
        commonNodeRows(),
        Row<PointLight>{"Radius ",
                        [](PointLight& light, BlockLine& line) { light.setRadius(scanVector(line.text, light.radius)); }},
        floats("Size ", &PointLight::size), floats("Color ", &PointLight::color),
        Row<PointLight>{"Shader ", [](PointLight& light, BlockLine& line) {
                            const std::string name = quotedText(line.text);
                            ShaderManager* manager = ShaderManager::instance();
                            ShaderHandle shader = manager ? manager->find(name) : ShaderHandle{};
                            if (!shader) throw std::runtime_error("unable to find shader: " + name);
                            light.setShader(std::move(shader));
                        }});
    return rows;
}

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
        notSupported<SceneNode>("PerPixelLighting {"),
        notSupported<SceneNode>("PerPixelBumpMapLighting {"),
        notSupported<SceneNode>("ShadowVolume {"),
        {"RegisterLensFlare", [](SceneNode& node, BlockLine& line) { loaderOf(line).registerLensFlare(node); }},
        notSupported<SceneNode>("EdgeMesh {"),
        notSupported<SceneNode>("DeformMesh {"),
        notSupported<SceneNode>("Mesh {"),
        notSupported<SceneNode>("Mirror {"),
        notSupported<SceneNode>("Morph {"),
        notSupported<SceneNode>("Octree {"),
        notSupported<SceneNode>("Particles {"),
        child<SceneNode>("Group {", groupGrammar),
        child<DirectionalLight>("DirectionalLight {", directionalLightGrammar),
        child<SpotLight>("SpotLight {", spotLightGrammar),
        child<PointLight>("PointLight {", pointLightGrammar),
        child<CameraNode>("Camera {", cameraGrammar),
        notSupported<SceneNode>("ShadowPlane {"),
        notSupported<SceneNode>("Sparks {"),
        notSupported<SceneNode>("LensFlare {"),
        notSupported<SceneNode>("Volumizer {"),
        notSupported<SceneNode>("CubeGrid {"),
        notSupported<SceneNode>("MetaObject {"),
    };
}

}  // namespace

const KeywordTable<SceneNode>& commonNodeRows() {
    static const KeywordTable<SceneNode> rows = makeCommonNodeRows();
    return rows;
}

bool readRootNode(BlockLine& line, std::unique_ptr<SceneNode>& root) {
    struct RootKind {
        const char* keyword;
        const KeywordTable<SceneNode>& (*grammar)();
    };
    static constexpr RootKind kinds[] = {
        {"Group {", groupGrammar},
        {"DefaultLighting {", defaultLightingGrammar},
        {"PerPixelLighting {", nullptr},
        {"PerPixelBumpMapLighting {", nullptr},
    };
    for (const RootKind& kind : kinds) {
        if (!matches(line.text, kind.keyword)) continue;
        if (!kind.grammar) throw std::runtime_error(std::string("\"") + kind.keyword + "\" is not supported yet");
        root = loaderOf(line).readNode<SceneNode>(line, kind.grammar(), kind.keyword);
        return true;
    }
    return false;
}

}  // namespace qv3rn

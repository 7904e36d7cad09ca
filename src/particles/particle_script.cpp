// particle_script.cpp -- the keyword tables of the particle-system block and the blocks inside it.
#include "particles/particle_script.h"

#include <limits>
#include <stdexcept>

#include "anim/envelope_field.h"
#include "core/log.h"
#include "data/line_counting_buffer.h"
#include "data/script_error.h"
#include "mesh/mesh_manager.h"
#include "mesh/shader_lookup.h"

namespace qv3rn {

// Vector settings take their three numbers as x, y and z.
static void addFloatSlots(FloatSlots& slots, Vec3& v) {
    slots.add(v.x);
    slots.add(v.y);
    slots.add(v.z);
}

namespace {

// What the system block gathers before the system is initialised.
struct SystemBlock {
    std::unique_ptr<ParticleSystem> system = std::make_unique<ParticleSystem>();
    std::int32_t maxParticles = 0;
    float spawnRate = 0.0f;
    std::unique_ptr<ParticleGenerator> generator;
    std::unique_ptr<ParticleRenderer> renderer;
};

struct RendererBlock {
    std::string type;
    std::string shader;
    std::string mesh;
};

// A direction read from the script is made unit length (a zero vector stays zero).
template <typename Target>
Row<Target> unitVector(const char* keyword, Vec3 Target::*member) {
    return {keyword, [member](Target& target, BlockLine& line) {
                Vec3 value = target.*member;
                FloatSlots slots;
                addFloatSlots(slots, value);
                scanFloats(line.text, slots);
                target.*member = value.normalized();
            }};
}

// ---- Generators: the shared settings first, then each kind's own, longer keywords before those they hold.

const KeywordTable<GeneratorSettings> sharedGeneratorRows = {
    {"Flags ",
     [](GeneratorSettings& s, BlockLine& line) {
         if (matches(line.text, "Respawn")) s.respawn = true;
     }},
    floats("Lifespan ", &GeneratorSettings::lifespan),
    floats("MassVariance ", &GeneratorSettings::massVariance),
    floats("Mass ", &GeneratorSettings::mass),
    floats("ParticleSizeVariance ", &GeneratorSettings::particleSizeVariance),
    floats("ParticleSize ", &GeneratorSettings::particleSize),
    floats("ParticleColor ", &GeneratorSettings::particleColor),
};

using GS = GeneratorSettings;
const KeywordTable<GS> bubbleRows =
    joinRows<GS>(sharedGeneratorRows, floats("MaxDistance ", &GS::maxDistance),
                 floats("WindDistortFactor ", &GS::windDistortFactor), floats("WindDirection ", &GS::windDirection),
                 floats("Center ", &GS::center));
// Fire and smoke read the same lines.
const KeywordTable<GS> flameRows =
    joinRows<GS>(sharedGeneratorRows, floats("ScaleSpeed ", &GS::scaleSpeed), floats("EnergySpeed ", &GS::energySpeed),
                 floats("WindDistortFactor ", &GS::windDistortFactor), floats("WindDirection ", &GS::windDirection),
                 floats("Center ", &GS::center));
const KeywordTable<GS> rainRows =
    joinRows<GS>(sharedGeneratorRows, floats("Radius ", &GS::radius), floats("Top ", &GS::top),
                 floats("Bottom ", &GS::bottom), floats("Speed ", &GS::speed),
                 floats("WindDistortFactor ", &GS::windDistortFactor), floats("WindDirection ", &GS::windDirection));
const KeywordTable<GS> sphereRows =
    joinRows<GS>(sharedGeneratorRows, floats("ScaleSpeed ", &GS::scaleSpeed), floats("EnergySpeed ", &GS::energySpeed),
                 floats("Radius ", &GS::radius), floats("SpeedFactor ", &GS::speedFactor), floats("Speed ", &GS::speed),
                 floats("Center ", &GS::center));

const KeywordTable<GS>& generatorRows(GeneratorKind kind) {
    switch (kind) {
    case GeneratorKind::Bubble: return bubbleRows;
    case GeneratorKind::Rain: return rainRows;
    case GeneratorKind::Sphere: return sphereRows;
    case GeneratorKind::Fire:
    case GeneratorKind::Smoke: break;
    }
    return flameRows;
}

// Lines up to the one holding "Type" are passed over; its quoted name picks the kind, whose own rows read the
// rest of the block over the kind's defaults. A block that ends first makes no generator.
void readGenerator(SystemBlock& block, BlockLine& line) {
    std::string typeLine;
    for (;;) {
        const std::string text = line.readLine();
        if (text.empty()) {
            if (!line.stream.good()) return;
            continue;
        }
        if (matches(text, "Type")) {
            typeLine = text;
            break;
        }
        if (matches(text, "}")) return;
    }
    const std::string name = quotedText(typeLine);
    const std::optional<GeneratorKind> kind = generatorKindNamed(name);
    if (!kind)
        throw std::runtime_error("unknown particle generator type \"" + name +
                                 "\" (Bubble, Fire, Rain, Smoke or Sphere)");
    GeneratorSettings settings = defaultGeneratorSettings(*kind, runtimeRandom());
    readKeywordBlock(line.parser, line.stream, settings, generatorRows(*kind), UnknownLine::skip());
    block.generator = makeParticleGenerator(*kind, settings, runtimeRandom());
}

// ---- Renderer.

const KeywordTable<RendererBlock> rendererRows = {
    quoted("Type", &RendererBlock::type),
    quoted("Shader", &RendererBlock::shader),
    quoted("Mesh", &RendererBlock::mesh),
};

// The kind is made once the block is read; a shader or mesh the block names must exist.
void readRenderer(SystemBlock& block, BlockLine& line) {
    RendererBlock read;
    readKeywordBlock(line.parser, line.stream, read, rendererRows, UnknownLine::skip());
    const std::optional<RendererKind> kind = rendererKindNamed(read.type);
    if (!kind)
        throw std::runtime_error("unknown particle renderer type \"" + read.type +
                                 "\" (Points, Lines, Quads, StretchQuads or Meshes)");
    Mesh* mesh = nullptr;
    if (*kind == RendererKind::Meshes) {
        mesh = read.mesh.empty() ? nullptr : findOrLoadMesh(read.mesh, MeshType::Static);
        if (!mesh) throw std::runtime_error("unable to load mesh: " + read.mesh);
    }
    ShaderHandle shader;
    if (!read.shader.empty()) {
        shader = lookUpShader(read.shader, MissingShaders::Leave);
        if (!shader) throw std::runtime_error("unable to find shader: " + read.shader);
    }
    block.renderer = makeParticleRenderer(*kind, std::move(shader), mesh);
}

// ---- Modifiers.

const KeywordTable<RadialForce> radialForceRows = {
    floats("Center ", &RadialForce::center),
    floats("Radius ", &RadialForce::radius),
    floats("Strength ", &RadialForce::strength),
};
const KeywordTable<DirectionalForce> forceRows = {
    unitVector("Direction ", &DirectionalForce::direction),
    floats("Strength ", &DirectionalForce::strength),
};
const KeywordTable<ReflectionPlane> reflectionPlaneRows = {
    floats("Position ", &ReflectionPlane::position),
    unitVector("Normal ", &ReflectionPlane::normal),
    floats("Bounciness ", &ReflectionPlane::bounciness),
};
const KeywordTable<ReflectionSphere> reflectionSphereRows = {
    floats("Position ", &ReflectionSphere::position),
    floats("Radius ", &ReflectionSphere::radius),
    floats("Bounciness ", &ReflectionSphere::bounciness),
};

// A modifier block read up to its "}" and appended to the system.
template <typename Modifier>
Row<SystemBlock> modifierBlock(const char* keyword, const KeywordTable<Modifier>& rows) {
    return {keyword, [&rows](SystemBlock& block, BlockLine& line) {
                auto modifier = std::make_unique<Modifier>();
                readKeywordBlock(line.parser, line.stream, *modifier, rows, UnknownLine::skip());
                block.system->addModifier(std::move(modifier));
            }};
}

// ---- The system block.

const KeywordTable<SystemBlock> systemRows = {
    ignored<SystemBlock>("Info"),
    {"Name ", [](SystemBlock& block, BlockLine& line) { block.system->setName(quotedText(line.text)); }},
    // A count below 1 makes no system (said when the block ends); one above the ceiling is refused.
    integerIn("Max ", &SystemBlock::maxParticles, std::numeric_limits<std::int32_t>::min(),
              ParticleSystem::maxParticleCeiling,
              "particle count above the most allowed, " + std::to_string(ParticleSystem::maxParticleCeiling) + ": "),
    {"SpawnRate {",
     [](SystemBlock& block, BlockLine& line) {
         block.system->setSpawnRateEnvelope(
             readEnvelopeField(line, FieldClose::SkipToBrace, "unable to load spawn rate envelope"));
     }},
    floats("SpawnRate ", &SystemBlock::spawnRate),
    {"Generator {", readGenerator},
    {"Renderer {", readRenderer},
    modifierBlock("RadialForce {", radialForceRows),
    modifierBlock("Force {", forceRows),
    {"ForceToVelocity",
     [](SystemBlock& block, BlockLine&) { block.system->addModifier(std::make_unique<ForceToVelocity>()); }},
    modifierBlock("ReflectionPlane {", reflectionPlaneRows),
    modifierBlock("ReflectionSphere {", reflectionSphereRows),
    closing<SystemBlock>(),
};

}  // namespace

std::unique_ptr<ParticleSystem> readParticleSystem(BlockLine& line) {
    SystemBlock block;
    readKeywordBlock(line.parser, line.stream, block, systemRows, UnknownLine::skip());
    const char* missing = block.maxParticles < 1 ? "its Max is below 1"
                          : !block.generator     ? "it has no generator"
                          : !block.renderer      ? "it has no renderer"
                                                 : nullptr;
    if (missing) {
        logger().writeLine("Particle system \"" + block.system->name() + "\" has no particles: " + missing);
        return std::move(block.system);
    }
    block.system->initialize(block.maxParticles, block.spawnRate, std::move(block.generator),
                             std::move(block.renderer));
    return std::move(block.system);
}

std::unique_ptr<ParticleSystem> parseParticleSystem(std::istream& source, const std::string& fileName) {
    std::unique_ptr<ParticleSystem> system;
    const LineCountingBuffer* counter = nullptr;
    ScriptParser parser;
    parseCountingLines(source, fileName, counter, [&](std::istream& stream) {
        for (;;) {
            const std::string text = parser.readLine(stream);
            if (text.empty()) {
                if (!stream.good()) return false;
                continue;
            }
            if (!matches(text, "ParticleSystem {")) continue;
            BlockLine line(text, parser, stream);
            system = readParticleSystem(line);
            return true;
        }
    });
    return system;
}

}  // namespace qv3rn

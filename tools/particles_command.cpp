// particles_command.cpp -- "qv3rn-tool particles": reads the first particle-system block of a file and steps it
// at 60 frames a second, printing at each chosen time how many particles live, their bounding box and where the
// first of them are, so that a system can be tuned without playing the show.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "command_arguments.h"
#include "data/script_error.h"
#include "math/random.h"
#include "mesh/mesh_manager.h"
#include "particles/particle_script.h"
#include "shader/shader_manager.h"
#include "content_folder.h"
#include "tool_command.h"

namespace qv3rn::tool {

namespace {

namespace fs = std::filesystem;

constexpr const char* usageText = "particles <file> [--data DIR] [--time T ...] [--show N]";
constexpr float frameStep = 1.0f / 60.0f;

struct ParticleArguments {
    std::string file;
    std::string data;
    std::vector<float> times;
    int show = 5;  // particles listed at each time
};

bool parseArguments(const std::vector<std::string>& args, ParticleArguments& parsed, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool takesValue = arg == "--time" || arg == "--data" || arg == "--show";
        if (takesValue && i + 1 >= args.size()) {
            error = arg + " needs a value";
            return false;
        }
        if (arg == "--time" || arg == "--show") {
            // An hour of stepping at most (the show runs minutes), and no more particles than a pool holds.
            const double maxValue = arg == "--time" ? 3600.0 : ParticleSystem::maxParticleCeiling;
            const std::string& text = args[++i];
            double value = 0.0;
            if (!parseNumber(text, value) || value < 0.0 || value > maxValue) {
                error = arg + " wants a number from 0 to " + std::to_string(static_cast<int>(maxValue)) + ", not \"" + text + "\"";
                return false;
            }
            if (arg == "--time")
                parsed.times.push_back(static_cast<float>(value));
            else
                parsed.show = static_cast<int>(value);
        } else if (arg == "--data") {
            parsed.data = args[++i];
        } else if (!takeOperand(arg, parsed.file, "file", error)) {
            return false;
        }
    }
    if (parsed.file.empty()) error = "no file given";
    if (parsed.times.empty()) parsed.times.push_back(0.0f);
    return error.empty();
}

void printVector(const char* label, const Vec3& v) {
    std::printf(" %s %.6g %.6g %.6g", label, static_cast<double>(v.x), static_cast<double>(v.y),
                static_cast<double>(v.z));
}

void printSystem(const ParticleSystem& system) {
    std::printf("system \"%s\"", system.name().c_str());
    if (const ParticleGenerator* generator = system.generator())
        std::printf(" generator %s%s", generatorKindName(generator->kind()),
                    generator->respawns() ? " (respawns)" : "");
    if (const ParticleRenderer* renderer = system.renderer())
        std::printf(" renderer %s", rendererKindName(renderer->kind()));
    std::printf(" modifiers %zu particles %zu room %zu\n", system.modifiers().size(), system.particles().size(),
                system.capacity());
}

void printState(const ParticleSystem& system, float time, int show) {
    std::printf("time %.6g live %d", static_cast<double>(time), system.liveCount());
    if (!system.particles().empty()) {
        printVector("box", system.bounds().min);
        printVector("to", system.bounds().max);
    }
    std::printf("\n");
    const auto& particles = system.particles();
    for (std::size_t i = 0; i < particles.size() && i < static_cast<std::size_t>(show); ++i) {
        const Particle& p = particles[i];
        std::printf("  %zu", i);
        printVector("at", p.position);
        std::printf(" life %.6g energy %.6g size %.6g\n", static_cast<double>(p.life), static_cast<double>(p.energy),
                    static_cast<double>(p.size));
    }
}

int runParticles(const std::vector<std::string>& args) {
    ParticleArguments parsed;
    std::string error;
    if (!parseArguments(args, parsed, error)) return usageError("particles", error);

    std::ifstream file(parsed.file, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "qv3rn-tool particles: %s: cannot be read\n", parsed.file.c_str());
        return 1;
    }
    const fs::path previous = fs::current_path();
    ShaderManager shaders;
    MeshManager meshes;
    registerStandardMeshFormats(meshes);
    if (!parsed.data.empty() && !enterContentFolder(parsed.data, meshes)) {
        std::fprintf(stderr, "qv3rn-tool particles: %s: no such content folder\n", parsed.data.c_str());
        return 1;
    }
    // The same draws on every run, so that two runs of one file can be compared.
    runtimeRandom().seed(1);
    int status = 0;
    try {
        if (!parsed.data.empty()) loadContentShaders(shaders);
        std::unique_ptr<ParticleSystem> system = parseParticleSystem(file, parsed.file);
        if (!system) {
            std::fprintf(stderr, "qv3rn-tool particles: %s: no \"ParticleSystem {\" block\n", parsed.file.c_str());
            status = 1;
        } else {
            printSystem(*system);
            float elapsed = 0.0f;
            for (float time : parsed.times) {
                if (time < elapsed) std::printf("(time %.6g is before the last one; the system goes on)\n",
                                                static_cast<double>(time));
                while (elapsed < time) {
                    const float step = std::min(frameStep, time - elapsed);
                    system->update(step);
                    elapsed += step;
                }
                printState(*system, time, parsed.show);
            }
        }
    } catch (const ScriptError& raised) {
        std::fprintf(stderr, "%s\n", raised.located().c_str());
        status = 1;
    } catch (const std::runtime_error& raised) {
        std::fprintf(stderr, "%s: %s\n", parsed.file.c_str(), raised.what());
        status = 1;
    }
    meshes.clear();
    shaders.clear();
    std::error_code ignored;
    fs::current_path(previous, ignored);
    return status;
}

const ToolCommand particlesCommand{"particles", usageText, runParticles};

}  // namespace
}  // namespace qv3rn::tool

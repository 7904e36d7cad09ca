// particle_system.cpp -- fuzzes the particle-system block reader: the text's first "ParticleSystem {" block is
// read into a system, which is then stepped through frames of several lengths, up to absurd ones. The pool must
// keep its size and room, and the accumulator stay within what one update can spend. The mesh cache holds
// "dot.msh" for the meshes renderer.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "data/memory_stream.h"
#include "math/random.h"
#include "mesh/mesh_manager.h"
#include "mesh/mesh_shapes.h"
#include "particles/particle_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv3rn;
    MeshManager meshes;
    qv3rn::ShapeParameters box;
    MeshBuilder builder;
    if (!buildShape("box", box, Handle<Shader>(), builder)) std::abort();
    auto mesh = builder.build();
    mesh->setName("dot.msh");
    meshes.adopt(std::move(mesh));
    runtimeRandom().seed(1);
    std::unique_ptr<ParticleSystem> system;
    try {
        MemoryStream stream(data, size);
        system = parseParticleSystem(stream, "fuzz.psys");
    } catch (const std::runtime_error&) {
        // Script errors are part of the format.
    }
    if (!system) return 0;
    const std::size_t count = system->particles().size();
    const std::size_t room = system->capacity();
    if (count > static_cast<std::size_t>(ParticleSystem::maxParticleCeiling) || (count && room < 2 * count))
        std::abort();
    for (const float dt : {0.0f, 1.0f / 60.0f, 0.5f, 10.0f, 1e30f}) {
        system->update(dt);
        if (system->particles().size() != count || system->capacity() != room) std::abort();
        const float accumulator = system->spawnAccumulator();
        if (!(accumulator >= 0.0f && accumulator <= 2.0f * static_cast<float>(count))) std::abort();
    }
    return 0;
}

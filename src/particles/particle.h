// particle.h -- one particle of a system's pool, with the values a fresh record starts from.
#pragma once

#include <array>
#include <cstdint>

#include "math/vec3.h"

namespace qv3rn {

struct Particle {
    std::uint8_t active = 1;   // eligible for the second spawn pass of an update
    std::uint8_t respawn = 0;  // the generator's respawn setting when the particle was last spawned
    float energy = 0.0f;       // below 0 ends every kind's particle but the bubble's; also the alpha
    float mass = 1.0f;
    float inverseMass = 1.0f;
    float size = 1.0f;  // half extent of a quad
    float life = 0.0f;  // seconds left: alive while above 0
    float lifespan = 0.0f;
    Vec3 position;
    Vec3 previousPosition;  // before the last move: lines and stretched quads start here
    Vec3 velocity;
    Vec3 force;  // gathered by the force modifiers, cleared by the generator's update
    std::array<float, 4> color{1.0f, 1.0f, 1.0f, 1.0f};

    bool alive() const { return life > 0.0f; }
};

}  // namespace qv3rn

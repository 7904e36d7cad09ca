// particle_modifier.h -- what pushes a system's particles around or bounces them: radial and directional
// forces, the step from force to velocity, and reflecting planes and spheres.
#pragma once

#include "math/vec3.h"
#include "particles/particle.h"

namespace qv3rn {

class ParticleModifier {
public:
    virtual ~ParticleModifier() = default;
    virtual void apply(Particle& particle, float dt) = 0;
};

// Pushes particles within `radius` of the centre away from it (towards it for a negative strength), by strength
// over the squared distance.
class RadialForce final : public ParticleModifier {
public:
    void apply(Particle& particle, float dt) override;
    Vec3 center;
    float radius = 0.0f;
    float strength = 0.0f;
};

class DirectionalForce final : public ParticleModifier {
public:
    void apply(Particle& particle, float dt) override;
    Vec3 direction;  // unit length (or zero)
    float strength = 0.0f;
};

// velocity += force / mass * dt.
class ForceToVelocity final : public ParticleModifier {
public:
    void apply(Particle& particle, float dt) override;
};

// A particle behind the plane loses the velocity along the normal times the bounciness, is moved back towards
// the plane by its depth times the bounciness, and pays dt / bounciness of energy (a bounciness of 0 moves
// nothing and costs nothing).
class ReflectionPlane final : public ParticleModifier {
public:
    void apply(Particle& particle, float dt) override;
    Vec3 position;
    Vec3 normal{0.0f, 1.0f, 0.0f};  // unit length
    float bounciness = 1.0f;
};

// A particle inside the sphere loses the velocity along the outward direction times the bounciness and is
// pushed out along it by the difference of the squared radius and squared distance, times the bounciness.
class ReflectionSphere final : public ParticleModifier {
public:
    void apply(Particle& particle, float dt) override;
    Vec3 position;
    float radius = 1.0f;
    float bounciness = 1.0f;
};

}  // namespace qv3rn

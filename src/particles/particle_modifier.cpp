// particle_modifier.cpp -- the arithmetic of the five particle modifiers.
#include "particles/particle_modifier.h"

namespace qv3rn {

void RadialForce::apply(Particle& p, float) {
    const Vec3 d = p.position - center;
    const float squared = dot(d, d);
    if (squared > 0.0f && squared < radius * radius) p.force += d * (strength / squared);
}

void DirectionalForce::apply(Particle& p, float dt) { p.force += direction * strength * dt; }

void ForceToVelocity::apply(Particle& p, float dt) { p.velocity += p.force * p.inverseMass * dt; }

void ReflectionPlane::apply(Particle& p, float dt) {
    const float distance = dot(p.position - position, normal);
    if (distance >= 0.0f) return;
    p.velocity -= normal * (dot(p.velocity, normal) * bounciness);
    p.position -= normal * (distance * bounciness);
    if (bounciness != 0.0f) p.energy -= dt / bounciness;
}

void ReflectionSphere::apply(Particle& p, float) {
    const Vec3 d = p.position - position;
    const float q = radius * radius - dot(d, d);
    if (q <= 0.0f) return;
    const Vec3 n = d.normalized();
    p.velocity -= n * (dot(n, p.velocity) * bounciness);
    p.position += n * (q * bounciness);
}

}  // namespace qv3rn

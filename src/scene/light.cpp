// light.cpp -- the light slots and the fixed-function directional and spot lights.
#include "scene/light.h"

#include <algorithm>

#include "core/log.h"
#include "math/bounding_box.h"

namespace qv3rn {

int LightSlots::count_ = -1;
std::uint32_t LightSlots::used_ = 0;

int LightSlots::count() {
    if (count_ < 0) {
        GLint lights = 0;
        glGetIntegerv(GL_MAX_LIGHTS, &lights);
        logger().printf("GL_MAX_LIGHTS: %d", static_cast<int>(lights));
        count_ = std::clamp(static_cast<int>(lights), 0, maxSlots);
    }
    return count_;
}

GLenum LightSlots::acquire() {
    const int lights = count();
    for (int i = 0; i < lights; ++i) {
        const std::uint32_t bit = 1u << i;
        if (used_ & bit) continue;
        used_ |= bit;
        return static_cast<GLenum>(GL_LIGHT0 + i);
    }
    logger().writeLine("ERROR! Unable to aquire light. To many lights in scene.");
    return 0;
}

void LightSlots::release(GLenum light) {
    const int index = static_cast<int>(light) - GL_LIGHT0;
    if (index >= 0 && index < maxSlots) used_ &= ~(1u << index);
}

void LightSlots::reset() {
    count_ = -1;
    used_ = 0;
}

int LightSlots::inUse() {
    int lights = 0;
    for (std::uint32_t bits = used_; bits; bits &= bits - 1) ++lights;
    return lights;
}

Light::Light(NodeType type) : SceneNode(type) { LightSlots::count(); }

Light::~Light() {
    // lightOff would call the derived classes' overrides no more; the base part is what gives the slot back.
    Light::lightOff();
}

Light* Light::of(SceneNode& node) {
    const NodeType type = node.type();
    return type == NodeType::DirectionalLight || type == NodeType::SpotLight ? static_cast<Light*>(&node) : nullptr;
}

void Light::lightOn() {
    if (!isEnabled()) return;
    if (!slot_) slot_ = LightSlots::acquire();
    if (!slot_) {
        disable();
        return;
    }
    glEnable(slot_);
    glLightfv(slot_, GL_AMBIENT, ambient.data());
    glLightfv(slot_, GL_DIFFUSE, diffuse.data());
    glLightfv(slot_, GL_SPECULAR, specular.data());
    glLightf(slot_, GL_CONSTANT_ATTENUATION, attenuation[0]);
    glLightf(slot_, GL_LINEAR_ATTENUATION, attenuation[1]);
    glLightf(slot_, GL_QUADRATIC_ATTENUATION, attenuation[2]);
    loadGeometry();
}

void Light::lightOff() {
    if (!slot_) return;
    static constexpr float position[4] = {0.0f, 0.0f, 1.0f, 0.0f};
    static constexpr float spotDirection[3] = {0.0f, 0.0f, -1.0f};
    static constexpr float ambientDefault[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    static constexpr float diffuseDefault[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    static constexpr float specularDefault[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glLightfv(slot_, GL_POSITION, position);
    glLightfv(slot_, GL_SPOT_DIRECTION, spotDirection);
    glLightf(slot_, GL_SPOT_EXPONENT, 0.0f);
    glLightf(slot_, GL_SPOT_CUTOFF, 180.0f);
    glLightfv(slot_, GL_AMBIENT, ambientDefault);
    glLightfv(slot_, GL_DIFFUSE, diffuseDefault);
    glLightfv(slot_, GL_SPECULAR, specularDefault);
    glLightf(slot_, GL_CONSTANT_ATTENUATION, 1.0f);
    glLightf(slot_, GL_LINEAR_ATTENUATION, 0.0f);
    glLightf(slot_, GL_QUADRATIC_ATTENUATION, 0.0f);
    glDisable(slot_);
    LightSlots::release(slot_);
    slot_ = 0;
}

void DirectionalLight::updateSelf(float) {
    // The rotation of the previous frame's world step: this runs before the node's own world step.
    direction = keyframer() ? (-worldRotation().transformVectorByRows({0.0f, 0.0f, 1.0f})).normalized()
                            : Vec3{0.0f, 0.0f, -1.0f};
}

void DirectionalLight::loadGeometry() {
    const float position[4] = {direction.x, direction.y, direction.z, 0.0f};
    glLightfv(slot(), GL_POSITION, position);
}

void SpotLight::updateSelf(float) {
    lightPosition = worldPosition();
    direction = (-worldRotation().transformVectorByRows({0.0f, 0.0f, -1.0f})).normalized();
}

void SpotLight::setLength(float value) {
    length = value;
    BoundingBox cube = BoundingBox::around({-value, -value, -value});
    cube.extend({value, value, value});
    const Sphere sphere = Sphere::aroundBox(cube);
    setBoundingSphere(sphere.center, sphere.radius);
}

void SpotLight::loadGeometry() {
    const float position[4] = {lightPosition.x, lightPosition.y, lightPosition.z, 1.0f};
    const float spotDirection[4] = {direction.x, direction.y, direction.z, 0.0f};
    glLightfv(slot(), GL_POSITION, position);
    glLightfv(slot(), GL_SPOT_DIRECTION, spotDirection);
    glLightf(slot(), GL_SPOT_EXPONENT, exponent);
    glLightf(slot(), GL_SPOT_CUTOFF, cutoff);
}

}  // namespace qv3rn

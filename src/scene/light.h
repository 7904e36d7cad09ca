// light.h -- scene lights on the fixed-function OpenGL lights: the process's light slots, directional and spot
// lights.
#pragma once

#include <GL/gl.h>

#include <array>

#include "scene/scene_node.h"

namespace qv3rn {

// The OpenGL lights the whole program shares: how many the driver has (asked once, at most 32) and which are in
// use. A light takes a slot when it is switched on and gives it back when it is switched off.
class LightSlots {
public:
    static constexpr int maxSlots = 32;
    // Queries GL_MAX_LIGHTS and logs it the first time; later calls give the stored number.
    static int count();
    // GL_LIGHT0 + the first free slot, marked used; 0 (logged) when every slot is taken.
    static GLenum acquire();
    static void release(GLenum light);
    static int inUse();
    // Forgets the driver's count and every held slot, for a fresh drawing context: the next count() asks the
    // driver (and logs) again.
    static void reset();

private:
    static int count_;
    static std::uint32_t used_;
};

// The common part of directional and spot lights: colours, attenuation and the slot held while switched on.
class Light : public SceneNode {
public:
    ~Light() override;  // gives a held slot back as lightOff does

    // For an enabled light: takes a slot if it holds none (a light that gets none is disabled), switches the
    // OpenGL light on and loads it, in the modelview space current at the call.
    virtual void lightOn();
    // Resets the OpenGL light to its defaults, switches it off and gives the slot back.
    virtual void lightOff();

    // The light behind a node of type 7 or 8, or null.
    static Light* of(SceneNode& node);

    GLenum slot() const { return slot_; }

    std::array<float, 4> ambient{0.0f, 0.0f, 0.0f, 1.0f};
    std::array<float, 4> diffuse{0.8f, 0.8f, 0.8f, 1.0f};
    std::array<float, 4> specular{1.0f, 1.0f, 1.0f, 1.0f};
    std::array<float, 3> attenuation{1.0f, 0.0f, 0.0f};  // constant, linear, quadratic

protected:
    explicit Light(NodeType type);
    // The type's geometry into its slot.
    virtual void loadGeometry() = 0;

private:
    GLenum slot_ = 0;
};

// Shines along its direction from infinitely far away.
class DirectionalLight : public Light {
public:
    DirectionalLight() : Light(NodeType::DirectionalLight) {}
    // Without a keyframer the light shines along -Z of the scene; with one, along the negated turned Z axis.
    void updateSelf(float time) override;

    Vec3 direction{0.0f, 0.0f, 1.0f};

protected:
    void loadGeometry() override;
};

// A cone of light from the node's world position.
class SpotLight : public Light {
public:
    SpotLight() : Light(NodeType::SpotLight) {}
    void updateSelf(float time) override;
    // The bounding sphere around the cube from (-length, -length, -length) to (length, length, length).
    void setLength(float length);

    Vec3 lightPosition;
    Vec3 direction{0.0f, 0.0f, -1.0f};
    float exponent = 0.0f;
    float cutoff = 180.0f;
    float length = 10.0f;

protected:
    void loadGeometry() override;
};

}  // namespace qv3rn

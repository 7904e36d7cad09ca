// point_light.cpp -- drawing the point-light sprite.
#include "scene/point_light.h"

#include <GL/gl.h>

#include "mesh/facing_quad.h"
#include "shader/shader.h"

namespace qv3rn {

PointLight::PointLight() : SceneNode(NodeType::PointLight) {}

PointLight::~PointLight() { setShader({}); }

void PointLight::setShader(ShaderHandle shader) {
    releaseShader(shader_);
    shader_ = std::move(shader);
}

void PointLight::setRadius(const Vec3& value) {
    radius = value;
    setPosition({});
    setPivot({});
    setBoundingSphere({}, value.length());
}

void PointLight::draw() {
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_LIGHTING);
    const CameraAxes camera = cameraAxesOfModelview();
    if (shader_) shader_->begin();
    glColor4f(color[0], color[1], color[2], color[3]);
    glBegin(GL_QUADS);
    // The size scales the quad twice over: its half side is size squared.
    emitFacingQuad(camera, {}, {}, size * size);
    glEnd();
    if (shader_) shader_->end();
    glPopAttrib();
}

}  // namespace qv3rn

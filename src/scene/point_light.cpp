// point_light.cpp -- drawing the point-light sprite.
#include "scene/point_light.h"

#include <GL/gl.h>

#include "shader/shader.h"

namespace qv3rn {

PointLight::PointLight() : SceneNode(NodeType::PointLight) {}

PointLight::~PointLight() { setShader({}); }

void PointLight::setShader(ShaderHandle shader) {
    if (shader_) {
        if (ShaderManager* manager = ShaderManager::instance())
            manager->release(shader_);
        else
            shader_.reset();
    }
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
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const Vec3 right = Vec3{m[0], m[4], m[8]} * size;
    const Vec3 up = Vec3{m[1], m[5], m[9]} * size;
    const Vec3 corners[4] = {(right + up) * size, (up - right) * size, -(right + up) * size, (right - up) * size};
    static constexpr float texCoords[4][2] = {{1.0f, 0.0f}, {0.0f, 0.0f}, {0.0f, 1.0f}, {1.0f, 1.0f}};
    if (shader_) shader_->begin();
    glColor4f(color[0], color[1], color[2], color[3]);
    glBegin(GL_QUADS);
    for (int i = 0; i < 4; ++i) {
        glTexCoord2fv(texCoords[i]);
        glVertex3f(corners[i].x, corners[i].y, corners[i].z);
    }
    glEnd();
    if (shader_) shader_->end();
    glPopAttrib();
}

}  // namespace qv3rn

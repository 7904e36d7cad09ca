// point_light.h -- the point-light sprite: a coloured, textured quad that always faces the viewer.
#pragma once

#include <array>

#include "scene/scene_node.h"
#include "shader/shader_manager.h"  // Required for: ShaderHandle

namespace qv3rn {

// Not an OpenGL light: the glow of one, drawn through its shader with lighting off.
class PointLight : public SceneNode {
public:
    PointLight();
    ~PointLight() override;  // gives the shader back

    // The quad spanned by the viewer's right and up axes (from the modelview matrix), each scaled by the size,
    // with its corners at (+-right +- up) times the size once more: a sprite of size s spans 2 s^2 units.
    void draw() override;

    // The radius vector also resets the local position and pivot and makes the bounding sphere (0, |radius|).
    void setRadius(const Vec3& radius);
    void setShader(ShaderHandle shader);
    Shader* shader() const { return shader_.get(); }

    Vec3 radius{1.0f, 1.0f, 1.0f};
    float size = 1.0f;
    std::array<float, 4> color{1.0f, 1.0f, 1.0f, 1.0f};

private:
    ShaderHandle shader_;
};

}  // namespace qv3rn

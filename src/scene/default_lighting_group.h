// default_lighting_group.h -- a group lit by the fixed-function lights that draws its opaque surfaces first,
// optionally throws one caster's shadow through a depth image over them, and draws the blended rest last.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "math/mat4.h"
#include "scene/scene_node.h"
#include "shader/depth_texture.h"
#include "shader/ref_counted.h"
#include "shader/texture.h"

namespace qv3rn {

// What the first shadow line of a default-lighting group makes.
struct GroupShadow {
    bool on = false;
    std::array<float, 4> colour{0.0f, 0.0f, 0.0f, 1.0f};
    SceneNode* caster = nullptr;  // found on the first draw
    Handle<Texture> image;
};

// The opaque pass and then the final pass of a default-lighting group, without shadows, over the enabled
// subtrees of `roots` (each node under its own node matrix, multiplied onto the current one): the mirror draws
// what it reflects with them.
void drawLitPasses(const std::vector<SceneNode*>& roots);

class DefaultLightingGroup : public SceneNode {
public:
    // The image the shadow map goes to when the script names none.
    static constexpr const char* defaultShadowImage = shadowImageName;

    DefaultLightingGroup() : SceneNode(NodeType::Group) {}
    ~DefaultLightingGroup() override;

    void renderAll() override;
    void renderVisible(const Frustum& frustum) override;

    using Shadow = GroupShadow;
    Shadow& shadow();  // made on first use
    const std::optional<Shadow>& shadowSettings() const { return shadow_; }
    bool shadowsOn() const { return shadow_ && shadow_->on; }

    // The light the shadow map looks from: the first enabled point sprite, directional or spot light of the
    // subtree (depth first, below enabled nodes only), or null.
    SceneNode* shadowLight();
    // The caster named by the script, looked up from this group; null when the name is empty or matches no node.
    SceneNode* findCaster();

    std::string casterName;

    // The light's projection and view of the last shadow-map pass (OpenGL column-major).
    const Mat4& lightProjection() const { return lightProjection_; }
    const Mat4& lightView() const { return lightView_; }

private:
    void render(const Frustum* frustum);
    // Switches shadows off, with the reason in the log, once.
    void dropShadows(const std::string& why);
    bool prepareShadows();
    void shadowMapPass(const std::vector<SceneNode*>& nodes);
    void receiverPass(const std::vector<SceneNode*>& nodes);

    std::optional<Shadow> shadow_;
    DepthTexture* depthImage_ = nullptr;  // the shadow image, once known to hold depth
    int mapWidth_ = 0;                    // the part of the image the last map filled
    int mapHeight_ = 0;
    Mat4 lightProjection_;
    Mat4 lightView_;
};

}  // namespace qv3rn

// lens_flare_node.h -- flares drawn over the picture for registered source nodes: a row of camera-facing quads
// along the line from the source through the middle of the view, fading in while the source is seen and out
// while it is hidden.
#pragma once

#include <GL/gl.h>

#include <array>
#include <vector>

#include "scene/scene_loader.h"  // Required for: FlareSourceTarget
#include "scene/scene_node.h"
#include "shader/ref_counted.h"
#include "shader/texture.h"

namespace qv3rn {

struct FlareSource {
    SceneNode* node = nullptr;
    float intensity = 0.0f;  // in [0, 1]
    bool visible = false;
    // The last answer of the occlusion test: the source's point passed the depth test somewhere.
    bool seen = true;
    // The occlusion query of the last frame that tested the source (0: none), read a frame later so that the
    // frame never waits for the GPU.
    GLuint query = 0;
    bool queryPending = false;
};

struct FlareElement {
    int image = -1;  // 0 ... 5: one of the six flare images; -1 untextured
    float size = 0.0f;
    float position = 0.0f;  // along the flare axis: 0 at the source, 1 in the middle of the view
    std::array<float, 4> colour{1.0f, 1.0f, 1.0f, 1.0f};
};

class LensFlareNode : public SceneNode, public FlareSourceTarget {
public:
    static constexpr int imageCount = 6;
    // The intensity rises and falls by this much per second.
    static constexpr float fadeRate = 2.1f;
    // The step taken when the time runs backwards: a frame at 33 frames per second.
    static constexpr float fallbackStep = 0.030303031f;
    // Elements one block may hold: each is a quad per source per frame.
    static constexpr std::size_t maxElements = 256;

    LensFlareNode();
    ~LensFlareNode() override;  // gives the images back and deletes the occlusion queries

    void addSource(SceneNode& node) override;
    void addElement(const FlareElement& element);
    // Looks up the images "sg_lensflare_1" ... "sg_lensflare_6" in the image registry; the names of those that
    // are not registered (their elements are drawn untextured).
    std::vector<std::string> findImages();

    void updateSelf(float time) override;
    // The base traversal, then the visibility test and the flare of each source.
    void renderAll() override;
    void renderVisible(const Frustum& frustum) override;

    const std::vector<FlareSource>& sources() const { return sources_; }
    const std::vector<FlareElement>& elements() const { return elements_; }
    bool hasImage(int index) const { return index >= 0 && index < imageCount && images_[index]; }

private:
    void flarePass(const Frustum* frustum);
    // Tests whether the source's world position shows, through whichever occlusion extension the driver has,
    // into `seen` (the query's answer arrives a frame late).
    void testOcclusion(FlareSource& source);
    void drawFlare(const FlareSource& source, const float* modelview);

    float lastTime_ = 0.0f;
    std::vector<FlareSource> sources_;
    std::vector<FlareElement> elements_;
    std::array<Handle<Texture>, imageCount> images_;
};

}  // namespace qv3rn

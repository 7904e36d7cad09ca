// lens_flare_node.cpp -- the flare sources' fade, their visibility through the occlusion extensions, and the
// flare quads.
#include "scene/lens_flare_node.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "gl/extensions.h"
#include "shader/camera_mgr.h"
#include "shader/image_registry.h"

namespace qv3rn {

LensFlareNode::LensFlareNode() : SceneNode(NodeType::LensFlare) {
    const Vec3 low{-2560.0f, -2560.0f, -2560.0f}, high{2560.0f, 2560.0f, 2560.0f};
    setBoundingSphere((low + high) * 0.5f, 0.51f * (high - low).length());
}

LensFlareNode::~LensFlareNode() {
    for (Handle<Texture>& image : images_)
        if (image) ImageRegistry::instance().releaseHandle(image);
    for (const FlareSource& source : sources_)
        if (source.query && glDeleteQueriesARB) glDeleteQueriesARB(1, &source.query);
}

void LensFlareNode::addSource(SceneNode& node) { sources_.push_back({&node}); }

void LensFlareNode::addElement(const FlareElement& element) {
    if (elements_.size() == maxElements)
        throw std::runtime_error("a lens flare holds at most " + std::to_string(maxElements) + " elements");
    elements_.push_back(element);
}

std::vector<std::string> LensFlareNode::findImages() {
    std::vector<std::string> missing;
    for (int i = 0; i < imageCount; ++i) {
        const std::string name = "sg_lensflare_" + std::to_string(i + 1);
        if (images_[i]) ImageRegistry::instance().releaseHandle(images_[i]);
        images_[i] = ImageRegistry::instance().find(name);
        if (!images_[i]) missing.push_back(name);
    }
    return missing;
}

void LensFlareNode::updateSelf(float time) {
    float dt = time - lastTime_;
    if (dt < 0.0f) dt = fallbackStep;
    lastTime_ = time;
    for (FlareSource& source : sources_)
        source.intensity = std::clamp(source.intensity + (source.visible ? fadeRate : -fadeRate) * dt, 0.0f, 1.0f);
}

void LensFlareNode::renderAll() {
    SceneNode::renderAll();
    if (isEnabled()) flarePass(nullptr);
}

void LensFlareNode::renderVisible(const Frustum& frustum) {
    SceneNode::renderVisible(frustum);
    if (isEnabled()) flarePass(&frustum);
}

void LensFlareNode::flarePass(const Frustum* frustum) {
    if (!CameraMgr::instance().currentCamera()) return;
    float modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    const bool occlusion = GL_HP_occlusion_test_Flag || GL_ARB_occlusion_query_Flag;
    for (FlareSource& source : sources_) {
        if (frustum) source.visible = frustum->contains(source.node->worldPosition());
        if (occlusion && (!frustum || source.visible)) {
            testOcclusion(source);
            source.visible = source.seen;
        }
        if (source.intensity > 0.0f) drawFlare(source, modelview);
    }
}

void LensFlareNode::testOcclusion(FlareSource& source) {
    const bool hp = GL_HP_occlusion_test_Flag;
    if (!hp && source.queryPending) {
        // Last frame's answer, once the GPU has it; until then the last answer stands.
        GLuint available = GL_FALSE;
        glGetQueryObjectuivARB(source.query, GL_QUERY_RESULT_AVAILABLE_ARB, &available);
        if (!available) return;
        GLuint samples = 0;
        glGetQueryObjectuivARB(source.query, GL_QUERY_RESULT_ARB, &samples);
        source.seen = samples > 0;
        source.queryPending = false;
    }
    glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    const Vec3& at = source.node->worldPosition();
    if (hp) {
        glEnable(GL_OCCLUSION_TEST_HP);
    } else {
        if (!source.query) glGenQueriesARB(1, &source.query);
        glBeginQueryARB(GL_SAMPLES_PASSED_ARB, source.query);
    }
    glBegin(GL_POINTS);
    glVertex3f(at.x, at.y, at.z);
    glEnd();
    if (hp) {
        glDisable(GL_OCCLUSION_TEST_HP);
    } else {
        glEndQueryARB(GL_SAMPLES_PASSED_ARB);
        source.queryPending = true;
    }
    glPopAttrib();
    if (hp) {
        GLboolean result = GL_FALSE;
        glGetBooleanv(GL_OCCLUSION_TEST_RESULT_HP, &result);
        source.seen = result != GL_FALSE;
    }
}

void LensFlareNode::drawFlare(const FlareSource& source, const float* m) {
    // The modelview holds the camera's view: its rows are the camera's axes, and the eye is where the
    // translation came from.
    const Vec3 right{m[0], m[4], m[8]};
    const Vec3 up{m[1], m[5], m[9]};
    const Vec3 forward{-m[2], -m[6], -m[10]};
    const Vec3 eye{-(m[0] * m[12] + m[1] * m[13] + m[2] * m[14]), -(m[4] * m[12] + m[5] * m[13] + m[6] * m[14]),
                   -(m[8] * m[12] + m[9] * m[13] + m[10] * m[14])};
    const Vec3& at = source.node->worldPosition();
    const Vec3 toSource = at - eye;
    const float depth = toSource.x * forward.x + toSource.y * forward.y + toSource.z * forward.z;
    if (!(depth > 0.0f)) return;  // behind the camera: no axis through the view
    // The axis runs from the source through the point of the view's middle line at the source's depth; an
    // element at 2 lies opposite the source.
    const Vec3 middle = eye + forward * depth;

    glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT);
    glDisable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    int bound = -1;
    for (const FlareElement& element : elements_) {
        const int image = hasImage(element.image) ? element.image : -1;
        if (image != bound) {
            if (bound >= 0) images_[bound]->unbind(GL_TEXTURE0_ARB);
            if (image >= 0 && !images_[image]->bind(GL_TEXTURE0_ARB)) {
                bound = -1;
            } else {
                bound = image;
            }
        }
        const Vec3 centre = at + (middle - at) * element.position;
        const Vec3 r = right * (1.5f * element.size);
        const Vec3 u = up * (1.5f * element.size);
        glColor4f(element.colour[0], element.colour[1], element.colour[2], element.colour[3] * source.intensity);
        const Vec3 corners[4] = {centre - r - u, centre + r - u, centre + r + u, centre - r + u};
        static constexpr float texCoords[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};
        glBegin(GL_QUADS);
        for (int i = 0; i < 4; ++i) {
            glTexCoord2fv(texCoords[i]);
            glVertex3f(corners[i].x, corners[i].y, corners[i].z);
        }
        glEnd();
    }
    if (bound >= 0) images_[bound]->unbind(GL_TEXTURE0_ARB);
    glPopAttrib();
}

}  // namespace qv3rn

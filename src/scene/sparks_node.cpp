// sparks_node.cpp -- the spark simulation and its quads.
#include "scene/sparks_node.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "mesh/facing_quad.h"
#include "shader/shader.h"

namespace qv3rn {

SparksNode::SparksNode() : SceneNode(NodeType::Sparks) {
    // Sparks are in world coordinates wherever their sources go: a box of 512 on a side around the origin.
    const Vec3 low{-256.0f, -256.0f, -256.0f}, high{256.0f, 256.0f, 256.0f};
    setBoundingSphere((low + high) * 0.5f, 0.51f * (high - low).length());
}

void SparksNode::addEmitter(SceneNode& source, const std::array<float, 4>& values) {
    SparkEmitter emitter;
    emitter.source = &source;
    emitter.rate = values[0];
    emitter.accumulator = values[0];
    emitter.life = values[1];
    emitter.size = values[2];
    emitter.fallSpeed = values[3];
    emitters_.push_back(std::move(emitter));
}

void SparksNode::updateSelf(float time) {
    float dt = time - lastTime_;
    if (!(dt > 0.0f && dt <= 1.0f)) dt = fallbackStep;
    lastTime_ = time;
    for (SparkEmitter& emitter : emitters_) {
        const float shrink = emitter.life > 0.0f ? emitter.size / emitter.life * dt : 0.0f;
        std::erase_if(emitter.sparks, [&](Spark& spark) {
            spark.life -= dt;
            if (!(spark.life > 0.0f)) return true;
            spark.position.y -= dt * emitter.fallSpeed;
            spark.size -= shrink;
            return false;
        });
        // A spark that would die before it is drawn is not emitted; a rate that is not finite emits nothing.
        if (!(emitter.life > 0.0f) || !(emitter.rate * dt < 1e9f)) continue;
        emitter.accumulator += dt * emitter.rate;
        if (emitter.accumulator <= 1.0f) continue;
        // Whole sparks owed, at most as many as fit: the remainder stays in the accumulator as the loop of single
        // steps would leave it.
        const float owed = std::ceil(emitter.accumulator - 1.0f);
        emitter.accumulator -= owed;
        const std::size_t room = maxSparksPerEmitter - std::min(maxSparksPerEmitter, emitter.sparks.size());
        const std::size_t count = std::min(room, static_cast<std::size_t>(std::min(owed, 1e9f)));
        const Vec3 at = emitter.source ? emitter.source->worldPosition() : Vec3{};
        emitter.sparks.insert(emitter.sparks.end(), count, Spark{at, emitter.life, emitter.size});
    }
}

void SparksNode::draw() {
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_LIGHTING);
    const CameraAxes camera = cameraAxesOfModelview();
    if (shader_) shader_->begin();
    glBegin(GL_QUADS);
    for (const SparkEmitter& emitter : emitters_) {
        const float life = emitter.life > 0.0f ? emitter.life : 1.0f;
        for (const Spark& spark : emitter.sparks) {
            glColor4f(1.0f, 1.0f, 1.0f, spark.life / life);
            emitFacingQuad(camera, spark.position, spark.position, spark.size);
        }
    }
    glEnd();
    if (shader_) shader_->end();
    glPopAttrib();
}

}  // namespace qv3rn

// effect_manager.cpp -- activation, update, drawing and destruction of the timeline's effects.
#include "effects/effect_manager.h"

#include <GL/gl.h>

#include <algorithm>

#include "effects/render_target.h"
#include "shader/camera_mgr.h"

namespace qv3rn {

namespace {
EffectManager* currentManager = nullptr;
}

// The process's effect manager, constructed before main like the other registries.
EffectManager processEffectManager;

EffectManager::EffectManager() : previous_(currentManager) { currentManager = this; }

EffectManager::~EffectManager() {
    clear();
    if (currentManager == this) currentManager = previous_;
}

EffectManager& EffectManager::instance() { return currentManager ? *currentManager : processEffectManager; }

void EffectManager::addEffect(std::unique_ptr<Effect> effect) {
    if (effect) pending_.push_back(std::move(effect));
}

void EffectManager::initAll() {
    for (auto& effect : pending_) effect->init();
}

void EffectManager::update(float time) {
    for (auto it = pending_.begin(); it != pending_.end();) {
        const auto next = std::next(it);
        if ((*it)->isActiveAt(time)) {
            const std::int32_t layer = (*it)->layer();
            const auto place = std::find_if(active_.begin(), active_.end(),
                                            [layer](const auto& other) { return other->layer() >= layer; });
            active_.splice(place, pending_, it);
        }
        it = next;
    }

    for (auto it = active_.begin(); it != active_.end();) {
        Effect& effect = **it;
        if (effect.isActiveAt(time)) {
            const Envelope* track = effect.visibleTrack();
            effect.setVisible(!track || track->evaluate(time) > 0.0f);
            if (effect.isVisible()) effect.update(time);
            ++it;
        } else if (keepFinished_) {
            const auto next = std::next(it);
            pending_.splice(pending_.end(), active_, it);
            it = next;
        } else {
            destroy(*it);
            it = active_.erase(it);
        }
    }
}

void EffectManager::render() {
    for (auto& effect : active_)
        if (effect->isVisible()) effect->render();
}

void EffectManager::clear() {
    for (auto& effect : pending_) destroy(effect);
    pending_.clear();
    for (auto& effect : active_) destroy(effect);
    active_.clear();
}

void EffectManager::discardPendingAfter(std::size_t kept) {
    while (pending_.size() > kept) {
        destroy(pending_.back());
        pending_.pop_back();
    }
}

void EffectManager::destroy(std::unique_ptr<Effect>& effect) {
    effect->release();
    effect.reset();
}

void EffectManager::setSize(int width, int height) {
    width_ = width;
    height_ = height;
}

void EffectManager::setViewport(int x, int y, int width, int height) {
    viewportX_ = x;
    viewportY_ = y;
    viewportWidth_ = width;
    viewportHeight_ = height;
    CameraMgr::instance().setSize(width, height);
    glViewport(x, y, width, height);
}

void EffectManager::addRenderTarget(RenderTarget* target) {
    if (target) renderTargets_.push_back(target);
}

RenderTarget* EffectManager::findRenderTarget(const std::string& name) const {
    for (RenderTarget* target : renderTargets_)
        if (target->targetName() == name) return target;
    return nullptr;
}

}  // namespace qv3rn

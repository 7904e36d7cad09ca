// show_render_targets.cpp -- making, listing and destroying the show's two off-screen targets.
#include "demo/show_render_targets.h"

#include "effects/effect_manager.h"
#include "shader/image_registry.h"

namespace qv3rn {

bool ShowRenderTargets::create() {
    ImageRegistry& images = ImageRegistry::instance();
    EffectManager& effects = EffectManager::instance();
    const struct {
        std::unique_ptr<PBuffer>& target;
        const char* name;
        const char* alias;
    } targets[] = {{big_, bigName, bigAlias}, {small_, smallName, smallAlias}};
    for (const auto& made : targets) {
        made.target = PBuffer::create(side, side);
        if (!made.target) return false;
        made.target->setName(made.name);
        made.target->setAlias(made.alias);
        images.add(made.target.get());
        effects.addRenderTarget(made.target.get());
    }

    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    for (PBuffer* target : all()) {
        target->begin(side, side);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        target->end(viewport[2], viewport[3]);
    }
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    return true;
}

void ShowRenderTargets::destroy() {
    EffectManager::instance().clearRenderTargets();
    for (PBuffer* target : all()) {
        if (!target) continue;
        ImageRegistry::instance().remove(target->name());
        target->destroy();
    }
}

void ShowRenderTargets::release() {
    big_.reset();
    small_.reset();
}

}  // namespace qv3rn

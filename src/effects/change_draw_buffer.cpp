// change_draw_buffer.cpp -- switching drawing between render targets and the screen, the clears, and the block's
// keywords.
#include "effects/change_draw_buffer.h"

#include <string_view>

#include "effects/effect_loaders.h"
#include "effects/effect_manager.h"
#include "effects/effect_rows.h"
#include "effects/render_target.h"
#include "shader/camera_mgr.h"

namespace qv3rn {

namespace {

// The render target drawing is redirected to; only ChangeDrawBuffer reads and writes it.
RenderTarget* redirectedTarget = nullptr;

// The camera height for a target of height h that keeps the output's aspect.
int aspectHeight(int h) {
    const EffectManager& manager = EffectManager::instance();
    if (manager.width() <= 0) return h;
    return static_cast<int>(static_cast<float>(manager.height()) / static_cast<float>(manager.width()) *
                            static_cast<float>(h));
}

}  // namespace

ChangeDrawBuffer::ChangeDrawBuffer() : Effect(EffectKind::ChangeDrawBuffer) { setName("ChangeDrawBuffer"); }

RenderTarget* ChangeDrawBuffer::currentTarget() { return redirectedTarget; }

void ChangeDrawBuffer::endCurrentTarget() {
    if (!redirectedTarget) return;
    const EffectManager& manager = EffectManager::instance();
    RenderTarget* target = redirectedTarget;
    redirectedTarget = nullptr;
    target->end(manager.width(), manager.height());
}

bool ChangeDrawBuffer::init() {
    if (targetName == "Screen") return true;
    target_ = EffectManager::instance().findRenderTarget(targetName);
    return target_ != nullptr;
}

bool ChangeDrawBuffer::release() {
    target_ = nullptr;
    return Effect::release();
}

void ChangeDrawBuffer::render() {
    if (target_) {
        const int w = target_->targetWidth();
        const int h = target_->targetHeight();
        const int cameraHeight = cameraAspect ? aspectHeight(h) : h;
        if (redirectedTarget) {
            redirectedTarget->end(w, h);
            redirectedTarget = nullptr;
        }
        target_->begin(w, h);
        glViewport(0, 0, w, h);
        CameraMgr::instance().setSize(w, cameraHeight);
        redirectedTarget = target_;
    } else {
        const EffectManager& manager = EffectManager::instance();
        const int w = manager.width();
        const int h = manager.height();
        if (redirectedTarget) {
            redirectedTarget->end(w, h);
            redirectedTarget = nullptr;
        } else {
            glViewport(0, 0, w, h);
        }
        CameraMgr::instance().setSize(w, h);
    }

    if (clearMask == 0) return;
    if (clearMask & GL_COLOR_BUFFER_BIT) glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
    if (clearMask & GL_DEPTH_BUFFER_BIT) glClearDepth(clearDepth);
    if (clearMask & GL_STENCIL_BUFFER_BIT) glClearStencil(clearStencil);
    if (clearMask & GL_ACCUM_BUFFER_BIT) glClearAccum(clearAccum[0], clearAccum[1], clearAccum[2], clearAccum[3]);
    glClear(clearMask);
}

namespace {

// The words of a Clear line, in the order it is searched.
struct BufferWord {
    std::string_view word;
    GLbitfield bit;
};
constexpr BufferWord clearWords[] = {
    {"COLOR_BUFFER", GL_COLOR_BUFFER_BIT},
    {"DEPTH_BUFFER", GL_DEPTH_BUFFER_BIT},
    {"STENCIL_BUFFER", GL_STENCIL_BUFFER_BIT},
    {"ACCUM_BUFFER", GL_ACCUM_BUFFER_BIT},
};

}  // namespace

ChangeDrawBufferLoader::ChangeDrawBufferLoader()
    : EffectLoaderOf("ChangeDrawBuffer",
                     effectGrammar<ChangeDrawBuffer>({
                         quoted("RenderTarget ", &ChangeDrawBuffer::targetName),
                         flag("CameraAspect ", &ChangeDrawBuffer::cameraAspect),
                         floats("Color ", &ChangeDrawBuffer::clearColor),
                         floats("Accum ", &ChangeDrawBuffer::clearAccum),
                         floats("Depth ", &ChangeDrawBuffer::clearDepth),
                         integers("Stencil ", &ChangeDrawBuffer::clearStencil),
                         {"Clear ",
                          [](ChangeDrawBuffer& effect, BlockLine& l) {
                              GLbitfield mask = 0;
                              for (const BufferWord& entry : clearWords)
                                  if (matches(l.text, entry.word)) mask |= entry.bit;
                              effect.clearMask = mask;
                          }},
                     }),
                     UnknownLine::raiseWithLine("ChangeDrawBufferLoader unknown token:")) {}

std::unique_ptr<EffectLoader> makeChangeDrawBufferLoader() { return std::make_unique<ChangeDrawBufferLoader>(); }

}  // namespace qv3rn

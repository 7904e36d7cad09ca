// effect_manager.h -- the process-wide timeline: pending and active effects, the output size and viewport, and
// the render targets the buffer effects draw into.
#pragma once

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "effects/effect.h"

namespace qv3rn {

class RenderTarget;

// Effects wait in the pending list, in script order, until a frame's time lies in their interval; they then
// move to the active list, which is kept sorted by ascending layer, and are released and deleted on the first
// frame whose time lies outside it (or go back to pending when keepFinished is set).
class EffectManager {
public:
    using EffectList = std::list<std::unique_ptr<Effect>>;

    EffectManager();   // becomes the current manager (the one instance() gives)
    ~EffectManager();  // releases and deletes every effect, then hands the current role back
    EffectManager(const EffectManager&) = delete;
    EffectManager& operator=(const EffectManager&) = delete;

    // The process's manager (constructed before main), or a test's or tool's own while it exists.
    static EffectManager& instance();

    // Appends the effect to the pending list (null is ignored).
    void addEffect(std::unique_ptr<Effect> effect);
    // Calls init() on every pending effect in order; the results are not used.
    void initAll();

    // One frame of the timeline at the demo time `time` (seconds):
    //  1. every pending effect active at `time` moves to the active list, before the first active effect whose
    //     layer is greater than or equal to its own (so among equal layers the latest activated comes first);
    //  2. every active effect still active at `time` evaluates its visibility envelope (visible while it is
    //     above 0, always visible without one) and, when visible, is updated; every other one is unlinked and
    //     released and deleted, or appended to pending when keepFinished is set.
    void update(float time);
    // Draws the visible active effects in list order: lower layers first, and among equal layers the effect
    // activated earlier last (on top).
    void render();

    // Releases and deletes every effect, pending and active (the demo's shut-down).
    void clear();
    // Releases and deletes the pending effects after the first `kept` (what a script that failed had added).
    void discardPendingAfter(std::size_t kept);

    void setKeepFinished(bool keep) { keepFinished_ = keep; }
    bool keepFinished() const { return keepFinished_; }

    // The size of the output (the window), set on every resize.
    void setSize(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }

    // Stores the viewport, hands its width and height to the camera manager and sets the OpenGL viewport.
    void setViewport(int x, int y, int width, int height);
    int viewportX() const { return viewportX_; }
    int viewportY() const { return viewportY_; }
    int viewportWidth() const { return viewportWidth_; }
    int viewportHeight() const { return viewportHeight_; }

    // Render targets are registered by the demo and not owned; null is ignored.
    void addRenderTarget(RenderTarget* target);
    // The first registered target whose name equals `name` exactly, or null.
    RenderTarget* findRenderTarget(const std::string& name) const;
    void clearRenderTargets() { renderTargets_.clear(); }

    const EffectList& pending() const { return pending_; }
    const EffectList& active() const { return active_; }

private:
    static void destroy(std::unique_ptr<Effect>& effect);

    EffectManager* previous_ = nullptr;
    bool keepFinished_ = false;
    int width_ = 640;
    int height_ = 480;
    int viewportX_ = 0;
    int viewportY_ = 0;
    int viewportWidth_ = 640;
    int viewportHeight_ = 480;
    EffectList pending_;
    EffectList active_;
    std::vector<RenderTarget*> renderTargets_;
};

}  // namespace qv3rn

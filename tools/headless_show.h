// headless_show.h -- a content folder's show loaded into an off-screen context as the player loads it, for the
// commands that draw frames of it (render, sheet).
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "demo/show_render_targets.h"
#include "effects/effect_manager.h"
#include "effects/frame_renderer.h"
#include "effects/show_clock.h"
#include "effects/show_loader.h"
#include "platform/headless_context.h"

namespace qv3rn::tool {

class HeadlessShow {
public:
    HeadlessShow() = default;
    ~HeadlessShow();
    HeadlessShow(const HeadlessShow&) = delete;
    HeadlessShow& operator=(const HeadlessShow&) = delete;

    // Makes a width x height context, the shadow image and the render targets, enters `folder` (paths in `files`
    // must be absolute or relative to it) and loads the show; false with `error` set when any step fails.
    bool open(const std::string& folder, const ShowFiles& files, int width, int height, double stepsPerSecond,
              std::string& error);

    FrameRenderer& renderer() { return *renderer_; }
    FixedStepClock& clock() { return *clock_; }
    EffectManager& effects() { return manager_; }

private:
    std::unique_ptr<platform::HeadlessContext> context_;
    EffectManager manager_;
    ShowRenderTargets targets_;
    std::unique_ptr<FrameRenderer> renderer_;
    std::unique_ptr<FixedStepClock> clock_;
    std::filesystem::path previous_;
};

}  // namespace qv3rn::tool

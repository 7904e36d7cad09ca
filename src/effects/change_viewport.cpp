// change_viewport.cpp -- the viewport in virtual units scaled to the output, and the block's keyword.
#include "effects/change_viewport.h"

#include <limits>

#include "effects/effect_loaders.h"
#include "effects/effect_manager.h"

namespace qv3rn {

ChangeViewport::Pixels ChangeViewport::scaledTo(int outputWidth, int outputHeight) const {
    const float sx = static_cast<float>(outputWidth) * 0.0015625f;    // 1/640
    const float sy = static_cast<float>(outputHeight) * 0.0020833334f;  // 1/480
    auto scale = [](std::int32_t value, float factor) {
        // Truncated toward zero; values beyond what an int holds (absurd scripts) stop at its ends.
        const float scaled = static_cast<float>(value) * factor;
        if (scaled >= 2147483647.0f) return std::numeric_limits<int>::max();
        if (scaled <= -2147483648.0f) return std::numeric_limits<int>::min();
        return static_cast<int>(scaled);
    };
    return {scale(x, sx), scale(y, sy), scale(width, sx), scale(height, sy)};
}

void ChangeViewport::render() {
    EffectManager& manager = EffectManager::instance();
    const Pixels pixels = scaledTo(manager.width(), manager.height());
    manager.setViewport(pixels.x, pixels.y, pixels.width, pixels.height);
}

ChangeViewportLoader::ChangeViewportLoader()
    : EffectLoaderOf("ChangeViewport",
                     effectGrammar<ChangeViewport>({
                         integers("Viewport ", &ChangeViewport::x, &ChangeViewport::y, &ChangeViewport::width,
                                  &ChangeViewport::height),
                     }),
                     UnknownLine::raiseWithLine("ChangeViewportLoader unknown token: ")) {}

std::unique_ptr<EffectLoader> makeChangeViewportLoader() { return std::make_unique<ChangeViewportLoader>(); }

}  // namespace qv3rn

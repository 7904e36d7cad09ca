// Fuzz target: the blocks of the brush, diffusion and buffer effects through their loaders, then the stamps,
// grids and viewports the loaded effects compute (no drawing).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>

#include "data/memory_stream.h"
#include "effects/change_draw_buffer.h"
#include "effects/change_viewport.h"
#include "effects/clear_buffer.h"
#include "effects/diffusion_effect.h"
#include "effects/dissolve_brush.h"
#include "effects/hermite_brush.h"
#include "effects/spline_brush.h"

namespace {

std::unique_ptr<qv3rn::EffectLoader> makeLoader(std::uint8_t which) {
    switch (which % 7) {
        case 0: return std::make_unique<qv3rn::SplineBrushLoader>();
        case 1: return std::make_unique<qv3rn::HermiteBrushLoader>();
        case 2: return std::make_unique<qv3rn::DissolveBrushLoader>();
        case 3: return std::make_unique<qv3rn::DiffusionLoader>();
        case 4: return std::make_unique<qv3rn::ChangeDrawBufferLoader>();
        case 5: return std::make_unique<qv3rn::ChangeViewportLoader>();
        default: return std::make_unique<qv3rn::ClearBufferLoader>();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::unique_ptr<qv3rn::EffectLoader> loader = makeLoader(data[0]);
    std::unique_ptr<qv3rn::Effect> effect = loader->createEffect();
    qv3rn::MemoryStream stream(data + 1, size - 1);
    try {
        if (!loader->load(stream, *effect)) return 0;
    } catch (const std::runtime_error&) {
        return 0;  // the block's own error messages
    }

    // Whatever loaded must compute in bounded time at any demo time.
    const float times[] = {-1e30f, -1.0f, 0.0f, 0.5f, 2.0f, 100.0f, 1e9f};
    volatile float sink = 0.0f;
    if (auto* spline = dynamic_cast<qv3rn::SplineBrush*>(effect.get())) {
        for (float t : times) {
            spline->update(t);
            for (const qv3rn::BrushStamp& stamp : spline->strokeStamps()) sink = sink + stamp.x + stamp.y;
        }
    } else if (auto* hermite = dynamic_cast<qv3rn::HermiteBrush*>(effect.get())) {
        hermite->init();
        for (float t : times) {
            hermite->update(t);
            for (const qv3rn::BrushStamp& stamp : hermite->strokeStamps()) sink = sink + stamp.x + stamp.y;
        }
    } else if (auto* diffusion = dynamic_cast<qv3rn::DiffusionEffect*>(effect.get())) {
        diffusion->init();
        diffusion->update(0.5f);
        if (diffusion->hasGrid()) {
            const auto corner = diffusion->gridPoint(diffusion->resolution, diffusion->resolution);
            sink = sink + corner[0] + corner[1];
        }
    } else if (auto* viewport = dynamic_cast<qv3rn::ChangeViewport*>(effect.get())) {
        const auto pixels = viewport->scaledTo(1024, 768);
        sink = sink + static_cast<float>(pixels.x + pixels.width);
    }
    (void)sink;
    effect->release();
    return 0;
}

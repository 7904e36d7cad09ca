// clear_buffer.h -- the effect that clears buffers with whatever clear values OpenGL holds, with its loader.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <memory>

#include "effects/effect.h"
#include "effects/effect_loader.h"

namespace qv3rn {

class ClearBuffer : public Effect {
public:
    // The bits of `buffers`, as the script's words set them.
    enum Buffer : std::uint32_t { Color = 1, Depth = 2, Stencil = 4, Accum = 8 };

    ClearBuffer() : Effect(EffectKind::ClearBuffer) {}
    ~ClearBuffer() override = default;

    void update(float) override {}
    void render() override;  // glClear of the buffers, when there is any

    // The OpenGL buffer bits of `buffers`.
    GLbitfield clearMask() const;

    std::uint32_t buffers = 0;
};

// "ClearBuffer" blocks. After the common keywords: "Clear " (the union of "COLOR", "DEPTH", "STENCIL", "ACCUM"
// found in the line; a line with none of them raises "ClearBuffer unknown buffer(s): " followed by the line).
// Any other line raises "ClearBuffer unknown token: " followed by the line.
class ClearBufferLoader : public EffectLoaderOf<ClearBuffer> {
public:
    ClearBufferLoader();
};

}  // namespace qv3rn

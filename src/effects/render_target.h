// render_target.h -- what the timeline knows of an off-screen render target: a name, a size, and drawing into it.
#pragma once

#include <string>

namespace qv3rn {

// Implemented by the demo's off-screen targets, which register with the effect manager; the buffer effects
// find them by name and redirect drawing into them.
class RenderTarget {
public:
    virtual ~RenderTarget() = default;

    // The name scripts find the target by (exact comparison).
    virtual const std::string& targetName() const = 0;
    virtual int targetWidth() const = 0;
    virtual int targetHeight() const = 0;
    // Redirects all drawing into the target, with the viewport (0, 0, width, height).
    virtual bool begin(int width, int height) = 0;
    // Returns drawing to the window, with the viewport (0, 0, width, height) (the window's size).
    virtual bool end(int width, int height) = 0;
};

}  // namespace qv3rn

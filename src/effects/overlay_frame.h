// overlay_frame.h -- the drawing frame of the screen-space effects: their own orthographic projection over the
// virtual 640 x 480 screen (or other bounds), with lighting, depth test and culling off.
#pragma once

#include <GL/gl.h>

namespace qv3rn {

// The virtual screen every flat effect draws in, whatever the window size.
inline constexpr float virtualScreenWidth = 640.0f;
inline constexpr float virtualScreenHeight = 480.0f;

struct OrthoBounds {
    double left, right, bottom, top, nearPlane, farPlane;
};

// While it lives: the enable bits are saved, lighting, depth test and culling are off, the projection is
// glOrtho(bounds) and the model-view matrix is the identity (both pushed). Its end pops both matrices and
// restores the enable bits, leaving the model-view matrix selected.
class OverlayFrame {
public:
    explicit OverlayFrame(const OrthoBounds& bounds);
    ~OverlayFrame();
    OverlayFrame(const OverlayFrame&) = delete;
    OverlayFrame& operator=(const OverlayFrame&) = delete;
};

// glOrtho(0, 640, 0, 480, 0, 1) and (..., -1, 1): the two projections of the flat effects.
inline constexpr OrthoBounds virtualScreen{0.0, 640.0, 0.0, 480.0, 0.0, 1.0};
inline constexpr OrthoBounds virtualScreenSymmetricDepth{0.0, 640.0, 0.0, 480.0, -1.0, 1.0};

// Untextured drawing on texture unit 0 while the frame lives (its end restores the enable bit).
void disableTexturing();

// One quad, corners in the order given, each with its texture coordinate (u, v) at (x, y, 0).
struct TexturedCorner {
    float u, v, x, y;
};
void drawQuad(const TexturedCorner (&corners)[4]);
// One untextured quad, corners (x, y, 0) in the order given.
void drawQuad(const float (&corners)[4][2]);

}  // namespace qv3rn

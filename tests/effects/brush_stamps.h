// brush_stamps.h -- what the brush tests share: the quads an effect really draws, caught in OpenGL's feedback
// mode, and comparisons of stamp centres.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "effects/brush_common.h"

namespace qv3rn::test {

// A quad as drawn: its centre and size in window coordinates.
struct DrawnQuad {
    float centreX, centreY, width, height;
};

// Runs `draw` in feedback mode and returns the quads it drew. The driver hands every quad back as two
// triangles (both inside the window in these tests), so each pair of triangles is one quad.
inline std::vector<DrawnQuad> feedbackQuads(const std::function<void()>& draw) {
    std::vector<GLfloat> buffer(1 << 20);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_2D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint size = glRenderMode(GL_RENDER);
    EXPECT_GE(size, 0) << "the feedback buffer overflowed";
    std::vector<DrawnQuad> quads;
    float minX = 1e30f, minY = 1e30f, maxX = -1e30f, maxY = -1e30f;
    for (GLint at = 0, triangle = 0; at < size; ++triangle) {
        if (static_cast<GLint>(buffer[at++]) != GL_POLYGON_TOKEN) {
            ADD_FAILURE() << "unexpected feedback token " << buffer[at - 1];
            return {};
        }
        for (GLint v = static_cast<GLint>(buffer[at++]); v > 0; --v, at += 2) {
            minX = std::min(minX, buffer[at]), maxX = std::max(maxX, buffer[at]);
            minY = std::min(minY, buffer[at + 1]), maxY = std::max(maxY, buffer[at + 1]);
        }
        if (triangle % 2 == 0) continue;
        quads.push_back({(minX + maxX) * 0.5f, (minY + maxY) * 0.5f, maxX - minX, maxY - minY});
        minX = minY = 1e30f, maxX = maxY = -1e30f;
    }
    EXPECT_EQ(minX, 1e30f) << "quads come back as pairs of triangles";
    return quads;
}

// The drawn quads of side `side` (window units), in drawing order.
inline std::vector<DrawnQuad> quadsOfSide(const std::vector<DrawnQuad>& quads, float side) {
    std::vector<DrawnQuad> found;
    for (const DrawnQuad& quad : quads)
        if (std::fabs(quad.width - side) < 0.01f && std::fabs(quad.height - side) < 0.01f) found.push_back(quad);
    return found;
}

// Stamp centres (virtual screen) against drawn quads (window), `scale` window units per virtual unit.
inline void expectStampsDrawn(const std::vector<BrushStamp>& stamps, const std::vector<DrawnQuad>& drawn, float scale) {
    ASSERT_EQ(drawn.size(), stamps.size());
    for (std::size_t i = 0; i < stamps.size(); ++i) {
        EXPECT_NEAR(drawn[i].centreX, stamps[i].x * scale, 0.01f) << "stamp " << i;
        EXPECT_NEAR(drawn[i].centreY, stamps[i].y * scale, 0.01f) << "stamp " << i;
    }
}

}  // namespace qv3rn::test

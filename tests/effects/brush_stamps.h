// brush_stamps.h -- what the brush tests share: the quads an effect really draws, caught in OpenGL's feedback
// mode, and comparisons of stamp centres.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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

    std::vector<std::vector<std::array<float, 2>>> triangles;
    for (GLint at = 0; at < size;) {
        const auto token = static_cast<GLint>(buffer[at++]);
        if (token != GL_POLYGON_TOKEN) {
            ADD_FAILURE() << "unexpected feedback token " << token;
            return {};
        }
        const auto count = static_cast<GLint>(buffer[at++]);
        std::vector<std::array<float, 2>> vertices;
        for (GLint v = 0; v < count; ++v, at += 2) vertices.push_back({buffer[at], buffer[at + 1]});
        triangles.push_back(std::move(vertices));
    }
    EXPECT_EQ(triangles.size() % 2, 0u) << "quads come back as pairs of triangles";

    std::vector<DrawnQuad> quads;
    for (std::size_t t = 0; t + 1 < triangles.size(); t += 2) {
        float minX = 1e30f, minY = 1e30f, maxX = -1e30f, maxY = -1e30f;
        for (std::size_t k = t; k < t + 2; ++k) {
            for (const auto& vertex : triangles[k]) {
                minX = std::min(minX, vertex[0]);
                maxX = std::max(maxX, vertex[0]);
                minY = std::min(minY, vertex[1]);
                maxY = std::max(maxY, vertex[1]);
            }
        }
        quads.push_back({(minX + maxX) * 0.5f, (minY + maxY) * 0.5f, maxX - minX, maxY - minY});
    }
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
inline void expectStampsDrawn(const std::vector<BrushStamp>& stamps, const std::vector<DrawnQuad>& drawn,
                              float scale) {
    ASSERT_EQ(drawn.size(), stamps.size());
    for (std::size_t i = 0; i < stamps.size(); ++i) {
        EXPECT_NEAR(drawn[i].centreX, stamps[i].x * scale, 0.01f) << "stamp " << i;
        EXPECT_NEAR(drawn[i].centreY, stamps[i].y * scale, 0.01f) << "stamp " << i;
    }
}

}  // namespace qv3rn::test

// blend.cpp -- the blend functions of the draw modes and the script words that select them.
#include "effects/blend.h"

#include <GL/gl.h>

#include <array>

#include "data/script_parser.h"

namespace qv3rn {

namespace {

struct DrawModeEntry {
    std::string_view word;
    GLenum source;
    GLenum destination;
};

// Indexed by the mode's number; also the order in which a DrawMode line is searched.
constexpr std::array<DrawModeEntry, 5> drawModes{{
    {"NORMAL", GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
    {"ADDITIVE", GL_SRC_ALPHA, GL_ONE},
    {"SUBTRACTIVE", GL_ONE_MINUS_DST_COLOR, GL_ZERO},
    {"MULTIPLY", GL_DST_COLOR, GL_ZERO},
    {"INVERT", GL_ONE_MINUS_DST_COLOR, GL_ONE_MINUS_SRC_COLOR},
}};

}  // namespace

void beginBlend(std::uint32_t drawMode) {
    glEnable(GL_BLEND);
    if (drawMode < drawModes.size()) glBlendFunc(drawModes[drawMode].source, drawModes[drawMode].destination);
}

void endBlend() { glDisable(GL_BLEND); }

std::uint32_t drawModeFromLine(std::string_view line) {
    for (std::uint32_t mode = 0; mode < drawModes.size(); ++mode)
        if (matches(line, drawModes[mode].word)) return mode;
    return DrawModeNormal;
}

std::string_view drawModeName(std::uint32_t drawMode) {
    return drawMode < drawModes.size() ? drawModes[drawMode].word : std::string_view{};
}

}  // namespace qv3rn

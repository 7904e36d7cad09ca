// fog_state.cpp -- the "Fog {" block: keywords, fog on and off, and its text form.
#include "shader/fog_state.h"

#include <memory>

#include "shader/shader.h"
#include "shader/state_block.h"
#include "shader/state_writer.h"

namespace qv3rn {

namespace {
const NamedValue fogModeNames[] = {
    {"LINEAR", GL_LINEAR},
    {"EXPSQR", GL_EXP2},
    {"EXP", GL_EXP},
};

const NamedValue fogHintNames[] = {
    {"PER_VERTEX", GL_FASTEST},
    {"PER_PIXEL", GL_NICEST},
};

const Keyword<FogState> fogKeywords[] = {
    {"Enable ", [](FogState& s, BlockLine& l) { s.enabled = readFlag(l.text); }},
    {"Start ", [](FogState& s, BlockLine& l) { scanFloat(l.text, s.start); }},
    {"End ", [](FogState& s, BlockLine& l) { scanFloat(l.text, s.end); }},
    {"Density ", [](FogState& s, BlockLine& l) { scanFloat(l.text, s.density); }},
    {"Color ", [](FogState& s, BlockLine& l) { scanFloats(l.text, s.color, 4); }},
    {"Function ", [](FogState& s, BlockLine& l) { s.mode = longestName(l.text, fogModeNames).value_or(s.mode); }},
    {"Apply ", [](FogState& s, BlockLine& l) { s.hint = longestName(l.text, fogHintNames).value_or(s.hint); }},
};
}  // namespace

bool readFogBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader) {
    auto owned = std::make_unique<FogState>();
    FogState& state = *owned;
    shader.addState(std::move(owned));
    return readStateBlock<FogState>(loader, stream, state, fogKeywords, "PARSE ERROR! Unknown Fog Token");
}

void FogState::apply() {
    if (RenderStateLocks::isLocked(kind())) return;
    if (!enabled) {
        glDisable(GL_FOG);
        return;
    }
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, static_cast<GLint>(mode));
    glFogf(GL_FOG_DENSITY, density);
    glFogf(GL_FOG_START, start);
    glFogf(GL_FOG_END, end);
    glFogfv(GL_FOG_COLOR, color);
    glHint(GL_FOG_HINT, hint);
}

void FogState::restore() {
    if (RenderStateLocks::isLocked(kind())) return;
    if (enabled) glDisable(GL_FOG);
}

void FogState::write(std::ostream& out) const {
    writeBlockOpener(out, "Fog");
    writeFlagField(out, "Enable", enabled);
    writeFloatField(out, "Start", start);
    writeFloatField(out, "End", end);
    writeFloatField(out, "Density", density);
    writeColorField(out, "Color", color);
    writeField(out, "Function", nameOf(mode, fogModeNames));
    writeField(out, "Apply", nameOf(hint, fogHintNames));
    writeBlockCloser(out);
}

}  // namespace qv3rn

// fog_state.cpp -- the "Fog {" block: keywords, fog on and off, and its text form.
#include "shader/fog_state.h"

#include <memory>

#include "shader/shader.h"
#include "shader/shader_script_loader.h"
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

const KeywordTable<FogState> fogRows = {
    flag("Enable ", &FogState::enabled),
    floats("Start ", &FogState::start),
    floats("End ", &FogState::end),
    floats("Density ", &FogState::density),
    floats("Color ", &FogState::color),
    namedValue("Function ", &FogState::mode, fogModeNames),
    namedValue("Apply ", &FogState::hint, fogHintNames),
};
}  // namespace

bool readFogBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader) {
    auto owned = std::make_unique<FogState>();
    FogState& state = *owned;
    shader.addState(std::move(owned));
    readKeywordBlock(loader, stream, state, fogRows, UnknownLine::raise("PARSE ERROR! Unknown Fog Token"));
    return true;
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

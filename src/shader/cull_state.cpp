// cull_state.cpp -- the "Cull {" block: keywords, culling and two-sided lighting on and off, and its text form.
#include "shader/cull_state.h"

#include <memory>

#include "shader/shader.h"
#include "shader/state_block.h"
#include "shader/state_writer.h"

namespace qv3rn {

namespace {
const NamedValue faceNames[] = {
    {"FRONT_AND_BACK", GL_FRONT_AND_BACK},
    {"BACK", GL_BACK},
    {"FRONT", GL_FRONT},
};

const NamedValue windingNames[] = {
    {"CCW", GL_CCW},
    {"CW", GL_CW},
};

const Keyword<CullState> cullKeywords[] = {
    {"Enable ", [](CullState& s, BlockLine& l) { s.enabled = readFlag(l.text); }},
    {"TwoSided ", [](CullState& s, BlockLine& l) { s.twoSided = readFlag(l.text); }},
    {"Function ", [](CullState& s, BlockLine& l) { s.face = longestName(l.text, faceNames).value_or(s.face); }},
    {"Winding ", [](CullState& s, BlockLine& l) { s.winding = longestName(l.text, windingNames).value_or(s.winding); }},
};
}  // namespace

bool readCullBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader) {
    auto owned = std::make_unique<CullState>();
    CullState& state = *owned;
    shader.addState(std::move(owned));
    return readStateBlock<CullState>(loader, stream, state, cullKeywords, "PARSE ERROR! Unknown Cull Token");
}

void CullState::apply() {
    if (RenderStateLocks::isLocked(kind())) return;
    if (enabled) {
        glEnable(GL_CULL_FACE);
        glFrontFace(winding);
        glCullFace(face);
    } else {
        glDisable(GL_CULL_FACE);
    }
    if (twoSided) glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
}

void CullState::restore() {
    if (RenderStateLocks::isLocked(kind())) return;
    if (!enabled) glEnable(GL_CULL_FACE);
    if (twoSided) glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0);
    if (winding != GL_CCW) glFrontFace(GL_CCW);
    if (face != GL_BACK) glCullFace(GL_BACK);
}

void CullState::write(std::ostream& out) const {
    writeBlockOpener(out, "Cull");
    writeFlagField(out, "Enable", enabled);
    writeFlagField(out, "TwoSided", twoSided);
    writeField(out, "Function", nameOf(face, faceNames));
    writeField(out, "Winding", nameOf(winding, windingNames));
    writeBlockCloser(out);
}

}  // namespace qv3rn

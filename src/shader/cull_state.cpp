// cull_state.cpp -- the "Cull {" block: keywords, culling and two-sided lighting on and off, and its text form.
#include "shader/cull_state.h"

#include <memory>

#include "shader/shader.h"
#include "shader/shader_script_loader.h"
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

const KeywordTable<CullState> cullRows = {
    flag("Enable ", &CullState::enabled),
    flag("TwoSided ", &CullState::twoSided),
    namedValue("Function ", &CullState::face, faceNames),
    namedValue("Winding ", &CullState::winding, windingNames),
};
}  // namespace

bool readCullBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader) {
    auto owned = std::make_unique<CullState>();
    CullState& state = *owned;
    shader.addState(std::move(owned));
    readKeywordBlock(loader, stream, state, cullRows, UnknownLine::raise("PARSE ERROR! Unknown Cull Token"));
    return true;
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

// stencil_state.cpp -- the "Stencil {" block: keywords and operation names, stencil test on and off, text form.
#include "shader/stencil_state.h"

#include <memory>

#include "shader/shader.h"
#include "shader/shader_script_loader.h"
#include "shader/state_block.h"
#include "shader/state_writer.h"

namespace qv3rn {

namespace {
const NamedValue stencilOperationNames[] = {
    {"KEEP", GL_KEEP},   {"ZERO", GL_ZERO},     {"REPLACE", GL_REPLACE},         {"INCR", GL_INCR},
    {"DECR", GL_DECR},   {"INVERT", GL_INVERT}, {"INCR_WRAP", GL_INCR_WRAP_EXT}, {"DECR_WRAP", GL_DECR_WRAP_EXT},
};

const KeywordTable<StencilState> stencilRows = {
    flag("Enable ", &StencilState::enabled),
    namedValue("Function ", &StencilState::function, comparisonNames),
    integers("Reference ", &StencilState::reference),
    integers("WriteMask ", &StencilState::writeMask),
    integers("Mask ", &StencilState::mask),
    namedValue("ZFail ", &StencilState::zFail, stencilOperationNames),
    namedValue("ZPass ", &StencilState::zPass, stencilOperationNames),
    namedValue("Fail ", &StencilState::fail, stencilOperationNames),
};
}  // namespace

bool readStencilBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader) {
    auto owned = std::make_unique<StencilState>();
    StencilState& state = *owned;
    shader.addState(std::move(owned));
    readKeywordBlock(loader, stream, state, stencilRows, UnknownLine::raise("PARSE ERROR! Unknown Stencil Token"));
    return true;
}

// The write mask is applied too, so that a script's WriteMask line takes effect; restore puts back the
// default mask (every bit writable).
void StencilState::apply() {
    if (RenderStateLocks::isLocked(kind())) return;
    if (!enabled) {
        glDisable(GL_STENCIL_TEST);
        return;
    }
    glEnable(GL_STENCIL_TEST);
    glStencilOp(fail, zFail, zPass);
    glStencilFunc(function, reference, mask);
    glStencilMask(writeMask);
}

void StencilState::restore() {
    if (RenderStateLocks::isLocked(kind())) return;
    if (!enabled) return;
    glDisable(GL_STENCIL_TEST);
    glStencilMask(~0u);
}

void StencilState::write(std::ostream& out) const {
    writeBlockOpener(out, "Stencil");
    writeFlagField(out, "Enable", enabled);
    writeIntegerField(out, "Reference", reference);
    writeIntegerField(out, "Mask", mask);
    writeIntegerField(out, "WriteMask", writeMask);
    writeField(out, "Function", nameOf(function, comparisonNames));
    writeField(out, "Fail", nameOf(fail, stencilOperationNames));
    writeField(out, "ZFail", nameOf(zFail, stencilOperationNames));
    writeField(out, "ZPass", nameOf(zPass, stencilOperationNames));
    writeBlockCloser(out);
}

}  // namespace qv3rn

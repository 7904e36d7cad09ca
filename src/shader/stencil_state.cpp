// stencil_state.cpp -- the "Stencil {" block: keywords and operation names, stencil test on and off, text form.
#include "shader/stencil_state.h"

#include <memory>

#include "shader/shader.h"
#include "shader/state_block.h"
#include "shader/state_writer.h"

namespace qv3rn {

namespace {
const NamedValue stencilOperationNames[] = {
    {"KEEP", GL_KEEP},   {"ZERO", GL_ZERO},     {"REPLACE", GL_REPLACE},         {"INCR", GL_INCR},
    {"DECR", GL_DECR},   {"INVERT", GL_INVERT}, {"INCR_WRAP", GL_INCR_WRAP_EXT}, {"DECR_WRAP", GL_DECR_WRAP_EXT},
};

void readOperation(GLenum& field, const std::string& line) {
    field = longestName(line, stencilOperationNames).value_or(field);
}

// "WriteMask " comes before "Mask " and "ZFail " before "Fail ": each contains the shorter keyword.
const Keyword<StencilState> stencilKeywords[] = {
    {"Enable ", [](StencilState& s, BlockLine& l) { s.enabled = readFlag(l.text); }},
    {"Function ", [](StencilState& s, BlockLine& l) { s.function = longestName(l.text, comparisonNames).value_or(s.function); }},
    {"Reference ", [](StencilState& s, BlockLine& l) { scanInteger(l.text, s.reference); }},
    {"WriteMask ", [](StencilState& s, BlockLine& l) { scanInteger(l.text, s.writeMask); }},
    {"Mask ", [](StencilState& s, BlockLine& l) { scanInteger(l.text, s.mask); }},
    {"ZFail ", [](StencilState& s, BlockLine& l) { readOperation(s.zFail, l.text); }},
    {"ZPass ", [](StencilState& s, BlockLine& l) { readOperation(s.zPass, l.text); }},
    {"Fail ", [](StencilState& s, BlockLine& l) { readOperation(s.fail, l.text); }},
};
}  // namespace

bool readStencilBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader) {
    auto owned = std::make_unique<StencilState>();
    StencilState& state = *owned;
    shader.addState(std::move(owned));
    return readStateBlock<StencilState>(loader, stream, state, stencilKeywords, "PARSE ERROR! Unknown Stencil Token");
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

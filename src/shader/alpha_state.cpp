// alpha_state.cpp -- the "Alpha {" block: keywords, alpha test on and off, and its text form.
#include "shader/alpha_state.h"

#include <memory>

#include "shader/shader.h"
#include "shader/shader_script_loader.h"
#include "shader/state_block.h"
#include "shader/state_writer.h"

namespace qv3rn {

namespace {
const KeywordTable<AlphaState> alphaRows = {
    flag("Enable ", &AlphaState::enabled),
    namedValue("Function ", &AlphaState::function, comparisonNames),
    floats("Reference ", &AlphaState::reference),
};
}  // namespace

bool readAlphaBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader) {
    auto owned = std::make_unique<AlphaState>();
    AlphaState& state = *owned;
    shader.addState(std::move(owned));
    readKeywordBlock(loader, stream, state, alphaRows, UnknownLine::raise("PARSE ERROR! Unknown Alpha Token"));
    return true;
}

void AlphaState::apply() {
    if (RenderStateLocks::isLocked(kind())) return;
    if (enabled) {
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(function, reference);
    } else {
        glDisable(GL_ALPHA_TEST);
    }
}

void AlphaState::restore() {
    if (RenderStateLocks::isLocked(kind())) return;
    if (enabled) glDisable(GL_ALPHA_TEST);
}

void AlphaState::write(std::ostream& out) const {
    writeBlockOpener(out, "Alpha");
    writeFlagField(out, "Enable", enabled);
    writeFloatField(out, "Reference", reference);
    writeField(out, "Function", nameOf(function, comparisonNames));
    writeBlockCloser(out);
}

}  // namespace qv3rn

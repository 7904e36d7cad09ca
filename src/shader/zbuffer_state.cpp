// zbuffer_state.cpp -- the "ZBuffer {" block: keywords, depth test and depth writes, and its text form.
#include "shader/zbuffer_state.h"

#include <memory>

#include "shader/shader.h"
#include "shader/shader_script_loader.h"
#include "shader/state_block.h"
#include "shader/state_writer.h"

namespace qv3rn {

namespace {
const KeywordTable<ZBufferState> zBufferRows = {
    flag("Enable ", &ZBufferState::enabled),
    flag("Write ", &ZBufferState::depthWrite),
    namedValue("Function ", &ZBufferState::function, comparisonNames),
};
}  // namespace

bool readZBufferBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader) {
    auto owned = std::make_unique<ZBufferState>();
    ZBufferState& state = *owned;
    shader.addState(std::move(owned));
    readKeywordBlock(loader, stream, state, zBufferRows, UnknownLine::raise("PARSE ERROR! Unknown ZBuffer Token"));
    return true;
}

void ZBufferState::apply() {
    if (RenderStateLocks::isLocked(kind())) return;
    if (enabled) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(function);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    glDepthMask(depthWrite ? GL_TRUE : GL_FALSE);
}

void ZBufferState::restore() {
    if (RenderStateLocks::isLocked(kind())) return;
    if (!enabled) glEnable(GL_DEPTH_TEST);
    if (function != GL_LEQUAL) glDepthFunc(GL_LEQUAL);
    if (!depthWrite) glDepthMask(GL_TRUE);
}

void ZBufferState::write(std::ostream& out) const {
    writeBlockOpener(out, "ZBuffer");
    writeFlagField(out, "Enable", enabled);
    writeFlagField(out, "Write", depthWrite);
    writeField(out, "Function", nameOf(function, comparisonNames));
    writeBlockCloser(out);
}

}  // namespace qv3rn

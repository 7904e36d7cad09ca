// blend_state.cpp -- the "Blend {" block: keywords and factor names, blending on and off, and its text form.
#include "shader/blend_state.h"

#include <memory>

#include "gl/extensions.h"
#include "shader/shader.h"
#include "shader/shader_script_loader.h"
#include "shader/state_block.h"
#include "shader/state_writer.h"

namespace qv3rn {

namespace {
const NamedValue sourceFactorNames[] = {
    {"ZERO", GL_ZERO},
    {"ONE", GL_ONE},
    {"SRC_ALPHA", GL_SRC_ALPHA},
    {"ONE_MINUS_SRC_ALPHA", GL_ONE_MINUS_SRC_ALPHA},
    {"DST_ALPHA", GL_DST_ALPHA},
    {"ONE_MINUS_DST_ALPHA", GL_ONE_MINUS_DST_ALPHA},
    {"DST_COLOR", GL_DST_COLOR},
    {"ONE_MINUS_DST_COLOR", GL_ONE_MINUS_DST_COLOR},
    {"SRC_ALPHA_SATURATE", GL_SRC_ALPHA_SATURATE},
    {"CONSTANT_COLOR", GL_CONSTANT_COLOR},
    {"ONE_MINUS_CONSTANT_COLOR", GL_ONE_MINUS_CONSTANT_COLOR},
    {"CONSTANT_ALPHA", GL_CONSTANT_ALPHA},
    {"ONE_MINUS_CONSTANT_ALPHA", GL_ONE_MINUS_CONSTANT_ALPHA},
};

const NamedValue destinationFactorNames[] = {
    {"ZERO", GL_ZERO},
    {"ONE", GL_ONE},
    {"SRC_COLOR", GL_SRC_COLOR},
    {"ONE_MINUS_SRC_COLOR", GL_ONE_MINUS_SRC_COLOR},
    {"SRC_ALPHA", GL_SRC_ALPHA},
    {"ONE_MINUS_SRC_ALPHA", GL_ONE_MINUS_SRC_ALPHA},
    {"DST_ALPHA", GL_DST_ALPHA},
    {"ONE_MINUS_DST_ALPHA", GL_ONE_MINUS_DST_ALPHA},
    {"CONSTANT_COLOR", GL_CONSTANT_COLOR},
    {"ONE_MINUS_CONSTANT_COLOR", GL_ONE_MINUS_CONSTANT_COLOR},
    {"CONSTANT_ALPHA", GL_CONSTANT_ALPHA},
    {"ONE_MINUS_CONSTANT_ALPHA", GL_ONE_MINUS_CONSTANT_ALPHA},
};

// "NONE" is only written: a line without a known equation name reads as 0, which is what "NONE" stands for.
const NamedValue equationNames[] = {
    {"ADD", GL_FUNC_ADD},
    {"MIN", GL_MIN},
    {"MAX", GL_MAX},
    {"SUBTRACT", GL_FUNC_SUBTRACT},
    {"REVERSE_SUBTRACT", GL_FUNC_REVERSE_SUBTRACT},
};

// An alpha factor line makes the factors separate.
Row<BlendState> alphaFactor(std::string keyword, GLenum BlendState::*factor, NameTable names) {
    return {std::move(keyword), [factor, names](BlendState& s, BlockLine& l) {
                s.*factor = longestName(l.text, names).value_or(s.*factor);
                s.separate = true;
            }};
}

const KeywordTable<BlendState> blendRows = {
    flag("Enable ", &BlendState::enabled),
    flag("Lighting ", &BlendState::lighting),
    namedValue("Src ", &BlendState::srcRGB, sourceFactorNames),
    namedValue("Src.RGB ", &BlendState::srcRGB, sourceFactorNames),
    namedValue("Dst ", &BlendState::dstRGB, destinationFactorNames),
    namedValue("Dst.RGB ", &BlendState::dstRGB, destinationFactorNames),
    alphaFactor("Src.Alpha ", &BlendState::srcAlpha, sourceFactorNames),
    alphaFactor("Dst.Alpha ", &BlendState::dstAlpha, destinationFactorNames),
    floats("BlendColor ", &BlendState::color),
    {"BlendEquation ", [](BlendState& s, BlockLine& l) { s.equation = longestName(l.text, equationNames).value_or(0); }},
};
}  // namespace

bool readBlendBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader) {
    auto owned = std::make_unique<BlendState>();
    BlendState& state = *owned;
    shader.addState(std::move(owned));
    shader.setBlended(true);
    readKeywordBlock(loader, stream, state, blendRows, UnknownLine::raise("PARSE ERROR! Unknown Blend Token"));
    return true;
}

void BlendState::apply() {
    if (RenderStateLocks::isLocked(kind())) return;
    if (!enabled) {
        glDisable(GL_BLEND);
        return;
    }
    glEnable(GL_BLEND);
    if (equation != 0 && glBlendEquationEXT) glBlendEquationEXT(equation);
    if (separate && glBlendFuncSeparateEXT)
        glBlendFuncSeparateEXT(srcRGB, dstRGB, srcAlpha, dstAlpha);
    else
        glBlendFunc(srcRGB, dstRGB);
    if (glBlendColorEXT) glBlendColorEXT(color[0], color[1], color[2], color[3]);
    if (!lighting) {
        glPushAttrib(GL_LIGHTING_BIT);
        glDisable(GL_LIGHTING);
    }
}

void BlendState::restore() {
    if (RenderStateLocks::isLocked(kind())) return;
    if (!enabled) {
        glDisable(GL_BLEND);
        return;
    }
    if (equation != 0 && glBlendEquationEXT) glBlendEquationEXT(GL_FUNC_ADD);
    glDisable(GL_BLEND);
    if (!lighting) glPopAttrib();
}

void BlendState::write(std::ostream& out) const {
    writeBlockOpener(out, "Blend");
    writeFlagField(out, "Enable", enabled);
    writeFlagField(out, "Lighting", lighting);
    writeField(out, "Src.RGB", nameOf(srcRGB, sourceFactorNames));
    // The alpha factors only when they are separate: reading either line back makes the state separate.
    if (separate) writeField(out, "Src.Alpha", nameOf(srcAlpha, sourceFactorNames));
    writeField(out, "Dst.RGB", nameOf(dstRGB, destinationFactorNames));
    if (separate) writeField(out, "Dst.Alpha", nameOf(dstAlpha, destinationFactorNames));
    writeField(out, "Src", nameOf(srcRGB, sourceFactorNames));
    writeField(out, "Dst", nameOf(dstRGB, destinationFactorNames));
    writeField(out, "BlendEquation", equation == 0 ? "NONE" : nameOf(equation, equationNames));
    writeColorField(out, "BlendColor", color);
    writeBlockCloser(out);
}

}  // namespace qv3rn

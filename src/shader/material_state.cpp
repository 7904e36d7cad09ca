// material_state.cpp -- the "Material {" block: keywords, the lighting material and current colour, text form.
#include "shader/material_state.h"

#include <GL/gl.h>

#include <stdexcept>

#include "anim/envelope_field.h"
#include "shader/shader.h"
#include "shader/shader_manager.h"
#include "shader/shader_script_loader.h"
#include "shader/state_block.h"
#include "shader/state_writer.h"

namespace qv3rn {

namespace {

// An envelope block that breaks a rule of the envelope format raises that rule's own message ("To many keys in
// Envelope"); the field's message is for a block the envelope reader turns down without one.
void readTransparency(MaterialState& state, BlockLine& line) {
    state.transparency = readEnvelopeField(line, FieldClose::SkipToBrace);
    if (!state.transparency) throw std::runtime_error("PARSE ERROR! Unable to load Transparency envelope");
}

const KeywordTable<MaterialState> materialRows = {
    flag("Enable ", &MaterialState::enabled),
    floats("Ambient ", &MaterialState::ambient),
    floats("Diffuse ", &MaterialState::diffuse),
    floats("Specular ", &MaterialState::specular),
    floats("Emission ", &MaterialState::emission),
    floats("Shininess ", &MaterialState::shininess),
    {"Transparency {", readTransparency},
};

// The OpenGL default material, which restore puts back.
const float defaultAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
const float defaultDiffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
const float defaultSpecular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
const float defaultEmission[4] = {0.0f, 0.0f, 0.0f, 1.0f};
const float blackMaterialColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};

}  // namespace

bool readMaterialBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader) {
    auto owned = std::make_unique<MaterialState>();
    MaterialState& state = *owned;
    shader.addState(std::move(owned));
    readKeywordBlock(loader, stream, state, materialRows, UnknownLine::raise("PARSE ERROR! Unknown Material Token"));
    return true;
}

void MaterialState::apply() {
    if (RenderStateLocks::isLocked(kind())) return;
    if (transparency) {
        const float alpha = transparency->evaluate(ShaderManager::currentFrameTime());
        ambient[3] = alpha;
        diffuse[3] = alpha;
        specular[3] = alpha;
    }
    const bool black = RenderStateLocks::blackMaterial();
    if (enabled) {
        glDisable(GL_COLOR_MATERIAL);
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, black ? blackMaterialColor : ambient);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, black ? blackMaterialColor : diffuse);
        glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, black ? blackMaterialColor : emission);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
        glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, shininess);
    } else {
        glEnable(GL_COLOR_MATERIAL);
        if (black)
            glColor4f(0.0f, 0.0f, 0.0f, 0.0f);
        else
            glColor4fv(diffuse);
    }
}

void MaterialState::restore() {
    if (RenderStateLocks::isLocked(kind())) return;
    if (enabled) {
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, defaultAmbient);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, defaultDiffuse);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, defaultSpecular);
        glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, defaultEmission);
        glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 0.0f);
        glEnable(GL_COLOR_MATERIAL);
    } else {
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    }
}

void MaterialState::write(std::ostream& out) const {
    writeBlockOpener(out, "Material");
    writeFlagField(out, "Enable", enabled);
    writeColorField(out, "Ambient", ambient);
    writeColorField(out, "Diffuse", diffuse);
    writeColorField(out, "Specular", specular);
    writeColorField(out, "Emission", emission);
    writeFloatField(out, "Shininess", shininess);
    if (transparency) writeEnvelopeField(out, "Transparency", *transparency);
    writeBlockCloser(out);
}

}  // namespace qv3rn

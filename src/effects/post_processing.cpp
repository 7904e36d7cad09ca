// post_processing.cpp -- the fragment-program image effect: parameter sub-blocks, animated parameters, drawing.
#include "effects/post_processing.h"

#include <cstdio>
#include <string_view>

#include "gl/extensions.h"
#include "effects/effect_loaders.h"
#include "shader/shader.h"

namespace qv3rn {

PostProcessing::~PostProcessing() { releaseShader(); }

void PostProcessing::setShader(ShaderHandle shader) {
    releaseShader();
    shader_ = std::move(shader);
}

void PostProcessing::releaseShader() {
    if (!shader_) return;
    if (ShaderManager* manager = ShaderManager::instance())
        manager->release(shader_);
    else
        shader_.reset();
}

bool PostProcessing::release() {
    parameters.clear();
    releaseShader();
    return ImageEffect::release();
}

void PostProcessing::update(float time) {
    for (ProgramParameter& parameter : parameters)
        for (std::size_t channel = 0; channel < parameter.channels.size(); ++channel)
            if (parameter.channels[channel]) parameter.values[channel] = parameter.channels[channel]->evaluate(time);
    ImageEffect::update(time);
}

// Without a program there is nothing to draw through: binding program 0 would only make every draw an error.
void PostProcessing::render() {
    if (!GL_ARB_fragment_program_Flag || programId == 0) return;
    glEnable(GL_FRAGMENT_PROGRAM_ARB);
    glBindProgramARB(GL_FRAGMENT_PROGRAM_ARB, programId);
    for (const ProgramParameter& parameter : parameters) {
        const auto& v = parameter.values;
        glProgramLocalParameter4fARB(GL_FRAGMENT_PROGRAM_ARB, parameter.index, v[0], v[1], v[2], v[3]);
    }
    if (shader_) shader_->begin();
    ImageEffect::render();
    if (shader_) shader_->end();
    glDisable(GL_FRAGMENT_PROGRAM_ARB);
}

std::unique_ptr<Effect> PostProcessingLoader::createEffect() { return std::make_unique<PostProcessing>(); }

std::unique_ptr<EffectLoader> makePostProcessingLoader() { return std::make_unique<PostProcessingLoader>(); }

bool PostProcessingLoader::onToken(std::string& line, std::istream& stream, Effect& base) {
    if (ImageEffectLoader::onToken(line, stream, base)) return true;
    auto& effect = static_cast<PostProcessing&>(base);
    // The block's own keywords, in test order.
    if (matches(line, "Program ")) {
        ShaderManager* manager = ShaderManager::instance();
        effect.programId = manager ? manager->findFragmentProgram(quotedText(line)) : 0;
        return true;
    }
    if (matches(line, "Shader ")) {
        ShaderManager* manager = ShaderManager::instance();
        effect.setShader(manager ? manager->find(quotedText(line)) : ShaderHandle{});
        return true;
    }
    if (matches(line, "Param {")) return readParameter(stream, effect);
    return false;
}

// The sub-block's keywords, in test order; the channel envelopes are "ValueA {" to "ValueD {".
bool PostProcessingLoader::readParameter(std::istream& stream, PostProcessing& effect) {
    static constexpr std::string_view channelKeywords[] = {"ValueA {", "ValueB {", "ValueC {", "ValueD {"};
    ProgramParameter parameter;
    bool ended = false;
    while (!ended && stream.good()) {
        const std::string line = readLine(stream);
        if (line.empty()) continue;  // a line that held only a comment, or the end of the stream
        if (matches(line, "Index ")) {
            int index = 0;
            std::sscanf(line.c_str(), "%*s %d", &index);
            parameter.index = static_cast<std::uint32_t>(index);
            continue;
        }
        if (matches(line, "Values ")) {
            auto& v = parameter.values;
            std::sscanf(line.c_str(), "%*s %f %f %f %f", &v[0], &v[1], &v[2], &v[3]);
            continue;
        }
        bool channelLine = false;
        for (std::size_t channel = 0; channel < 4 && !channelLine; ++channel) {
            if (!matches(line, channelKeywords[channel])) continue;
            channelLine = true;
            parameter.channels[channel] = readEnvelopeField(stream);
            if (!parameter.channels[channel]) return false;
        }
        if (channelLine) continue;
        if (!matches(line, "}")) return false;
        ended = true;
    }
    effect.parameters.push_back(std::move(parameter));
    return true;
}

}  // namespace qv3rn

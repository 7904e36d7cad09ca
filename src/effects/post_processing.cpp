// post_processing.cpp -- the fragment-program image effect: parameter sub-blocks, animated parameters, drawing.
#include "effects/post_processing.h"

#include <string>

#include "anim/envelope_field.h"
#include "effects/effect_loaders.h"
#include "gl/extensions.h"
#include "shader/shader.h"

namespace qv3rn {

PostProcessing::~PostProcessing() { releaseShader(); }

void PostProcessing::setShader(ShaderHandle shader) {
    releaseShader();
    shader_ = std::move(shader);
}

void PostProcessing::releaseShader() { qv3rn::releaseShader(shader_); }

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

void PostProcessing::render() {
    if (!GL_ARB_fragment_program_Flag) return;
    // Program 0 has no text: with the fragment-program stage on it would make every draw an error, so without a
    // program the stage stays off and the quad is drawn by the fixed-function stage.
    const bool programmed = programId != 0;
    if (programmed) glEnable(GL_FRAGMENT_PROGRAM_ARB);
    glBindProgramARB(GL_FRAGMENT_PROGRAM_ARB, programId);
    for (const ProgramParameter& parameter : parameters) {
        const auto& v = parameter.values;
        glProgramLocalParameter4fARB(GL_FRAGMENT_PROGRAM_ARB, parameter.index, v[0], v[1], v[2], v[3]);
    }
    if (shader_) shader_->begin();
    ImageEffect::render();
    if (shader_) shader_->end();
    if (programmed) glDisable(GL_FRAGMENT_PROGRAM_ARB);
}

namespace {

Row<ProgramParameter> channel(std::string keyword, std::size_t index) {
    return {std::move(keyword), [index](ProgramParameter& parameter, BlockLine& line) {
                parameter.channels[index] = readEnvelopeField(line, FieldClose::ReadClosingLine);
                if (!parameter.channels[index]) line.failBlock();
            }};
}

// The parameter sub-block after "Param {".
const KeywordTable<ProgramParameter> parameterRows = {
    integers("Index ", &ProgramParameter::index),
    floats("Values ", &ProgramParameter::values),
    channel("ValueA {", 0),
    channel("ValueB {", 1),
    channel("ValueC {", 2),
    channel("ValueD {", 3),
};

void readParameter(PostProcessing& effect, BlockLine& line) {
    ProgramParameter parameter;
    if (readKeywordBlock(line.parser, line.stream, parameter, parameterRows, UnknownLine::fail()).failed())
        return line.failBlock();
    effect.parameters.push_back(std::move(parameter));
}

KeywordTable<PostProcessing> postProcessingGrammar() {
    return effectGrammar<PostProcessing>(
        imageEffectRows(),
        {
            {"Program ",
             [](PostProcessing& effect, BlockLine& l) {
                 ShaderManager* manager = ShaderManager::instance();
                 effect.programId = manager ? manager->findFragmentProgram(quotedText(l.text)) : 0;
             }},
            {"Shader ",
             [](PostProcessing& effect, BlockLine& l) {
                 ShaderManager* manager = ShaderManager::instance();
                 effect.setShader(manager ? manager->find(quotedText(l.text)) : ShaderHandle{});
             }},
            {"Param {", readParameter},
        });
}

}  // namespace

PostProcessingLoader::PostProcessingLoader()
    : EffectLoaderOf("PostProcessing", postProcessingGrammar(), UnknownLine::fail()) {}

std::unique_ptr<EffectLoader> makePostProcessingLoader() { return std::make_unique<PostProcessingLoader>(); }

}  // namespace qv3rn

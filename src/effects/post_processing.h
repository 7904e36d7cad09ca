// post_processing.h -- an image quad drawn through an ARB fragment program fed with animated program-local
// parameters, with its loader.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <vector>

#include "effects/image_effect.h"
#include "shader/shader_manager.h"  // Required for: ShaderHandle

namespace qv3rn {

// One program-local parameter: four channels (A to D), each a value from the "Values" line or an envelope.
struct ProgramParameter {
    std::uint32_t index = 0;
    std::array<std::unique_ptr<Envelope>, 4> channels;
    std::array<float, 4> values{0.0f, 0.0f, 0.0f, 0.0f};
};

// Draws as an ImageEffect while its fragment program is bound and its parameters are set, inside its shader.
// Without a program (none named, or not found) program 0 is bound and the quad is drawn by the fixed-function
// stage; without the fragment-program extension nothing is drawn.
class PostProcessing : public ImageEffect {
public:
    PostProcessing() : ImageEffect(EffectKind::PostProcessing) {}
    ~PostProcessing() override;

    bool release() override;           // parameters and shader, then the image effect's release
    void update(float time) override;  // every channel with an envelope takes its value, then the image update
    void render() override;

    // Replaces the shader, giving the previous handle back.
    void setShader(ShaderHandle shader);
    Shader* shader() const { return shader_.get(); }

    std::vector<ProgramParameter> parameters;
    GLuint programId = 0;

private:
    void releaseShader();

    ShaderHandle shader_;
};

// "PostProcessing" blocks: the common keywords, every ImageEffect keyword, then "Program " (a quoted fragment
// program name), "Shader " (a quoted shader name) and "Param {" (a parameter sub-block). Any other line is not
// taken: the script load fails.
//
// Parameter sub-block: "Index " (the program-local index), "Values " (four numbers), "ValueA {" .. "ValueD {"
// (an envelope for that channel, followed by the field's closing line), "}" (the end). Any other line fails the
// sub-block and with it the block.
class PostProcessingLoader : public EffectLoaderOf<PostProcessing> {
public:
    PostProcessingLoader();
};

}  // namespace qv3rn

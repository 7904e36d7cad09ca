// shader_begin_end.cpp -- CPU time of Shader::begin + end for a typical textured, blended, animated shader in a
// headless context, and of a bare untextured one for comparison.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <sstream>

#include "gl/extensions.h"
#include "platform/headless_context.h"
#include "shader/image_registry.h"
#include "shader/shader_manager.h"
#include "shader/shader_script_loader.h"
#include "shader/texture_2d.h"

namespace {

using namespace qv3rn;

const char* const typicalShaders =
    "Shader {\n"
    "\tName \"typical\"\n"
    "\tLighting yes\n"
    "\tBlend {\n\t\tEnable yes\n\t\tSrc SRC_ALPHA\n\t\tDst ONE_MINUS_SRC_ALPHA\n\t}\n"
    "\tZBuffer {\n\t\tEnable yes\n\t\tWrite no\n\t\tFunction LEQUAL\n\t}\n"
    "\tCull {\n\t\tEnable yes\n\t}\n"
    "\tMaterial {\n\t\tEnable yes\n\t\tDiffuse 1 0.5 0.25 1\n\t\tShininess 16\n"
    "\t\tTransparency {\n{ Envelope\n2\nKey 1 0 3 0 0 0 0 0 0 0\nKey 0 10 3 0 0 0 0 0 0 0\n}\n\t\t}\n\t}\n"
    "\tTexture {\n\t\tImage \"bench.tga\"\n\t\tTexUnit UNIT0\n"
    "\t\tRotateB {\n{ Envelope\n2\nKey 0 0 3 0 0 0 0 0 0 0\nKey 6.28 10 3 0 0 0 0 0 0 0\n}\n\t\t}\n\t}\n"
    "}\n"
    "Shader {\n\tName \"bare\"\n\tZBuffer {\n\t\tEnable yes\n\t}\n}\n";

class ShaderBench {
public:
    ShaderBench() {
        context_ = platform::HeadlessContext::create(64, 64);
        if (!context_) return;
        reportExtensions(*context_);
        auto image = std::make_unique<Texture2D>();
        image->allocate(64, 64, ImageFormat::Rgba);
        image->setName("bench.tga");
        ImageRegistry::instance().add(image.release());
        ShaderScriptLoader loader(manager_);
        std::istringstream script(typicalShaders);
        loader.parse(script);
    }
    ~ShaderBench() {
        manager_.clear();
        ImageRegistry::instance().clear();
    }
    Shader* shader(const char* name) {
        for (Shader* shader : manager_.shaders())
            if (shader->getName() == name) return shader;
        return nullptr;
    }
    bool ready() const { return context_ != nullptr; }

private:
    std::unique_ptr<platform::HeadlessContext> context_;
    ShaderManager manager_;
};

void beginEnd(benchmark::State& state, const char* name) {
    ShaderBench bench;
    Shader* shader = bench.ready() ? bench.shader(name) : nullptr;
    if (!shader) {
        state.SkipWithError("no context or no shader");
        return;
    }
    float time = 0.0f;
    for (auto _ : state) {
        ShaderManager::instance()->setFrameTime(time);
        time += 0.016f;
        shader->begin();
        shader->end();
    }
    glFinish();
}

void BM_BeginEndTypicalShader(benchmark::State& state) { beginEnd(state, "typical"); }
void BM_BeginEndBareShader(benchmark::State& state) { beginEnd(state, "bare"); }

BENCHMARK(BM_BeginEndTypicalShader);
BENCHMARK(BM_BeginEndBareShader);

}  // namespace

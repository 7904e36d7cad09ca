// shader_script_load.cpp -- reading a 2 000-line shader script from memory (no images, no programs).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "shader/shader_manager.h"
#include "shader/shader_script_loader.h"

namespace {

using namespace qv3rn;

// About 2 000 lines: shaders of every state kind, with comments and blank lines as scripts have them.
std::string makeScript() {
    std::string text;
    for (int i = 0; std::count(text.begin(), text.end(), '\n') < 2000; ++i) {
        std::ostringstream script;
        script << "; shader " << i << "\n"
               << "Shader {\n\tName \"shader" << i << "\"\n\tLighting " << (i % 2 ? "yes" : "no") << "\n"
               << "\tBlend {\n\t\tEnable yes\n\t\tSrc ONE_MINUS_CONSTANT_ALPHA\n\t\tDst ONE_MINUS_SRC_ALPHA\n"
               << "\t\tBlendEquation REVERSE_SUBTRACT\n\t\tBlendColor 0.5 0.5 0.5 1\n\t}\n"
               << "\tStencil {\n\t\tEnable yes\n\t\tFunction GEQUAL\n\t\tReference 1\n\t\tWriteMask 255\n"
               << "\t\tZFail INCR_WRAP\n\t\tZPass KEEP\n\t\tFail KEEP\n\t}\n"
               << "\tMaterial {\n\t\tEnable yes\n\t\tAmbient 0.1 0.1 0.1 1\n\t\tDiffuse 0.8 0.7 0.6 1\n"
               << "\t\tTransparency {\n{ Envelope\n2\nKey 1 0 3 0 0 0 0 0 0 0\nKey 0 4 3 0 0 0 0 0 0 0\n"
               << "Behaviors 1 1\n}\n\t\t}\n\t}\n"
               << "\tFog {\n\t\tEnable no\n\t\tColor 0.1 0.2 0.3 1\n\t\tFunction EXPSQR\n\t}\n"
               << "}\n\n";
        text += script.str();
    }
    return text;
}

void BM_LoadScript2000Lines(benchmark::State& state) {
    const std::string text = makeScript();
    std::size_t shaders = 0;
    for (auto _ : state) {
        ShaderManager manager;
        ShaderScriptLoader loader(manager);
        std::istringstream script(text);
        benchmark::DoNotOptimize(loader.parse(script));
        shaders = manager.shaders().size();
    }
    state.counters["shaders"] = static_cast<double>(shaders);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

BENCHMARK(BM_LoadScript2000Lines)->Unit(benchmark::kMicrosecond);

}  // namespace

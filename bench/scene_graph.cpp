// Benchmarks of the scene graph: reading a scene script of 2,000 group nodes, and one update of such a tree where
// every node has a LightWave keyframer (position, heading and scale channels).
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

#include "scene/scene_loader.h"

namespace {

// 2,000 groups: 40 under the root, each holding a chain of 49 nested groups, every one with a keyframer.
std::string sceneScript() {
    const std::string keyframer =
        "KeyframerLW {\n NumChannels 9\n Channel 0\n { Envelope\n  2\n  Key 0 0 3 0 0 0 0 0 0 0\n"
        "  Key 1 10 3 0 0 0 0 0 0 0\n  Behaviors 1 1\n }\n Channel 3\n { Envelope\n  2\n  Key 0 0 3 0 0 0 0 0 0 0\n"
        "  Key 0.5 10 3 0 0 0 0 0 0 0\n  Behaviors 1 1\n }\n Channel 6\n { Envelope\n  1\n  Key 1 0 3 0 0 0 0 0 0 0\n"
        "  Behaviors 1 1\n }\n}\n";
    std::string text = "Group {\nName \"root\"\n";
    for (int branch = 0; branch < 40; ++branch) {
        for (int depth = 0; depth < 50; ++depth)
            text += "Group {\nName \"n" + std::to_string(branch * 50 + depth) + "\"\n" + keyframer;
        for (int depth = 0; depth < 50; ++depth) text += "}\n";
    }
    return text + "}\n";
}

std::unique_ptr<qv3rn::SceneNode> readScene(const std::string& text) {
    qv3rn::SceneLoader loader;
    std::istringstream stream(text);
    return loader.parse(stream, "bench.scene");
}

void loadScene(benchmark::State& state) {
    const std::string text = sceneScript();
    for (auto _ : state) benchmark::DoNotOptimize(readScene(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

void updateScene(benchmark::State& state) {
    const auto root = readScene(sceneScript());
    float time = 0.0f;
    for (auto _ : state) {
        root->update(time);
        time += 0.016f;
    }
    benchmark::DoNotOptimize(root->hierarchySphere());
}

}  // namespace

BENCHMARK(loadScene)->Unit(benchmark::kMillisecond);
BENCHMARK(updateScene)->Unit(benchmark::kMicrosecond);

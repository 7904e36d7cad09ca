// Benchmarks of the special nodes' per-frame work: one spark emitter holding about 10,000 sparks stepped a frame
// at a time (each frame drops the oldest and emits as many again).
#include <benchmark/benchmark.h>

#include "scene/sparks_node.h"

namespace {

void updateSparks(benchmark::State& state) {
    qv3rn::SceneNode source;
    qv3rn::SparksNode sparks;
    // 5,000 sparks a second living 2 seconds: 10,000 alive once the first ones die.
    sparks.addEmitter(source, {5000.0f, 2.0f, 0.1f, 1.0f});
    float time = 0.0f;
    for (int frame = 0; frame < 150; ++frame) sparks.updateSelf(time += 1.0f / 60.0f);
    for (auto _ : state) {
        sparks.updateSelf(time += 1.0f / 60.0f);
        benchmark::DoNotOptimize(sparks.emitters()[0].sparks.data());
    }
    state.counters["sparks"] = static_cast<double>(sparks.emitters()[0].sparks.size());
}

}  // namespace

BENCHMARK(updateSparks);
BENCHMARK_MAIN();

// tunnel_update.cpp -- the tunnel's per-frame work on the CPU: recomputing the position, normal and texture
// coordinates of every vertex of a 64 x 64 tube with every ripple term on.
#include <benchmark/benchmark.h>

#include "effects/tunnel_effect.h"

namespace {

using namespace qv3rn;

void TunnelUpdate(benchmark::State& state) {
    TunnelEffect tunnel;
    tunnel.segments = static_cast<int>(state.range(0));
    tunnel.rings = static_cast<int>(state.range(0));
    tunnel.length = 40.0f;
    tunnel.speed = 0.5f;
    tunnel.linear = {0.3f, 2.0f, 1.5f, 0.4f};
    tunnel.circular = {1.0f, 3.0f, 0.5f};
    tunnel.phase = {0.1f, 0.2f, 0.3f, 0.4f};
    tunnel.scrollU = 0.05f;
    tunnel.scrollV = 0.2f;
    if (!tunnel.init()) {
        state.SkipWithError("the tunnel was not built");
        return;
    }
    float time = 1.0f;
    for (auto _ : state) {
        time += 1.0f / 60.0f;
        tunnel.update(time);
        benchmark::DoNotOptimize(tunnel.mesh()->vertices()[0]);
    }
    const auto vertices = static_cast<double>(tunnel.mesh()->vertexCount());
    state.counters["vertices/s"] = benchmark::Counter(vertices, benchmark::Counter::kIsIterationInvariantRate);
    tunnel.release();
}
BENCHMARK(TunnelUpdate)->Arg(64)->Unit(benchmark::kMicrosecond);

}  // namespace

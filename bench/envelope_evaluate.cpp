// Benchmarks of Envelope::evaluate: 2, 10 and 100 keys of each span type, at times spread over the keys.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "anim/envelope.h"

namespace {

qv3rn::Envelope makeEnvelope(std::uint16_t spanType, int keys) {
    qv3rn::Envelope envelope;
    for (int i = 0; i < keys; ++i) {
        qv3rn::EnvelopeKey key;
        key.time = static_cast<float>(i);
        key.value = static_cast<float>((i * 7) % 5);
        key.spanType = spanType;
        key.tension = 0.2f;
        key.continuity = -0.1f;
        key.bias = 0.3f;
        key.param0 = -0.3f;
        key.param1 = 0.4f;
        key.param2 = 0.3f;
        key.param3 = -0.2f;
        envelope.addKey(key);
    }
    envelope.setBehaviors(qv3rn::BehaviorConstant, qv3rn::BehaviorConstant);
    return envelope;
}

// Arguments: span type, key count. Each iteration evaluates at the next of 64 times across the key range.
void evaluate(benchmark::State& state) {
    const auto spanType = static_cast<std::uint16_t>(state.range(0));
    const int keys = static_cast<int>(state.range(1));
    const qv3rn::Envelope envelope = makeEnvelope(spanType, keys);
    float times[64];
    for (int i = 0; i < 64; ++i) times[i] = (static_cast<float>(i) + 0.37f) * static_cast<float>(keys - 1) / 64.0f;
    unsigned next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(envelope.evaluate(times[next++ & 63]));
    }
    static const char* const names[] = {"TCB", "Hermite", "Bezier", "Linear", "Stepped", "Bezier2D"};
    state.SetLabel(names[spanType]);
}

// Behaviours outside the key range: repeat and oscillate wrap the time, then evaluate inside.
void evaluateWrapped(benchmark::State& state) {
    qv3rn::Envelope envelope = makeEnvelope(qv3rn::SpanTCB, 10);
    envelope.setBehaviors(static_cast<std::uint16_t>(state.range(0)), static_cast<std::uint16_t>(state.range(0)));
    float times[64];
    for (int i = 0; i < 64; ++i) times[i] = -40.0f + static_cast<float>(i) * 1.37f;
    unsigned next = 0;
    for (auto _ : state) benchmark::DoNotOptimize(envelope.evaluate(times[next++ & 63]));
}

}  // namespace

BENCHMARK(evaluate)->ArgsProduct({{0, 1, 2, 3, 4, 5}, {2, 10, 100}})->ArgNames({"span", "keys"});
BENCHMARK(evaluateWrapped)->Arg(qv3rn::BehaviorRepeat)->Arg(qv3rn::BehaviorOscillate)->Arg(qv3rn::BehaviorOffsetRepeat)
    ->ArgName("behavior");

// synthesizer.cpp -- a small subtractive synthesiser: every note renders additively into a stereo mix buffer.
#include "generators/synthesizer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace qv3rn {

namespace {

constexpr float kTwoPi = 6.2831853f;

float noteFrequency(int note) { return 440.0f * std::pow(2.0f, (note - 69) / 12.0f); }

// Deterministic white noise for the drums.
struct NoiseSource {
    std::uint32_t state;
    float next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<float>(state) / 2147483648.0f - 1.0f;
    }
};

struct Mix {
    std::vector<float>& out;  // interleaved stereo
    std::vector<float>& send;  // mono delay send
    long long frames;
    void add(long long frame, float value, float pan, float sendAmount) {
        addGains(frame, value, std::sqrt(0.5f * (1.0f - pan)), std::sqrt(0.5f * (1.0f + pan)), sendAmount);
    }
    void addGains(long long frame, float value, float left, float right, float sendAmount) {
        if (frame < 0 || frame >= frames) return;
        out[static_cast<size_t>(frame) * 2] += value * left;
        out[static_cast<size_t>(frame) * 2 + 1] += value * right;
        send[static_cast<size_t>(frame)] += value * sendAmount;
    }
};

void renderKick(Mix& mix, const NoteEvent& e, const Instrument& ins, float rate) {
    const long long length = static_cast<long long>(0.45f * rate);
    float phase = 0.0f;
    for (long long i = 0; i < length; ++i) {
        const float t = i / rate;
        const float frequency = 45.0f + 110.0f * std::exp(-t * 30.0f);
        phase += frequency / rate;
        const float body = std::sin(kTwoPi * phase) * std::exp(-t * 7.0f);
        const float click = (i < 40) ? (1.0f - i / 40.0f) * 0.6f : 0.0f;
        mix.add(e.startSample + i, (body + click) * e.velocity * ins.volume, ins.pan, 0.0f);
    }
}

void renderSnare(Mix& mix, const NoteEvent& e, const Instrument& ins, float rate) {
    NoiseSource noise{static_cast<std::uint32_t>(e.startSample * 2654435761u) | 1u};
    const long long length = static_cast<long long>(0.3f * rate);
    float low = 0.0f;
    for (long long i = 0; i < length; ++i) {
        const float t = i / rate;
        const float n = noise.next();
        low += 0.35f * (n - low);
        const float rattle = (n - low) * std::exp(-t * 16.0f);
        const float tone = std::sin(kTwoPi * 185.0f * t) * std::exp(-t * 30.0f);
        mix.add(e.startSample + i, (rattle * 0.8f + tone * 0.5f) * e.velocity * ins.volume, ins.pan, 0.12f);
    }
}

void renderHat(Mix& mix, const NoteEvent& e, const Instrument& ins, float rate) {
    NoiseSource noise{static_cast<std::uint32_t>(e.startSample * 40503u) | 1u};
    const float decay = e.velocity > 0.9f ? 9.0f : 40.0f;  // accented hats ring open
    const long long length = static_cast<long long>(std::min(0.5f, 6.0f / decay) * rate);
    float previous = 0.0f;
    for (long long i = 0; i < length; ++i) {
        const float n = noise.next();
        const float high = n - previous;  // first difference: a crude high-pass
        previous = n;
        mix.add(e.startSample + i, high * 0.5f * std::exp(-(i / rate) * decay) * ins.volume, ins.pan, 0.05f);
    }
}

// Naive saw-based pitched voices (the two-pole low-pass tames their aliasing) with an attack/release envelope and a one-pole low-pass whose cut-off follows the envelope.
void renderTonal(Mix& mix, const NoteEvent& e, const Instrument& ins, float rate) {
    const float frequency = noteFrequency(e.note);
    float attack = 0.005f, release = 0.08f, detune = 0.0f, cutoffBase = 0.0f, cutoffEnv = 0.0f, sendAmount = 0.0f;
    int oscillators = 1;
    switch (ins.voice) {
        case Voice::Bass: attack = 0.004f, release = 0.06f, cutoffBase = 180.0f, cutoffEnv = 1600.0f, oscillators = 2,
                          detune = 0.004f; break;
        case Voice::Pad: attack = 0.9f, release = 1.6f, cutoffBase = 700.0f, cutoffEnv = 900.0f, oscillators = 4,
                         detune = 0.008f, sendAmount = 0.35f; break;
        default: attack = 0.01f, release = 0.25f, cutoffBase = 900.0f, cutoffEnv = 3200.0f, oscillators = 2,
                 detune = 0.006f, sendAmount = 0.4f; break;
    }
    const long long gate = std::max<long long>(e.lengthSamples, 1);
    const long long total = gate + static_cast<long long>(release * rate);
    float phases[4] = {0.0f, 0.25f, 0.5f, 0.75f};
    float increments[4] = {};
    for (int o = 0; o < oscillators; ++o) {
        const float spread = oscillators > 1 ? (o / float(oscillators - 1) - 0.5f) * 2.0f * detune : 0.0f;
        increments[o] = frequency * (1.0f + spread) / rate;
    }
    float low1 = 0.0f, low2 = 0.0f;
    const float gain = e.velocity * ins.volume / static_cast<float>(oscillators);
    const float releaseFactor = std::exp(-5.0f / (release * rate));
    float releaseLevel = 1.0f;
    // The slowly changing controls (filter coefficient, pan gains) are updated once per block of samples.
    constexpr long long kBlock = 32;
    float k = 0.0f, left = 0.0f, right = 0.0f;
    for (long long i = 0; i < total; ++i) {
        const float t = i / rate;
        if (i >= gate) releaseLevel *= releaseFactor;
        const float amp = std::min(1.0f, t / attack) * releaseLevel;
        if (i % kBlock == 0) {
            const float decay = std::exp(-t * (ins.voice == Voice::Pad ? 0.8f : 9.0f));
            const float cutoff = std::min(cutoffBase + cutoffEnv * (ins.voice == Voice::Pad ? amp : decay), rate * 0.45f);
            k = 1.0f - std::exp(-kTwoPi * cutoff / rate);
            const float pan = std::clamp(ins.voice == Voice::Pad ? ins.pan + 0.35f * std::sin(t * 0.9f + e.note) : ins.pan,
                                         -1.0f, 1.0f);
            left = std::sqrt(0.5f * (1.0f - pan));
            right = std::sqrt(0.5f * (1.0f + pan));
        }
        float sum = 0.0f;
        for (int o = 0; o < oscillators; ++o) {
            phases[o] += increments[o];
            if (phases[o] >= 1.0f) phases[o] -= 1.0f;
            sum += 2.0f * phases[o] - 1.0f;
        }
        if (ins.voice == Voice::Lead) sum += 0.5f * std::sin(kTwoPi * phases[0] * 2.0f);  // an octave of sine for body
        low1 += k * (sum - low1);
        low2 += k * (low1 - low2);
        mix.addGains(e.startSample + i, low2 * amp * gain, left, right, sendAmount);
    }
}

}  // namespace

std::vector<NoteEvent> scheduleSong(const Song& song) {
    std::vector<NoteEvent> events;
    const double stepSamples = static_cast<double>(song.secondsPerStep()) * song.sampleRate;
    for (const Placement& placement : song.placements) {
        const Pattern& pattern = song.patterns[static_cast<size_t>(placement.pattern)];
        const long long firstStep = static_cast<long long>(placement.firstBar - 1) * 16;
        const long long endStep = static_cast<long long>(placement.lastBar) * 16;
        const long long patternLength = static_cast<long long>(pattern.steps.size());
        std::vector<size_t> open;  // events of the notes now sounding, lengthened by holds
        for (long long step = firstStep; step < endStep; ++step) {
            const Step& s = pattern.steps[static_cast<size_t>((step - firstStep) % patternLength)];
            if (s.kind == Step::Hold) {
                const long long end = static_cast<long long>(std::llround((step + 1) * stepSamples));
                for (size_t index : open) events[index].lengthSamples = end - events[index].startSample;
                continue;
            }
            open.clear();
            if (s.kind == Step::Rest) continue;
            const long long start = static_cast<long long>(std::llround(step * stepSamples));
            std::vector<int> notes = s.notes;
            if (notes.empty()) notes.push_back(0);
            for (int note : notes) {
                NoteEvent event;
                event.instrument = pattern.instrument;
                event.startSample = start;
                event.lengthSamples = static_cast<long long>(std::llround((step + 1) * stepSamples)) - start;
                event.note = note == 0 ? 0 : note + placement.transpose;
                event.velocity = s.velocity;
                open.push_back(events.size());
                events.push_back(event);
            }
        }
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const NoteEvent& a, const NoteEvent& b) { return a.startSample < b.startSample; });
    return events;
}

std::vector<float> renderSong(const Song& song) {
    const float rate = static_cast<float>(song.sampleRate);
    const long long frames = static_cast<long long>(std::ceil(song.length * rate));
    std::vector<float> out(static_cast<size_t>(frames) * 2, 0.0f);
    std::vector<float> send(static_cast<size_t>(frames), 0.0f);
    Mix mix{out, send, frames};
    for (const NoteEvent& event : scheduleSong(song)) {
        const Instrument& instrument = song.instruments[static_cast<size_t>(event.instrument)];
        switch (instrument.voice) {
            case Voice::Kick: renderKick(mix, event, instrument, rate); break;
            case Voice::Snare: renderSnare(mix, event, instrument, rate); break;
            case Voice::Hat: renderHat(mix, event, instrument, rate); break;
            default: renderTonal(mix, event, instrument, rate); break;
        }
    }
    // Ping-pong delay of three sixteenths on the send, then a soft limiter on the sum.
    const long long delay = static_cast<long long>(std::llround(3.0 * song.secondsPerStep() * rate));
    std::vector<float> echoLeft(static_cast<size_t>(frames), 0.0f), echoRight(static_cast<size_t>(frames), 0.0f);
    for (long long i = 0; i < frames; ++i) {
        const size_t at = static_cast<size_t>(i);
        const float tapLeft = i >= delay ? echoLeft[at - static_cast<size_t>(delay)] : 0.0f;
        const float tapRight = i >= delay ? echoRight[at - static_cast<size_t>(delay)] : 0.0f;
        echoLeft[at] = send[at] + 0.45f * tapRight;
        echoRight[at] = tapLeft;
        out[at * 2] += 0.5f * tapLeft;
        out[at * 2 + 1] += 0.5f * tapRight;
    }
    for (float& sample : out) sample = std::tanh(sample * 0.9f);
    return out;
}

}  // namespace qv3rn

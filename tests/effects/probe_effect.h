// probe_effect.h -- an effect type for the timeline and script tests that writes every call it gets to a journal.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "effects/effect.h"
#include "effects/effect_loader.h"

namespace qv3rn::test {

using Journal = std::vector<std::string>;

// Journal entries: "init A", "update A 10", "render A", "release A", "delete A" (A is the effect's name).
class ProbeEffect : public Effect {
public:
    explicit ProbeEffect(Journal* journal, EffectKind kind = EffectKind::Image) : Effect(kind), journal_(journal) {}
    ~ProbeEffect() override { note("delete"); }

    bool init() override { return note("init"), true; }
    bool release() override {
        note("release");
        return Effect::release();
    }
    void update(float time) override {
        char text[64];
        std::snprintf(text, sizeof text, "%g", time);
        note("update", text);
    }
    void render() override { note("render"); }

    float value = 0.0f;  // the "Value " keyword of the probe loader

private:
    void note(const char* what, const std::string& detail = "") {
        if (journal_) journal_->push_back(std::string(what) + " " + name() + (detail.empty() ? "" : " " + detail));
    }
    Journal* journal_;
};

inline std::unique_ptr<ProbeEffect> probe(Journal* journal, const std::string& name, float start, float end,
                                          int layer = 0) {
    auto effect = std::make_unique<ProbeEffect>(journal);
    effect->setName(name);
    effect->setStart(start);
    effect->setEnd(end);
    effect->setLayer(layer);
    return effect;
}

// "Probe" blocks (or another type name): the common keywords, then "Value " (a number); a line containing
// "Raise" raises "ProbeLoader unknown token: " + the line; any other line is not taken.
class ProbeLoader : public EffectLoaderOf<ProbeEffect> {
public:
    explicit ProbeLoader(Journal* journal, std::string typeName = "Probe")
        : EffectLoaderOf(std::move(typeName),
                         effectGrammar<ProbeEffect>({
                             floats("Value ", &ProbeEffect::value),
                             {"Raise",
                              [](ProbeEffect&, BlockLine& line) {
                                  throw std::runtime_error("ProbeLoader unknown token: " + line.text);
                              }},
                         }),
                         UnknownLine::fail()),
          journal_(journal) {}

    std::unique_ptr<Effect> createEffect() override { return std::make_unique<ProbeEffect>(journal_); }

private:
    Journal* journal_;
};

}  // namespace qv3rn::test

// effect_loader.cpp -- the rows every effect block begins with, and what a loader keeps of a failed block.
#include "effects/effect_loader.h"

#include <stdexcept>

#include "anim/envelope_field.h"
#include "effects/blend.h"

namespace qv3rn {

bool EffectLoader::noteBlockEnd(const BlockEnd& end) {
    rejectedLine_ = end.failedLine;
    rejectionReason_ = end.reason;
    return !end.failed();
}

namespace {

void readVisibleTrack(Effect& effect, BlockLine& line) {
    auto track = readEnvelopeField(line, FieldClose::ReadClosingLine);
    if (!track) throw std::runtime_error("EffectLoader::onToken() unable to load visible track");
    effect.setVisibleTrack(std::move(track));
}

}  // namespace

const KeywordTable<Effect>& commonEffectRows() {
    static const KeywordTable<Effect> rows = {
        closing<Effect>(),
        {"Name ", [](Effect& e, BlockLine& l) { e.setName(quotedText(l.text)); }},
        {"Start ",
         [](Effect& e, BlockLine& l) {
             float start = e.start();
             scanFloat(l.text, start);
             e.setStart(start);
         }},
        {"End ",
         [](Effect& e, BlockLine& l) {
             float end = e.end();
             scanFloat(l.text, end);
             e.setEnd(end);
         }},
        {"Layer ",
         [](Effect& e, BlockLine& l) {
             std::int32_t layer = e.layer();
             scanInteger(l.text, layer);
             e.setLayer(layer);
         }},
        {"Visible {", readVisibleTrack},
        {"DrawMode ", [](Effect& e, BlockLine& l) { e.setDrawMode(drawModeFromLine(l.text)); }},
    };
    return rows;
}

}  // namespace qv3rn

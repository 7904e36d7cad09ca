// effect_loader.cpp -- the block loop shared by every effect loader and the keywords common to all blocks.
#include "effects/effect_loader.h"

#include <cstdio>
#include <stdexcept>

#include "anim/envelope.h"
#include "effects/blend.h"

namespace qv3rn {

bool EffectLoader::load(std::istream& stream, Effect& effect) {
    rejectedLine_.clear();
    rejectionReason_.clear();
    while (stream.good()) {
        std::string line = readLine(stream);
        if (line.empty()) continue;  // a line that held only a comment, or the end of the stream
        if (matches(line, "}")) return true;
        if (!onToken(line, stream, effect)) {
            rejectedLine_ = line;
            return false;
        }
    }
    return true;
}

std::unique_ptr<Envelope> EffectLoader::readEnvelopeField(std::istream& stream, bool closingLine) {
    auto track = std::make_unique<Envelope>();
    if (!track->load(*this, stream)) return nullptr;
    if (closingLine) readLine(stream);
    return track;
}

bool EffectLoader::onToken(std::string& line, std::istream& stream, Effect& effect) {
    // The keywords of every block, in test order; a line is taken by the first keyword it contains.
    if (matches(line, "Name ")) {
        effect.setName(quotedText(line));
    } else if (matches(line, "Start ")) {
        float start = effect.start();
        std::sscanf(line.c_str(), "%*s %f", &start);
        effect.setStart(start);
    } else if (matches(line, "End ")) {
        float end = effect.end();
        std::sscanf(line.c_str(), "%*s %f", &end);
        effect.setEnd(end);
    } else if (matches(line, "Layer ")) {
        int layer = effect.layer();
        std::sscanf(line.c_str(), "%*s %d", &layer);
        effect.setLayer(layer);
    } else if (matches(line, "Visible {")) {
        auto track = std::make_unique<Envelope>();
        if (!track->load(*this, stream))
            throw std::runtime_error("EffectLoader::onToken() unable to load visible track");
        effect.setVisibleTrack(std::move(track));
        line = readLine(stream);  // the field's closing brace
    } else if (matches(line, "DrawMode ")) {
        effect.setDrawMode(drawModeFromLine(line));
    } else {
        return false;
    }
    return true;
}

}  // namespace qv3rn

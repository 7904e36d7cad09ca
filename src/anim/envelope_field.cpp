// envelope_field.cpp -- reading an envelope field for a keyword-table row, and closing the field.
#include "anim/envelope_field.h"

namespace qv3rn {

std::unique_ptr<Envelope> readEnvelopeField(BlockLine& line, FieldClose close) {
    auto envelope = std::make_unique<Envelope>();
    if (!envelope->load(line.parser, line.stream)) return nullptr;
    if (close == FieldClose::ReadClosingLine) line.readLine();
    if (close == FieldClose::SkipToBrace) skipBlock(line.stream);
    return envelope;
}

}  // namespace qv3rn

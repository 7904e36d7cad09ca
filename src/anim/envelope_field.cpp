// envelope_field.cpp -- reading an envelope field for a keyword-table row, and closing the field.
#include "anim/envelope_field.h"

#include <stdexcept>
#include <string>

namespace qv3rn {

std::unique_ptr<Envelope> readEnvelopeField(BlockLine& line, FieldClose close) {
    auto envelope = std::make_unique<Envelope>();
    if (!envelope->load(line.parser, line.stream)) return nullptr;
    if (close == FieldClose::ReadClosingLine) line.readLine();
    if (close == FieldClose::SkipToBrace) skipBlock(line.stream);
    return envelope;
}

std::unique_ptr<Envelope> readEnvelopeField(BlockLine& line, FieldClose close, const char* error) {
    try {
        if (auto envelope = readEnvelopeField(line, close)) return envelope;
    } catch (const std::runtime_error& raised) {
        throw std::runtime_error(std::string(error) + ": " + raised.what());
    }
    throw std::runtime_error(error);
}

}  // namespace qv3rn

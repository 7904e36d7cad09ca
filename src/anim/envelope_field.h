// envelope_field.h -- an envelope field of a script block ("Alpha {" and its envelope block), read for a row of a
// keyword table.
#pragma once

#include <memory>

#include "anim/envelope.h"
#include "data/keyword_table.h"

namespace qv3rn {

// How a field's own closing "}" is consumed after its envelope block: the next line is read and dropped (the
// effect script), the stream is skipped past the next "}" (the shader script), or it is left for the block
// around the field to read (a field that must close that block too).
enum class FieldClose { ReadClosingLine, SkipToBrace, LeaveOpen };

// Reads the envelope block that follows the field's keyword line, with the block's line reader, then closes
// the field as `close` says. Errors in the block raise the envelope reader's messages; null when the reader
// turns the block down without one (the field is then not closed).
std::unique_ptr<Envelope> readEnvelopeField(BlockLine& line, FieldClose close);

// The same for a field that must hold an envelope: a block the reader refuses raises `error`, followed by ": "
// and the reader's message when it gave one.
std::unique_ptr<Envelope> readEnvelopeField(BlockLine& line, FieldClose close, const char* error);

}  // namespace qv3rn

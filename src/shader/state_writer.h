// state_writer.h -- the layout in which render states are written back as shader-script text.
//
// A state block is "\t<Opener> {\n", one line per field ("\t\t<Keyword>\t<value>\n") and "\t}\n". Flags are
// "yes"/"no", numbers use the stream's default formatting and colours are four numbers separated by blanks.
#pragma once

#include <cstdint>
#include <ostream>

namespace qv3rn {

class Envelope;

void writeBlockOpener(std::ostream& out, const char* opener);  // "\t" opener " {\n"
void writeBlockCloser(std::ostream& out);                      // "\t}\n"

void writeField(std::ostream& out, const char* keyword, const char* text);
void writeFlagField(std::ostream& out, const char* keyword, bool value);
void writeFloatField(std::ostream& out, const char* keyword, float value);
void writeIntegerField(std::ostream& out, const char* keyword, std::int64_t value);
void writeColorField(std::ostream& out, const char* keyword, const float (&color)[4]);
// "\t\t<Keyword> {\n", the envelope's own text, then "\t\t}\n".
void writeEnvelopeField(std::ostream& out, const char* keyword, const Envelope& envelope);

}  // namespace qv3rn

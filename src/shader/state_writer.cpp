// state_writer.cpp -- field lines of the shader-script writer.
#include "shader/state_writer.h"

#include "anim/envelope.h"

namespace qv3rn {

void writeBlockOpener(std::ostream& out, const char* opener) { out << '\t' << opener << " {\n"; }

void writeBlockCloser(std::ostream& out) { out << "\t}\n"; }

void writeField(std::ostream& out, const char* keyword, const char* text) {
    out << "\t\t" << keyword << '\t' << text << '\n';
}

void writeFlagField(std::ostream& out, const char* keyword, bool value) { writeField(out, keyword, value ? "yes" : "no"); }

void writeFloatField(std::ostream& out, const char* keyword, float value) {
    out << "\t\t" << keyword << '\t' << value << '\n';
}

void writeIntegerField(std::ostream& out, const char* keyword, std::int64_t value) {
    out << "\t\t" << keyword << '\t' << value << '\n';
}

void writeColorField(std::ostream& out, const char* keyword, const float (&color)[4]) {
    out << "\t\t" << keyword << '\t' << color[0] << ' ' << color[1] << ' ' << color[2] << ' ' << color[3] << '\n';
}

void writeEnvelopeField(std::ostream& out, const char* keyword, const Envelope& envelope) {
    out << "\t\t" << keyword << " {\n";
    envelope.save(out);
    out << "\t\t}\n";
}

}  // namespace qv3rn

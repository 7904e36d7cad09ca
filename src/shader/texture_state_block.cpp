// texture_state_block.cpp -- keyword tables of the state, apply and envmap blocks, and their text.
#include "shader/texture_state_block.h"

#include <string>

#include "shader/texture_names.h"

namespace qv3rn {

namespace {

template <typename T>
void setFromFirstName(T& field, const std::string& line, TextureNameTable table) {
    if (auto value = firstContained(lastWord(line), table)) field = static_cast<T>(*value);
}

template <typename T>
void setOrDefault(T& field, const std::string& line, TextureNameTable table, T fallback) {
    field = static_cast<T>(firstContained(lastWord(line), table).value_or(fallback));
}

// ---- "Apply {": a line with none of its value names sets the value's default ----

template <std::size_t Index>
void sourceRGB(TextureParams& p, BlockLine& l) {
    setOrDefault<GLenum>(p.sourceRGB[Index], l.text, sourceNames, GL_TEXTURE);
}
template <std::size_t Index>
void sourceAlpha(TextureParams& p, BlockLine& l) {
    setOrDefault<GLenum>(p.sourceAlpha[Index], l.text, sourceNames, GL_TEXTURE);
}
template <std::size_t Index>
void operandRGB(TextureParams& p, BlockLine& l) {
    setOrDefault<GLenum>(p.operandRGB[Index], l.text, operandNames, GL_SRC_COLOR);
}
template <std::size_t Index>
void operandAlpha(TextureParams& p, BlockLine& l) {
    setOrDefault<GLenum>(p.operandAlpha[Index], l.text, operandNames, GL_SRC_COLOR);
}

const KeywordTable<TextureParams> applyRows = {
    {"Mode ", [](TextureParams& p, BlockLine& l) { setOrDefault<GLenum>(p.envMode, l.text, envModeNames, GL_REPLACE); }},
    {"Func.RGB ",
     [](TextureParams& p, BlockLine& l) { setOrDefault<GLenum>(p.combineRGB, l.text, combineNames, GL_REPLACE); }},
    {"Func.Alpha ",
     [](TextureParams& p, BlockLine& l) { setOrDefault<GLenum>(p.combineAlpha, l.text, combineNames, GL_REPLACE); }},
    {"Src0.RGB ", sourceRGB<0>},
    {"Src1.RGB ", sourceRGB<1>},
    {"Src2.RGB ", sourceRGB<2>},
    {"Src0.Alpha ", sourceAlpha<0>},
    {"Src1.Alpha ", sourceAlpha<1>},
    {"Src2.Alpha ", sourceAlpha<2>},
    {"Op0.RGB ", operandRGB<0>},
    {"Op1.RGB ", operandRGB<1>},
    {"Op2.RGB ", operandRGB<2>},
    {"Op0.Alpha ", operandAlpha<0>},
    {"Op1.Alpha ", operandAlpha<1>},
    {"Op2.Alpha ", operandAlpha<2>},
    {"Scale.RGB ",
     [](TextureParams& p, BlockLine& l) { setOrDefault<std::int32_t>(p.scaleRGB, l.text, scaleNames, 1); }},
    {"Scale.Alpha ",
     [](TextureParams& p, BlockLine& l) { setOrDefault<std::int32_t>(p.scaleAlpha, l.text, scaleNames, 1); }},
};
const UnknownLine unknownApplyLine = UnknownLine::raise("PARSE ERROR! Unknown Apply Token");

// ---- "Envmap {" ----

const KeywordTable<TextureParams> envmapRows = {
    // The longest contained name counts: "FRONT_XYZ" also contains "FRONT_XY", which comes first in the list.
    {"Mode ",
     [](TextureParams& p, BlockLine& l) {
         if (auto mode = longestContained(lastWord(l.text), texGenNames)) p.texGenMode = static_cast<std::int32_t>(*mode);
     }},
    floats("PlaneS ", &TextureParams::planeS),
    floats("PlaneT ", &TextureParams::planeT),
    floats("PlaneR ", &TextureParams::planeR),
    floats("PlaneQ ", &TextureParams::planeQ),
};
const UnknownLine unknownEnvmapLine = UnknownLine::raise("PARSE ERROR! Unknown Envmap Token");

// ---- "State {" ----

const KeywordTable<TextureParams> stateRows = {
    floats("Priority ", &TextureParams::priority),
    floats("BorderColor ", &TextureParams::borderColor),
    floats("BlendColor ", &TextureParams::envColor),
    {"Wrap ", [](TextureParams& p, BlockLine& l) { setFromFirstName(p.wrap, l.text, wrapNames); }},
    {"Filter ", [](TextureParams& p, BlockLine& l) { setFromFirstName(p.magFilter, l.text, filterNames); }},
    {"Mipmap ", [](TextureParams& p, BlockLine& l) { setFromFirstName(p.minFilter, l.text, mipmapNames); }},
    nested("Apply {", applyRows, unknownApplyLine),
    nested("Envmap {", envmapRows, unknownEnvmapLine),
};

// ---- writing ----

void field(std::ostream& out, const char* tabs, const char* keyword, const char* value) {
    out << tabs << keyword << '\t' << value << '\n';
}

void floats(std::ostream& out, const char* tabs, const char* keyword, const float* values, int count) {
    out << tabs << keyword << '\t';
    for (int i = 0; i < count; ++i) out << (i ? " " : "") << values[i];
    out << '\n';
}

}  // namespace

void readTextureState(ScriptParser& parser, std::istream& stream, TextureParams& params) {
    readKeywordBlock(parser, stream, params, stateRows, UnknownLine::raise("PARSE ERROR! Unknown State Token"));
}

void readApplyBlock(ScriptParser& parser, std::istream& stream, TextureParams& params) {
    readKeywordBlock(parser, stream, params, applyRows, unknownApplyLine);
}

void readEnvmapBlock(ScriptParser& parser, std::istream& stream, TextureParams& params) {
    readKeywordBlock(parser, stream, params, envmapRows, unknownEnvmapLine);
}

void writeTextureState(std::ostream& out, const TextureParams& p) {
    const char* state = "\t\t";
    const char* sub = "\t\t\t";
    out << "\tState {\n";
    floats(out, state, "Priority", &p.priority, 1);
    floats(out, state, "BorderColor", p.borderColor.data(), 4);
    floats(out, state, "BlendColor", p.envColor.data(), 4);
    field(out, state, "Wrap", nameOfValue(p.wrap, wrapWriteNames));
    field(out, state, "Filter", nameOfValue(p.magFilter, filterNames));
    field(out, state, "Mipmap", nameOfValue(p.minFilter, mipmapNames));

    out << "\t\tApply {\n";
    field(out, sub, "Mode", nameOfValue(p.envMode, envModeNames));
    field(out, sub, "Func.RGB", nameOfValue(p.combineRGB, combineNames));
    field(out, sub, "Func.Alpha", nameOfValue(p.combineAlpha, combineNames));
    for (int i = 0; i < 3; ++i) {
        const std::string n = std::to_string(i);
        field(out, sub, ("Src" + n + ".RGB").c_str(), nameOfValue(p.sourceRGB[i], sourceNames));
        field(out, sub, ("Src" + n + ".Alpha").c_str(), nameOfValue(p.sourceAlpha[i], sourceNames));
    }
    for (int i = 0; i < 3; ++i) {
        const std::string n = std::to_string(i);
        field(out, sub, ("Op" + n + ".RGB").c_str(), nameOfValue(p.operandRGB[i], operandNames));
        field(out, sub, ("Op" + n + ".Alpha").c_str(), nameOfValue(p.operandAlpha[i], operandNames));
    }
    field(out, sub, "Scale.RGB", nameOfValue(p.scaleRGB, scaleNames));
    field(out, sub, "Scale.Alpha", nameOfValue(p.scaleAlpha, scaleNames));
    out << "\t\t}\n";

    out << "\t\tEnvmap {\n";
    field(out, sub, "Mode", nameOfValue(p.texGenMode, texGenNames));
    floats(out, sub, "PlaneS", p.planeS.data(), 4);
    floats(out, sub, "PlaneT", p.planeT.data(), 4);
    floats(out, sub, "PlaneR", p.planeR.data(), 4);
    floats(out, sub, "PlaneQ", p.planeQ.data(), 4);
    out << "\t\t}\n";
    out << "\t}\n";
}

}  // namespace qv3rn

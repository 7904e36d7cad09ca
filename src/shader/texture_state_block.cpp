// texture_state_block.cpp -- keyword tables of the state, apply and envmap blocks, and their text.
#include "shader/texture_state_block.h"

#include <cstdio>  // Required for: sscanf
#include <span>
#include <stdexcept>
#include <string>

#include "shader/texture_names.h"

namespace qv3rn {

namespace {

using LineReader = void (*)(TextureParams& params, const std::string& line, ScriptParser& parser,
                            std::istream& stream);

struct BlockKeyword {
    const char* keyword;
    LineReader read;  // null: the keyword ends the block
};

void readBlock(ScriptParser& parser, std::istream& stream, TextureParams& params,
               std::span<const BlockKeyword> keywords, const char* unknownToken) {
    for (;;) {
        const std::string line = parser.readLine(stream);
        if (line.empty()) {
            if (!stream.good()) return;  // the end of the stream ends the block
            continue;                     // a comment line
        }
        const BlockKeyword* found = nullptr;
        for (const BlockKeyword& keyword : keywords)
            if (matches(line, keyword.keyword)) {
                found = &keyword;
                break;
            }
        if (!found) throw std::runtime_error(unknownToken);
        if (!found->read) return;
        found->read(params, line, parser, stream);
    }
}

// "%*s %f %f %f %f": values that do not scan keep what they had.
void scanFloats(const std::string& line, float* values, int count) {
    float scanned[4] = {};
    const int got = std::sscanf(line.c_str(), "%*s %f %f %f %f", &scanned[0], &scanned[1], &scanned[2], &scanned[3]);
    for (int i = 0; i < count && i < got; ++i) values[i] = scanned[i];
}

template <typename T>
void setFromFirstName(T& field, const std::string& line, TextureNameTable table) {
    if (auto value = firstContained(lastWord(line), table)) field = static_cast<T>(*value);
}

template <typename T>
void setOrDefault(T& field, const std::string& line, TextureNameTable table, T fallback) {
    field = static_cast<T>(firstContained(lastWord(line), table).value_or(fallback));
}

// ---- "Apply {" ----

template <std::size_t Index>
void sourceRGB(TextureParams& p, const std::string& l, ScriptParser&, std::istream&) {
    setOrDefault<GLenum>(p.sourceRGB[Index], l, sourceNames, GL_TEXTURE);
}
template <std::size_t Index>
void sourceAlpha(TextureParams& p, const std::string& l, ScriptParser&, std::istream&) {
    setOrDefault<GLenum>(p.sourceAlpha[Index], l, sourceNames, GL_TEXTURE);
}
template <std::size_t Index>
void operandRGB(TextureParams& p, const std::string& l, ScriptParser&, std::istream&) {
    setOrDefault<GLenum>(p.operandRGB[Index], l, operandNames, GL_SRC_COLOR);
}
template <std::size_t Index>
void operandAlpha(TextureParams& p, const std::string& l, ScriptParser&, std::istream&) {
    setOrDefault<GLenum>(p.operandAlpha[Index], l, operandNames, GL_SRC_COLOR);
}

const BlockKeyword applyKeywords[] = {
    {"Mode ", [](TextureParams& p, const std::string& l, ScriptParser&, std::istream&) {
         setOrDefault<GLenum>(p.envMode, l, envModeNames, GL_REPLACE);
     }},
    {"Func.RGB ", [](TextureParams& p, const std::string& l, ScriptParser&, std::istream&) {
         setOrDefault<GLenum>(p.combineRGB, l, combineNames, GL_REPLACE);
     }},
    {"Func.Alpha ", [](TextureParams& p, const std::string& l, ScriptParser&, std::istream&) {
         setOrDefault<GLenum>(p.combineAlpha, l, combineNames, GL_REPLACE);
     }},
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
    {"Scale.RGB ", [](TextureParams& p, const std::string& l, ScriptParser&, std::istream&) {
         setOrDefault<std::int32_t>(p.scaleRGB, l, scaleNames, 1);
     }},
    {"Scale.Alpha ", [](TextureParams& p, const std::string& l, ScriptParser&, std::istream&) {
         setOrDefault<std::int32_t>(p.scaleAlpha, l, scaleNames, 1);
     }},
    {"}", nullptr},
};

// ---- "Envmap {" ----

const BlockKeyword envmapKeywords[] = {
    // The longest contained name counts: "FRONT_XYZ" also contains "FRONT_XY", which comes first in the list.
    {"Mode ", [](TextureParams& p, const std::string& l, ScriptParser&, std::istream&) {
         if (auto mode = longestContained(lastWord(l), texGenNames)) p.texGenMode = static_cast<std::int32_t>(*mode);
     }},
    {"PlaneS ", [](TextureParams& p, const std::string& l, ScriptParser&, std::istream&) { scanFloats(l, p.planeS.data(), 4); }},
    {"PlaneT ", [](TextureParams& p, const std::string& l, ScriptParser&, std::istream&) { scanFloats(l, p.planeT.data(), 4); }},
    {"PlaneR ", [](TextureParams& p, const std::string& l, ScriptParser&, std::istream&) { scanFloats(l, p.planeR.data(), 4); }},
    {"PlaneQ ", [](TextureParams& p, const std::string& l, ScriptParser&, std::istream&) { scanFloats(l, p.planeQ.data(), 4); }},
    {"}", nullptr},
};

// ---- "State {" ----

const BlockKeyword stateKeywords[] = {
    {"Priority ", [](TextureParams& p, const std::string& l, ScriptParser&, std::istream&) { scanFloats(l, &p.priority, 1); }},
    {"BorderColor ", [](TextureParams& p, const std::string& l, ScriptParser&, std::istream&) {
         scanFloats(l, p.borderColor.data(), 4);
     }},
    {"BlendColor ", [](TextureParams& p, const std::string& l, ScriptParser&, std::istream&) {
         scanFloats(l, p.envColor.data(), 4);
     }},
    {"Wrap ", [](TextureParams& p, const std::string& l, ScriptParser&, std::istream&) { setFromFirstName(p.wrap, l, wrapNames); }},
    {"Filter ", [](TextureParams& p, const std::string& l, ScriptParser&, std::istream&) {
         setFromFirstName(p.magFilter, l, filterNames);
     }},
    {"Mipmap ", [](TextureParams& p, const std::string& l, ScriptParser&, std::istream&) {
         setFromFirstName(p.minFilter, l, mipmapNames);
     }},
    {"Apply {", [](TextureParams& p, const std::string&, ScriptParser& parser, std::istream& s) { readApplyBlock(parser, s, p); }},
    {"Envmap {", [](TextureParams& p, const std::string&, ScriptParser& parser, std::istream& s) { readEnvmapBlock(parser, s, p); }},
    {"}", nullptr},
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
    readBlock(parser, stream, params, stateKeywords, "PARSE ERROR! Unknown State Token");
}

void readApplyBlock(ScriptParser& parser, std::istream& stream, TextureParams& params) {
    readBlock(parser, stream, params, applyKeywords, "PARSE ERROR! Unknown Apply Token");
}

void readEnvmapBlock(ScriptParser& parser, std::istream& stream, TextureParams& params) {
    readBlock(parser, stream, params, envmapKeywords, "PARSE ERROR! Unknown Envmap Token");
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

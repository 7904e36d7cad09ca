// polygon_state.cpp -- the "Polygon {" and "LogicOp {" blocks: keywords and names, apply/restore, text form.
#include "shader/polygon_state.h"

#include <memory>
#include <stdexcept>

#include "shader/shader.h"
#include "shader/shader_script_loader.h"
#include "shader/state_block.h"
#include "shader/state_writer.h"

namespace qv3rn {

namespace {
const NamedValue polygonModeNames[] = {
    {"POINT", GL_POINT},
    {"LINE", GL_LINE},
    {"FILL", GL_FILL},
};

const NamedValue polygonFaceNames[] = {
    {"FRONT_AND_BACK", GL_FRONT_AND_BACK},
    {"FRONT", GL_FRONT},
    {"BACK", GL_BACK},
};

const NamedValue logicOpNames[] = {
    {"CLEAR", GL_CLEAR},
    {"AND", GL_AND},
    {"AND_REVERSE", GL_AND_REVERSE},
    {"COPY", GL_COPY},
    {"AND_INVERTED", GL_AND_INVERTED},
    {"NOOP", GL_NOOP},
    {"XOR", GL_XOR},
    {"OR", GL_OR},
    {"NOR", GL_NOR},
    {"EQUIV", GL_EQUIV},
    {"INVERT", GL_INVERT},
    {"OR_REVERSE", GL_OR_REVERSE},
    {"COPY_INVERTED", GL_COPY_INVERTED},
    {"OR_INVERTED", GL_OR_INVERTED},
    {"NAND", GL_NAND},
    {"SET", GL_SET},
};

// Unlike the other blocks, an unknown name here is an error.
GLenum requiredName(const std::string& line, NameTable table, const char* error) {
    const auto value = longestName(line, table);
    if (!value) throw std::runtime_error(error);
    return *value;
}

const KeywordTable<PolygonState> polygonRows = {
    flag("Enable ", &PolygonState::enabled),
    {"Mode ",
     [](PolygonState& s, BlockLine& l) {
         s.mode = requiredName(l.text, polygonModeNames, "PARSE ERROR! Unknown Polygon Mode type");
     }},
    {"Face ",
     [](PolygonState& s, BlockLine& l) {
         s.face = requiredName(l.text, polygonFaceNames, "PARSE ERROR! Unknown Polygon Face type");
     }},
};

const KeywordTable<LogicOpState> logicOpRows = {
    flag("Enable ", &LogicOpState::enabled),
    {"Op ",
     [](LogicOpState& s, BlockLine& l) { s.op = requiredName(l.text, logicOpNames, "PARSE ERROR! Unknown LogiOp Op type"); }},
};
}  // namespace

bool readPolygonBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader) {
    auto owned = std::make_unique<PolygonState>();
    PolygonState& state = *owned;
    shader.addState(std::move(owned));
    readKeywordBlock(loader, stream, state, polygonRows, UnknownLine::raise("PARSE ERROR! Unknown Polygon Token"));
    return true;
}

bool readLogicOpBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader) {
    auto owned = std::make_unique<LogicOpState>();
    LogicOpState& state = *owned;
    shader.addState(std::move(owned));
    readKeywordBlock(loader, stream, state, logicOpRows, UnknownLine::raise("PARSE ERROR! Unknown LogicOp Token"));
    return true;
}

void PolygonState::apply() {
    if (enabled) glPolygonMode(face, mode);
}

void PolygonState::restore() {
    if (enabled) glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void PolygonState::write(std::ostream& out) const {
    writeBlockOpener(out, "Polygon");
    writeFlagField(out, "Enable", enabled);
    writeField(out, "Mode", nameOf(mode, polygonModeNames));
    writeField(out, "Face", nameOf(face, polygonFaceNames));
    writeBlockCloser(out);
}

void LogicOpState::apply() {
    if (RenderStateLocks::isLocked(kind())) return;
    if (!enabled) return;
    glEnable(GL_COLOR_LOGIC_OP);
    glLogicOp(op);
}

void LogicOpState::restore() {
    if (RenderStateLocks::isLocked(kind())) return;
    if (enabled) glDisable(GL_COLOR_LOGIC_OP);
}

void LogicOpState::write(std::ostream& out) const {
    writeBlockOpener(out, "LogicOp");
    writeFlagField(out, "Enable", enabled);
    writeField(out, "Op", nameOf(op, logicOpNames));
    writeBlockCloser(out);
}

}  // namespace qv3rn

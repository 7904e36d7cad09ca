// program_block.cpp -- the "Program {" block: its type line, body keywords and the raw program text.
#include "shader/program_block.h"

#include <stdexcept>
#include <string>

#include "data/keyword_table.h"
#include "shader/shader_manager.h"
#include "shader/shader_script_loader.h"

namespace qv3rn {

namespace {

struct ProgramKind {
    const char* header;        // first line of the program text
    const char* unknownToken;  // followed by the offending line
    bool (ShaderManager::*add)(std::string, std::string, std::string);
};

const ProgramKind vertexKind{"!!ARBvp1.0", "PARSE ERROR! Unknown VertexProgram Token", &ShaderManager::addVertexProgram};
const ProgramKind fragmentKind{"!!ARBfp1.0", "PARSE ERROR! Unknown FragmentProgram Token",
                               &ShaderManager::addFragmentProgram};

// The lines after the header line, each kept whole with its line feed, through the first that contains "END"
// or the end of input.
std::string readRawProgramLines(ShaderScriptLoader& loader, std::istream& stream) {
    using Traits = std::istream::traits_type;
    std::string text;
    std::streambuf* buffer = stream.rdbuf();
    std::size_t lineStart = 0;
    for (;;) {
        int c = buffer->sbumpc();
        if (c == Traits::eof()) {
            stream.setstate(std::ios::eofbit);
            if (text.size() > lineStart) loader.countProgramLine();
            return text;
        }
        text.push_back(static_cast<char>(c));
        if (c != '\n') continue;
        loader.countProgramLine();
        if (std::string_view(text).substr(lineStart).find("END") != std::string_view::npos) return text;
        lineStart = text.size();
    }
}

// What a program body has read so far.
struct ProgramBody {
    ShaderScriptLoader& loader;
    const ProgramKind& kind;
    std::string name;
    std::string text;
    std::string origin;
};

// The header line is the program's first line: the driver's line numbers count from there.
void readProgramText(ProgramBody& body, BlockLine& line) {
    body.origin = body.loader.fileName() + ":" + std::to_string(body.loader.currentLine());
    body.text = std::string(body.kind.header) + "\n" + readRawProgramLines(body.loader, line.stream);
}

// The body's keywords, in test order: the name, then the header line that starts the program text.
KeywordTable<ProgramBody> bodyRows(const ProgramKind& kind) {
    return {quoted("Name ", &ProgramBody::name), {kind.header, readProgramText}};
}
const KeywordTable<ProgramBody> vertexBodyRows = bodyRows(vertexKind);
const KeywordTable<ProgramBody> fragmentBodyRows = bodyRows(fragmentKind);

bool readProgramBody(ShaderScriptLoader& loader, std::istream& stream, const ProgramKind& kind,
                     const KeywordTable<ProgramBody>& rows) {
    ProgramBody body{loader, kind, {}, {}, {}};
    readKeywordBlock(loader, stream, body, rows, UnknownLine::raiseWithLine(kind.unknownToken));
    (loader.shaderManager().*kind.add)(std::move(body.name), std::move(body.text), std::move(body.origin));
    return true;
}

}  // namespace

bool readProgramBlock(ShaderScriptLoader& loader, std::istream& stream) {
    std::string line;
    while (line.empty()) {
        if (!stream.good()) return false;
        line = loader.readScriptLine(stream);
    }
    if (!matches(line, "Type ")) throw std::runtime_error("PARSE ERROR! Unknown Program Token");
    if (matches(line, "VERTEX")) return readProgramBody(loader, stream, vertexKind, vertexBodyRows);
    if (matches(line, "FRAGMENT")) return readProgramBody(loader, stream, fragmentKind, fragmentBodyRows);
    throw std::runtime_error("PARSE ERROR! Unknown Program Type");
}

}  // namespace qv3rn

// shader_script_loader.h -- reads a shader script (images, GPU programs, shaders) from disk or the archive.
#pragma once

#include <functional>
#include <istream>
#include <string>
#include <vector>

#include "data/script_parser.h"

namespace qv3rn {

class Archive;
class LineCountingBuffer;
class ShaderManager;

// Called after every top-level block that was read; its result is ignored.
using ProgressCallback = std::function<void()>;

// The file-level grammar: "Include " lines, "Image {", "Shader {" and "Program {" blocks, in any order; other
// lines at file level are skipped. Script errors are thrown as ScriptError (what() is the format's own
// message; file and line say where). Shaders and programs go to the given ShaderManager, images to the
// image registry; objects made before an error stay.
class ShaderScriptLoader : public ScriptParser {
public:
    explicit ShaderScriptLoader(ShaderManager& manager);
    ShaderScriptLoader();  // with ShaderManager::instance()

    // Reads a script file; "gshader" files are gzip-compressed and "bshader" files bzip2-compressed (the
    // extension after the last "."), anything else is plain text. Throws "Unable to open scriptfile => " +
    // path when the file cannot be opened or is no regular file (a folder, a device). Includes are read from
    // disk.
    bool load(const std::string& path, ProgressCallback progress = {});

    // Reads the archive member `name` as plain text; false, without parsing, when it cannot be read.
    // Includes are read from the same archive, never from disk.
    bool loadFromArchive(const std::string& name, Archive& archive, ProgressCallback progress = {});

    // Reads the file-level grammar from `stream`: true at the end of input, false as soon as an include or a
    // block fails (see failure()).
    bool parse(std::istream& stream);

    // What made parse return false, with the file and line ("" after success).
    const std::string& failure() const { return failure_; }

    // The name errors are reported under (the path or member name; "<stream>" for parse on its own).
    void setFileName(std::string name) { fileName_ = std::move(name); }
    const std::string& fileName() const { return fileName_; }

    ShaderManager& shaderManager() { return manager_; }
    // Where includes are read from (null: from disk); loadFromArchive sets it, parse on its own uses it.
    void setArchive(Archive* archive) { archive_ = archive; }
    Archive* archive() const { return archive_; }

    // The line most recently read at file level (block readers take theirs from the keyword-table loop).
    const std::string& line() const { return line_; }
    const std::string& readScriptLine(std::istream& stream) { return line_ = readLine(stream); }

    // Raw lines of GPU program text read since parse began.
    int programLineCount() const { return programLines_; }
    void countProgramLine() { ++programLines_; }

    // Includes deeper than this are refused, as are includes of a script that is already being read.
    static constexpr int maxIncludeDepth = 32;

    // The physical line of the last line read (1 for the first line of the file), while parse runs.
    int currentLine() const;

    // Records why parse fails (with the file and the current line) and returns false.
    bool fail(const std::string& reason);

private:
    bool parseCounted(std::istream& stream);
    bool include(const std::string& scriptLine);
    bool loadStream(std::istream& stream, const std::string& name, const std::string& scriptKey);

    ShaderManager& manager_;
    ProgressCallback progress_;
    Archive* archive_ = nullptr;
    std::string line_;
    int programLines_ = 0;
    std::string fileName_ = "<stream>";
    std::string failure_;
    bool openFailed_ = false;  // the script itself could not be read
    // The scripts being read, outermost first, shared by the loaders of nested includes.
    std::vector<std::string>* openScripts_ = nullptr;
    const LineCountingBuffer* lineCounter_ = nullptr;  // while parse runs
};

}  // namespace qv3rn

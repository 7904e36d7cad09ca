// shader_script_loader.h -- reads a shader script (images, GPU programs, shaders) from the archive or the disk.
#pragma once

#include <functional>
#include <istream>
#include <memory>
#include <string>

#include "data/resource_reader.h"
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
    ShaderScriptLoader(const ShaderScriptLoader&) = delete;
    ShaderScriptLoader& operator=(const ShaderScriptLoader&) = delete;

    // Where scripts are read from: while this archive exists and is open, only from it, as plain text whatever
    // the extension; otherwise from disk. Without one (the default) scripts come from disk.
    void setArchive(std::weak_ptr<Archive> archive) { reader_->setArchive(std::move(archive)); }

    // Reads the script `path` (and its includes) from the archive or the disk, as setArchive says. On disk,
    // "gshader" files are gzip-compressed and "bshader" files bzip2-compressed (the extension of the file name),
    // anything else is plain text. A script missing from the archive makes it return false (see failure());
    // one missing from the disk, or no regular file (a folder, a device), throws "Unable to open scriptfile => "
    // + path.
    bool load(const std::string& path, ProgressCallback progress = {});

    // Reads the file-level grammar from `stream`: true at the end of input, false as soon as an include or a
    // block fails (see failure()). Includes are read as load reads its scripts.
    bool parse(std::istream& stream);

    // What made parse return false, with the file and line ("" after success).
    const std::string& failure() const { return failure_; }

    // The name errors are reported under (the path or member name; "<stream>" for parse on its own).
    void setFileName(std::string name) { fileName_ = std::move(name); }
    const std::string& fileName() const { return fileName_; }

    ShaderManager& shaderManager() { return manager_; }

    // The line most recently read at file level (block readers take theirs from the keyword-table loop).
    const std::string& line() const { return line_; }
    const std::string& readScriptLine(std::istream& stream) { return line_ = readLine(stream); }

    // Raw lines of GPU program text read since parse began.
    int programLineCount() const { return programLines_; }
    void countProgramLine() { ++programLines_; }

    // The physical line of the last line read (1 for the first line of the file), while parse runs.
    int currentLine() const;

    // Records why parse fails (with the file and the current line) and returns false.
    bool fail(const std::string& reason);

private:
    bool parseCounted(std::istream& stream);
    bool include(const std::string& scriptLine);

    ShaderManager& manager_;
    ProgressCallback progress_;
    // The archive and the chain of open scripts, shared with the loaders of nested includes.
    ResourceReader ownReader_;
    ResourceReader* reader_ = &ownReader_;
    std::string line_;
    int programLines_ = 0;
    std::string fileName_ = "<stream>";
    std::string failure_;
    bool openFailed_ = false;  // the script itself could not be read
    const LineCountingBuffer* lineCounter_ = nullptr;  // while parse runs
};

}  // namespace qv3rn

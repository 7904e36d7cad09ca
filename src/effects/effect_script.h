// effect_script.h -- the reader of effect script files: includes, effect blocks handed to the type loaders,
// effects handed to the timeline.
#pragma once

#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/resource_reader.h"
#include "data/script_parser.h"
#include "effects/effect_loader.h"
#include "shader/shader_script_loader.h"  // Required for: ProgressCallback

namespace qv3rn {

class Archive;
class EffectManager;
class LineCountingBuffer;

// The file-level grammar, line by line:
//  - a line containing "Include " reads the file named between its first and last double quote with the same
//    loaders and manager (no progress calls for the included lines); a failed include fails the parse;
//  - a line containing "{" whose first word (the text before the first space) is a loader's type name opens an
//    effect block: the loader makes the effect, reads the block, and the effect is added to the manager;
//  - every other line is skipped (unknown types, "Flash{" without the space, stray lines of a skipped block).
// The progress callback follows every line that was not an Include. A block the loader cannot read stops the
// parse with false; effects added before it stay in the manager. Errors the envelope reader and the effect
// types raise leave the reader as ScriptError, with the message unchanged and the file and line added.
class EffectScript : public ScriptParser {
public:
    // Creates the loaders of every effect type this build knows, in the table's order; effects go to `manager`.
    explicit EffectScript(EffectManager& manager);
    EffectScript();  // with EffectManager::instance()
    ~EffectScript() override;
    EffectScript(const EffectScript&) = delete;
    EffectScript& operator=(const EffectScript&) = delete;

    // Where scripts are looked for first; the reader passes it to every loader. Without one (or once the
    // archive is gone) scripts come from disk.
    void setArchive(std::weak_ptr<Archive> archive);

    // Reads the archive member `path` when the archive holds one, otherwise the disk file `path` (backslashes
    // are taken as slashes). When the archive's copy does not parse, the effects it added are released and the
    // disk copy is read instead, if there is one. False when neither exists, or when the script does not parse
    // (see failure()). A progress callback that is given is handed to every loader too.
    bool loadFile(const std::string& path, ProgressCallback progress = {});

    // Reads the file-level grammar from `stream`; true at its end, false at the first failure.
    bool parse(std::istream& stream);

    // Appends a loader of a type the table does not list (a tool's or a test's own); it gets the archive and
    // is tried after the table's loaders. Not for the reader of an include, which borrows its loaders.
    void addLoader(std::unique_ptr<EffectLoader> loader);

    // The loader whose type name equals `typeName` exactly, or null.
    EffectLoader* findLoader(std::string_view typeName) const;
    const std::vector<EffectLoader*>& loaders() const { return loaders_; }

    // Why loadFile or parse returned false: "<file>:<line>: <reason>" ("" after a success).
    const std::string& failure() const { return failure_; }
    // The name failures and errors are reported under (the path for loadFile; "<stream>" by default).
    void setFileName(std::string name) { fileName_ = std::move(name); }
    const std::string& fileName() const { return fileName_; }

private:
    // The reader of an included file: shares the parent's manager, loaders and resource reader (the archive and
    // the chain of open scripts, whose depth is limited).
    EffectScript(const EffectScript& parent, ResourceReader& reader);

    bool parseCounted(std::istream& stream);
    bool readBlock(const std::string& line, std::istream& stream);
    bool include(const std::string& line);
    bool fail(const std::string& reason);
    int currentLine() const;

    EffectManager& manager_;
    ProgressCallback progress_;
    ResourceReader ownReader_;
    ResourceReader* reader_ = &ownReader_;
    bool borrowedLoaders_ = false;
    std::vector<std::unique_ptr<EffectLoader>> ownedLoaders_;
    std::vector<EffectLoader*> loaders_;
    std::string fileName_ = "<stream>";
    std::string failure_;
    const LineCountingBuffer* lineCounter_ = nullptr;  // while parse runs
};

}  // namespace qv3rn

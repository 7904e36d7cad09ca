// effect_loader.h -- the base of the per-type loaders of the effect script: the block loop and the keywords
// every effect block understands.
#pragma once

#include <istream>
#include <memory>
#include <string>

#include "data/script_parser.h"
#include "effects/effect.h"
#include "shader/shader_script_loader.h"  // Required for: ProgressCallback

namespace qv3rn {

class Archive;
class Envelope;

// One loader per effect type; its typeName is the word that opens the type's blocks. A derived onToken first
// calls EffectLoader::onToken and returns true when that took the line; only then does it test its own
// keywords, in its table's order, and it returns false (or raises the type's error) for a line it does not
// understand. The effect handed to load and onToken is always one this loader's createEffect made.
class EffectLoader : public ScriptParser {
public:
    explicit EffectLoader(std::string typeName) : typeName_(std::move(typeName)) {}
    ~EffectLoader() override = default;
    EffectLoader(const EffectLoader&) = delete;
    EffectLoader& operator=(const EffectLoader&) = delete;

    // The virtual operations, in slot order after the destructor.
    // A new effect of the loader's type with every default; the base makes none.
    virtual std::unique_ptr<Effect> createEffect() { return nullptr; }
    // Reads the block after its opening line: each line is handed to onToken until a line that contains "}"
    // ends the block (true). A line onToken does not take ends it with false (see rejectedLine). Lines that
    // held only a comment are skipped; the end of the stream ends the block too, with true.
    virtual bool load(std::istream& stream, Effect& effect);
    // The keywords of every block, tested in this order: "Name ", "Start ", "End ", "Layer ", "Visible {",
    // "DrawMode ". True when the line was one of them. `line` may be replaced by a line read after it (the
    // closing brace of an envelope field).
    virtual bool onToken(std::string& line, std::istream& stream, Effect& effect);

    const std::string& typeName() const { return typeName_; }
    const ProgressCallback& progress() const { return progress_; }
    void setProgress(ProgressCallback progress) { progress_ = std::move(progress); }
    const std::weak_ptr<Archive>& archive() const { return archive_; }
    void setArchive(std::weak_ptr<Archive> archive) { archive_ = std::move(archive); }

    // The line that made the last load return false ("" after a block that loaded), and why, where the
    // keyword that refused it could say ("" otherwise: the line was not understood).
    const std::string& rejectedLine() const { return rejectedLine_; }
    const std::string& rejectionReason() const { return rejectionReason_; }

protected:
    // Reads an envelope field's block, which starts on the next line ("{ Envelope"), with this loader's line
    // reader. With `closingLine` set, the field's own closing line is read and dropped after it; otherwise
    // it is left in the stream. Errors in the block raise the envelope reader's messages; null when the reader
    // reports failure without one.
    std::unique_ptr<Envelope> readEnvelopeField(std::istream& stream, bool closingLine = true);
    // Called by a keyword that recognised its line but could not use it, before it returns false.
    void explainRejection(std::string reason) { rejectionReason_ = std::move(reason); }

private:
    ProgressCallback progress_;
    std::weak_ptr<Archive> archive_;
    std::string typeName_;
    std::string rejectedLine_;
    std::string rejectionReason_;
};

}  // namespace qv3rn

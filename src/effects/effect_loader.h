// effect_loader.h -- the base of the per-type loaders of the effect script, the keyword rows every effect block
// begins with, and the loader of one effect type reading its blocks with its keyword table.
#pragma once

#include <initializer_list>
#include <istream>
#include <memory>
#include <string>
#include <type_traits>

#include "data/keyword_table.h"
#include "effects/effect.h"
#include "shader/shader_script_loader.h"  // Required for: ProgressCallback

namespace qv3rn {

class Archive;

// One loader per effect type; its typeName is the word that opens the type's blocks.
class EffectLoader : public ScriptParser {
public:
    explicit EffectLoader(std::string typeName) : typeName_(std::move(typeName)) {}
    ~EffectLoader() override = default;
    EffectLoader(const EffectLoader&) = delete;
    EffectLoader& operator=(const EffectLoader&) = delete;

    // The virtual operations, in slot order after the destructor.
    // A new effect of the loader's type with every default; the base makes none.
    virtual std::unique_ptr<Effect> createEffect() { return nullptr; }
    // Reads the block after its opening line into `effect`, one that this loader's createEffect made. False
    // when a line was not understood or could not be used (see rejectedLine); the end of the stream ends the
    // block too, with true.
    virtual bool load(std::istream& stream, Effect& effect) = 0;

    const std::string& typeName() const { return typeName_; }
    const ProgressCallback& progress() const { return progress_; }
    void setProgress(ProgressCallback progress) { progress_ = std::move(progress); }
    // The archive the effect script is read from, for types whose effects read files of their own.
    const std::weak_ptr<Archive>& archive() const { return archive_; }
    void setArchive(std::weak_ptr<Archive> archive) { archive_ = std::move(archive); }

    // The line that made the last load return false ("" after a block that loaded), and why, where the row
    // that refused it could say ("" otherwise: the line was not understood).
    const std::string& rejectedLine() const { return rejectedLine_; }
    const std::string& rejectionReason() const { return rejectionReason_; }

protected:
    // Keeps what a block's end says for rejectedLine and rejectionReason; true unless the block failed.
    bool noteBlockEnd(const BlockEnd& end);

private:
    ProgressCallback progress_;
    std::weak_ptr<Archive> archive_;
    std::string typeName_;
    std::string rejectedLine_;
    std::string rejectionReason_;
};

// The rows every effect block begins with, in test order: a line with "}" closes the block before any keyword
// is tried; then "Name " (quoted), "Start " and "End " (seconds), "Layer ", "Visible {" (the visibility
// envelope) and "DrawMode " (NORMAL, ADDITIVE, SUBTRACTIVE, MULTIPLY or INVERT, NORMAL when none).
const KeywordTable<Effect>& commonEffectRows();

// An effect type's whole grammar in test order: the common rows, then rows the type shares with its base
// class (a table), then its own.
template <typename E>
KeywordTable<E> effectGrammar(std::initializer_list<Row<E>> own) {
    return joinRows<E>(commonEffectRows(), own);
}
template <typename E, typename Base>
KeywordTable<E> effectGrammar(const KeywordTable<Base>& inherited, std::initializer_list<Row<E>> own) {
    return joinRows<E>(commonEffectRows(), inherited, own);
}

// The loader of effect type E: reads its blocks with E's grammar, and a line that no row takes with `unknown`
// (the type's own error, or failing the block without a message).
template <typename E>
class EffectLoaderOf : public EffectLoader {
public:
    EffectLoaderOf(std::string typeName, KeywordTable<E> grammar, UnknownLine unknown)
        : EffectLoader(std::move(typeName)), grammar_(std::move(grammar)), unknown_(std::move(unknown)) {}

    std::unique_ptr<Effect> createEffect() override {
        if constexpr (std::is_default_constructible_v<E>)
            return std::make_unique<E>();
        else
            return nullptr;  // a type made with arguments overrides this
    }
    bool load(std::istream& stream, Effect& effect) override {
        return noteBlockEnd(readKeywordBlock(*this, stream, static_cast<E&>(effect), grammar_, unknown_));
    }

private:
    KeywordTable<E> grammar_;
    UnknownLine unknown_;
};

}  // namespace qv3rn

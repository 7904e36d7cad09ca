// scene_loader.h -- reads a scene script into a node tree: where the file comes from, the root block, and what
// is settled once the whole tree is read.
#pragma once

#include <array>
#include <istream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/keyword_table.h"
#include "data/resource_reader.h"
#include "data/script_parser.h"
#include "scene/scene_node.h"
#include "shader/shader_script_loader.h"  // Required for: ProgressCallback

namespace qv3rn {

class Archive;
class LineCountingBuffer;

// What the scene's sparks node and lens-flare node take from the loader once the tree is read: the nodes that
// asked, in script order, to emit sparks (with their four values) or to be flare sources.
class SparkEmitterTarget {
public:
    virtual ~SparkEmitterTarget() = default;
    virtual void addEmitter(SceneNode& node, const std::array<float, 4>& values) = 0;
};
class FlareSourceTarget {
public:
    virtual ~FlareSourceTarget() = default;
    virtual void addSource(SceneNode& node) = 0;
};

// The script: lines up to the first "Group {", "DefaultLighting {", "PerPixelLighting {" or
// "PerPixelBumpMapLighting {" are skipped; that line opens the root block, and nothing after the root block's end
// is read. Node blocks are read with the keyword tables of scene_grammar.h. Errors are ScriptError: the
// format's message with the file and line.
class SceneLoader : public ScriptParser {
public:
    // Node blocks nested deeper than this raise an error instead of exhausting the stack.
    static constexpr int maxDepth = 256;

    void setArchive(std::weak_ptr<Archive> archive) { reader_.setArchive(std::move(archive)); }
    void setProgressCallback(ProgressCallback progress) { progress_ = std::move(progress); }

    // The tree of the script `name`, or null when the script has no root block or cannot be found. "gscene"
    // (gzip) and "bscene" (bzip2) scripts come from disk only; others from the archive first, and from disk
    // (logged as "Loading "name"") when the archive lacks them or its copy has no root.
    std::unique_ptr<SceneNode> load(const std::string& name);

    // The tree of the script in `stream`; errors name `fileName`.
    std::unique_ptr<SceneNode> parse(std::istream& stream, const std::string& fileName);

    // ---- Used by the node rows while a block is read.

    // Reads a node block after its opening line with `rows`, then calls the progress callback. A block that
    // the file ends inside raises an error.
    template <typename Node>
    std::unique_ptr<Node> readNode(BlockLine& line, const KeywordTable<Node>& rows, const char* keyword);

    void registerSparks(SceneNode& node, const std::array<float, 4>& values) { sparkEmitters_.push_back({&node, values}); }
    void registerLensFlare(SceneNode& node) { flareSources_.push_back(&node); }
    // The last sparks and lens-flare nodes read receive the registrations.
    void setSparksNode(SparkEmitterTarget* target) { sparksNode_ = target; }
    void setLensFlareNode(FlareSourceTarget* target) { lensFlareNode_ = target; }

private:
    struct SparkEmitter {
        SceneNode* node;
        std::array<float, 4> values;
    };

    std::unique_ptr<SceneNode> parseCounted(std::istream& stream);
    void complete(SceneNode& root);

    ProgressCallback progress_;
    ResourceReader reader_;
    SparkEmitterTarget* sparksNode_ = nullptr;
    FlareSourceTarget* lensFlareNode_ = nullptr;
    std::vector<SparkEmitter> sparkEmitters_;
    std::vector<SceneNode*> flareSources_;
    const LineCountingBuffer* lineCounter_ = nullptr;  // while parse runs
    int depth_ = 0;                                     // node blocks open
};

// ---- Template definitions.

// The node type's own step once its block is read (a camera takes the node's name).
inline void finishNode(SceneNode&) {}

template <typename Node>
std::unique_ptr<Node> SceneLoader::readNode(BlockLine& line, const KeywordTable<Node>& rows, const char* keyword) {
    if (depth_ == maxDepth)
        throw std::runtime_error("scene blocks nested deeper than " + std::to_string(maxDepth) + " levels");
    auto node = std::make_unique<Node>();
    ++depth_;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{depth_};
    const BlockEnd end = readKeywordBlock(*this, line.stream, *node, rows, UnknownLine::skip());
    if (end.how == BlockEnd::How::EndOfStream)
        throw std::runtime_error(std::string("the \"") + keyword + "\" block is not closed before the end of the file");
    finishNode(*node);
    if (progress_) progress_();
    return node;
}

}  // namespace qv3rn

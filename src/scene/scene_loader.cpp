// scene_loader.cpp -- finding a scene script, reading its root block, and settling the registrations and names
// once the tree is read.
#include "scene/scene_loader.h"

#include "data/line_counting_buffer.h"
#include "data/script_error.h"
#include "scene/scene_grammar.h"

namespace qv3rn {

namespace {

void resolveAll(SceneNode& node, SceneNode& root) {
    node.resolveNames(root);
    for (const auto& child : node.children()) resolveAll(*child, root);
}

}  // namespace

std::unique_ptr<SceneNode> SceneLoader::load(const std::string& name) {
    const std::string path = resourceName(name);
    const std::string_view extension = fileExtension(path);
    const bool compressed = extension == "gscene" || extension == "bscene";
    const Lookup lookup(compressed ? Lookup::Order::DiskOnly : Lookup::Order::ArchiveThenDisk);
    reader_.setDiskLog("Loading \"%s\"");
    for (Resource script = reader_.find(name, lookup); script; script = reader_.find(name, lookup, script.source())) {
        const std::unique_ptr<std::istream> stream = script.text();
        if (!stream) continue;
        if (auto root = parse(*stream, name)) return root;
    }
    return nullptr;
}

std::unique_ptr<SceneNode> SceneLoader::parse(std::istream& source, const std::string& fileName) {
    std::unique_ptr<SceneNode> root;
    parseCountingLines(source, fileName, lineCounter_, [&](std::istream& stream) {
        root = parseCounted(stream);
        return true;
    });
    return root;
}

std::unique_ptr<SceneNode> SceneLoader::parseCounted(std::istream& stream) {
    depth_ = 0;
    sparksNode_ = nullptr;
    lensFlareNode_ = nullptr;
    sparkEmitters_.clear();
    flareSources_.clear();
    std::unique_ptr<SceneNode> root;
    for (;;) {
        const std::string text = readLine(stream);
        if (text.empty()) {
            if (!stream.good()) return nullptr;
            continue;
        }
        BlockLine line(text, *this, stream);
        if (readRootNode(line, root)) break;
    }
    complete(*root);
    return root;
}

void SceneLoader::complete(SceneNode& root) {
    if (sparksNode_)
        for (const SparkEmitter& emitter : sparkEmitters_) sparksNode_->addEmitter(*emitter.node, emitter.values);
    sparkEmitters_.clear();
    sparksNode_ = nullptr;
    if (lensFlareNode_)
        for (SceneNode* source : flareSources_) lensFlareNode_->addSource(*source);
    flareSources_.clear();
    lensFlareNode_ = nullptr;
    resolveAll(root, root);
}

}  // namespace qv3rn

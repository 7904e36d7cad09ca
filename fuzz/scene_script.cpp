// scene_script.cpp -- fuzzes the scene script reader: the text is read into a node tree, which is then updated at
// a few demo times, walked and destroyed.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <vector>

#include "data/memory_stream.h"
#include "scene/scene_loader.h"
#include "shader/camera_mgr.h"

namespace {

// Every node is reached by the walks; a node's parent holds it.
std::size_t countNodes(const qv3rn::SceneNode& node) {
    std::size_t count = 1;
    for (const auto& child : node.children()) {
        if (child->parent() != &node) std::abort();
        count += countNodes(*child);
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv3rn;
    CameraMgr cameras;  // the scene's cameras register here and leave with their nodes
    std::unique_ptr<SceneNode> root;
    try {
        SceneLoader loader;
        MemoryStream stream(data, size);
        root = loader.parse(stream, "fuzz.scene");
    } catch (const std::runtime_error&) {
        // Script errors are part of the format.
    }
    if (!root) {
        if (!cameras.cameras().empty()) std::abort();  // a failed load leaves no camera behind
        return 0;
    }
    const std::size_t nodes = countNodes(*root);
    for (const float time : {0.0f, 0.5f, 2.0f, 1000.0f}) {
        root->update(time);
        std::vector<SceneNode*> enabled;
        root->collectEnabled(enabled);
        if (enabled.size() > nodes) std::abort();
    }
    if (!root->findByName(root->name())) std::abort();
    root.reset();
    if (!cameras.cameras().empty()) std::abort();
    return 0;
}

// scene_test_support.h -- scene script text for tests (envelope and keyframer fields) and reading it into a tree.
#pragma once

#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "scene/scene_loader.h"
#include "shader/camera_mgr.h"
#include "support/gl_test_context.h"
#include "support/test_files.h"

namespace qv3rn::test {

// An envelope block holding `value` at every time.
inline std::string constantEnvelope(float value) {
    std::ostringstream text;
    text << "{ Envelope\n  1\n  Key " << value << " 0 3 0 0 0 0 0 0 0\n  Behaviors 1 1\n}\n";
    return text.str();
}

// A "KeyframerLW {" block with a constant value in each listed channel (0-2 position, 3-5 heading, pitch, bank,
// 6-8 scale).
inline std::string keyframerLW(const std::map<int, float>& channels) {
    std::ostringstream text;
    text << "KeyframerLW {\n  NumChannels 9\n";
    for (const auto& [channel, value] : channels) text << "  Channel " << channel << "\n" << constantEnvelope(value);
    text << "}\n";
    return text.str();
}
// The keyframer of a node placed at (x, y, z).
inline std::string at(float x, float y, float z) { return keyframerLW({{0, x}, {1, y}, {2, z}}); }

// The tree of scene script text, read under the name "test.scene".
inline std::unique_ptr<SceneNode> parseScene(const std::string& text) {
    SceneLoader loader;
    std::istringstream stream(text);
    return loader.parse(stream, "test.scene");
}

// Tests that read scene scripts with lights or cameras: a GL context, a folder of their own and a camera
// manager of their own.
class SceneTest : public GLTest {
protected:
    void TearDown() override {
        if (root) root->lightsOff();
        root.reset();
        GLTest::TearDown();
    }
    SceneNode& read(const std::string& text) {
        root = parseScene(text);
        if (!root) throw std::runtime_error("the script has no root");
        return *root;
    }
    SceneNode& node(const std::string& name) {
        SceneNode* found = root ? root->findByName(name) : nullptr;
        if (!found) throw std::runtime_error("no node named " + name);
        return *found;
    }

    TemporaryFolder folder;
    CameraMgr cameras;
    std::unique_ptr<SceneNode> root;
};

}  // namespace qv3rn::test

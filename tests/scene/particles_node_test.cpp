// particles_node_test.cpp -- the "Particles {" node: its system read from the scene script, stepped by the
// scene's time and bounded by its particles; a block it cannot read fails the scene with file and line.
#include <gtest/gtest.h>

#include "data/script_error.h"
#include "scene/particles_node.h"
#include "scene_test_support.h"

namespace qv3rn::test {
namespace {

const std::string sphereBurst = "Group {\n Particles {\n  Name \"burst\"\n  ParticleSystem {\n   Max 6\n"
    "   Generator {\n    Type \"Sphere\"\n    Radius 2\n    Lifespan 5\n   }\n"
    "   Renderer {\n    Type \"Points\"\n   }\n  }\n }\n Mesh {\n  Name \"after\"\n }\n}\n";

TEST(ParticlesNode, StepsItsSystemByTheSceneTime) {
    const auto root = parseScene(sphereBurst);
    ASSERT_TRUE(root);
    auto* node = dynamic_cast<ParticlesNode*>(root->findByName("burst"));
    ASSERT_TRUE(node && node->system());
    ASSERT_TRUE(root->findByName("after"));  // the node's block ended at its own brace
    EXPECT_EQ(node->system()->particles().size(), 6u);
    root->update(2.0f);  // the first step is one frame's worth
    EXPECT_NEAR(node->system()->time(), ParticlesNode::firstStep, 1e-6f);
    root->update(2.5f);
    EXPECT_NEAR(node->system()->time(), ParticlesNode::firstStep + 0.5f, 1e-5f);
    root->update(1.0f);  // time running back steps one frame again
    EXPECT_NEAR(node->system()->time(), 2 * ParticlesNode::firstStep + 0.5f, 1e-5f);
    // Every particle started on the radius-2 shell and moves outwards: the sphere holds them all.
    const BoundingBox& box = node->system()->bounds();
    EXPECT_NEAR(node->boundingSphere().radius, 0.51f * box.size().length(), 1e-5f);
    EXPECT_GT(node->boundingSphere().radius, 1.0f);
}

TEST(ParticlesNode, UnreadableSystemFailsTheScene) {
    std::string text = sphereBurst;
    text.replace(text.find("\"Sphere\""), 8, "\"Spear\"");
    try {
        parseScene(text);
        ADD_FAILURE() << "no error";
    } catch (const ScriptError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("unable to load particle system: unknown particle generator", 0), 0u)
            << error.what();
        EXPECT_EQ(error.line(), 7);
    }
}

}  // namespace
}  // namespace qv3rn::test

// deformers_test.cpp -- each deformer block read from text, and where it moves chosen points.
#include "scene/deformers.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "scene_test_support.h"

namespace qv3rn::test {
namespace {

// The deformer that the block text (the lines after its opening line) makes.
std::unique_ptr<Deformer> readBlock(DeformerKind kind, const std::string& lines) {
    ScriptParser parser;
    std::istringstream stream(lines);
    const std::string opening = deformerKeyword(kind);
    BlockLine line(opening, parser, stream);
    return readDeformer(kind, line);
}

// An envelope field holding `value`.
std::string field(const std::string& keyword, float value) {
    return keyword + " {\n" + constantEnvelope(value) + "}\n";
}

TEST(DeformersTest, MovePointsWhereTheirFormulasPutThem) {
    const float quarter = 1.5707963f, r = 0.63661977f;  // a quarter turn over a length of 1 has radius 2 / pi
    const std::string bend = "From 0\nTo 1\n" + field("BendAngle", quarter);
    const std::string melt = "Center 0 0 0\nSize 1 1 1\n" + field("Bulge", 0.5f);
    const std::string taper = "Center 0 0 0\nMin -1 -1 -1\nMax 1 1 1\n";
    const struct { DeformerKind kind; std::string lines; float time; Vec3 in, out; } cases[] = {
        {DeformerKind::Bend, bend + "}\n", 0, {0, 0.5f, 0}, {0.18646f, 0.45016f, 0}},
        {DeformerKind::Bend, bend + "Axis 1\n}\n", 0, {0, 0, 1}, {r, 0, r}},
        {DeformerKind::Bend, "From 1\nTo 1\n" + field("BendAngle", quarter) + "}\n", 0, {0, 1, 0}, {0, 1, 0}},
        {DeformerKind::Melt, melt + "}\n", 0, {0.5f, 0, 0.5f}, {0.625f, -0.5f, 0.625f}},
        {DeformerKind::Melt, melt + "YBR 0\nZBR 2\nVis 1\n}\n", 0, {0.5f, 0, 0.5f}, {0.5f, -0.5f, 0.625f}},
        {DeformerKind::SinWave, "Axis 2\nAmp1 1\nAmp2 1\nWave 4\n}\n", 0, {1, 0, 0}, {1, 1, 0}},
        {DeformerKind::SinWave, "Axis 2\nAmp1 1\nAmp2 1\nWave 4\nDecay 0.6931472\n" + field("Flex", 2) + "}\n", 0,
         {1, 0, 0}, {1, 1, 0}},
        {DeformerKind::Taper1, "Axis 2\n" + taper + field("Factor", 3) + "}\n", 0, {1, 0, 1}, {1.02f, 0, 1.02f}},
        {DeformerKind::Taper2, "Axis 1\n" + taper + field("FactorA", 3) + field("FactorB", 0) + "}\n", 0, {1, 1, 1},
         {1, 3, 0}},
        {DeformerKind::Twist, "Axis 2\nSize 1 2 1\n" + field("TwistAngle", quarter) + "}\n", 0, {1, 2, 0}, {0, 2, 1}},
        {DeformerKind::Twist, "Axis 6\nCenter 1 0 0\nSize 1 2 1\n" + field("TwistAngle", quarter) + "}\n", 0,
         {2, 2, 0}, {1, 2, 1}},
        {DeformerKind::Wave, "Axis 1\nDisplace 2\nAmplitude 0.5\n" + field("Wavelength", 4) + "}\n", 0, {1, 0, 0},
         {1, 0.5f, 0}},
        {DeformerKind::Wave, "Axis 1\nDisplace 2\nAmplitude 0.5\nFiniteRange 1\nRange 2\n" + field("Wavelength", 4) +
                                 "}\n", 0, {1, 0, 0}, {1, 0.25f, 0}},
        {DeformerKind::Wave, "Axis 4\nDisplace 1\nAmplitude 2\n" + field("Phase", quarter) + "}\n", 0, {0, 0, 7},
         {2, 0, 7}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(deformerName(c.kind)) + ":\n" + c.lines);
        const auto deformer = readBlock(c.kind, c.lines);
        ASSERT_EQ(deformer->kind(), c.kind);
        deformer->update(c.time);
        MeshVertex vertex;
        vertex.position = c.in;
        deformer->apply({&vertex, 1}, {&vertex, 1});
        EXPECT_LT((vertex.position - c.out).length(), 1e-4f)
            << vertex.position.x << " " << vertex.position.y << " " << vertex.position.z;
    }
}

}  // namespace
}  // namespace qv3rn::test

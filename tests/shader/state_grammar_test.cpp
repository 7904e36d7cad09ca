// Tests of the state block grammars: keyword order, longest value names, defaults, numbers and every
// unknown-token error.
#include <gtest/gtest.h>

#include <string>

#include "script_test_support.h"
#include "shader/alpha_state.h"
#include "shader/blend_state.h"
#include "shader/cull_state.h"
#include "shader/fog_state.h"
#include "shader/material_state.h"
#include "shader/polygon_state.h"
#include "shader/program_state.h"
#include "data/script_error.h"
#include "shader/stencil_state.h"
#include "shader/zbuffer_state.h"

namespace qv3rn {
namespace {

using test::onlyState;
using test::parseScript;

// Reads one block of `opener` with `lines` inside a shader and returns its state.
template <typename State>
State& readBlock(ShaderManager& manager, const std::string& opener, const std::string& lines) {
    EXPECT_TRUE(parseScript(manager, "Shader {\nName \"s\"\n" + opener + " {\n" + lines + "}\n}\n"));
    return onlyState<State>(manager);
}

TEST(AlphaGrammar, ComparisonNamesMatchTheLongestName) {
    struct Case {
        const char* line;
        GLenum expected;
    };
    const Case cases[] = {
        {"Function GEQUAL", GL_GEQUAL},     {"Function NOTEQUAL", GL_NOTEQUAL}, {"Function LEQUAL", GL_LEQUAL},
        {"Function EQUAL", GL_EQUAL},       {"Function GREATER", GL_GREATER},   {"Function LESS", GL_LESS},
        {"Function NEVER", GL_NEVER},       {"Function ALWAYS", GL_ALWAYS},     {"Function nothing", GL_ALWAYS},
        {"Function gEQUAL", GL_EQUAL},      {"Function Gequal", GL_ALWAYS},  // case-sensitive
    };
    for (const Case& c : cases) {
        ShaderManager manager;
        EXPECT_EQ(readBlock<AlphaState>(manager, "Alpha", std::string(c.line) + "\n").function, c.expected) << c.line;
    }
}

TEST(AlphaGrammar, FlagsAndNumbers) {
    ShaderManager manager;
    const AlphaState& a = readBlock<AlphaState>(manager, "Alpha", "Enable yes\nReference 0.25\nReference \n");
    EXPECT_TRUE(a.enabled);
    EXPECT_FLOAT_EQ(a.reference, 0.25f);  // a line without a number keeps the value

    for (const char* line : {"Enable no", "Enable 1", "Enable ", "Enable YES"}) {
        ShaderManager other;
        EXPECT_FALSE(readBlock<AlphaState>(other, "Alpha", std::string("Enable yes\n") + line + "\n").enabled) << line;
    }
    ShaderManager defaults;
    const AlphaState& d = readBlock<AlphaState>(defaults, "Alpha", "");
    EXPECT_FALSE(d.enabled);
    EXPECT_EQ(d.function, static_cast<GLenum>(GL_ALWAYS));
    EXPECT_EQ(d.reference, 0.0f);
}

TEST(BlendGrammar, FactorNamesAndSeparateAlphaFactors) {
    ShaderManager manager;
    const BlendState& b = readBlock<BlendState>(manager, "Blend",
                                                "Enable yes\n"
                                                "Src ONE_MINUS_CONSTANT_ALPHA\n"
                                                "Dst.RGB ONE_MINUS_SRC_COLOR\n"
                                                "Dst.Alpha ONE\n");
    EXPECT_TRUE(b.enabled);
    EXPECT_EQ(b.srcRGB, 0x8004u);
    EXPECT_EQ(b.dstRGB, static_cast<GLenum>(GL_ONE_MINUS_SRC_COLOR));  // kept by the Dst.Alpha line
    EXPECT_EQ(b.dstAlpha, static_cast<GLenum>(GL_ONE));
    EXPECT_EQ(b.srcAlpha, static_cast<GLenum>(GL_ONE));
    EXPECT_TRUE(b.separate);

    ShaderManager second;
    const BlendState& c = readBlock<BlendState>(second, "Blend",
                                                "Src.RGB SRC_ALPHA_SATURATE\nDst ONE_MINUS_CONSTANT_COLOR\n"
                                                "Src.Alpha DST_COLOR\nLighting no\n");
    EXPECT_EQ(c.srcRGB, static_cast<GLenum>(GL_SRC_ALPHA_SATURATE));
    EXPECT_EQ(c.dstRGB, static_cast<GLenum>(GL_ONE_MINUS_CONSTANT_COLOR));
    EXPECT_EQ(c.srcAlpha, static_cast<GLenum>(GL_DST_COLOR));
    EXPECT_TRUE(c.separate);
    EXPECT_FALSE(c.lighting);
    EXPECT_FALSE(c.enabled);

    // DST_COLOR is no destination factor: the line leaves the field alone.
    ShaderManager third;
    const BlendState& d = readBlock<BlendState>(third, "Blend", "Dst ZERO\nDst DST_COLOR\n");
    EXPECT_EQ(d.dstRGB, static_cast<GLenum>(GL_ZERO));
    EXPECT_FALSE(d.separate);
}

TEST(BlendGrammar, EquationAndColour) {
    ShaderManager manager;
    const BlendState& b = readBlock<BlendState>(manager, "Blend", "BlendEquation MIN\nBlendColor 0.5 0.25 1 0.75\n");
    EXPECT_EQ(b.equation, static_cast<GLenum>(GL_MIN));
    EXPECT_FLOAT_EQ(b.color[0], 0.5f);
    EXPECT_FLOAT_EQ(b.color[1], 0.25f);
    EXPECT_FLOAT_EQ(b.color[2], 1.0f);
    EXPECT_FLOAT_EQ(b.color[3], 0.75f);
    const char* names[] = {"ADD", "MAX", "SUBTRACT", "REVERSE_SUBTRACT", "OVERLAY"};
    const GLenum values[] = {GL_FUNC_ADD, GL_MAX, GL_FUNC_SUBTRACT, GL_FUNC_REVERSE_SUBTRACT, 0};
    for (int i = 0; i < 5; ++i) {
        ShaderManager other;
        EXPECT_EQ(readBlock<BlendState>(other, "Blend", "BlendEquation MAX\nBlendEquation " + std::string(names[i]) + "\n")
                      .equation,
                  values[i])
            << names[i];
    }
}

TEST(BlendGrammar, EveryBlendBlockMarksTheShaderBlended) {
    ShaderManager manager;
    ASSERT_TRUE(parseScript(manager, "Shader {\nName \"a\"\nBlend {\nEnable no\n}\n}\nShader {\nName \"b\"\n"
                                     "Alpha {\n}\n}\n"));
    EXPECT_TRUE(manager.shaders()[0]->isBlended());
    EXPECT_FALSE(manager.shaders()[1]->isBlended());
}

TEST(CullGrammar, FacesAndWindings) {
    ShaderManager manager;
    const CullState& c = readBlock<CullState>(manager, "Cull", "Enable no\nTwoSided yes\nFunction FRONT\nWinding CW\n");
    EXPECT_FALSE(c.enabled);
    EXPECT_TRUE(c.twoSided);
    EXPECT_EQ(c.face, static_cast<GLenum>(GL_FRONT));
    EXPECT_EQ(c.winding, static_cast<GLenum>(GL_CW));
    ShaderManager second;
    const CullState& d = readBlock<CullState>(second, "Cull", "Function FRONT_AND_BACK\nWinding CW\nWinding CCW\n");
    EXPECT_EQ(d.face, static_cast<GLenum>(GL_FRONT_AND_BACK));
    EXPECT_EQ(d.winding, static_cast<GLenum>(GL_CCW));
    EXPECT_TRUE(d.enabled);
}

TEST(FogGrammar, NumbersColourModeAndHint) {
    ShaderManager manager;
    const FogState& f = readBlock<FogState>(manager, "Fog",
                                            "Enable yes\nStart 2\nEnd 40.5\nDensity 0.125\nColor 0.1 0.2 0.3 0.4\n"
                                            "Function EXPSQR\nApply PER_VERTEX\n");
    EXPECT_TRUE(f.enabled);
    EXPECT_FLOAT_EQ(f.start, 2.0f);
    EXPECT_FLOAT_EQ(f.end, 40.5f);
    EXPECT_FLOAT_EQ(f.density, 0.125f);
    EXPECT_FLOAT_EQ(f.color[2], 0.3f);
    EXPECT_FLOAT_EQ(f.color[3], 0.4f);
    EXPECT_EQ(f.mode, static_cast<GLenum>(GL_EXP2));
    EXPECT_EQ(f.hint, static_cast<GLenum>(GL_FASTEST));
    ShaderManager second;
    const FogState& g = readBlock<FogState>(second, "Fog", "Function LINEAR\nFunction EXP\nColor 1 0\n");
    EXPECT_EQ(g.mode, static_cast<GLenum>(GL_EXP));
    EXPECT_EQ(g.hint, static_cast<GLenum>(GL_NICEST));
    EXPECT_FLOAT_EQ(g.color[0], 1.0f);
    EXPECT_FLOAT_EQ(g.color[1], 0.0f);
    EXPECT_FLOAT_EQ(g.color[2], 0.5f);  // not given: the default stays
    EXPECT_FLOAT_EQ(g.color[3], 1.0f);
}

TEST(StencilGrammar, LongerKeywordsAreTestedFirst) {
    ShaderManager manager;
    const StencilState& s = readBlock<StencilState>(manager, "Stencil",
                                                    "Enable yes\nFunction NOTEQUAL\nReference -3\nWriteMask 15\n"
                                                    "ZFail INCR_WRAP\nZPass DECR_WRAP\n");
    EXPECT_EQ(s.function, static_cast<GLenum>(GL_NOTEQUAL));
    EXPECT_EQ(s.reference, -3);
    EXPECT_EQ(s.writeMask, 15u);
    EXPECT_EQ(s.mask, 0u);  // WriteMask does not touch the compare mask
    EXPECT_EQ(s.zFail, 0x8507u);
    EXPECT_EQ(s.zPass, 0x8508u);
    EXPECT_EQ(s.fail, static_cast<GLenum>(GL_ZERO));  // ZFail and ZPass do not touch fail

    ShaderManager second;
    const StencilState& t = readBlock<StencilState>(second, "Stencil", "Mask 7\nFail INCR\nZFail INVERT\nZPass KEEP\n");
    EXPECT_EQ(t.mask, 7u);
    EXPECT_EQ(t.writeMask, 255u);
    EXPECT_EQ(t.fail, static_cast<GLenum>(GL_INCR));
    EXPECT_EQ(t.zFail, static_cast<GLenum>(GL_INVERT));
    EXPECT_EQ(t.zPass, static_cast<GLenum>(GL_KEEP));
    ShaderManager third;
    EXPECT_EQ(readBlock<StencilState>(third, "Stencil", "Fail REPLACE\nFail DECR\n").fail, static_cast<GLenum>(GL_DECR));
}

TEST(ZBufferGrammar, WriteAndFunction) {
    ShaderManager manager;
    const ZBufferState& z = readBlock<ZBufferState>(manager, "ZBuffer", "Enable yes\nWrite no\nFunction GREATER\n");
    EXPECT_TRUE(z.enabled);
    EXPECT_FALSE(z.depthWrite);
    EXPECT_EQ(z.function, static_cast<GLenum>(GL_GREATER));
}

TEST(PolygonGrammar, ModesFacesAndTheirErrors) {
    ShaderManager manager;
    const PolygonState& p = readBlock<PolygonState>(manager, "Polygon", "Enable yes\nMode LINE\nFace FRONT\n");
    EXPECT_TRUE(p.enabled);
    EXPECT_EQ(p.mode, static_cast<GLenum>(GL_LINE));
    EXPECT_EQ(p.face, static_cast<GLenum>(GL_FRONT));
    ShaderManager second;
    const PolygonState& q = readBlock<PolygonState>(second, "Polygon", "Mode POINT\nFace BACK\nFace FRONT_AND_BACK\n");
    EXPECT_EQ(q.mode, static_cast<GLenum>(GL_POINT));
    EXPECT_EQ(q.face, static_cast<GLenum>(GL_FRONT_AND_BACK));
}

TEST(LogicOpGrammar, EveryOperationByItsLongestName) {
    const char* names[] = {"CLEAR", "AND",  "AND_REVERSE", "COPY",       "AND_INVERTED",  "NOOP",
                           "XOR",   "OR",   "NOR",         "EQUIV",      "INVERT",        "OR_REVERSE",
                           "COPY_INVERTED", "OR_INVERTED", "NAND",       "SET"};
    for (GLenum i = 0; i < 16; ++i) {
        ShaderManager manager;
        const LogicOpState& l = readBlock<LogicOpState>(manager, "LogicOp", "Enable yes\nOp " + std::string(names[i]) + "\n");
        EXPECT_EQ(l.op, GL_CLEAR + i) << names[i];
    }
}

TEST(MaterialGrammar, ColoursShininessAndTransparencyEnvelope) {
    ShaderManager manager;
    const MaterialState& m = readBlock<MaterialState>(manager, "Material",
                                                      "Enable yes\nAmbient 0.1 0.2 0.3 0.4\nDiffuse 1 0.5 0.25 1\n"
                                                      "Specular 0.9 0.9 0.9 1\nEmission 0 0 0.5 0\nShininess 32\n"
                                                      "Transparency {\n{ Envelope\n2\nKey 1 0 3 0 0 0 0 0 0 0\n"
                                                      "Key 0 2 3 0 0 0 0 0 0 0\n}\n}\nShininess 64\n");
    EXPECT_TRUE(m.enabled);
    EXPECT_FLOAT_EQ(m.ambient[3], 0.4f);
    EXPECT_FLOAT_EQ(m.diffuse[1], 0.5f);
    EXPECT_FLOAT_EQ(m.specular[0], 0.9f);
    EXPECT_FLOAT_EQ(m.emission[2], 0.5f);
    EXPECT_FLOAT_EQ(m.shininess, 64.0f);  // the envelope's closing brace did not end the block
    ASSERT_TRUE(m.transparency);
    EXPECT_FLOAT_EQ(m.transparency->evaluate(1.0f), 0.5f);

    ShaderManager defaults;
    const MaterialState& d = readBlock<MaterialState>(defaults, "Material", "");
    EXPECT_FLOAT_EQ(d.ambient[0], 0.0f);
    EXPECT_FLOAT_EQ(d.ambient[3], 1.0f);
    EXPECT_FLOAT_EQ(d.diffuse[0], 0.8f);
    EXPECT_FLOAT_EQ(d.emission[3], 0.0f);
    EXPECT_FALSE(d.transparency);
}

TEST(MaterialGrammar, ABrokenTransparencyEnvelopeIsAnError) {
    ShaderManager manager;
    EXPECT_THROW(parseScript(manager, "Shader {\nName \"s\"\nMaterial {\nTransparency {\n{ Envelope\n1\n}\n}\n}\n}\n"),
                 ScriptError);
    ShaderManager second;
    EXPECT_THROW(parseScript(second, "Shader {\nName \"s\"\nMaterial {\nTransparency {\nEnable yes\n}\n}\n}\n"),
                 ScriptError);
    EXPECT_EQ(second.shaders()[0]->states().size(), 1u);  // the state stays, without an envelope
    EXPECT_FALSE(onlyState<MaterialState>(second).transparency);
}

TEST(ProgramStateGrammar, WithoutTheExtensionTheProgramIsZero) {
    resetExtensions();
    ShaderManager manager;
    ASSERT_TRUE(parseScript(manager, "Shader {\nName \"s\"\nVertex {\nEnable yes\nName \"wave\"\n}\n"
                                     "Fragment {\nName \"tint\"\nEnable no\n}\n}\n"));
    const auto& vertex = onlyState<VertexProgramState>(manager, 0, 0);
    const auto& fragment = onlyState<FragmentProgramState>(manager, 0, 1);
    EXPECT_TRUE(vertex.enabled);
    EXPECT_EQ(vertex.program, 0u);
    EXPECT_EQ(vertex.programName, "wave");
    EXPECT_FALSE(fragment.enabled);
    EXPECT_EQ(fragment.programName, "tint");
}

TEST(StateGrammar, EveryBlockRejectsAnUnknownLineWithItsOwnMessage) {
    struct Case {
        const char* block;
        const char* line;
        const char* message;
    };
    const Case cases[] = {
        {"Alpha", "Funktion LESS", "PARSE ERROR! Unknown Alpha Token"},
        {"Blend", "Source ONE", "PARSE ERROR! Unknown Blend Token"},
        {"Cull", "Face BACK", "PARSE ERROR! Unknown Cull Token"},
        {"Fog", "Colour 1 1 1 1", "PARSE ERROR! Unknown Fog Token"},
        {"Stencil", "Pass KEEP", "PARSE ERROR! Unknown Stencil Token"},
        {"ZBuffer", "Test yes", "PARSE ERROR! Unknown ZBuffer Token"},
        {"Vertex", "Program \"x\"", "PARSE ERROR! Unknown Vertex Token"},
        {"Fragment", "Program \"x\"", "PARSE ERROR! Unknown Fragment Token"},
        {"Material", "Shine 3", "PARSE ERROR! Unknown Material Token"},
        {"Polygon", "Fill yes", "PARSE ERROR! Unknown Polygon Token"},
        {"LogicOp", "Operation XOR", "PARSE ERROR! Unknown LogicOp Token"},
        {"Texture", "Unit UNIT1", "PARSE ERROR! Unknown Texture Token"},
        {"Polygon", "Mode WIREFRAME", "PARSE ERROR! Unknown Polygon Mode type"},
        {"Polygon", "Face SIDES", "PARSE ERROR! Unknown Polygon Face type"},
        {"LogicOp", "Op MIX", "PARSE ERROR! Unknown LogiOp Op type"},
    };
    for (const Case& c : cases) {
        ShaderManager manager;
        const std::string first = std::string(c.block) == "Texture" ? "TexUnit UNIT0" : "Enable no";
        const std::string script =
            "Shader {\nName \"s\"\n" + std::string(c.block) + " {\n" + first + "\n" + c.line + "\n}\n}\n";
        try {
            parseScript(manager, script);
            ADD_FAILURE() << "no error for " << c.block << ": " << c.line;
        } catch (const ScriptError& error) {
            EXPECT_STREQ(error.what(), c.message);
            EXPECT_EQ(error.line(), 5) << c.block;
        }
        ASSERT_EQ(manager.shaders().size(), 1u);
        EXPECT_EQ(manager.shaders()[0]->states().size(), 1u) << c.block;  // appended before its lines were read
    }
}

}  // namespace
}  // namespace qv3rn

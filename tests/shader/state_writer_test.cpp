// Tests of the shader-script writer: the exact layout of each state block, and reading the text back to the
// same values.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "script_test_support.h"
#include "shader/alpha_state.h"
#include "shader/blend_state.h"
#include "shader/cull_state.h"
#include "shader/fog_state.h"
#include "shader/material_state.h"
#include "shader/polygon_state.h"
#include "shader/program_state.h"
#include "shader/stencil_state.h"
#include "shader/texture_unit_state.h"
#include "shader/zbuffer_state.h"

namespace qv3rn {
namespace {

using test::onlyState;

std::string written(const RenderState& state) {
    std::ostringstream out;
    state.write(out);
    return out.str();
}

// Writes `state`, reads the text back inside a shader, and returns the state read.
template <typename State>
State& readBack(ShaderManager& manager, const State& state) {
    const std::string text = "Shader {\n\tName \"w\"\n" + written(state) + "}\n";
    EXPECT_TRUE(test::parseScript(manager, text)) << text;
    EXPECT_EQ(manager.shaders().at(0)->states().size(), 1u) << text;
    return onlyState<State>(manager);
}

TEST(StateWriter, DefaultZBufferLayout) {
    EXPECT_EQ(written(ZBufferState()), "\tZBuffer {\n\t\tEnable\tno\n\t\tWrite\tyes\n\t\tFunction\tLEQUAL\n\t}\n");
}

TEST(StateWriter, LayoutsOfEveryBlock) {
    AlphaState alpha;
    alpha.enabled = true;
    alpha.reference = 0.5f;
    alpha.function = GL_GEQUAL;
    EXPECT_EQ(written(alpha), "\tAlpha {\n\t\tEnable\tyes\n\t\tReference\t0.5\n\t\tFunction\tGEQUAL\n\t}\n");

    CullState cull;
    cull.face = GL_FRONT_AND_BACK;
    cull.winding = GL_CW;
    EXPECT_EQ(written(cull),
              "\tCull {\n\t\tEnable\tyes\n\t\tTwoSided\tno\n\t\tFunction\tFRONT_AND_BACK\n\t\tWinding\tCW\n\t}\n");

    EXPECT_EQ(written(FogState()),
              "\tFog {\n\t\tEnable\tno\n\t\tStart\t0\n\t\tEnd\t1\n\t\tDensity\t0.5\n\t\tColor\t0.5 0.5 0.5 1\n"
              "\t\tFunction\tEXP\n\t\tApply\tPER_PIXEL\n\t}\n");

    StencilState stencil;
    stencil.reference = -2;
    stencil.zFail = GL_INCR_WRAP_EXT;
    EXPECT_EQ(written(stencil),
              "\tStencil {\n\t\tEnable\tno\n\t\tReference\t-2\n\t\tMask\t0\n\t\tWriteMask\t255\n\t\tFunction\tALWAYS\n"
              "\t\tFail\tZERO\n\t\tZFail\tINCR_WRAP\n\t\tZPass\tZERO\n\t}\n");

    EXPECT_EQ(written(PolygonState()), "\tPolygon {\n\t\tEnable\tno\n\t\tMode\tFILL\n\t\tFace\tFRONT_AND_BACK\n\t}\n");
    EXPECT_EQ(written(LogicOpState()), "\tLogicOp {\n\t\tEnable\tno\n\t\tOp\tCOPY\n\t}\n");

    MaterialState material;
    EXPECT_EQ(written(material),
              "\tMaterial {\n\t\tEnable\tno\n\t\tAmbient\t0 0 0 1\n\t\tDiffuse\t0.8 0.8 0.8 1\n\t\tSpecular\t0 0 0 1\n"
              "\t\tEmission\t0 0 0 0\n\t\tShininess\t0\n\t}\n");

    BlendState blend;
    blend.enabled = true;
    blend.srcRGB = GL_SRC_ALPHA;
    blend.dstRGB = GL_ONE_MINUS_SRC_ALPHA;
    EXPECT_EQ(written(blend),
              "\tBlend {\n\t\tEnable\tyes\n\t\tLighting\tyes\n\t\tSrc.RGB\tSRC_ALPHA\n\t\tDst.RGB\tONE_MINUS_SRC_ALPHA\n"
              "\t\tSrc\tSRC_ALPHA\n\t\tDst\tONE_MINUS_SRC_ALPHA\n\t\tBlendEquation\tNONE\n\t\tBlendColor\t0 0 0 0\n\t}\n");
    blend.separate = true;
    blend.srcAlpha = GL_ZERO;
    blend.equation = GL_FUNC_REVERSE_SUBTRACT;
    EXPECT_EQ(written(blend),
              "\tBlend {\n\t\tEnable\tyes\n\t\tLighting\tyes\n\t\tSrc.RGB\tSRC_ALPHA\n\t\tSrc.Alpha\tZERO\n"
              "\t\tDst.RGB\tONE_MINUS_SRC_ALPHA\n\t\tDst.Alpha\tONE\n\t\tSrc\tSRC_ALPHA\n\t\tDst\tONE_MINUS_SRC_ALPHA\n"
              "\t\tBlendEquation\tREVERSE_SUBTRACT\n\t\tBlendColor\t0 0 0 0\n\t}\n");

    EXPECT_EQ(written(VertexProgramState()), "");
    EXPECT_EQ(written(FragmentProgramState()), "");
    EXPECT_EQ(written(TextureUnitState()), "\tTexture {\n\t\tTexUnit\tUNIT0\n\t}\n");
}

TEST(StateWriter, AlphaBlendCullAndFogReadBack) {
    AlphaState alpha;
    alpha.enabled = true;
    alpha.function = GL_NOTEQUAL;
    alpha.reference = 0.123456f;
    ShaderManager m1;
    const AlphaState& a = readBack(m1, alpha);
    EXPECT_EQ(a.enabled, alpha.enabled);
    EXPECT_EQ(a.function, alpha.function);
    EXPECT_FLOAT_EQ(a.reference, alpha.reference);

    for (bool separate : {false, true}) {
        BlendState blend;
        blend.enabled = true;
        blend.lighting = false;
        blend.srcRGB = GL_ONE_MINUS_CONSTANT_ALPHA;
        blend.dstRGB = GL_CONSTANT_COLOR;
        blend.separate = separate;
        blend.srcAlpha = separate ? GL_SRC_ALPHA_SATURATE : GL_ONE;
        blend.dstAlpha = separate ? GL_ZERO : GL_ONE;
        blend.equation = GL_MAX;
        blend.color[0] = 0.25f;
        blend.color[3] = 0.5f;
        ShaderManager m;
        const BlendState& b = readBack(m, blend);
        EXPECT_EQ(b.enabled, blend.enabled);
        EXPECT_EQ(b.lighting, blend.lighting);
        EXPECT_EQ(b.srcRGB, blend.srcRGB);
        EXPECT_EQ(b.dstRGB, blend.dstRGB);
        EXPECT_EQ(b.separate, blend.separate) << separate;
        EXPECT_EQ(b.srcAlpha, blend.srcAlpha);
        EXPECT_EQ(b.dstAlpha, blend.dstAlpha);
        EXPECT_EQ(b.equation, blend.equation);
        for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(b.color[i], blend.color[i]);
        EXPECT_TRUE(m.shaders()[0]->isBlended());
    }
    BlendState none;
    ShaderManager m2;
    EXPECT_EQ(readBack(m2, none).equation, 0u);  // "NONE" reads back as no equation

    CullState cull;
    cull.enabled = false;
    cull.twoSided = true;
    cull.face = GL_FRONT;
    cull.winding = GL_CW;
    ShaderManager m3;
    const CullState& c = readBack(m3, cull);
    EXPECT_EQ(c.enabled, false);
    EXPECT_EQ(c.twoSided, true);
    EXPECT_EQ(c.face, static_cast<GLenum>(GL_FRONT));
    EXPECT_EQ(c.winding, static_cast<GLenum>(GL_CW));

    FogState fog;
    fog.enabled = true;
    fog.start = -3.5f;
    fog.end = 1e6f;
    fog.density = 0.001f;
    fog.color[1] = 0.75f;
    fog.mode = GL_EXP2;
    fog.hint = GL_FASTEST;
    ShaderManager m4;
    const FogState& f = readBack(m4, fog);
    EXPECT_EQ(f.enabled, true);
    EXPECT_FLOAT_EQ(f.start, fog.start);
    EXPECT_FLOAT_EQ(f.end, fog.end);
    EXPECT_FLOAT_EQ(f.density, fog.density);
    EXPECT_FLOAT_EQ(f.color[1], 0.75f);
    EXPECT_EQ(f.mode, static_cast<GLenum>(GL_EXP2));
    EXPECT_EQ(f.hint, static_cast<GLenum>(GL_FASTEST));
}

TEST(StateWriter, StencilDepthPolygonLogicOpReadBack) {
    const GLenum operations[] = {GL_KEEP, GL_ZERO, GL_REPLACE, GL_INCR, GL_DECR, GL_INVERT, GL_INCR_WRAP_EXT, GL_DECR_WRAP_EXT};
    for (int i = 0; i < 8; ++i) {
        StencilState stencil;
        stencil.enabled = true;
        stencil.function = GL_LESS + i % 7;
        stencil.reference = i - 4;
        stencil.mask = 0xF0u + i;
        stencil.writeMask = 3u * i;
        stencil.fail = operations[i];
        stencil.zFail = operations[(i + 3) % 8];
        stencil.zPass = operations[(i + 6) % 8];
        ShaderManager m;
        const StencilState& s = readBack(m, stencil);
        EXPECT_EQ(s.function, stencil.function);
        EXPECT_EQ(s.reference, stencil.reference);
        EXPECT_EQ(s.mask, stencil.mask);
        EXPECT_EQ(s.writeMask, stencil.writeMask);
        EXPECT_EQ(s.fail, stencil.fail);
        EXPECT_EQ(s.zFail, stencil.zFail);
        EXPECT_EQ(s.zPass, stencil.zPass);
    }
    for (GLenum function = GL_NEVER; function <= GL_ALWAYS; ++function) {
        ZBufferState depth;
        depth.enabled = function % 2 == 0;
        depth.depthWrite = function % 3 == 0;
        depth.function = function;
        ShaderManager m;
        const ZBufferState& z = readBack(m, depth);
        EXPECT_EQ(z.enabled, depth.enabled);
        EXPECT_EQ(z.depthWrite, depth.depthWrite);
        EXPECT_EQ(z.function, function);
    }
    for (GLenum face : {GL_FRONT, GL_BACK, GL_FRONT_AND_BACK}) {
        for (GLenum mode : {GL_POINT, GL_LINE, GL_FILL}) {
            PolygonState polygon;
            polygon.enabled = true;
            polygon.face = face;
            polygon.mode = mode;
            ShaderManager m;
            const PolygonState& p = readBack(m, polygon);
            EXPECT_EQ(p.face, face);
            EXPECT_EQ(p.mode, mode);
        }
    }
    for (GLenum op = GL_CLEAR; op <= GL_SET; ++op) {
        LogicOpState logic;
        logic.enabled = true;
        logic.op = op;
        ShaderManager m;
        EXPECT_EQ(readBack(m, logic).op, op);
    }
}

TEST(StateWriter, MaterialWithItsTransparencyEnvelopeReadsBack) {
    MaterialState material;
    material.enabled = true;
    const float values[4][4] = {{0.1f, 0.2f, 0.3f, 0.4f}, {1, 0.5f, 0.25f, 0.125f}, {0.9f, 0.8f, 0.7f, 0.6f}, {0, 0, 0.5f, 1}};
    for (int i = 0; i < 4; ++i) {
        material.ambient[i] = values[0][i];
        material.diffuse[i] = values[1][i];
        material.specular[i] = values[2][i];
        material.emission[i] = values[3][i];
    }
    material.shininess = 96;
    material.transparency = std::make_unique<Envelope>();
    EnvelopeKey first{};
    first.value = 1;
    first.time = 0;
    first.spanType = 3;
    EnvelopeKey second = first;
    second.value = 0.25f;
    second.time = 4;
    material.transparency->addKey(first);
    material.transparency->addKey(second);
    material.transparency->setBehaviors(1, 3);

    ShaderManager m;
    const MaterialState& r = readBack(m, material);
    EXPECT_TRUE(r.enabled);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(r.ambient[i], values[0][i]);
        EXPECT_FLOAT_EQ(r.diffuse[i], values[1][i]);
        EXPECT_FLOAT_EQ(r.specular[i], values[2][i]);
        EXPECT_FLOAT_EQ(r.emission[i], values[3][i]);
    }
    EXPECT_FLOAT_EQ(r.shininess, 96);
    ASSERT_TRUE(r.transparency);
    EXPECT_EQ(r.transparency->keyCount(), 2u);
    EXPECT_EQ(r.transparency->postBehavior(), 3);
    for (float t : {-1.0f, 0.0f, 1.5f, 4.0f, 7.0f})
        EXPECT_FLOAT_EQ(r.transparency->evaluate(t), material.transparency->evaluate(t)) << t;
}

}  // namespace
}  // namespace qv3rn

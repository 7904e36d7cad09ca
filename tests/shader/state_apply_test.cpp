// Tests of apply and restore of every render-state kind in a real context: the state set while a shader is
// applied, the baseline put back after it, and the lock switches.
#include <gtest/gtest.h>

#include <array>

#include "script_test_support.h"
#include "shader/alpha_state.h"
#include "shader/blend_state.h"
#include "shader/cull_state.h"
#include "shader/fog_state.h"
#include "shader/material_state.h"
#include "shader/polygon_state.h"
#include "shader/program_state.h"
#include "shader/stencil_state.h"
#include "shader/zbuffer_state.h"

namespace qv3rn {
namespace {

class StateApply : public test::ShaderGLTest {
protected:
    // The engine's baseline, as restore leaves it.
    void setBaseline() {
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CCW);
        glCullFace(GL_BACK);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glDepthMask(GL_TRUE);
        glEnable(GL_COLOR_MATERIAL);
        glColor4f(1, 1, 1, 1);
    }
    bool enabled(GLenum cap) { return glIsEnabled(cap) == GL_TRUE; }
    std::array<float, 4> frontMaterial(GLenum name) {
        std::array<float, 4> value{};
        glGetMaterialfv(GL_FRONT, name, value.data());
        return value;
    }
    void expectNoGLError() { EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)); }
};

void expectColor(const std::array<float, 4>& actual, std::array<float, 4> expected) {
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-6f) << "component " << i;
}

TEST_F(StateApply, AlphaTestOnWithItsFunctionAndOffAgain) {
    AlphaState alpha;
    alpha.enabled = true;
    alpha.function = GL_GEQUAL;
    alpha.reference = 0.5f;
    alpha.apply();
    EXPECT_TRUE(enabled(GL_ALPHA_TEST));
    EXPECT_EQ(integer(GL_ALPHA_TEST_FUNC), GL_GEQUAL);
    EXPECT_FLOAT_EQ(floats(GL_ALPHA_TEST_REF)[0], 0.5f);
    alpha.restore();
    EXPECT_FALSE(enabled(GL_ALPHA_TEST));

    AlphaState off;  // a disabled state switches the test off and leaves it off
    glEnable(GL_ALPHA_TEST);
    off.apply();
    EXPECT_FALSE(enabled(GL_ALPHA_TEST));
    glEnable(GL_ALPHA_TEST);
    off.restore();
    EXPECT_TRUE(enabled(GL_ALPHA_TEST));
    expectNoGLError();
}

TEST_F(StateApply, BlendSetsFactorsEquationColourAndLighting) {
    glEnable(GL_LIGHTING);
    BlendState blend;
    blend.enabled = true;
    blend.srcRGB = GL_SRC_ALPHA;
    blend.dstRGB = GL_ONE_MINUS_SRC_ALPHA;
    blend.equation = GL_MIN;
    blend.lighting = false;
    blend.color[0] = 0.25f;
    blend.color[3] = 1.0f;
    blend.apply();
    EXPECT_TRUE(enabled(GL_BLEND));
    EXPECT_EQ(integer(GL_BLEND_SRC_RGB), GL_SRC_ALPHA);
    EXPECT_EQ(integer(GL_BLEND_DST_RGB), GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_EQ(integer(GL_BLEND_SRC_ALPHA), GL_SRC_ALPHA);  // not separate: one function for both
    EXPECT_EQ(integer(GL_BLEND_DST_ALPHA), GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_EQ(integer(GL_BLEND_EQUATION_RGB), GL_MIN);
    expectColor(floats(GL_BLEND_COLOR), {0.25f, 0, 0, 1});
    EXPECT_FALSE(enabled(GL_LIGHTING));
    EXPECT_EQ(integer(GL_ATTRIB_STACK_DEPTH), 1);
    blend.restore();
    EXPECT_FALSE(enabled(GL_BLEND));
    EXPECT_EQ(integer(GL_BLEND_EQUATION_RGB), GL_FUNC_ADD);
    EXPECT_TRUE(enabled(GL_LIGHTING));
    EXPECT_EQ(integer(GL_ATTRIB_STACK_DEPTH), 0);
    EXPECT_EQ(integer(GL_BLEND_SRC_RGB), GL_SRC_ALPHA);  // the function is left as it is
    expectNoGLError();
}

TEST_F(StateApply, SeparateBlendFactors) {
    ASSERT_TRUE(loadExtension(*context, "GL_EXT_blend_func_separate"));
    BlendState blend;
    blend.enabled = true;
    blend.srcRGB = GL_ZERO;
    blend.dstRGB = GL_SRC_COLOR;
    blend.srcAlpha = GL_ONE;
    blend.dstAlpha = GL_ZERO;
    blend.separate = true;
    blend.apply();
    EXPECT_EQ(integer(GL_BLEND_SRC_RGB), GL_ZERO);
    EXPECT_EQ(integer(GL_BLEND_DST_RGB), GL_SRC_COLOR);
    EXPECT_EQ(integer(GL_BLEND_SRC_ALPHA), GL_ONE);
    EXPECT_EQ(integer(GL_BLEND_DST_ALPHA), GL_ZERO);
    EXPECT_EQ(integer(GL_ATTRIB_STACK_DEPTH), 0);  // lit blending pushes nothing
    blend.restore();

    // Without the separate entry point the colour factors go to both.
    resetExtensions();
    loadExtension(*context, "GL_EXT_blend_minmax");
    BlendState fallback;
    fallback.enabled = true;
    fallback.srcRGB = GL_DST_COLOR;
    fallback.dstRGB = GL_ZERO;
    fallback.srcAlpha = GL_ONE;
    fallback.separate = true;
    fallback.equation = 0;
    glBlendEquation(GL_MAX);
    fallback.apply();
    EXPECT_EQ(integer(GL_BLEND_SRC_ALPHA), GL_DST_COLOR);
    EXPECT_EQ(integer(GL_BLEND_EQUATION_RGB), GL_MAX);  // equation 0: no equation call
    fallback.restore();
    EXPECT_EQ(integer(GL_BLEND_EQUATION_RGB), GL_MAX);
    expectNoGLError();
}

TEST_F(StateApply, CullOffAndFrontFacesAreUndoneByRestore) {
    setBaseline();
    CullState off;
    off.enabled = false;
    off.twoSided = true;
    off.apply();
    EXPECT_FALSE(enabled(GL_CULL_FACE));
    EXPECT_EQ(integer(GL_LIGHT_MODEL_TWO_SIDE), 1);
    off.restore();
    EXPECT_TRUE(enabled(GL_CULL_FACE));
    EXPECT_EQ(integer(GL_LIGHT_MODEL_TWO_SIDE), 0);

    CullState front;
    front.face = GL_FRONT;
    front.winding = GL_CW;
    front.apply();
    EXPECT_TRUE(enabled(GL_CULL_FACE));
    EXPECT_EQ(integer(GL_CULL_FACE_MODE), GL_FRONT);
    EXPECT_EQ(integer(GL_FRONT_FACE), GL_CW);
    front.restore();
    EXPECT_EQ(integer(GL_CULL_FACE_MODE), GL_BACK);
    EXPECT_EQ(integer(GL_FRONT_FACE), GL_CCW);
    expectNoGLError();
}

TEST_F(StateApply, FogParameters) {
    FogState fog;
    fog.enabled = true;
    fog.mode = GL_LINEAR;
    fog.start = 2;
    fog.end = 9;
    fog.density = 0.25f;
    fog.color[0] = 1;
    fog.color[1] = 0;
    fog.hint = GL_FASTEST;
    fog.apply();
    EXPECT_TRUE(enabled(GL_FOG));
    EXPECT_EQ(integer(GL_FOG_MODE), GL_LINEAR);
    EXPECT_FLOAT_EQ(floats(GL_FOG_START)[0], 2);
    EXPECT_FLOAT_EQ(floats(GL_FOG_END)[0], 9);
    EXPECT_FLOAT_EQ(floats(GL_FOG_DENSITY)[0], 0.25f);
    expectColor(floats(GL_FOG_COLOR), {1, 0, 0.5f, 1});
    EXPECT_EQ(integer(GL_FOG_HINT), GL_FASTEST);
    fog.restore();
    EXPECT_FALSE(enabled(GL_FOG));
    expectNoGLError();
}

TEST_F(StateApply, StencilOperationsFunctionAndMasks) {
    StencilState stencil;
    stencil.enabled = true;
    stencil.function = GL_NOTEQUAL;
    stencil.reference = 2;
    stencil.mask = 3;
    stencil.writeMask = 15;
    stencil.fail = GL_KEEP;
    stencil.zFail = GL_INCR_WRAP_EXT;
    stencil.zPass = GL_REPLACE;
    stencil.apply();
    EXPECT_TRUE(enabled(GL_STENCIL_TEST));
    EXPECT_EQ(integer(GL_STENCIL_FUNC), GL_NOTEQUAL);
    EXPECT_EQ(integer(GL_STENCIL_REF), 2);
    EXPECT_EQ(integer(GL_STENCIL_VALUE_MASK), 3);
    EXPECT_EQ(integer(GL_STENCIL_WRITEMASK), 15);
    EXPECT_EQ(integer(GL_STENCIL_FAIL), GL_KEEP);
    EXPECT_EQ(integer(GL_STENCIL_PASS_DEPTH_FAIL), GL_INCR_WRAP_EXT);
    EXPECT_EQ(integer(GL_STENCIL_PASS_DEPTH_PASS), GL_REPLACE);
    stencil.restore();
    EXPECT_FALSE(enabled(GL_STENCIL_TEST));
    EXPECT_EQ(integer(GL_STENCIL_WRITEMASK) & 0xFF, 0xFF);
    expectNoGLError();
}

TEST_F(StateApply, DepthTestFunctionAndWrites) {
    setBaseline();
    ZBufferState depth;
    depth.enabled = false;
    depth.depthWrite = false;
    depth.apply();
    EXPECT_FALSE(enabled(GL_DEPTH_TEST));
    EXPECT_EQ(integer(GL_DEPTH_WRITEMASK), GL_FALSE);
    depth.restore();
    EXPECT_TRUE(enabled(GL_DEPTH_TEST));
    EXPECT_EQ(integer(GL_DEPTH_WRITEMASK), GL_TRUE);

    ZBufferState greater;
    greater.enabled = true;
    greater.function = GL_GREATER;
    greater.apply();
    EXPECT_TRUE(enabled(GL_DEPTH_TEST));
    EXPECT_EQ(integer(GL_DEPTH_FUNC), GL_GREATER);
    greater.restore();
    EXPECT_EQ(integer(GL_DEPTH_FUNC), GL_LEQUAL);
    expectNoGLError();
}

TEST_F(StateApply, PolygonModeAndLogicOp) {
    PolygonState lines;
    lines.enabled = true;
    lines.mode = GL_LINE;
    lines.face = GL_FRONT_AND_BACK;
    lines.apply();
    GLint modes[2] = {};
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_LINE);
    EXPECT_EQ(modes[1], GL_LINE);
    lines.restore();
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_FILL);
    EXPECT_EQ(modes[1], GL_FILL);

    PolygonState disabled;
    disabled.mode = GL_POINT;
    disabled.apply();
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_FILL);

    LogicOpState xorOp;
    xorOp.enabled = true;
    xorOp.op = GL_XOR;
    xorOp.apply();
    EXPECT_TRUE(enabled(GL_COLOR_LOGIC_OP));
    EXPECT_EQ(integer(GL_LOGIC_OP_MODE), GL_XOR);
    xorOp.restore();
    EXPECT_FALSE(enabled(GL_COLOR_LOGIC_OP));
    expectNoGLError();
}

TEST_F(StateApply, EnabledMaterialSetsTheLightingMaterialAndRestoresTheDefault) {
    setBaseline();
    MaterialState material;
    material.enabled = true;
    material.ambient[0] = 0.5f;
    material.diffuse[1] = 0.25f;
    material.specular[2] = 0.75f;
    material.emission[0] = 0.125f;
    material.shininess = 20;
    material.apply();
    EXPECT_FALSE(enabled(GL_COLOR_MATERIAL));
    expectColor(frontMaterial(GL_AMBIENT), {0.5f, 0, 0, 1});
    expectColor(frontMaterial(GL_DIFFUSE), {0.8f, 0.25f, 0.8f, 1});
    expectColor(frontMaterial(GL_SPECULAR), {0, 0, 0.75f, 1});
    expectColor(frontMaterial(GL_EMISSION), {0.125f, 0, 0, 0});
    GLfloat shininess = 0;
    glGetMaterialfv(GL_BACK, GL_SHININESS, &shininess);
    EXPECT_FLOAT_EQ(shininess, 20);
    material.restore();
    EXPECT_TRUE(enabled(GL_COLOR_MATERIAL));
    expectColor(frontMaterial(GL_AMBIENT), {0.2f, 0.2f, 0.2f, 1});
    expectColor(frontMaterial(GL_DIFFUSE), {0.8f, 0.8f, 0.8f, 1});
    expectColor(frontMaterial(GL_SPECULAR), {0, 0, 0, 1});
    expectColor(frontMaterial(GL_EMISSION), {0, 0, 0, 1});
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    EXPECT_EQ(shininess, 0);
    expectNoGLError();
}

TEST_F(StateApply, DisabledMaterialStillSetsTheCurrentColour) {
    MaterialState material;
    material.diffuse[0] = 0.5f;
    material.diffuse[3] = 0.25f;
    glDisable(GL_COLOR_MATERIAL);
    material.apply();
    EXPECT_TRUE(enabled(GL_COLOR_MATERIAL));
    expectColor(floats(GL_CURRENT_COLOR), {0.5f, 0.8f, 0.8f, 0.25f});
    material.restore();
    expectColor(floats(GL_CURRENT_COLOR), {1, 1, 1, 1});
}

TEST_F(StateApply, TransparencyFollowsTheFrameTime) {
    MaterialState material;
    material.enabled = true;
    material.transparency = std::make_unique<Envelope>();
    EnvelopeKey start{};
    start.spanType = 3;  // linear
    EnvelopeKey end = start;
    end.value = 1;
    end.time = 4;
    material.transparency->addKey(start);
    material.transparency->addKey(end);
    for (float time : {1.0f, 3.0f}) {
        manager.setFrameTime(time);
        material.apply();
        EXPECT_FLOAT_EQ(frontMaterial(GL_AMBIENT)[3], time / 4);
        EXPECT_FLOAT_EQ(frontMaterial(GL_DIFFUSE)[3], time / 4);
        EXPECT_FLOAT_EQ(frontMaterial(GL_SPECULAR)[3], time / 4);
        EXPECT_FLOAT_EQ(frontMaterial(GL_EMISSION)[3], 0);  // emission keeps its own alpha
        EXPECT_FLOAT_EQ(material.diffuse[3], time / 4);     // the state keeps the values
        material.restore();
    }
    // A disabled material passes the alpha on through the current colour.
    material.enabled = false;
    manager.setFrameTime(2);
    material.apply();
    EXPECT_FLOAT_EQ(floats(GL_CURRENT_COLOR)[3], 0.5f);
    material.restore();
}

TEST_F(StateApply, BlackMaterialSwitch) {
    RenderStateLocks::setBlackMaterial(true);
    MaterialState lit;
    lit.enabled = true;
    lit.ambient[0] = 1;
    lit.specular[1] = 0.5f;
    lit.apply();
    expectColor(frontMaterial(GL_AMBIENT), {0, 0, 0, 0});
    expectColor(frontMaterial(GL_DIFFUSE), {0, 0, 0, 0});
    expectColor(frontMaterial(GL_EMISSION), {0, 0, 0, 0});
    expectColor(frontMaterial(GL_SPECULAR), {0, 0.5f, 0, 1});  // specular is the state's own
    lit.restore();
    MaterialState unlit;
    unlit.apply();
    expectColor(floats(GL_CURRENT_COLOR), {0, 0, 0, 0});
    unlit.restore();
    RenderStateLocks::reset();
    EXPECT_FALSE(RenderStateLocks::blackMaterial());
}

TEST_F(StateApply, ProgramStatesBindTheirProgramOnlyWithTheExtension) {
    ASSERT_TRUE(GL_ARB_vertex_program_Flag);
    ASSERT_TRUE(manager.addVertexProgram("pass", "!!ARBvp1.0\nMOV result.position, vertex.position;\nEND\n"));
    ASSERT_TRUE(manager.addFragmentProgram("red", "!!ARBfp1.0\nMOV result.color, {1, 0, 0, 1};\nEND\n"));
    VertexProgramState vertex;
    vertex.enabled = true;
    vertex.program = manager.findVertexProgram("pass");
    FragmentProgramState fragment;
    fragment.enabled = true;
    fragment.program = manager.findFragmentProgram("red");
    ASSERT_NE(vertex.program, 0u);
    vertex.apply();
    fragment.apply();
    EXPECT_TRUE(enabled(GL_VERTEX_PROGRAM_ARB));
    EXPECT_TRUE(enabled(GL_FRAGMENT_PROGRAM_ARB));
    GLint bound = 0;
    glGetProgramivARB(GL_VERTEX_PROGRAM_ARB, GL_PROGRAM_BINDING_ARB, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), vertex.program);
    glGetProgramivARB(GL_FRAGMENT_PROGRAM_ARB, GL_PROGRAM_BINDING_ARB, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), fragment.program);
    vertex.restore();
    fragment.restore();
    EXPECT_FALSE(enabled(GL_VERTEX_PROGRAM_ARB));
    EXPECT_FALSE(enabled(GL_FRAGMENT_PROGRAM_ARB));

    // Without the extension the state does nothing, even when it is enabled.
    resetExtensions();
    vertex.apply();
    EXPECT_FALSE(enabled(GL_VERTEX_PROGRAM_ARB));
    reportExtensions(*context);
    expectNoGLError();
}

// Each kind with its lock on changes nothing in apply or restore.
TEST_F(StateApply, LockedKindsDoNothing) {
    setBaseline();
    BlendState blend;
    blend.enabled = true;
    blend.lighting = false;
    CullState cull;
    cull.enabled = false;
    ZBufferState depth;
    depth.depthWrite = false;
    AlphaState alpha;
    alpha.enabled = true;
    FogState fog;
    fog.enabled = true;
    StencilState stencil;
    stencil.enabled = true;
    LogicOpState logic;
    logic.enabled = true;
    MaterialState material;
    material.diffuse[0] = 0.1f;
    RenderState* states[] = {&blend, &cull, &depth, &alpha, &fog, &stencil, &logic, &material};
    for (RenderState* state : states) RenderStateLocks::setLocked(state->kind(), true);
    glEnable(GL_LIGHTING);
    for (RenderState* state : states) state->apply();
    EXPECT_FALSE(enabled(GL_BLEND));
    EXPECT_TRUE(enabled(GL_LIGHTING));
    EXPECT_TRUE(enabled(GL_CULL_FACE));
    EXPECT_EQ(integer(GL_DEPTH_WRITEMASK), GL_TRUE);
    EXPECT_FALSE(enabled(GL_ALPHA_TEST));
    EXPECT_FALSE(enabled(GL_FOG));
    EXPECT_FALSE(enabled(GL_STENCIL_TEST));
    EXPECT_FALSE(enabled(GL_COLOR_LOGIC_OP));
    expectColor(floats(GL_CURRENT_COLOR), {1, 1, 1, 1});
    glEnable(GL_BLEND);
    glEnable(GL_FOG);
    for (RenderState* state : states) state->restore();
    EXPECT_TRUE(enabled(GL_BLEND));
    EXPECT_TRUE(enabled(GL_FOG));
    EXPECT_EQ(integer(GL_ATTRIB_STACK_DEPTH), 0);

    // Unlocking one kind lets only that kind act.
    RenderStateLocks::setLocked(RenderStateKind::Blend, false);
    blend.apply();
    EXPECT_FALSE(enabled(GL_LIGHTING));
    blend.restore();
    EXPECT_FALSE(enabled(GL_BLEND));
    RenderStateLocks::reset();
    for (RenderState* state : states) EXPECT_FALSE(RenderStateLocks::isLocked(state->kind()));
    RenderStateLocks::setLocked(RenderStateKind::Polygon, true);  // Polygon has no lock
    EXPECT_FALSE(RenderStateLocks::isLocked(RenderStateKind::Polygon));
}

TEST_F(StateApply, TwoBlocksOfOneKindAreAppliedAndRestoredInScriptOrder) {
    setBaseline();
    ASSERT_TRUE(test::parseScript(manager,
                                  "Shader {\nName \"twice\"\n"
                                  "ZBuffer {\nEnable yes\nFunction GREATER\n}\n"
                                  "ZBuffer {\nEnable yes\nFunction NEVER\nWrite no\n}\n}\n"));
    Shader& shader = *manager.shaders()[0];
    shader.begin();
    EXPECT_EQ(integer(GL_DEPTH_FUNC), GL_NEVER);  // the second block wins
    EXPECT_EQ(integer(GL_DEPTH_WRITEMASK), GL_FALSE);
    shader.end();
    EXPECT_EQ(integer(GL_DEPTH_FUNC), GL_LEQUAL);
    EXPECT_EQ(integer(GL_DEPTH_WRITEMASK), GL_TRUE);
    expectNoGLError();
}

// Drawing through a script-made shader: an additive blend of red onto blue gives magenta.
TEST_F(StateApply, AScriptShaderBlendsPixels) {
    ASSERT_TRUE(test::parseScript(manager, "Shader {\nName \"add\"\nLighting no\nBlend {\nEnable yes\n"
                                           "Src ONE\nDst ONE\n}\nZBuffer {\nEnable no\n}\n}\n"));
    ShaderHandle shader = manager.find("add");
    ASSERT_TRUE(shader);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    shader->begin();
    glColor4f(1, 0, 0, 1);
    glRectf(-1, -1, 0, 1);
    shader->end();
    EXPECT_EQ(pixel(10, 32)[0], 255);
    EXPECT_EQ(pixel(10, 32)[2], 255);
    EXPECT_EQ(pixel(50, 32)[0], 0);
    manager.release(shader);
    expectNoGLError();
}

}  // namespace
}  // namespace qv3rn

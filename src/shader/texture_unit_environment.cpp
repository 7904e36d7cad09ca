// texture_unit_environment.cpp -- texture environment, combiner and texture-coordinate generation set-up and reset.
#include "shader/texture_unit_environment.h"

#include "gl/extensions.h"
#include "shader/camera_mgr.h"
#include "shader/texture_params.h"

namespace qv3rn {

namespace {

bool isDot3(GLenum function) { return function == GL_DOT3_RGB_ARB || function == GL_DOT3_RGBA_ARB; }

// The combiner: functions, three sources and operands per channel, and the scales.
void setUpCombiner(const TextureParams& params) {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, static_cast<GLint>(params.combineRGB));
    // The dot products exist for the colour combiner only; the alpha combiner keeps its function then.
    if (!isDot3(params.combineAlpha))
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA_ARB, static_cast<GLint>(params.combineAlpha));
    const GLenum sourceRGB[3] = {GL_SOURCE0_RGB_ARB, GL_SOURCE1_RGB_ARB, GL_SOURCE2_RGB_ARB};
    const GLenum sourceAlpha[3] = {GL_SOURCE0_ALPHA_ARB, GL_SOURCE1_ALPHA_ARB, GL_SOURCE2_ALPHA_ARB};
    const GLenum operandRGB[3] = {GL_OPERAND0_RGB_ARB, GL_OPERAND1_RGB_ARB, GL_OPERAND2_RGB_ARB};
    const GLenum operandAlpha[3] = {GL_OPERAND0_ALPHA_ARB, GL_OPERAND1_ALPHA_ARB, GL_OPERAND2_ALPHA_ARB};
    for (int i = 0; i < 3; ++i) {
        glTexEnvi(GL_TEXTURE_ENV, sourceRGB[i], static_cast<GLint>(params.sourceRGB[i]));
        glTexEnvi(GL_TEXTURE_ENV, sourceAlpha[i], static_cast<GLint>(params.sourceAlpha[i]));
        glTexEnvi(GL_TEXTURE_ENV, operandRGB[i], static_cast<GLint>(params.operandRGB[i]));
        glTexEnvi(GL_TEXTURE_ENV, operandAlpha[i], static_cast<GLint>(params.operandAlpha[i]));
    }
    glTexEnvi(GL_TEXTURE_ENV, GL_RGB_SCALE_ARB, params.scaleRGB);
    glTexEnvi(GL_TEXTURE_ENV, GL_ALPHA_SCALE, params.scaleAlpha);
}

void setUpEnvironment(const TextureParams& params, GLenum target) {
    switch (params.envMode) {
        case GL_REPLACE:
        case GL_MODULATE:
        case GL_DECAL:
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLint>(params.envMode));
            break;
        case GL_BLEND:
            glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, params.envColor.data());
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_BLEND);
            break;
        case GL_ADD:
            if (GL_ARB_texture_env_add_Flag || GL_EXT_texture_env_add_Flag)
                glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD);
            else
                glDisable(target);
            break;
        case GL_COMBINE_ARB:
            if (!GL_ARB_texture_env_combine_Flag ||
                (!GL_ARB_texture_env_dot3_Flag && (isDot3(params.combineRGB) || isDot3(params.combineAlpha))))
                glDisable(target);
            else
                setUpCombiner(params);
            break;
        default:
            break;
    }
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, params.envColor.data());
}

void setGeneration(GLenum coordinate, GLenum mode) { glTexGeni(coordinate, GL_TEXTURE_GEN_MODE, static_cast<GLint>(mode)); }

void enableGeneration(std::initializer_list<GLenum> switches) {
    for (GLenum gen : switches) glEnable(gen);
}

void disableAllGeneration() {
    glDisable(GL_TEXTURE_GEN_Q);
    glDisable(GL_TEXTURE_GEN_R);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
}

// Eye-linear S, T (and R) with planes taken from rows of the current modelview matrix.
void frontPlanes(const float (&s)[4], const float (&t)[4], const float* r) {
    setGeneration(GL_S, GL_EYE_LINEAR);
    setGeneration(GL_T, GL_EYE_LINEAR);
    glTexGenfv(GL_S, GL_EYE_PLANE, s);
    glTexGenfv(GL_T, GL_EYE_PLANE, t);
    if (r) {
        setGeneration(GL_R, GL_EYE_LINEAR);
        glTexGenfv(GL_R, GL_EYE_PLANE, r);
        enableGeneration({GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R});
    } else {
        enableGeneration({GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T});
    }
}

void setUpLinear(GLenum linearMode, GLenum planeName, const TextureParams& params) {
    setGeneration(GL_S, linearMode);
    setGeneration(GL_T, linearMode);
    glTexGenfv(GL_S, planeName, params.planeS.data());
    glTexGenfv(GL_T, planeName, params.planeT.data());
    glTexGenfv(GL_R, planeName, params.planeR.data());
    glTexGenfv(GL_Q, planeName, params.planeQ.data());
    enableGeneration({GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T});
}

void setUpCubeGeneration(GLenum mode) {
    if (!GL_ARB_texture_cube_map_Flag && !GL_EXT_texgen_reflection_Flag) return;
    setGeneration(GL_S, mode);
    setGeneration(GL_T, mode);
    setGeneration(GL_R, mode);
    enableGeneration({GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R});
}

// The current camera's projection and then its view, multiplied onto the current matrix; nothing without a
// current camera.
void multiplyCurrentCameraProjection() {
    const Camera* camera = CameraMgr::instance().currentCamera();
    if (!camera) return;
    glMultMatrixf(camera->projectionMatrix().data());
    glMultMatrixf(camera->viewMatrix().data());
}

// The texture is projected from the current camera: the texture matrix maps eye coordinates through the
// camera's projection and view into [0, 1], and all four coordinates are generated eye-linear.
void setUpCameraProjection() {
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glTranslatef(0.5f, 0.5f, 0.0f);
    glScalef(0.5f, 0.5f, 1.0f);
    multiplyCurrentCameraProjection();
    glMatrixMode(GL_MODELVIEW);
    const float rows[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    const GLenum coordinates[4] = {GL_S, GL_T, GL_R, GL_Q};
    for (int i = 0; i < 4; ++i) {
        setGeneration(coordinates[i], GL_EYE_LINEAR);
        glTexGenfv(coordinates[i], GL_EYE_PLANE, rows[i]);
    }
    enableGeneration({GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q});
}

void setUpGeneration(const TextureParams& params) {
    float m[16];
    switch (params.texGenMode) {
        case TexGenNone:
            disableAllGeneration();
            return;
        case TexGenIgnore:
            return;
        case TexGenSphere:
            setGeneration(GL_S, GL_SPHERE_MAP);
            setGeneration(GL_T, GL_SPHERE_MAP);
            enableGeneration({GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T});
            return;
        case TexGenObject:
            setUpLinear(GL_OBJECT_LINEAR, GL_OBJECT_PLANE, params);
            return;
        case TexGenEye:
            setUpLinear(GL_EYE_LINEAR, GL_EYE_PLANE, params);
            return;
        case TexGenReflectionMap:
            setUpCubeGeneration(GL_REFLECTION_MAP_ARB);
            return;
        case TexGenNormalMap:
            setUpCubeGeneration(GL_NORMAL_MAP_ARB);
            return;
        case TexGenFront:
            setUpCameraProjection();
            return;
        default:
            break;
    }
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const float x[4] = {m[0], m[4], m[8], 1.0f};
    const float y[4] = {m[1], m[5], m[9], 1.0f};
    const float z[4] = {m[2], m[6], m[10], 1.0f};
    const float yTranslated[4] = {m[1], m[5], m[9], m[13]};
    const float zTranslated[4] = {m[2], m[6], m[10], m[14]};
    const float xTranslated[4] = {m[0], m[4], m[8], m[12]};
    switch (params.texGenMode) {
        case TexGenFrontXY:
            frontPlanes(x, y, nullptr);
            break;
        case TexGenFrontXZ:
            frontPlanes(x, z, nullptr);
            break;
        case TexGenFrontYZ:
            frontPlanes(yTranslated, zTranslated, nullptr);
            break;
        case TexGenFrontXYZ:
            frontPlanes(xTranslated, yTranslated, zTranslated);
            break;
        default:
            break;  // an unknown code sets nothing up
    }
}

}  // namespace

void TextureUnitEnvironment::setup(const TextureParams& params, GLenum target, GLenum) {
    setUpEnvironment(params, target);
    setUpGeneration(params);
}

void TextureUnitEnvironment::reset(const TextureParams& params, GLenum, GLenum) {
    const std::int32_t mode = params.texGenMode;
    if (mode == TexGenFront) {
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
    }
    if (mode >= TexGenSphere && mode <= TexGenFrontXYZ) disableAllGeneration();
    // The combiner scales would stay on the unit for the next image; put them back to 1.
    if (params.envMode == GL_COMBINE_ARB && GL_ARB_texture_env_combine_Flag) {
        glTexEnvi(GL_TEXTURE_ENV, GL_RGB_SCALE_ARB, 1);
        glTexEnvi(GL_TEXTURE_ENV, GL_ALPHA_SCALE, 1);
    }
}

TextureUnitEnvironment& TextureUnitEnvironment::instance() {
    static TextureUnitEnvironment environment;
    return environment;
}

void installTextureUnitEnvironment() {
    if (!textureUnitSetup()) installTextureUnitSetup(&TextureUnitEnvironment::instance());
}

}  // namespace qv3rn

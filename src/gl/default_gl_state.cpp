// default_gl_state.cpp -- setting the default OpenGL state, step by step.
#include "gl/default_gl_state.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "gl/extensions.h"  // Required for: GL_EXT_rescale_normal_Flag, GL_ARB_multisample_Flag

namespace qv3rn {

void applyDefaultGLState() {
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glHint(GL_FOG_HINT, GL_NICEST);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
    glDisable(GL_POLYGON_SMOOTH);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glDisable(GL_LINE_SMOOTH);
    glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_POINT_SMOOTH);

    glPointSize(1.0f);
    glLineWidth(1.0f);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearStencil(0);
    glStencilMask(0xFF);
    glClearDepth(1.0);

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_NORMALIZE);
    if (GL_EXT_rescale_normal_Flag) glEnable(GL_RESCALE_NORMAL_EXT);

    // Counter-clockwise fronts: the baseline every shader's culling returns to, and the winding of every mesh
    // the engine reads or makes. With clockwise fronts here, a mesh would show its inside until the first
    // shader that sets its own winding had been drawn.
    glFrontFace(GL_CCW);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);

    glDisable(GL_LIGHTING);
    for (int light = 0; light < 8; ++light) glDisable(GL_LIGHT0 + light);

    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);

    if (GL_ARB_multisample_Flag) glDisable(GL_MULTISAMPLE_ARB);
}

}  // namespace qv3rn

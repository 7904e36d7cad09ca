// default_gl_state.h -- the OpenGL state every drawing context of the program starts from.
#pragma once

namespace qv3rn {

// Sets the default state on the current context: nicest hints, smoothing of points only, unit point size and line
// width, black opaque clear colour with stencil 0 and depth 1, the depth test with GL_LEQUAL, normalised (and, when
// GL_EXT_rescale_normal is available, rescaled) normals, counter-clockwise front faces with back faces culled,
// lighting and lights 0 to 7 off, colour material on for ambient and diffuse of both faces, and multisampling off
// when GL_ARB_multisample is available. The extension report must have run on the context first. The swap interval
// belongs to the window and is left alone.
void applyDefaultGLState();

}  // namespace qv3rn
